// sheet.cpp - intro-capture sheet: a contact sheet of the piece, one frame per segment.
//
// One frame from the middle of every segment that shows a picture, in timeline
// order, left to right and top to bottom, each labelled with its time, segment
// and shot. The segments come from the scene program itself (timeline.hpp); the
// frames are drawn like stills (frame_render.hpp) and composed and labelled with
// cairo, which brings the font rendering.
//
// What it is for: the first look at the whole piece, in one picture.
// What it is not for: frame-exact study of cuts (use still or video).
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "synth/synth.hpp"
#include "tools/capture/args.hpp"
#include "tools/capture/commands.hpp"
#include "tools/capture/frame_render.hpp"
#include "tools/capture/interrupt.hpp"
#include "tools/capture/output_file.hpp"
#include "tools/capture/png_write.hpp"
#include "tools/capture/progress.hpp"
#include "tools/capture/timeline.hpp"

namespace capture {

namespace {

constexpr char kSheetUsage[] = "usage: intro-capture sheet [--scale S] [--columns N] OUT.png\n";
constexpr double kDefaultScale = 0.25;
constexpr int kDefaultColumns = 4;

struct SheetRequest {
  double scale = kDefaultScale;
  int columns = kDefaultColumns;
  std::string path;
};

int usage_error(const std::string& why) { return usage_fail(kSheetUsage, why); }

int sheet_request_from_args(const Args& args, SheetRequest& request) {
  std::string scale, columns;
  bool has_scale = false, has_columns = false;
  std::vector<std::string> positionals;
  const std::string wrong =
      args_split(args, {{"--scale", &scale, &has_scale}, {"--columns", &columns, &has_columns}}, positionals);
  if (!wrong.empty()) return usage_error(wrong);
  if (positionals.size() != 1 || positionals[0].empty()) return usage_error("give one output file");
  if (has_scale) {
    if (const std::string why = scale_parse(scale, request.scale); !why.empty()) return usage_error(why);
  }
  if (has_columns) {
    long long n = 0;
    if (!parse_integer(columns, n) || n < 1 || n > 64)
      return usage_error("--columns wants a whole number from 1 to 64, not '" + columns + "'");
    request.columns = static_cast<int>(n);
  }
  request.path = positionals[0];
  return 0;
}

// Where tile i goes, and the sheet's size.
struct SheetLayout {
  int tile_width, tile_height, gap, columns, rows, width, height;
};

SheetLayout sheet_layout(FrameSize tile, int columns, int tiles) {
  SheetLayout l{};
  l.tile_width = tile.width;
  l.tile_height = tile.height;
  l.gap = tile.width / 60 > 2 ? tile.width / 60 : 2;
  l.columns = tiles < columns ? tiles : columns;
  l.rows = (tiles + columns - 1) / columns;
  l.width = l.columns * tile.width + (l.columns + 1) * l.gap;
  l.height = l.rows * tile.height + (l.rows + 1) * l.gap;
  return l;
}

// Copies a top-row-first RGBA frame into the surface at (x, y).
void tile_place(cairo_surface_t* surface, const std::vector<uint8_t>& rgba, FrameSize size, int x, int y) {
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int row = 0; row < size.height; ++row) {
    auto* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y + row) * stride) + x;
    const uint8_t* in = &rgba[static_cast<size_t>(row) * size.width * 4];
    for (int i = 0; i < size.width; ++i)
      out[i] = (uint32_t{in[4 * i]} << 16) | (uint32_t{in[4 * i + 1]} << 8) | in[4 * i + 2];
  }
  cairo_surface_mark_dirty(surface);
}

// The label in the tile's lower-left corner, on the black of the letterbox.
void tile_label(cairo_t* cr, const Segment& segment, int sample, int x, int y, const SheetLayout& l) {
  char text[96];
  if (segment.shot >= 0)
    std::snprintf(text, sizeof text, "%.2f s  \xC2\xB7  segment %d  \xC2\xB7  shot %d",
                  static_cast<double>(sample) / synth::kSampleRate, segment.index, segment.shot);
  else
    std::snprintf(text, sizeof text, "%.2f s  \xC2\xB7  segment %d", static_cast<double>(sample) / synth::kSampleRate,
                  segment.index);
  const double size = l.tile_height * 0.065 > 7 ? l.tile_height * 0.065 : 7;
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  const double left = x + size * 0.6;
  const double baseline = y + l.tile_height - size * 0.55;
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_move_to(cr, left + 1, baseline + 1);
  cairo_show_text(cr, text);
  cairo_set_source_rgb(cr, 0.92, 0.92, 0.92);
  cairo_move_to(cr, left, baseline);
  cairo_show_text(cr, text);
}

// Renders and composes the sheet; returns the exit code.
int sheet_make(const SheetRequest& request) {
  std::vector<Segment> segments;
  if (!timeline_read(segments)) return 1;
  std::vector<Segment> shown;
  for (const Segment& s : segments)
    if (s.shot >= 0) shown.push_back(s);
  if (shown.empty()) {
    std::fprintf(stderr, "intro-capture: the scene program's timeline shows no picture at all\n");
    return 1;
  }

  FrameRenderer renderer;
  if (!frame_renderer_open(renderer, frame_size(request.scale))) return 1;
  const FrameSize tile = renderer.size;
  const SheetLayout layout = sheet_layout(tile, request.columns, static_cast<int>(shown.size()));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width, layout.height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.16, 0.16, 0.16);
  cairo_paint(cr);

  std::vector<uint8_t> rgba(static_cast<size_t>(tile.width) * tile.height * 4);
  Progress progress = progress_start("sheet", "frames", static_cast<int64_t>(shown.size()));
  bool stopped = false;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (interrupted()) {
      stopped = true;
      break;
    }
    const int sample = timeline_middle_sample(shown[i]);
    frame_render(renderer, sample, rgba.data());
    const int x = layout.gap + static_cast<int>(i) % layout.columns * (tile.width + layout.gap);
    const int y = layout.gap + static_cast<int>(i) / layout.columns * (tile.height + layout.gap);
    tile_place(surface, rgba, tile, x, y);
    tile_label(cr, shown[i], sample, x, y, layout);
    progress_update(progress, static_cast<int64_t>(i + 1));
  }
  progress_end(progress);
  frame_renderer_close(renderer);

  int exit_code = 0;
  if (stopped) {
    std::fprintf(stderr, "intro-capture: interrupted; nothing written\n");
    exit_code = kInterruptedExit;
  } else if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "intro-capture: composing the sheet failed: %s\n", cairo_status_to_string(cairo_status(cr)));
    exit_code = 1;
  } else {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint8_t> sheet(static_cast<size_t>(layout.width) * layout.height * 4);
    for (int y = 0; y < layout.height; ++y) {
      const auto* in = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
      uint8_t* out = &sheet[static_cast<size_t>(y) * layout.width * 4];
      for (int x = 0; x < layout.width; ++x) {
        out[4 * x + 0] = static_cast<uint8_t>(in[x] >> 16);
        out[4 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
        out[4 * x + 2] = static_cast<uint8_t>(in[x]);
        out[4 * x + 3] = 255;
      }
    }
    if (!png_write(request.path, sheet.data(), layout.width, layout.height)) exit_code = 1;
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  if (exit_code == 0)
    std::fprintf(stderr, "intro-capture: wrote %s (%dx%d, %zu frames of %dx%d)\n", request.path.c_str(), layout.width,
                 layout.height, shown.size(), tile.width, tile.height);
  return exit_code;
}

}  // namespace

int command_sheet(const Args& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "%s\n"
        "Renders one frame from the middle of every segment of the timeline that\n"
        "shows a picture and lays them out as a contact sheet, in order, left to\n"
        "right and top to bottom, each labelled with its time, segment and shot.\n"
        "The segments are read from the scene program itself.\n"
        "  --scale S     size of each frame, 0 < S <= 1 (default %.2f: 480x270)\n"
        "  --columns N   frames per row, 1 to 64 (default %d)\n"
        "Uses a headless OpenGL 4.3 context (no display or GPU needed). The file\n"
        "appears only once it is complete; Ctrl-C stops and leaves nothing.\n",
        kSheetUsage, kDefaultScale, kDefaultColumns);
    return 0;
  }
  InterruptGuard guard;
  interrupt_install(guard);
  SheetRequest request;
  int exit_code = sheet_request_from_args(args, request);
  if (exit_code == 0) exit_code = output_folder_writable(request.path) ? sheet_make(request) : 1;
  interrupt_restore(guard);
  return exit_code;
}

}  // namespace capture
