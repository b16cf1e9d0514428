#pragma once
// libmpv, loaded when the first player starts rather than with songcore.
// Linked directly it drags a few hundred libraries into every program that
// uses songcore; loading them costs a tag reader or a one-file tag write more
// than a second and some 50 MB before it does anything.

#include <mpv/client.h>

#include <string>

namespace songcore {

struct MpvLibrary {
    decltype(&::mpv_create) create = nullptr;
    decltype(&::mpv_initialize) initialize = nullptr;
    decltype(&::mpv_terminate_destroy) terminate_destroy = nullptr;
    decltype(&::mpv_set_option_string) set_option_string = nullptr;
    decltype(&::mpv_set_property) set_property = nullptr;
    decltype(&::mpv_set_property_string) set_property_string = nullptr;
    decltype(&::mpv_get_property) get_property = nullptr;
    decltype(&::mpv_get_property_string) get_property_string = nullptr;
    decltype(&::mpv_free) free = nullptr;
    decltype(&::mpv_free_node_contents) free_node_contents = nullptr;
    decltype(&::mpv_observe_property) observe_property = nullptr;
    decltype(&::mpv_command) command = nullptr;
    decltype(&::mpv_wait_event) wait_event = nullptr;
    decltype(&::mpv_set_wakeup_callback) set_wakeup_callback = nullptr;
    decltype(&::mpv_error_string) error_string = nullptr;

    // Loads the library once; null when it or one of its functions is
    // missing, with the reason in error.
    static const MpvLibrary* Get(std::string* error = nullptr);
};

}  // namespace songcore
