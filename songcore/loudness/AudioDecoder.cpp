#include "songcore/loudness/AudioDecoder.h"

#include <memory>
#include <vector>

#include "songcore/loudness/AvLibrary.h"

namespace songcore {
namespace {

// A decoded frame larger than this is taken for damage rather than
// converted into a buffer of its size.
constexpr int kMaxFrameSamples = 1 << 20;

std::string AvError(const AvLibrary& av, int code) {
    char text[128] = {};
    av.strerror(code, text, sizeof text);
    return text;
}

// Owns everything one decoding opens, and frees it in the right order
// through the loaded libraries.
struct Decoding {
    const AvLibrary& av;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVChannelLayout layout{};
    std::vector<float> converted;
    int channels = 0;
    int rate = 0;
    bool begun = false;

    explicit Decoding(const AvLibrary& library) : av(library) {}
    ~Decoding() {
        av.frame_free(&frame);
        av.packet_free(&packet);
        av.swr_free(&resampler);
        av.codec_free_context(&codec);
        av.format_close_input(&format);
        av.channel_layout_uninit(&layout);
    }
    Decoding(const Decoding&) = delete;
    Decoding& operator=(const Decoding&) = delete;

    std::string Open(const std::string& path) {
        AVDictionary* options = nullptr;
        av.dict_set(&options, "protocol_whitelist", "file", 0);
        // "file:" keeps a name such as "concat:..." or "http:..." a name.
        int result = av.format_open_input(&format, ("file:" + path).c_str(), nullptr, &options);
        av.dict_free(&options);
        if (result < 0) {
            return "cannot open it for decoding: " + AvError(av, result);
        }
        if ((result = av.format_find_stream_info(format, nullptr)) < 0) {
            return "cannot read its streams: " + AvError(av, result);
        }
        const AVCodec* decoder = nullptr;
        int stream = av.find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream < 0 || decoder == nullptr) {
            return stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for its audio"
                                                       : "it has no audio stream";
        }
        streamIndex = stream;
        codec = av.codec_alloc_context3(decoder);
        if (!codec ||
            av.codec_parameters_to_context(codec, format->streams[stream]->codecpar) < 0 ||
            (result = av.codec_open2(codec, decoder, nullptr)) < 0) {
            return "cannot start its audio decoder";
        }
        packet = av.packet_alloc();
        frame = av.frame_alloc();
        if (!packet || !frame) {
            return "out of memory";
        }
        return {};
    }

    // Converts one decoded frame and hands it on.
    std::string Convert(AudioSink& sink) {
        if (!begun) {
            rate = frame->sample_rate;
            channels = frame->ch_layout.nb_channels;
            if (rate <= 0 || channels <= 0 || channels > 64) {
                return "its audio has no usable sample rate or channels";
            }
            if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
                av.channel_layout_default(&layout, channels);
            } else if (av.channel_layout_copy(&layout, &frame->ch_layout) < 0) {
                return "out of memory";
            }
            if (av.swr_alloc_set_opts2(&resampler, &layout, AV_SAMPLE_FMT_FLT, rate, &layout,
                                       static_cast<AVSampleFormat>(frame->format), rate, 0,
                                       nullptr) < 0 ||
                av.swr_init(resampler) < 0) {
                return "cannot convert its samples";
            }
            std::string why;
            if (!sink.Begin(channels, rate, why)) {
                return why;
            }
            begun = true;
        } else if (frame->sample_rate != rate || frame->ch_layout.nb_channels != channels) {
            return "its audio changes its rate or channels part of the way through";
        }
        if (frame->nb_samples <= 0) {
            return {};
        }
        if (frame->nb_samples > kMaxFrameSamples) {
            return "a decoded frame is implausibly large";
        }
        return Emit(sink, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    }

    // in null drains what the converter holds back.
    std::string Emit(AudioSink& sink, const uint8_t** in, int count) {
        int room = av.swr_get_out_samples(resampler, count);
        if (room <= 0) {
            return {};
        }
        converted.resize(static_cast<size_t>(room) * static_cast<size_t>(channels));
        uint8_t* out = reinterpret_cast<uint8_t*>(converted.data());
        int made = av.swr_convert(resampler, &out, room, in, count);
        if (made < 0) {
            return "cannot convert its samples";
        }
        std::string why;
        if (made > 0 && !sink.Add(converted.data(), static_cast<size_t>(made), why)) {
            return why;
        }
        return {};
    }

    // Takes every frame the decoder has ready.
    std::string Drain(AudioSink& sink) {
        for (;;) {
            int result = av.codec_receive_frame(codec, frame);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return {};
            }
            if (result < 0) {
                return "its audio cannot be decoded: " + AvError(av, result);
            }
            std::string why = Convert(sink);
            av.frame_unref(frame);
            if (!why.empty()) {
                return why;
            }
        }
    }

    int streamIndex = -1;
};

}  // namespace

std::string DecodeAudio(const std::string& path, AudioSink& sink) {
    std::string why;
    const AvLibrary* av = AvLibrary::Get(&why);
    if (!av) {
        return why;
    }
    Decoding decoding(*av);
    if (std::string failed = decoding.Open(path); !failed.empty()) {
        return failed;
    }
    for (;;) {
        int result = av->read_frame(decoding.format, decoding.packet);
        if (result == AVERROR_EOF) {
            break;
        }
        if (result < 0) {
            return "cannot read it: " + AvError(*av, result);
        }
        if (decoding.packet->stream_index == decoding.streamIndex) {
            // A damaged packet costs its own samples, as players take it.
            result = av->codec_send_packet(decoding.codec, decoding.packet);
            if (result < 0 && result != AVERROR_INVALIDDATA && result != AVERROR(EAGAIN)) {
                av->packet_unref(decoding.packet);
                return "its audio cannot be decoded: " + AvError(*av, result);
            }
            if (std::string failed = decoding.Drain(sink); !failed.empty()) {
                av->packet_unref(decoding.packet);
                return failed;
            }
        }
        av->packet_unref(decoding.packet);
    }
    av->codec_send_packet(decoding.codec, nullptr);
    if (std::string failed = decoding.Drain(sink); !failed.empty()) {
        return failed;
    }
    if (!decoding.begun) {
        return "its audio stream holds no samples";
    }
    return decoding.Emit(sink, nullptr, 0);
}

}  // namespace songcore
