#include "songcore/loudness/AvLibrary.h"

#include "songcore/util/SharedLibrary.h"

namespace songcore {
namespace {

bool Load(AvLibrary& f, std::string& e) {
    // The sonames of the major versions whose headers we are built with:
    // their structures are laid out as we read them.
    void* util = OpenSharedLibrary({"libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR)}, e);
    void* codec =
        util ? OpenSharedLibrary({"libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR)}, e)
             : nullptr;
    void* format =
        codec ? OpenSharedLibrary({"libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR)}, e)
              : nullptr;
    void* resample =
        format
            ? OpenSharedLibrary({"libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR)}, e)
            : nullptr;
    if (!resample) {
        return false;
    }
    BindFunction(format, "avformat_open_input", f.format_open_input, e);
    BindFunction(format, "avformat_find_stream_info", f.format_find_stream_info, e);
    BindFunction(format, "av_find_best_stream", f.find_best_stream, e);
    BindFunction(format, "av_read_frame", f.read_frame, e);
    BindFunction(format, "avformat_close_input", f.format_close_input, e);
    BindFunction(codec, "avcodec_alloc_context3", f.codec_alloc_context3, e);
    BindFunction(codec, "avcodec_parameters_to_context", f.codec_parameters_to_context, e);
    BindFunction(codec, "avcodec_open2", f.codec_open2, e);
    BindFunction(codec, "avcodec_send_packet", f.codec_send_packet, e);
    BindFunction(codec, "avcodec_receive_frame", f.codec_receive_frame, e);
    BindFunction(codec, "avcodec_free_context", f.codec_free_context, e);
    BindFunction(codec, "av_packet_alloc", f.packet_alloc, e);
    BindFunction(codec, "av_packet_free", f.packet_free, e);
    BindFunction(codec, "av_packet_unref", f.packet_unref, e);
    BindFunction(util, "av_frame_alloc", f.frame_alloc, e);
    BindFunction(util, "av_frame_free", f.frame_free, e);
    BindFunction(util, "av_frame_unref", f.frame_unref, e);
    BindFunction(util, "av_strerror", f.strerror, e);
    BindFunction(util, "av_dict_set", f.dict_set, e);
    BindFunction(util, "av_dict_free", f.dict_free, e);
    BindFunction(util, "av_log_set_level", f.log_set_level, e);
    BindFunction(util, "av_channel_layout_default", f.channel_layout_default, e);
    BindFunction(util, "av_channel_layout_copy", f.channel_layout_copy, e);
    BindFunction(util, "av_channel_layout_uninit", f.channel_layout_uninit, e);
    BindFunction(resample, "swr_alloc_set_opts2", f.swr_alloc_set_opts2, e);
    BindFunction(resample, "swr_init", f.swr_init, e);
    BindFunction(resample, "swr_convert", f.swr_convert, e);
    BindFunction(resample, "swr_get_out_samples", f.swr_get_out_samples, e);
    BindFunction(resample, "swr_free", f.swr_free, e);
    if (!e.empty()) {
        return false;
    }
    // Damaged input is reported by the decoder's results, not printed.
    f.log_set_level(AV_LOG_QUIET);
    return true;
}

}  // namespace

const AvLibrary* AvLibrary::Get(std::string* error) {
    return LoadLibraryOnce<AvLibrary>(&Load, error);
}

}  // namespace songcore
