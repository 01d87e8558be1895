// The SDL2 backend: the audio stream.
#include <cstdio>

#include "host/sdl/sdl_platform.hpp"

namespace host {

namespace {

constexpr int kBlockFrames = 1024;  // about 23 ms: the clock's steps and the seek latency

// Runs on SDL's audio thread with the device lock held.
void SDLCALL audio_callback(void* user, Uint8* stream, int bytes) {
  AudioOut& out = *static_cast<AudioOut*>(user);
  const uint32_t frames = static_cast<uint32_t>(bytes) / (kAudioChannels * sizeof(float));
  stream_fill(out.source, out.cursor, reinterpret_cast<float*>(stream), frames, clock_ns());
}

}  // namespace

int audio_open(AudioOut& out, const AudioSource& source, char* why, int why_size) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::snprintf(why, static_cast<size_t>(why_size), "%s", SDL_GetError());
    return 0;
  }
  out.subsystem = 1;
  out.source = source;
  stream_restart(out.cursor, 0, clock_ns());

  SDL_AudioSpec want{};
  want.freq = kAudioRate;
  want.format = AUDIO_F32SYS;
  want.channels = kAudioChannels;
  want.samples = kBlockFrames;
  want.callback = audio_callback;
  want.userdata = &out;
  SDL_AudioSpec have{};
  // No change allowed: SDL converts to whatever the device takes.
  out.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (out.device == 0) {
    std::snprintf(why, static_cast<size_t>(why_size), "%s", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    out.subsystem = 0;
    return 0;
  }
  return 1;  // a new device starts paused
}

void audio_play(AudioOut& out, uint32_t start_frame) {
  SDL_LockAudioDevice(out.device);
  stream_restart(out.cursor, start_frame, clock_ns());
  SDL_UnlockAudioDevice(out.device);
  SDL_PauseAudioDevice(out.device, 0);
}

uint32_t audio_played(AudioOut& out) {
  SDL_LockAudioDevice(out.device);
  const uint32_t played = stream_played(out.cursor, clock_ns());
  SDL_UnlockAudioDevice(out.device);
  return played;
}

void audio_stop(AudioOut& out) {
  if (out.device != 0) SDL_CloseAudioDevice(out.device);
  out.device = 0;
  if (out.subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  out.subsystem = 0;
}

}  // namespace host
