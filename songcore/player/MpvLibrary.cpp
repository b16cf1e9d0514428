#include "songcore/player/MpvLibrary.h"

#include <dlfcn.h>

namespace songcore {
namespace {

template <typename Function>
bool Bind(void* library, const char* name, Function& out, std::string& error) {
    out = reinterpret_cast<Function>(::dlsym(library, name));
    if (!out && error.empty()) {
        error = std::string("libmpv has no ") + name;
    }
    return out != nullptr;
}

struct Loaded {
    MpvLibrary functions;
    bool ok = false;
    std::string error;
};

Loaded Load() {
    Loaded loaded;
    void* library = nullptr;
    for (const char* name : {"libmpv.so.2", "libmpv.so.1", "libmpv.so"}) {
        library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (library) {
            break;
        }
    }
    if (!library) {
        const char* why = ::dlerror();
        loaded.error = std::string("cannot load libmpv: ") + (why ? why : "not found");
        return loaded;
    }
    // Never closed: libmpv's threads may outlive any one player.
    MpvLibrary& f = loaded.functions;
    std::string& e = loaded.error;
    loaded.ok = Bind(library, "mpv_create", f.create, e) &
                Bind(library, "mpv_initialize", f.initialize, e) &
                Bind(library, "mpv_terminate_destroy", f.terminate_destroy, e) &
                Bind(library, "mpv_set_option_string", f.set_option_string, e) &
                Bind(library, "mpv_set_property", f.set_property, e) &
                Bind(library, "mpv_set_property_string", f.set_property_string, e) &
                Bind(library, "mpv_get_property", f.get_property, e) &
                Bind(library, "mpv_get_property_string", f.get_property_string, e) &
                Bind(library, "mpv_free", f.free, e) &
                Bind(library, "mpv_free_node_contents", f.free_node_contents, e) &
                Bind(library, "mpv_observe_property", f.observe_property, e) &
                Bind(library, "mpv_command", f.command, e) &
                Bind(library, "mpv_wait_event", f.wait_event, e) &
                Bind(library, "mpv_set_wakeup_callback", f.set_wakeup_callback, e) &
                Bind(library, "mpv_error_string", f.error_string, e);
    return loaded;
}

}  // namespace

const MpvLibrary* MpvLibrary::Get(std::string* error) {
    static const Loaded loaded = Load();
    if (!loaded.ok && error) {
        *error = loaded.error;
    }
    return loaded.ok ? &loaded.functions : nullptr;
}

}  // namespace songcore
