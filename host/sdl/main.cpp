// The piece's entry on Linux: binds the static records and runs the host.
//
// Everything lives in static storage, zero at load: the SoundBuffer (38 MB)
// and the synthesizer's workspace are bss, so memory is taken only as the
// synthesizer writes them. No argument, file or setting is read.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "host/intro.hpp"
#include "host/sdl/sdl_platform.hpp"
#include "shader/scene_shader.hpp"

namespace {

synth::SoundBuffer sound_buffer;
synth::SynthWorkspace workspace;
host::IntroWindow window;
host::AudioOut audio;
host::IntroHost intro;

}  // namespace

int main() {
  SDL_SetMainReady();
  host::intro_bind(intro, window, audio, workspace, sound_buffer, shader::kSceneSource);
  const int result = host::intro_main(intro);
  SDL_Quit();
  return result;
}
