#pragma once
// Writing a video file with FFmpeg's libraries: VP9 and Opus in WebM or Matroska, H.264 and
// AAC in MP4, the picture enlarged by whole multiples and padded to even sizes.

#include <cstdint>
#include <memory>
#include <string>

#include "base/surface.h"

struct VideoFormat {
  int32_t width = 0, height = 0;  // the client's picture
  int32_t scale = 1;
  int32_t fps = 30;
  // Every pixel kept: VP9 lossless on planar RGB, or H.264 RGB at quantizer 0.
  bool lossless = false;
  int32_t threads = 0;  // 0: the encoders choose
  int32_t sampleRate = 48000;
};

class VideoEncoder {
 public:
  // The container by `path`'s ending: .mp4, .mkv, else WebM. Nothing, with `problem` said,
  // when the file or its codecs cannot be opened.
  static std::unique_ptr<VideoEncoder> open(const std::string& path, const VideoFormat& format,
                                            std::string& problem);
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // The next frame, shown for 1/fps s. False when it cannot be written (`problem()` says why).
  bool addPicture(const PixelTarget& client);
  // Stereo samples, interleaved, full scale ±1.
  bool addSound(const float* samples, size_t frames);
  // The last samples and frames, and the file's index; a file not finished is not playable.
  bool finish();
  const std::string& problem() const { return problem_; }

  struct Parts;

 private:
  VideoEncoder();
  bool sendAudio(bool flushing);
  bool drain(int stream, bool flushing);

  std::unique_ptr<Parts> parts_;
  std::string problem_;
};
