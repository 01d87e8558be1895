// The piece's entry on Windows: binds the static records and runs the host.
//
// Everything lives in static storage, zero at load: the SoundBuffer (38 MB)
// and the synthesizer's workspace are bss, so memory is taken only as the
// synthesizer writes them. The four arguments of WinMain are not used: there
// is no command line and no setting of any kind.
#include "host/intro.hpp"
#include "host/win32/win32_platform.hpp"
#include "shader/scene_shader.hpp"

namespace {

synth::SoundBuffer sound_buffer;
synth::SynthWorkspace workspace;
host::IntroWindow window = {nullptr, nullptr, nullptr, nullptr, 0, "itr", {}, 0, 0};
host::AudioOut audio;
host::IntroHost intro;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  window.instance = GetModuleHandleA(nullptr);
  host::intro_bind(intro, window, audio, workspace, sound_buffer, shader::kSceneSource);
  return host::intro_main(intro);
}
