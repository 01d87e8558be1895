// still.cpp - intro-capture still: one frame of the piece as a PNG file.
//
// Renders the frame the piece shows at a sample position, with the same program
// text and the same draw call, in a headless GL context (Mesa's software
// rasterizer where there is no GPU), and writes it as a 1920x1080 RGB PNG.
// Pixels the program leaves unwritten (the letterbox rows, times with no shot)
// come out black: the frame is cleared to opaque black before drawing.
#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl/offscreen.hpp"
#include "gl/scene_program.hpp"
#include "shader/scene_shader.hpp"
#include "synth/synth.hpp"
#include "tools/capture/commands.hpp"
#include "tools/capture/output_file.hpp"

namespace capture {

namespace {

constexpr char kStillUsage[] = "usage: intro-capture still (--at SECONDS | --sample N) OUT.png\n";

// Parses a whole string as a finite decimal number; false for anything else.
bool parse_number(const std::string& text, double& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno == 0 && std::isfinite(value);
}

bool parse_integer(const std::string& text, long long& value) {
  if (text.empty()) return false;
  for (size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  if (text.size() == 1 && (text[0] == '-' || text[0] == '+')) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end == text.c_str() + text.size();
}

struct PngWriteState {
  std::FILE* file;
  bool failed;
};

void png_write_data(png_structp png, png_bytep data, png_size_t length) {
  auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, state->file) != length) state->failed = true;
}

void png_flush_data(png_structp png) {
  auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
  if (std::fflush(state->file) != 0) state->failed = true;
}

void png_error_exit(png_structp png, png_const_charp message) {
  std::fprintf(stderr, "intro-capture: PNG encoder: %s\n", message);
  png_longjmp(png, 1);
}

// Writes top-row-first RGBA pixels as an 8-bit RGB PNG at `path` (opaque; alpha
// is always 1 here). Returns false after printing a message naming the path.
bool png_write_rgb(const std::string& path, const std::string& file_path, const uint8_t* rgba, int width,
                   int height) {
  std::FILE* file = std::fopen(file_path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  PngWriteState state{file, false};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_exit, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = png != nullptr && info != nullptr;  // read again after a longjmp
  if (ok) {
    if (setjmp(png_jmpbuf(png))) {
      ok = false;
    } else {
      png_set_write_fn(png, &state, png_write_data, png_flush_data);
      png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                   PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      png_write_info(png, info);
      for (int y = 0; y < height; ++y) {
        const uint8_t* src = rgba + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
          row[3 * x + 0] = src[4 * x + 0];
          row[3 * x + 1] = src[4 * x + 1];
          row[3 * x + 2] = src[4 * x + 2];
        }
        png_write_row(png, row.data());
      }
      png_write_end(png, nullptr);
    }
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  const bool closed = std::fclose(file) == 0;
  if (!ok || state.failed || !closed) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': write failed (disk full?)\n", path.c_str());
    return false;
  }
  return true;
}

// Reads --at SECONDS | --sample N and OUT.png; returns 0, or 2 after printing why.
int still_sample_from_args(const Args& args, int32_t& sample, std::string& path) {
  if (args.size() != 3 || (args[0] != "--at" && args[0] != "--sample")) {
    std::fprintf(stderr, "%s", kStillUsage);
    return 2;
  }
  const double last_seconds = static_cast<double>(synth::kSongFrames - 1) / synth::kSampleRate;
  long long position = 0;
  if (args[0] == "--at") {
    double seconds = 0;
    if (!parse_number(args[1], seconds) || seconds < 0) {
      std::fprintf(stderr, "intro-capture: --at wants a time in seconds from 0 to %.6f, not '%s'\n%s", last_seconds,
                   args[1].c_str(), kStillUsage);
      return 2;
    }
    // Anything past the end is refused below; the bound keeps the rounding in range.
    position = seconds < 1e9 ? std::llround(seconds * synth::kSampleRate) : synth::kSongFrames;
  } else if (!parse_integer(args[1], position) || position < 0) {
    std::fprintf(stderr, "intro-capture: --sample wants a sample position from 0 to %d, not '%s'\n%s",
                 synth::kSongFrames - 1, args[1].c_str(), kStillUsage);
    return 2;
  }
  if (position >= synth::kSongFrames) {
    std::fprintf(stderr,
                 "intro-capture: %s %s is past the end of the soundtrack (the last sample is %d, at %.6f s)\n",
                 args[0].c_str(), args[1].c_str(), synth::kSongFrames - 1, last_seconds);
    return 2;
  }
  path = args[2];
  if (path.empty()) {
    std::fprintf(stderr, "%s", kStillUsage);
    return 2;
  }
  sample = static_cast<int32_t>(position);
  return 0;
}

}  // namespace

int command_still(const Args& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "%s\n"
        "Renders the frame the piece shows at a time (--at SECONDS, rounded to the\n"
        "nearest sample at 44,100 per second) or a sample position (--sample N) and\n"
        "writes it as a 1920x1080 PNG. The time must lie within the soundtrack (below\n"
        "sample 4,762,368, about 107.99 s). Rows outside the letterbox band and times\n"
        "with no shot come out black. Uses a headless OpenGL 4.3 context (no display\n"
        "or GPU needed). The file appears only once it is complete.\n",
        kStillUsage);
    return 0;
  }
  int32_t sample = 0;
  std::string path;
  if (const int usage = still_sample_from_args(args, sample, path); usage != 0) return usage;
  if (!output_folder_writable(path)) return 1;

  gl::OffscreenContext ctx;
  if (!gl::offscreen_open(ctx, 1920, 1080)) {
    std::fprintf(stderr, "intro-capture: %s\n", ctx.error);
    return 1;
  }
  gl::GlEntries entries;
  gl::SceneProgram program;
  if (!gl::scene_program_init(gl::offscreen_get_proc, entries, shader::kSceneSource, program)) {
    std::fprintf(stderr, "intro-capture: the GL context lacks the entry points the piece needs (%s)\n", ctx.renderer);
    gl::offscreen_close(ctx);
    return 1;
  }
  if (!program.linked) {
    std::fprintf(stderr, "intro-capture: the scene program did not compile or link:\n%s\n%s\n", program.program_log,
                 program.shader_log);
    gl::offscreen_close(ctx);
    return 1;
  }
  gl::scene_draw(gl::offscreen_get_proc, sample);
  std::vector<uint8_t> rgba(static_cast<size_t>(ctx.width) * ctx.height * 4);
  gl::offscreen_read_rgba(ctx, rgba.data());
  const int width = ctx.width;
  const int height = ctx.height;
  gl::offscreen_close(ctx);

  PendingOutput out(path);
  if (!png_write_rgb(path, out.temp_path(), rgba.data(), width, height)) return 1;
  if (!out.commit()) return 1;
  std::fprintf(stderr, "intro-capture: wrote %s (sample %d, %.4f s)\n", path.c_str(), sample,
               static_cast<double>(sample) / synth::kSampleRate);
  return 0;
}

}  // namespace capture
