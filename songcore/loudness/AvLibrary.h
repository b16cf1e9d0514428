#pragma once
// FFmpeg's decoding libraries (libavformat, libavcodec, libswresample,
// libavutil), loaded on the first loudness analysis rather than at start-up
// (util/SharedLibrary.h says why): the functions the decoder calls.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <string>

namespace songcore {

struct AvLibrary {
    decltype(&::avformat_open_input) format_open_input = nullptr;
    decltype(&::avformat_find_stream_info) format_find_stream_info = nullptr;
    decltype(&::av_find_best_stream) find_best_stream = nullptr;
    decltype(&::av_read_frame) read_frame = nullptr;
    decltype(&::avformat_close_input) format_close_input = nullptr;
    decltype(&::avcodec_alloc_context3) codec_alloc_context3 = nullptr;
    decltype(&::avcodec_parameters_to_context) codec_parameters_to_context = nullptr;
    decltype(&::avcodec_open2) codec_open2 = nullptr;
    decltype(&::avcodec_send_packet) codec_send_packet = nullptr;
    decltype(&::avcodec_receive_frame) codec_receive_frame = nullptr;
    decltype(&::avcodec_free_context) codec_free_context = nullptr;
    decltype(&::av_packet_alloc) packet_alloc = nullptr;
    decltype(&::av_packet_free) packet_free = nullptr;
    decltype(&::av_packet_unref) packet_unref = nullptr;
    decltype(&::av_frame_alloc) frame_alloc = nullptr;
    decltype(&::av_frame_free) frame_free = nullptr;
    decltype(&::av_frame_unref) frame_unref = nullptr;
    decltype(&::av_strerror) strerror = nullptr;
    decltype(&::av_dict_set) dict_set = nullptr;
    decltype(&::av_dict_free) dict_free = nullptr;
    decltype(&::av_log_set_level) log_set_level = nullptr;
    decltype(&::av_channel_layout_default) channel_layout_default = nullptr;
    decltype(&::av_channel_layout_copy) channel_layout_copy = nullptr;
    decltype(&::av_channel_layout_uninit) channel_layout_uninit = nullptr;
    decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2 = nullptr;
    decltype(&::swr_init) swr_init = nullptr;
    decltype(&::swr_convert) swr_convert = nullptr;
    decltype(&::swr_get_out_samples) swr_get_out_samples = nullptr;
    decltype(&::swr_free) swr_free = nullptr;

    // Loads the libraries once; null when they cannot be loaded, with the
    // reason in error.
    static const AvLibrary* Get(std::string* error = nullptr);
};

}  // namespace songcore
