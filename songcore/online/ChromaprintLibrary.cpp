#include "songcore/online/ChromaprintLibrary.h"

#include "songcore/util/SharedLibrary.h"

namespace songcore {
namespace {

bool Load(ChromaprintLibrary& f, std::string& e) {
    void* library = OpenSharedLibrary({"libchromaprint.so.1"}, e);
    if (!library) {
        return false;
    }
    BindFunction(library, "chromaprint_new", f.create, e);
    BindFunction(library, "chromaprint_free", f.destroy, e);
    BindFunction(library, "chromaprint_start", f.start, e);
    BindFunction(library, "chromaprint_feed", f.feed, e);
    BindFunction(library, "chromaprint_finish", f.finish, e);
    BindFunction(library, "chromaprint_get_fingerprint", f.fingerprint, e);
    BindFunction(library, "chromaprint_get_raw_fingerprint", f.rawFingerprint, e);
    BindFunction(library, "chromaprint_dealloc", f.dealloc, e);
    return e.empty();
}

}  // namespace

const ChromaprintLibrary* ChromaprintLibrary::Get(std::string* error) {
    return LoadLibraryOnce<ChromaprintLibrary>(&Load, error);
}

}  // namespace songcore
