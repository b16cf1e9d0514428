#pragma once
// ICU's Unicode case rules, its code page converters and its charset
// detector, loaded on first use (SharedLibrary.h says why): most commands
// never compare texts beyond ASCII nor meet text in a legacy code page.

#include <unicode/stringoptions.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>

namespace songcore {

struct IcuLibrary {
    decltype(&::u_strFromUTF8WithSub) fromUtf8 = nullptr;
    decltype(&::u_strToUTF8) toUtf8 = nullptr;
    decltype(&::u_strToUpper) toUpper = nullptr;
    decltype(&::u_strFoldCase) foldCase = nullptr;
    decltype(&::u_strCaseCompare) caseCompare = nullptr;
    decltype(&::u_isalpha) isLetter = nullptr;

    decltype(&::ucnv_open) openConverter = nullptr;
    decltype(&::ucnv_close) closeConverter = nullptr;
    decltype(&::ucnv_setToUCallBack) setToUnicodeCallback = nullptr;
    decltype(&::ucnv_setFromUCallBack) setFromUnicodeCallback = nullptr;
    decltype(&::ucnv_toUChars) toUChars = nullptr;
    decltype(&::ucnv_fromUChars) fromUChars = nullptr;
    // The callbacks that make a conversion stop at the first byte sequence
    // or character the code page does not have, instead of substituting.
    UConverterToUCallback stopToUnicode = nullptr;
    UConverterFromUCallback stopFromUnicode = nullptr;

    // The charset detector lives in ICU's second library, loaded with it.
    decltype(&::ucsdet_open) openDetector = nullptr;
    decltype(&::ucsdet_close) closeDetector = nullptr;
    decltype(&::ucsdet_setText) setDetectorText = nullptr;
    decltype(&::ucsdet_detectAll) detectAll = nullptr;
    decltype(&::ucsdet_getName) matchName = nullptr;
    decltype(&::ucsdet_getConfidence) matchConfidence = nullptr;

    // Loads the library once; null when it cannot be loaded.
    static const IcuLibrary* Get();
};

}  // namespace songcore
