// scene_program.hpp - making the scene program and drawing one frame with it.
//
// The program has a fragment stage only, created from one source text with
// glCreateShaderProgramv; with a compatibility context the vertex stage is the
// fixed-function one, so one glRects(-1, -1, 1, 1) in clip coordinates covers
// the viewport and runs the fragment program once per pixel.
//
// What it is for: the piece and the tools that render its frames (capture,
// tests, benchmarks), all through the same two calls.
// What it is not for: showing errors (callers print or box the logs), creating
// contexts (see gl/offscreen.hpp and the host's platform backends), or any
// program other than the one scene text.
#pragma once

#include <cstdint>

#include "gl/gl_api.hpp"
#include "gl/gl_entries.hpp"

namespace gl {

inline constexpr int kLogSize = 1024;  // characters GL may write, terminating zero included

struct SceneProgram {
  GLuint program = 0;
  int linked = 0;                    // GL_LINK_STATUS as GL reported it
  char program_log[kLogSize] = {};   // carries the compile messages too
  char shader_log[kLogSize] = {};    // glGetShaderInfoLog on the program name: empty on a conforming GL
};

// Creates the program from `source` the way the piece does: glCreateShaderProgramv
// (fragment stage, one text), glUseProgram at once (before the link status is
// known), then the link status and both logs. The program is current afterwards
// if it linked. `entries` must have been loaded (gl_entries_load returned 1).
SceneProgram scene_program_create(GetProc get_proc, const GlEntries& entries, const char* source);

// The piece's start-up step: loads the entry table, then creates the program.
// Returns 0 when an entry point is missing (no program is made), otherwise 1,
// also when the program failed to link: check `program.linked`.
int scene_program_init(GetProc get_proc, GlEntries& entries, const char* source, SceneProgram& program);

// Draws the frame for a sample position into the current draw framebuffer's
// viewport: clears it to opaque black, sets uniform location 0 (`v`) with
// glUniform1i (looked up by name on every call, as the piece does), and draws
// one glRects(-1, -1, 1, 1). The clear is our choice: the program leaves the
// letterbox rows and the times with no shot untouched (it discards those
// fragments), so they show opaque black rather than whatever the buffer held
// (the previous frame, or garbage after a resize).
void scene_draw(GetProc get_proc, int32_t sample_position);

}  // namespace gl
