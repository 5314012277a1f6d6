#include "backends/headless/video_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

std::string lowerEnding(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
  std::string ending = path.substr(dot + 1);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return ending;
}

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

struct VideoEncoder::Parts {
  AVFormatContext* file = nullptr;
  AVCodecContext* codec[2] = {nullptr, nullptr};  // video, audio
  AVStream* stream[2] = {nullptr, nullptr};
  AVFrame* picture = nullptr;
  AVFrame* sound = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* toYuv = nullptr;
  VideoFormat format;
  int32_t outWidth = 0, outHeight = 0;
  std::vector<Pixel> scaled;      // the enlarged, padded picture, for the YUV conversion
  std::vector<float> pending;     // stereo samples not yet in a frame
  int64_t pictures = 0, samples = 0;
  bool headerWritten = false;

  ~Parts() {
    sws_freeContext(toYuv);
    av_packet_free(&packet);
    av_frame_free(&sound);
    av_frame_free(&picture);
    for (AVCodecContext*& context : codec) avcodec_free_context(&context);
    if (file != nullptr) {
      if (file->pb != nullptr) avio_closep(&file->pb);
      avformat_free_context(file);
    }
  }
};

VideoEncoder::VideoEncoder() : parts_(std::make_unique<Parts>()) {}
VideoEncoder::~VideoEncoder() = default;

std::unique_ptr<VideoEncoder> VideoEncoder::open(const std::string& path,
                                                 const VideoFormat& format, std::string& problem) {
  av_log_set_level(AV_LOG_ERROR);
  std::unique_ptr<VideoEncoder> encoder(new VideoEncoder());
  Parts& parts = *encoder->parts_;
  parts.format = format;
  const std::string ending = lowerEnding(path);
  const bool mp4 = ending == "mp4";
  const char* muxer = mp4 ? "mp4" : ending == "mkv" ? "matroska" : "webm";
  if (avformat_alloc_output_context2(&parts.file, nullptr, muxer, path.c_str()) < 0) {
    problem = std::string("FFmpeg cannot write ") + muxer;
    return nullptr;
  }

  const char* videoName = mp4 ? (format.lossless ? "libx264rgb" : "libx264") : "libvpx-vp9";
  const char* audioName = mp4 ? "aac" : "libopus";
  const AVCodec* videoCodec = avcodec_find_encoder_by_name(videoName);
  const AVCodec* audioCodec = avcodec_find_encoder_by_name(audioName);
  if (videoCodec == nullptr || audioCodec == nullptr) {
    problem = std::string("this FFmpeg has no ") + (videoCodec == nullptr ? videoName : audioName) +
              " encoder for " + ending;
    return nullptr;
  }

  // Planar RGB and packed RGB take any size; 4:2:0 needs even sides.
  const AVPixelFormat pixels = !format.lossless ? AV_PIX_FMT_YUV420P
                               : mp4           ? AV_PIX_FMT_BGR0
                                               : AV_PIX_FMT_GBRP;
  parts.outWidth = format.width * format.scale;
  parts.outHeight = format.height * format.scale;
  if (pixels == AV_PIX_FMT_YUV420P) {
    parts.outWidth += parts.outWidth & 1;
    parts.outHeight += parts.outHeight & 1;
  }

  AVCodecContext* video = parts.codec[0] = avcodec_alloc_context3(videoCodec);
  AVCodecContext* audio = parts.codec[1] = avcodec_alloc_context3(audioCodec);
  video->width = parts.outWidth;
  video->height = parts.outHeight;
  video->time_base = AVRational{1, format.fps};
  video->framerate = AVRational{format.fps, 1};
  video->pix_fmt = pixels;
  video->gop_size = format.fps * 10;
  video->thread_count = format.threads;
  if (pixels == AV_PIX_FMT_YUV420P) {
    video->colorspace = AVCOL_SPC_SMPTE170M;  // what the conversion below uses
    video->color_range = AVCOL_RANGE_MPEG;
  } else {
    video->colorspace = AVCOL_SPC_RGB;
  }
  AVDictionary* videoOptions = nullptr;
  if (mp4) {
    av_dict_set(&videoOptions, "preset", "veryfast", 0);
    av_dict_set(&videoOptions, format.lossless ? "qp" : "crf", format.lossless ? "0" : "20", 0);
  } else {
    // Pictures that mostly stand still: the fastest settings lose little.
    av_dict_set(&videoOptions, "deadline", "realtime", 0);
    av_dict_set(&videoOptions, "cpu-used", "8", 0);
    av_dict_set(&videoOptions, "row-mt", "1", 0);
    if (format.lossless) {
      av_dict_set(&videoOptions, "lossless", "1", 0);
    } else {
      av_dict_set(&videoOptions, "crf", "30", 0);
      video->bit_rate = 0;
    }
  }

  audio->sample_rate = format.sampleRate;
  audio->sample_fmt = mp4 ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_FLT;
  av_channel_layout_default(&audio->ch_layout, 2);
  audio->bit_rate = 128000;
  audio->time_base = AVRational{1, format.sampleRate};
  audio->thread_count = format.threads;

  for (AVCodecContext* context : parts.codec) {
    if (parts.file->oformat->flags & AVFMT_GLOBALHEADER) {
      context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
  }
  int status = avcodec_open2(video, videoCodec, &videoOptions);
  av_dict_free(&videoOptions);
  if (status < 0) {
    problem = std::string(videoName) + " cannot start: " + avError(status);
    return nullptr;
  }
  if ((status = avcodec_open2(audio, audioCodec, nullptr)) < 0) {
    problem = std::string(audioName) + " cannot start: " + avError(status);
    return nullptr;
  }
  for (int i = 0; i < 2; ++i) {
    parts.stream[i] = avformat_new_stream(parts.file, nullptr);
    if (parts.stream[i] == nullptr ||
        avcodec_parameters_from_context(parts.stream[i]->codecpar, parts.codec[i]) < 0) {
      problem = "FFmpeg cannot add a stream";
      return nullptr;
    }
    parts.stream[i]->time_base = parts.codec[i]->time_base;
  }

  parts.picture = av_frame_alloc();
  parts.sound = av_frame_alloc();
  parts.packet = av_packet_alloc();
  parts.picture->format = pixels;
  parts.picture->width = parts.outWidth;
  parts.picture->height = parts.outHeight;
  if (parts.picture == nullptr || parts.sound == nullptr || parts.packet == nullptr ||
      av_frame_get_buffer(parts.picture, 0) < 0) {
    problem = "out of memory";
    return nullptr;
  }
  if (pixels == AV_PIX_FMT_YUV420P) {
    parts.scaled.assign(size_t(parts.outWidth) * size_t(parts.outHeight), 0);
    parts.toYuv = sws_getContext(parts.outWidth, parts.outHeight, AV_PIX_FMT_BGR0, parts.outWidth,
                                 parts.outHeight, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr,
                                 nullptr);
    if (parts.toYuv == nullptr) {
      problem = "FFmpeg cannot convert the picture";
      return nullptr;
    }
  }

  if ((status = avio_open(&parts.file->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
    problem = path + ": " + avError(status);
    return nullptr;
  }
  if ((status = avformat_write_header(parts.file, nullptr)) < 0) {
    problem = path + ": " + avError(status);
    return nullptr;
  }
  parts.headerWritten = true;
  return encoder;
}

bool VideoEncoder::addPicture(const PixelTarget& client) {
  Parts& parts = *parts_;
  AVFrame* frame = parts.picture;
  if (av_frame_make_writable(frame) < 0) {
    problem_ = "out of memory";
    return false;
  }
  const int32_t scale = parts.format.scale;
  const int32_t width = std::min(client.width, parts.format.width);
  const int32_t height = std::min(client.height, parts.format.height);
  // Each client pixel becomes a scale × scale square; the padding stays black.
  auto enlarge = [&](auto put) {
    for (int32_t y = 0; y < height * scale; ++y) {
      const Pixel* row = client.pixels + size_t(y / scale) * size_t(client.stride);
      for (int32_t x = 0; x < width * scale; ++x) put(x, y, row[x / scale]);
    }
  };
  switch (AVPixelFormat(frame->format)) {
    case AV_PIX_FMT_GBRP:
      enlarge([frame](int32_t x, int32_t y, Pixel pixel) {
        frame->data[0][y * frame->linesize[0] + x] = uint8_t(pixel >> 8);
        frame->data[1][y * frame->linesize[1] + x] = uint8_t(pixel);
        frame->data[2][y * frame->linesize[2] + x] = uint8_t(pixel >> 16);
      });
      break;
    case AV_PIX_FMT_BGR0:
      enlarge([frame](int32_t x, int32_t y, Pixel pixel) {
        uint8_t* to = frame->data[0] + y * frame->linesize[0] + 4 * x;
        to[0] = uint8_t(pixel);
        to[1] = uint8_t(pixel >> 8);
        to[2] = uint8_t(pixel >> 16);
        to[3] = 0;
      });
      break;
    default: {
      const int32_t outWidth = parts.outWidth;
      Pixel* scaled = parts.scaled.data();
      enlarge([scaled, outWidth](int32_t x, int32_t y, Pixel pixel) {
        scaled[size_t(y) * size_t(outWidth) + size_t(x)] = pixel & 0xFFFFFF;
      });
      const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(scaled)};
      const int strides[1] = {outWidth * 4};
      sws_scale(parts.toYuv, planes, strides, 0, parts.outHeight, frame->data, frame->linesize);
      break;
    }
  }
  frame->pts = parts.pictures++;
  const int status = avcodec_send_frame(parts.codec[0], frame);
  if (status < 0) {
    problem_ = "the video encoder failed: " + avError(status);
    return false;
  }
  return drain(0, false);
}

bool VideoEncoder::addSound(const float* samples, size_t frames) {
  parts_->pending.insert(parts_->pending.end(), samples, samples + 2 * frames);
  return sendAudio(false);
}

bool VideoEncoder::sendAudio(bool flushing) {
  Parts& parts = *parts_;
  AVCodecContext* audio = parts.codec[1];
  const size_t frameSize = audio->frame_size > 0 ? size_t(audio->frame_size) : 1024;
  size_t used = 0;
  while (parts.pending.size() / 2 - used >= frameSize ||
         (flushing && parts.pending.size() / 2 > used)) {
    const size_t count = std::min(frameSize, parts.pending.size() / 2 - used);
    AVFrame* frame = parts.sound;
    av_frame_unref(frame);
    frame->format = audio->sample_fmt;
    frame->sample_rate = audio->sample_rate;
    frame->nb_samples = int(count);
    av_channel_layout_copy(&frame->ch_layout, &audio->ch_layout);
    if (av_frame_get_buffer(frame, 0) < 0) {
      problem_ = "out of memory";
      return false;
    }
    const float* from = parts.pending.data() + 2 * used;
    if (audio->sample_fmt == AV_SAMPLE_FMT_FLTP) {
      float* left = reinterpret_cast<float*>(frame->data[0]);
      float* right = reinterpret_cast<float*>(frame->data[1]);
      for (size_t i = 0; i < count; ++i) {
        left[i] = from[2 * i];
        right[i] = from[2 * i + 1];
      }
    } else {
      std::memcpy(frame->data[0], from, count * 2 * sizeof(float));
    }
    frame->pts = parts.samples;
    parts.samples += int64_t(count);
    used += count;
    const int status = avcodec_send_frame(audio, frame);
    if (status < 0) {
      problem_ = "the audio encoder failed: " + avError(status);
      return false;
    }
    if (!drain(1, false)) return false;
  }
  parts.pending.erase(parts.pending.begin(), parts.pending.begin() + std::ptrdiff_t(2 * used));
  return true;
}

bool VideoEncoder::drain(int stream, bool flushing) {
  Parts& parts = *parts_;
  for (;;) {
    const int status = avcodec_receive_packet(parts.codec[stream], parts.packet);
    if (status == AVERROR(EAGAIN) || (flushing && status == AVERROR_EOF)) return true;
    if (status < 0) {
      problem_ = "the encoder failed: " + avError(status);
      return false;
    }
    av_packet_rescale_ts(parts.packet, parts.codec[stream]->time_base,
                         parts.stream[stream]->time_base);
    parts.packet->stream_index = stream;
    const int written = av_interleaved_write_frame(parts.file, parts.packet);
    if (written < 0) {
      problem_ = "cannot write the video: " + avError(written);
      return false;
    }
  }
}

bool VideoEncoder::finish() {
  Parts& parts = *parts_;
  if (!sendAudio(true)) return false;
  for (int stream = 0; stream < 2; ++stream) {
    avcodec_send_frame(parts.codec[stream], nullptr);
    if (!drain(stream, true)) return false;
  }
  const int status = av_write_trailer(parts.file);
  if (status < 0) {
    problem_ = "cannot finish the video: " + avError(status);
    return false;
  }
  if (avio_closep(&parts.file->pb) < 0) {
    problem_ = "cannot finish writing the video";
    return false;
  }
  return true;
}
