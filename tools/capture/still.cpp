// still.cpp - intro-capture still: one frame of the piece as a PNG file.
//
// Renders the frame the piece shows at a sample position, with the same program
// text and the same draw call, in a headless GL context (Mesa's software
// rasterizer where there is no GPU), and writes it as an RGB PNG: 1920x1080, or
// point-sampled smaller with --scale (see frame_render.hpp). Pixels the program
// leaves unwritten (the letterbox rows, times with no shot) come out black: the
// frame is cleared to opaque black before drawing.
#include <cstdio>
#include <string>
#include <vector>

#include "synth/synth.hpp"
#include "tools/capture/args.hpp"
#include "tools/capture/commands.hpp"
#include "tools/capture/frame_render.hpp"
#include "tools/capture/output_file.hpp"
#include "tools/capture/png_write.hpp"

namespace capture {

namespace {

constexpr char kStillUsage[] = "usage: intro-capture still (--at SECONDS | --sample N) [--scale S] OUT.png\n";

struct StillRequest {
  int32_t sample = 0;
  double scale = 1.0;
  std::string path;
};

int usage_error(const std::string& why) { return usage_fail(kStillUsage, why); }

// Reads the arguments; returns 0, or 2 after printing why.
int still_request_from_args(const Args& args, StillRequest& request) {
  std::string at, sample, scale;
  bool has_at = false, has_sample = false, has_scale = false;
  std::vector<std::string> positionals;
  const std::string wrong = args_split(
      args, {{"--at", &at, &has_at}, {"--sample", &sample, &has_sample}, {"--scale", &scale, &has_scale}},
      positionals);
  if (!wrong.empty()) return usage_error(wrong);
  if (has_at == has_sample) return usage_error("give the moment once, with --at or with --sample");
  if (positionals.size() != 1 || positionals[0].empty()) return usage_error("give one output file");
  if (has_at) {
    if (const std::string why = seconds_to_sample("--at", at, false, request.sample); !why.empty())
      return usage_error(why);
  } else {
    long long position = 0;
    if (!parse_integer(sample, position) || position < 0 || position >= synth::kSongFrames) {
      char why[160];
      std::snprintf(why, sizeof why, "--sample wants a sample position from 0 to %d, not '%s'",
                    synth::kSongFrames - 1, sample.c_str());
      return usage_error(why);
    }
    request.sample = static_cast<int32_t>(position);
  }
  if (has_scale) {
    if (const std::string why = scale_parse(scale, request.scale); !why.empty()) return usage_error(why);
  }
  request.path = positionals[0];
  return 0;
}

}  // namespace

int command_still(const Args& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "%s\n"
        "Renders the frame the piece shows at a time (--at SECONDS, rounded to the\n"
        "nearest sample at 44,100 per second) or a sample position (--sample N) and\n"
        "writes it as a PNG, 1920x1080 or, with --scale S (0 < S <= 1), that size\n"
        "times S rounded to even numbers, each pixel the full frame's pixel at that\n"
        "place. The time must lie within the soundtrack (below sample 4,762,368,\n"
        "about 107.99 s). Rows outside the letterbox band and times with no shot come\n"
        "out black. Uses a headless OpenGL 4.3 context (no display or GPU needed).\n"
        "The file appears only once it is complete.\n",
        kStillUsage);
    return 0;
  }
  StillRequest request;
  if (const int usage = still_request_from_args(args, request); usage != 0) return usage;
  if (!output_folder_writable(request.path)) return 1;

  FrameRenderer renderer;
  if (!frame_renderer_open(renderer, frame_size(request.scale))) return 1;
  const FrameSize size = renderer.size;
  std::vector<uint8_t> rgba(static_cast<size_t>(size.width) * size.height * 4);
  frame_render(renderer, request.sample, rgba.data());
  frame_renderer_close(renderer);

  if (!png_write(request.path, rgba.data(), size.width, size.height)) return 1;
  std::fprintf(stderr, "intro-capture: wrote %s (%dx%d, sample %d, %.4f s)\n", request.path.c_str(), size.width,
               size.height, request.sample, static_cast<double>(request.sample) / synth::kSampleRate);
  return 0;
}

}  // namespace capture
