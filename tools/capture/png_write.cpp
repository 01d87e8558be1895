#include "tools/capture/png_write.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/capture/output_file.hpp"

namespace capture {

namespace {

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

// The encoding itself, into an open file; false if libpng or a write failed.
bool png_encode(std::FILE* file, const uint8_t* rgba, int width, int height) {
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
  return ok && !state.failed;
}

}  // namespace

bool png_write(const std::string& path, const uint8_t* rgba, int width, int height) {
  PendingOutput out(path);
  std::FILE* file = std::fopen(out.temp_path().c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  const bool encoded = png_encode(file, rgba, width, height);
  const bool closed = std::fclose(file) == 0;
  if (!encoded || !closed) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': write failed (disk full?)\n", path.c_str());
    return false;
  }
  return out.commit();
}

}  // namespace capture
