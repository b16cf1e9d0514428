#include "songcore/player/MpvLibrary.h"

#include "songcore/util/SharedLibrary.h"

namespace songcore {
namespace {

bool Load(MpvLibrary& f, std::string& e) {
    void* library = OpenSharedLibrary({"libmpv.so.2", "libmpv.so.1", "libmpv.so"}, e);
    if (!library) {
        return false;
    }
    BindFunction(library, "mpv_create", f.create, e);
    BindFunction(library, "mpv_initialize", f.initialize, e);
    BindFunction(library, "mpv_terminate_destroy", f.terminate_destroy, e);
    BindFunction(library, "mpv_set_option_string", f.set_option_string, e);
    BindFunction(library, "mpv_set_property", f.set_property, e);
    BindFunction(library, "mpv_set_property_string", f.set_property_string, e);
    BindFunction(library, "mpv_get_property", f.get_property, e);
    BindFunction(library, "mpv_get_property_string", f.get_property_string, e);
    BindFunction(library, "mpv_free", f.free, e);
    BindFunction(library, "mpv_free_node_contents", f.free_node_contents, e);
    BindFunction(library, "mpv_observe_property", f.observe_property, e);
    BindFunction(library, "mpv_command", f.command, e);
    BindFunction(library, "mpv_wait_event", f.wait_event, e);
    BindFunction(library, "mpv_set_wakeup_callback", f.set_wakeup_callback, e);
    BindFunction(library, "mpv_error_string", f.error_string, e);
    return e.empty();
}

}  // namespace

const MpvLibrary* MpvLibrary::Get(std::string* error) {
    return LoadLibraryOnce<MpvLibrary>(&Load, error);
}

}  // namespace songcore
