#pragma once
// ICU's Unicode case rules, loaded on first use of a text beyond ASCII
// (SharedLibrary.h says why): most commands never compare such texts.

#include <unicode/stringoptions.h>
#include <unicode/ustring.h>

namespace songcore {

struct IcuLibrary {
    decltype(&::u_strFromUTF8WithSub) fromUtf8 = nullptr;
    decltype(&::u_strToUTF8) toUtf8 = nullptr;
    decltype(&::u_strToUpper) toUpper = nullptr;
    decltype(&::u_strFoldCase) foldCase = nullptr;
    decltype(&::u_strCaseCompare) caseCompare = nullptr;

    // Loads the library once; null when it cannot be loaded.
    static const IcuLibrary* Get();
};

}  // namespace songcore
