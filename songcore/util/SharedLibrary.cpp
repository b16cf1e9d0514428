#include "songcore/util/SharedLibrary.h"

namespace songcore {

void* OpenSharedLibrary(std::initializer_list<const char*> names, std::string& error) {
    std::string reasons;
    for (const char* name : names) {
        if (void* library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL)) {
            return library;
        }
        const char* why = ::dlerror();
        if (reasons.empty()) {
            reasons = why ? why : std::string(name) + ": not found";
        }
    }
    error = "cannot load " + std::string(*names.begin()) + ": " + reasons;
    return nullptr;
}

}  // namespace songcore
