#pragma once
// Libraries that only some commands need (the player's libmpv, libcurl for
// the internet, ICU for case rules beyond ASCII) are opened when first used,
// not by the dynamic loader at start-up: loading libcurl and what it drags
// in took most of a one-file tag write's start-up.

#include <dlfcn.h>

#include <initializer_list>
#include <string>

namespace songcore {

// Opens the first of names that loads, for good: what it starts may outlive
// any one user. Null when none does, with the reason in error.
void* OpenSharedLibrary(std::initializer_list<const char*> names, std::string& error);

// Looks up one function of an opened library; the first name missing is
// kept in error, which stays empty while all are found.
template <typename Function>
void BindFunction(void* library, const char* name, Function& out, std::string& error) {
    out = reinterpret_cast<Function>(::dlsym(library, name));
    if (!out && error.empty()) {
        error = std::string("the library has no function ") + name;
    }
}

// The functions of a library, opened and bound by load(functions, error)
// for the first caller and kept for the process. Null when they cannot be
// loaded, with the reason in error; every later call gives the same answer.
template <typename Functions>
const Functions* LoadLibraryOnce(bool (*load)(Functions&, std::string&), std::string* error) {
    struct Loaded {
        Functions functions{};
        std::string error;
        bool ok = false;
    };
    // A static of a function template: one per library, made once even when
    // threads ask at the same time.
    static const Loaded loaded = [load] {
        Loaded result;
        result.ok = load(result.functions, result.error) && result.error.empty();
        return result;
    }();
    if (!loaded.ok && error) {
        *error = loaded.error;
    }
    return loaded.ok ? &loaded.functions : nullptr;
}

}  // namespace songcore
