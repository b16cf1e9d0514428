#pragma once
// libebur128, the EBU R 128 loudness meter, loaded on the first analysis.

#include <ebur128.h>

#include <string>

namespace songcore {

struct Ebur128Library {
    decltype(&::ebur128_init) init = nullptr;
    decltype(&::ebur128_destroy) destroy = nullptr;
    decltype(&::ebur128_set_channel) set_channel = nullptr;
    decltype(&::ebur128_change_parameters) change_parameters = nullptr;
    decltype(&::ebur128_add_frames_float) add_frames_float = nullptr;
    decltype(&::ebur128_loudness_global) loudness_global = nullptr;
    decltype(&::ebur128_loudness_global_multiple) loudness_global_multiple = nullptr;
    decltype(&::ebur128_loudness_range) loudness_range = nullptr;
    decltype(&::ebur128_loudness_range_multiple) loudness_range_multiple = nullptr;
    decltype(&::ebur128_sample_peak) sample_peak = nullptr;
    decltype(&::ebur128_true_peak) true_peak = nullptr;

    static const Ebur128Library* Get(std::string* error = nullptr);
};

}  // namespace songcore
