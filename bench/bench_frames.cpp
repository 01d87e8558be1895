// bench_frames - milliseconds per 1920x1080 frame of the scene program.
//
// Draws whole frames of the piece at a handful of representative moments in the
// headless GL context (Mesa's software rasterizer on a machine without a GPU,
// the GPU's driver where there is one) and times each draw to completion. One
// warm-up draw per moment is not timed (it includes compiling the program for
// the rasterizer). Run by hand, not by ./test:
//   build/bench_frames [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>
#include <GL/gl.h>

#include <cstdio>

#include "gl/offscreen.hpp"
#include "gl/scene_program.hpp"
#include "shader/scene_shader.hpp"

namespace {

gl::OffscreenContext* frame_context() {
  static gl::OffscreenContext ctx;
  static int state = 0;
  if (state == 0) {
    state = -1;
    gl::GlEntries entries;
    gl::SceneProgram program;
    if (!gl::offscreen_open(ctx, 1920, 1080)) {
      std::fprintf(stderr, "bench_frames: %s\n", ctx.error);
    } else if (!gl::scene_program_init(gl::offscreen_get_proc, entries, shader::kSceneSource, program) ||
               !program.linked) {
      std::fprintf(stderr, "bench_frames: the scene program did not link:\n%s\n", program.program_log);
    } else {
      std::fprintf(stderr, "bench_frames: %s\n", ctx.renderer);
      state = 1;
    }
  }
  return state == 1 ? &ctx : nullptr;
}

// Arg: the moment in hundredths of a second.
void BM_Frame(benchmark::State& state) {
  if (frame_context() == nullptr) {
    state.SkipWithError("no headless GL context");
    return;
  }
  const int32_t sample = static_cast<int32_t>(state.range(0) * 441);
  gl::scene_draw(gl::offscreen_get_proc, sample);
  glFinish();
  for (auto _ : state) {
    gl::scene_draw(gl::offscreen_get_proc, sample);
    glFinish();
  }
  state.counters["seconds"] = static_cast<double>(state.range(0)) / 100.0;
}

// Dome field, open road ahead (sky and hills), close vehicle, aerial, tunnel with
// bands, tunnel with the red grid seen from behind.
BENCHMARK(BM_Frame)
    ->Arg(400)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(3600)
    ->Arg(6075)
    ->Arg(7800)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
