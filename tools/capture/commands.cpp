#include "tools/capture/commands.hpp"

#include <cstdio>
#include <string>

namespace capture {

const std::vector<Command>& commands() {
  static const std::vector<Command> list = {
      {"audio", "audio OUT.wav",
       "Renders the whole soundtrack (4,762,368 frames) to a 32-bit float stereo 44,100 Hz WAV file.",
       command_audio},
      {"levels", "levels",
       "Renders the soundtrack and prints its peak before and after the clamp, its RMS and the values clamped.",
       command_levels},
      {"still", "still (--at SECONDS | --sample N) [--scale S] OUT.png",
       "Renders the frame at a time or sample position to a 1920x1080 PNG, or point-sampled smaller (headless "
       "OpenGL).",
       command_still},
      {"video", "video [--fps N] [--scale S] [--from SECONDS] [--to SECONDS] OUT.mp4",
       "Renders the piece, or a stretch of it, frame-exactly to an MP4 file (H.264, AAC) through ffmpeg.",
       command_video},
      {"sheet", "sheet [--scale S] [--columns N] OUT.png",
       "Renders a contact sheet: one labelled frame from the middle of every segment that shows a picture.",
       command_sheet},
  };
  return list;
}

namespace {

void usage(std::FILE* to) {
  std::fprintf(to, "usage: intro-capture COMMAND [ARGS]\n\nRenders the piece offline.\n\ncommands:\n");
  for (const Command& c : commands()) std::fprintf(to, "  intro-capture %s\n      %s\n", c.synopsis, c.summary);
  std::fprintf(to, "\nExit codes: 0 done, 1 the work failed (message names what), 2 bad usage.\n");
}

}  // namespace

int capture_main(int argc, char** argv) {
  if (argc < 2) {
    usage(stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    usage(stdout);
    return 0;
  }
  for (const Command& c : commands()) {
    if (name == c.name) return c.run(Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "intro-capture: unknown command '%s'\n\n", name.c_str());
  usage(stderr);
  return 2;
}

}  // namespace capture
