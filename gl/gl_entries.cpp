#include "gl/gl_entries.hpp"

namespace gl {

const char* const gl_entry_names[kEntryCount] = {
    "glCreateShaderProgramv", "glGenProgramPipelines", "glBindProgramPipeline", "glUseProgramStages",
    "glProgramUniform1f",     "glGetProgramiv",        "glGetProgramInfoLog",   "glGetShaderInfoLog",
};

int gl_entries_load(GetProc get_proc, GlEntries& entries) {
  for (int i = 0; i < kEntryCount; ++i) {
    entries.entry[i] = get_proc(gl_entry_names[i]);
    if (entries.entry[i] == nullptr) return 0;
  }
  return 1;
}

}  // namespace gl
