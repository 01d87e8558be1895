// gl_entries.hpp - the table of GL entry points the piece checks for at start-up.
//
// Eight names (five of the separate-shader-object family of GL 4.1 and three
// program queries) are looked up, in a fixed order, through a caller-supplied
// loader. Finding all eight is how the piece tells that the context can run its
// program; the last three are the ones it calls afterwards.
//
// What it is for: that one presence check and the three queries.
// What it is not for: loading anything else; other entry points are looked up
// by name where they are used.
#pragma once

#include "gl/gl_api.hpp"

namespace gl {

inline constexpr int kEntryCount = 8;

// In this order: glCreateShaderProgramv, glGenProgramPipelines,
// glBindProgramPipeline, glUseProgramStages, glProgramUniform1f,
// glGetProgramiv, glGetProgramInfoLog, glGetShaderInfoLog.
extern const char* const gl_entry_names[kEntryCount];

enum GlEntry : int {
  kCreateShaderProgramv = 0,
  kGenProgramPipelines = 1,
  kBindProgramPipeline = 2,
  kUseProgramStages = 3,
  kProgramUniform1f = 4,
  kGetProgramiv = 5,
  kGetProgramInfoLog = 6,
  kGetShaderInfoLog = 7,
};

// The looked-up pointers, indexed like gl_entry_names; null until found.
struct GlEntries {
  void* entry[kEntryCount] = {};
};

// Looks the names up in order into `entries`. Returns 1 when all eight were
// found, 0 at the first one that was not (later entries are left unfetched).
// Only a null result counts as missing. Must run where the context is current.
int gl_entries_load(GetProc get_proc, GlEntries& entries);

}  // namespace gl
