#include "songcore/loudness/Ebur128Library.h"

#include "songcore/util/SharedLibrary.h"

namespace songcore {
namespace {

bool Load(Ebur128Library& f, std::string& e) {
    void* library = OpenSharedLibrary({"libebur128.so.1"}, e);
    if (!library) {
        return false;
    }
    BindFunction(library, "ebur128_init", f.init, e);
    BindFunction(library, "ebur128_destroy", f.destroy, e);
    BindFunction(library, "ebur128_set_channel", f.set_channel, e);
    BindFunction(library, "ebur128_change_parameters", f.change_parameters, e);
    BindFunction(library, "ebur128_add_frames_float", f.add_frames_float, e);
    BindFunction(library, "ebur128_loudness_global", f.loudness_global, e);
    BindFunction(library, "ebur128_loudness_global_multiple", f.loudness_global_multiple, e);
    BindFunction(library, "ebur128_loudness_range", f.loudness_range, e);
    BindFunction(library, "ebur128_loudness_range_multiple", f.loudness_range_multiple, e);
    BindFunction(library, "ebur128_sample_peak", f.sample_peak, e);
    BindFunction(library, "ebur128_true_peak", f.true_peak, e);
    return e.empty();
}

}  // namespace

const Ebur128Library* Ebur128Library::Get(std::string* error) {
    return LoadLibraryOnce<Ebur128Library>(&Load, error);
}

}  // namespace songcore
