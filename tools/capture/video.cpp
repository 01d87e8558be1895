// video.cpp - intro-capture video: the piece as a video file with its soundtrack.
//
// Frame k shows sample position first + floor(k * 44100 / fps) (frame_clock.hpp),
// drawn like a still (frame_render.hpp), and the soundtrack of exactly the range
// [first, end) comes from the same synthesizer render, so picture and sound
// cannot drift apart however slowly the frames are made. The frames go raw into
// the ffmpeg program's standard input, the sound as a temporary WAV file; ffmpeg
// encodes H.264 (yuv420p, BT.709) and AAC into MP4 under a temporary name that is
// renamed into place when it finished cleanly.
//
// What it is for: recordings to watch, share and study, at full size or as a
// point-sampled preview that software GL makes many times faster.
// What it is not for: real time (frames take as long as they take), or other
// codecs and containers (the output is always MP4, whatever its name).
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "synth/synth.hpp"
#include "tools/capture/args.hpp"
#include "tools/capture/audio.hpp"
#include "tools/capture/commands.hpp"
#include "tools/capture/encoder.hpp"
#include "tools/capture/frame_clock.hpp"
#include "tools/capture/frame_render.hpp"
#include "tools/capture/interrupt.hpp"
#include "tools/capture/output_file.hpp"
#include "tools/capture/progress.hpp"

namespace capture {

namespace {

constexpr char kVideoUsage[] =
    "usage: intro-capture video [--fps N] [--scale S] [--from SECONDS] [--to SECONDS] OUT.mp4\n";
constexpr int kDefaultFps = 60;
constexpr int kMaxFps = 1000;

struct VideoRequest {
  int fps = kDefaultFps;
  double scale = 1.0;
  int32_t first = 0;                 // first sample position of the range
  int32_t end = synth::kSongFrames;  // one past the last
  std::string path;
};

int usage_error(const std::string& why) { return usage_fail(kVideoUsage, why); }

int video_request_from_args(const Args& args, VideoRequest& request) {
  std::string fps, scale, from, to;
  bool has_fps = false, has_scale = false, has_from = false, has_to = false;
  std::vector<std::string> positionals;
  const std::string wrong = args_split(args,
                                       {{"--fps", &fps, &has_fps},
                                        {"--scale", &scale, &has_scale},
                                        {"--from", &from, &has_from},
                                        {"--to", &to, &has_to}},
                                       positionals);
  if (!wrong.empty()) return usage_error(wrong);
  if (positionals.size() != 1 || positionals[0].empty()) return usage_error("give one output file");
  if (has_fps) {
    long long n = 0;
    if (!parse_integer(fps, n) || n < 1 || n > kMaxFps)
      return usage_error("--fps wants a whole number of frames per second from 1 to " + std::to_string(kMaxFps) +
                         ", not '" + fps + "'");
    request.fps = static_cast<int>(n);
  }
  if (has_scale) {
    if (const std::string why = scale_parse(scale, request.scale); !why.empty()) return usage_error(why);
  }
  if (has_from) {
    if (const std::string why = seconds_to_sample("--from", from, false, request.first); !why.empty())
      return usage_error(why);
  }
  if (has_to) {
    if (const std::string why = seconds_to_sample("--to", to, true, request.end); !why.empty())
      return usage_error(why);
  }
  if (request.first >= request.end)
    return usage_error("--from must come before --to (they round to samples " + std::to_string(request.first) +
                       " and " + std::to_string(request.end) + ")");
  request.path = positionals[0];
  return 0;
}

std::vector<std::string> ffmpeg_arguments(const VideoRequest& request, FrameSize size, const std::string& wav,
                                          const std::string& output) {
  return {"ffmpeg", "-hide_banner", "-loglevel", "error",
          // the frames, raw, top row first, on our pipe
          "-f", "rawvideo", "-pixel_format", "rgba", "-video_size",
          std::to_string(size.width) + "x" + std::to_string(size.height), "-framerate", std::to_string(request.fps),
          "-i", "pipe:0",
          // the sound of the same range
          "-i", wav, "-map", "0:v:0", "-map", "1:a:0",
          // H.264 in the colours players assume for video (BT.709, limited range), AAC
          "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-c:v", "libx264", "-preset", "medium", "-crf", "18",
          "-pix_fmt", "yuv420p", "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
          "-color_range", "tv", "-c:a", "aac", "-b:a", "256k",
          // MP4 whatever the name (the temporary one has no extension to go by)
          "-movflags", "+faststart", "-f", "mp4", "-y", output};
}

// Does the work once the arguments are known good; returns the exit code.
int video_make(const VideoRequest& request) {
  const std::string ffmpeg = program_find("ffmpeg");
  if (ffmpeg.empty()) {
    std::fprintf(stderr,
                 "intro-capture: cannot find the ffmpeg program on PATH; it encodes the video "
                 "(Debian package: ffmpeg)\n");
    return 1;
  }
  const bool terminal = isatty(STDERR_FILENO) != 0;
  const int64_t frames = frame_count(request.first, request.end, request.fps);

  const auto sound = soundtrack_render_to(static_cast<uint32_t>(request.end), terminal);
  if (interrupted()) {
    std::fprintf(stderr, "intro-capture: interrupted; nothing written\n");
    return kInterruptedExit;
  }
  PendingOutput audio(request.path + ".wav");  // never committed: removed when done
  if (!wav_write_file(audio.temp_path(), audio.temp_path(), *sound, request.first, request.end - request.first))
    return 1;

  FrameRenderer renderer;
  if (!frame_renderer_open(renderer, frame_size(request.scale))) return 1;
  const FrameSize size = renderer.size;

  PendingOutput video(request.path);
  EncoderProcess encoder;
  if (!encoder_start(encoder, ffmpeg, ffmpeg_arguments(request, size, audio.temp_path(), video.temp_path()))) {
    frame_renderer_close(renderer);
    return 1;
  }

  std::vector<uint8_t> rgba(static_cast<size_t>(size.width) * size.height * 4);
  Progress progress = progress_start("video", "frames", frames);
  bool pipe_broke = false;
  int64_t k = 0;
  for (; k < frames && !interrupted(); ++k) {
    frame_render(renderer, static_cast<int32_t>(frame_sample(request.first, k, request.fps)), rgba.data());
    if (!encoder_write(encoder, rgba.data(), rgba.size())) {
      pipe_broke = !interrupted();
      break;
    }
    progress_update(progress, k + 1);
  }
  progress_end(progress);
  frame_renderer_close(renderer);

  if (interrupted()) {
    encoder_kill(encoder);
    std::fprintf(stderr, "intro-capture: interrupted after %lld of %lld frames; nothing written\n",
                 static_cast<long long>(k), static_cast<long long>(frames));
    return kInterruptedExit;
  }
  const int status = encoder_finish(encoder);
  if (pipe_broke || status != 0) {
    std::fprintf(stderr, "intro-capture: ffmpeg (%s) failed with exit status %d (its messages are above); '%s' not "
                 "written\n", ffmpeg.c_str(), status, request.path.c_str());
    return 1;
  }
  if (!video.commit()) return 1;
  const double seconds = progress_seconds(progress);
  std::fprintf(stderr,
               "intro-capture: wrote %s (%lld frames, %dx%d at %d fps, %.3f to %.3f s, %.1f s, %.2f frames per "
               "second)\n",
               request.path.c_str(), static_cast<long long>(frames), size.width, size.height, request.fps,
               static_cast<double>(request.first) / synth::kSampleRate,
               static_cast<double>(request.end) / synth::kSampleRate, seconds, seconds > 0 ? frames / seconds : 0.0);
  return 0;
}

}  // namespace

int command_video(const Args& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "%s\n"
        "Renders the piece (or a stretch of it) to an MP4 file: H.264 video and the\n"
        "soundtrack as AAC. Frame k shows sample position first + floor(k * 44100 / N),\n"
        "integer arithmetic, so every frame is exactly the picture of its own moment and\n"
        "the sound never drifts. Frames take as long as they take (no GPU: seconds each\n"
        "at full size).\n"
        "  --fps N          frames per second, a whole number from 1 to %d (default %d)\n"
        "  --scale S        picture size 1920x1080 times S, 0 < S <= 1, rounded to even\n"
        "                   numbers; each pixel is the full frame's pixel at that place\n"
        "                   (default 1). 0.25 is about 16 times faster.\n"
        "  --from SECONDS   start of the range (default 0)\n"
        "  --to SECONDS     end of the range, not included (default the end, 107.990 s)\n"
        "Times round to the nearest sample and must lie within the soundtrack. Needs the\n"
        "ffmpeg program on PATH. Shows progress on a terminal. The file appears only\n"
        "when complete; Ctrl-C stops and leaves nothing (exit status %d).\n",
        kVideoUsage, kMaxFps, kDefaultFps, kInterruptedExit);
    return 0;
  }
  InterruptGuard guard;
  interrupt_install(guard);
  VideoRequest request;
  int exit_code = video_request_from_args(args, request);
  if (exit_code == 0) exit_code = output_folder_writable(request.path) ? video_make(request) : 1;
  interrupt_restore(guard);
  return exit_code;
}

}  // namespace capture
