#include "gui/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace modules {

namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The output's buffer: a frame's fragment goes out in a few writes.
constexpr int OUTPUT_BUFFER = 1 << 16;

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using OutputBytes = const std::uint8_t*;
#else
using OutputBytes = std::uint8_t*;
#endif

// The file's own descriptor behind FFmpeg's output (`opaque` points to it): the clip's
// temporary is created by the caller, exclusively, and FFmpeg must not open it again by name.
int writeOut(void* opaque, OutputBytes data, int size)
{
    const int fd = *static_cast<const int*>(opaque);
    int left = size;
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return AVERROR(errno);
        }
        data += written;
        left -= static_cast<int>(written);
    }
    return size;
}

std::int64_t seekTo(void* opaque, std::int64_t offset, int whence)
{
    const int fd = *static_cast<const int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat info;
        return ::fstat(fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<std::int64_t>(at);
}

} // namespace

VideoEncoder::~VideoEncoder()
{
    close();
}

bool VideoEncoder::open(int file, int width, int height, int framesPerSecond, std::string& error)
{
    close();
    fd = file;
    frames = 0;
    // The program's own line reports what went wrong; FFmpeg's chatter stays off the terminal.
    av_log_set_level(AV_LOG_ERROR);
    // libx264 by name: Debian's FFmpeg also lists hardware H.264 encoders that need a device.
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264) {
        error = "this FFmpeg has no H.264 encoder (libx264)";
        return false;
    }
    int status = avformat_alloc_output_context2(&format, nullptr, "mp4", nullptr);
    if (status < 0 || !format) {
        error = "cannot prepare an MP4 file: " + avError(status);
        return false;
    }
    stream = avformat_new_stream(format, nullptr);
    codec = avcodec_alloc_context3(h264);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (!stream || !codec || !frame || !packet) {
        error = "out of memory";
        close();
        return false;
    }
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, framesPerSecond};
    codec->framerate = AVRational{framesPerSecond, 1};
    codec->gop_size = framesPerSecond; // a key frame every second
    codec->max_b_frames = 0;
    // One thread: the encoder must leave the other core to the simulation.
    codec->thread_count = 1;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(codec->priv_data, "preset", "ultrafast", 0);
    av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
    av_opt_set(codec->priv_data, "crf", "20", 0);
    if ((status = avcodec_open2(codec, h264, nullptr)) < 0) {
        error = "cannot open the H.264 encoder: " + avError(status);
        close();
        return false;
    }
    avcodec_parameters_from_context(stream->codecpar, codec);
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;

    auto* buffer = static_cast<unsigned char*>(av_malloc(OUTPUT_BUFFER));
    output = buffer ? avio_alloc_context(buffer, OUTPUT_BUFFER, 1, &fd, nullptr, writeOut, seekTo) : nullptr;
    if (!output) {
        av_free(buffer);
        error = "out of memory";
        close();
        return false;
    }
    format->pb = output;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // A fragment for every frame, each on the disk at once: a program killed while
    // recording leaves a file that plays up to the frames it had handed over.
    format->flush_packets = 1;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "frag_every_frame+empty_moov+default_base_moof", 0);
    status = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (status < 0) {
        error = avError(status);
        close();
        return false;
    }
    headerWritten = true;

    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    if ((status = av_frame_get_buffer(frame, 0)) < 0) {
        error = avError(status);
        close();
        return false;
    }
    return true;
}

bool VideoEncoder::write(const ScreenPicture& picture, int count, std::string& error)
{
    if (!codec)
        return false;
    // A window one pixel wider or taller than the clip (odd sizes) loses that pixel; any
    // other size is scaled.
    int sourceWidth = picture.width;
    int sourceHeight = picture.height;
    if (sourceWidth - codec->width == 1 || sourceWidth == codec->width)
        sourceWidth = codec->width;
    if (sourceHeight - codec->height == 1 || sourceHeight == codec->height)
        sourceHeight = codec->height;
    const AVPixelFormat sourceFormat = picture.bgra ? AV_PIX_FMT_BGRA : AV_PIX_FMT_RGB24;
    scaler = sws_getCachedContext(scaler, sourceWidth, sourceHeight, sourceFormat, codec->width, codec->height,
                                  AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) {
        error = "cannot convert a " + std::to_string(picture.width) + "x" + std::to_string(picture.height)
            + " picture";
        return false;
    }
    // The encoder may still hold the previous picture.
    int status = av_frame_make_writable(frame);
    if (status < 0) {
        error = avError(status);
        return false;
    }
    // Bottom-up rows are read from the last one backwards: no copy to turn them over.
    const std::uint8_t* source[1] = {picture.pixels.data()};
    int sourceStride[1] = {picture.stride};
    if (picture.bottomUp) {
        source[0] += static_cast<std::size_t>(picture.stride) * (picture.height - 1);
        sourceStride[0] = -picture.stride;
    }
    sws_scale(scaler, source, sourceStride, 0, sourceHeight, frame->data, frame->linesize);
    havePicture = true;
    return repeatLast(count, error);
}

bool VideoEncoder::repeatLast(int count, std::string& error)
{
    if (!codec || !havePicture)
        return true;
    for (int i = 0; i < count; ++i) {
        frame->pts = frames;
        if (!sendFrame(frame, error))
            return false;
        ++frames;
    }
    return true;
}

bool VideoEncoder::sendFrame(AVFrame* picture, std::string& error)
{
    int status = avcodec_send_frame(codec, picture);
    if (status < 0) {
        error = "the encoder refused a frame: " + avError(status);
        return false;
    }
    while ((status = avcodec_receive_packet(codec, packet)) >= 0) {
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        status = av_interleaved_write_frame(format, packet);
        av_packet_unref(packet);
        if (status < 0) {
            error = avError(status);
            return false;
        }
        // A full disk shows up in the I/O context, not always in the status.
        if (format->pb && format->pb->error < 0) {
            error = avError(format->pb->error);
            return false;
        }
    }
    if (status != AVERROR(EAGAIN) && status != AVERROR_EOF) {
        error = "the encoder failed: " + avError(status);
        return false;
    }
    return true;
}

bool VideoEncoder::finish(std::string& error)
{
    if (!codec) {
        close();
        return false;
    }
    bool ok = sendFrame(nullptr, error);
    if (headerWritten) {
        const int status = av_write_trailer(format);
        if (ok && status < 0) {
            error = avError(status);
            ok = false;
        }
        if (ok && format->pb) {
            avio_flush(format->pb);
            if (format->pb->error < 0) {
                error = avError(format->pb->error);
                ok = false;
            }
        }
    }
    // A late write error (a full disk on a network file system) shows only here.
    if (!close() && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    return ok;
}

bool VideoEncoder::close()
{
    if (output) {
        av_freep(&output->buffer);
        avio_context_free(&output);
    }
    if (format)
        format->pb = nullptr;
    avformat_free_context(format);
    format = nullptr;
    stream = nullptr;
    avcodec_free_context(&codec);
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    scaler = nullptr;
    headerWritten = false;
    havePicture = false;
    bool closed = true;
    if (fd >= 0) {
        closed = ::close(fd) == 0;
        fd = -1;
    }
    return closed;
}

} // namespace modules
