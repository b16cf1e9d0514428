#include "songcore/util/IcuLibrary.h"

#include <unicode/uvernum.h>

#include <string>

#include "songcore/util/SharedLibrary.h"

// ICU versions its function names ("u_strToUpper_72"); its headers rename
// each call, so the name to look up is the macro's expansion.
#define TUNEMOSS_ICU_NAME(name) TUNEMOSS_ICU_TEXT(name)
#define TUNEMOSS_ICU_TEXT(name) #name

namespace songcore {
namespace {

bool Load(IcuLibrary& f, std::string& error) {
    void* library = OpenSharedLibrary({"libicuuc.so." U_ICU_VERSION_SHORT}, error);
    if (!library) {
        return false;
    }
    BindFunction(library, TUNEMOSS_ICU_NAME(u_strFromUTF8WithSub), f.fromUtf8, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(u_strToUTF8), f.toUtf8, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(u_strToUpper), f.toUpper, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(u_strFoldCase), f.foldCase, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(u_strCaseCompare), f.caseCompare, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(u_isalpha), f.isLetter, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(ucnv_open), f.openConverter, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(ucnv_close), f.closeConverter, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(ucnv_setToUCallBack), f.setToUnicodeCallback, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(ucnv_setFromUCallBack), f.setFromUnicodeCallback,
                 error);
    BindFunction(library, TUNEMOSS_ICU_NAME(ucnv_toUChars), f.toUChars, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(ucnv_fromUChars), f.fromUChars, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(UCNV_TO_U_CALLBACK_STOP), f.stopToUnicode, error);
    BindFunction(library, TUNEMOSS_ICU_NAME(UCNV_FROM_U_CALLBACK_STOP), f.stopFromUnicode, error);
    void* i18n = OpenSharedLibrary({"libicui18n.so." U_ICU_VERSION_SHORT}, error);
    if (!i18n) {
        return false;
    }
    BindFunction(i18n, TUNEMOSS_ICU_NAME(ucsdet_open), f.openDetector, error);
    BindFunction(i18n, TUNEMOSS_ICU_NAME(ucsdet_close), f.closeDetector, error);
    BindFunction(i18n, TUNEMOSS_ICU_NAME(ucsdet_setText), f.setDetectorText, error);
    BindFunction(i18n, TUNEMOSS_ICU_NAME(ucsdet_detectAll), f.detectAll, error);
    BindFunction(i18n, TUNEMOSS_ICU_NAME(ucsdet_getName), f.matchName, error);
    BindFunction(i18n, TUNEMOSS_ICU_NAME(ucsdet_getConfidence), f.matchConfidence, error);
    return error.empty();
}

}  // namespace

const IcuLibrary* IcuLibrary::Get() {
    return LoadLibraryOnce<IcuLibrary>(&Load, nullptr);
}

}  // namespace songcore
