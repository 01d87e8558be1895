#include "tools/capture/timeline.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "gl/gl_entries.hpp"
#include "gl/offscreen.hpp"
#include "gl/scene_program.hpp"
#include "shader/scene_shader.hpp"
#include "synth/synth.hpp"

namespace capture {

namespace {

constexpr int kProbeWidth = 256;  // room for 127 segments

// Pixel 0 of the bottom row holds segmentCount, pixels 1 to count the starts'
// bits, the next count pixels the shots; each 32-bit value spread over the four
// 8-bit channels, low byte in red. A channel value k / 255 is stored as exactly
// k in an 8-bit framebuffer.
constexpr char kTimelineProbe[] = R"(
#undef main
void main() {
    int p = int(gl_FragCoord.x);
    uint bits = 0u;
    if (p == 0) {
        bits = uint(segmentCount);
    } else if (p <= segmentCount) {
        bits = floatBitsToUint(segmentStart[p - 1]);
    } else if (p <= 2 * segmentCount) {
        bits = uint(segmentShot[p - 1 - segmentCount]);
    }
    f = vec4(uvec4(bits, bits >> 8u, bits >> 16u, bits >> 24u) & 0xFFu) / 255.0;
}
)";

uint32_t pixel_value(const std::vector<uint8_t>& rgba, int p) {
  const uint8_t* c = &rgba[static_cast<size_t>(p) * 4];
  return c[0] | (uint32_t{c[1]} << 8) | (uint32_t{c[2]} << 16) | (uint32_t{c[3]} << 24);
}

}  // namespace

bool timeline_read(std::vector<Segment>& segments) {
  segments.clear();
  gl::OffscreenContext ctx;
  if (!gl::offscreen_open(ctx, kProbeWidth, 1)) {
    std::fprintf(stderr, "intro-capture: %s\n", ctx.error);
    return false;
  }
  const std::string scene = shader::kSceneSource;
  const size_t first_line_end = scene.find('\n') + 1;
  const std::string text =
      scene.substr(0, first_line_end) + "#define main sceneMain\n#line 2\n" + scene.substr(first_line_end) + kTimelineProbe;
  gl::GlEntries entries;
  gl::SceneProgram program;
  if (!gl::scene_program_init(gl::offscreen_get_proc, entries, text.c_str(), program) || !program.linked) {
    std::fprintf(stderr, "intro-capture: cannot read the timeline from the scene program:\n%s\n", program.program_log);
    gl::offscreen_close(ctx);
    return false;
  }
  gl::scene_draw(gl::offscreen_get_proc, 0);
  std::vector<uint8_t> rgba(kProbeWidth * 4);
  gl::offscreen_read_rgba(ctx, rgba.data());
  gl::offscreen_close(ctx);

  const uint32_t count = pixel_value(rgba, 0);
  if (count == 0 || 2 * count + 1 > kProbeWidth) {
    std::fprintf(stderr, "intro-capture: the scene program reports %u segments\n", count);
    return false;
  }
  const double song_end = static_cast<double>(synth::kSongFrames) / synth::kSampleRate;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t bits = pixel_value(rgba, 1 + static_cast<int>(i));
    float start = 0;
    std::memcpy(&start, &bits, sizeof start);
    const int shot = static_cast<int32_t>(pixel_value(rgba, 1 + static_cast<int>(count + i)));
    segments.push_back(Segment{static_cast<int>(i), start, song_end, shot});
  }
  for (size_t i = 0; i + 1 < segments.size(); ++i) segments[i].end = segments[i + 1].start;
  for (const Segment& s : segments) {
    if (!std::isfinite(s.start) || s.start < 0 || s.end <= s.start) {
      std::fprintf(stderr, "intro-capture: the scene program's segment %d (start %g s) is out of order\n", s.index,
                   s.start);
      segments.clear();
      return false;
    }
  }
  return true;
}

int timeline_middle_sample(const Segment& segment) {
  return static_cast<int>(std::floor((segment.start + segment.end) / 2 * synth::kSampleRate));
}

}  // namespace capture
