// Shader program creation at start-up: the entry-point check and the link boxes.
#include "host/intro.hpp"

namespace host {

int intro_init(IntroHost& host) {
  if (!gl::scene_program_init(gl_proc, host.entries, host.shader_source, host.program)) return 0;
  if (!host.program.linked) {
    // The compile messages are part of the program log; the second log is
    // usually empty. Both boxes wait for OK, then the piece runs on.
    message_box(host.program.program_log, "ProgramInfo");
    message_box(host.program.shader_log, "ShaderInfo");
  }
  return 1;
}

}  // namespace host
