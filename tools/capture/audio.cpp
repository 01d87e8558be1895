#include "tools/capture/audio.hpp"

#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "tools/capture/commands.hpp"
#include "tools/capture/interrupt.hpp"
#include "tools/capture/output_file.hpp"

namespace capture {

std::unique_ptr<synth::SoundBuffer> soundtrack_render(bool progress) {
  return soundtrack_render_to(synth::kSongFrames, progress);
}

std::unique_ptr<synth::SoundBuffer> soundtrack_render_to(uint32_t frames, bool progress) {
  if (frames > static_cast<uint32_t>(synth::kSongFrames)) frames = synth::kSongFrames;
  auto ws = std::make_unique<synth::SynthWorkspace>();
  auto sound = std::make_unique<synth::SoundBuffer>();
  synth::synth_reset(*ws, synth::song_default());
  const auto start = std::chrono::steady_clock::now();
  // One second of sound per step: fine enough for progress, coarse enough to cost nothing.
  while (sound->frames_written.load(std::memory_order_relaxed) < frames && !interrupted()) {
    const uint32_t left = synth::kSongFrames - sound->frames_written.load(std::memory_order_relaxed);
    synth::synth_render_frames(*ws, *sound, left < synth::kSampleRate ? left : synth::kSampleRate);
    if (progress) {
      const uint32_t done = sound->frames_written.load(std::memory_order_relaxed);
      const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::fprintf(stderr, "\rsoundtrack: %6.2f of %.2f s rendered (%.1fx real time)", done / 44100.0,
                   synth::kSongFrames / 44100.0, secs > 0 ? done / 44100.0 / secs : 0.0);
    }
  }
  if (progress) std::fprintf(stderr, "\n");
  return sound;
}

bool wav_write(const std::string& path, const synth::SoundBuffer& sound, long first, long count) {
  if (!output_folder_writable(path)) return false;
  PendingOutput out(path);
  if (!wav_write_file(out.temp_path(), path, sound, first, count)) return false;
  return out.commit();
}

bool wav_write_file(const std::string& file_path, const std::string& path, const synth::SoundBuffer& sound,
                    long first, long count) {
  SF_INFO info{};
  info.samplerate = synth::kSampleRate;
  info.channels = synth::kChannels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(file_path.c_str(), SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  // No PEAK chunk: it carries a time stamp, and the same soundtrack should
  // always give the same file.
  sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  const sf_count_t written = sf_writef_float(file, sound.samples + 2 * first, count);
  const int closed = sf_close(file);
  if (written != count || closed != 0) {
    std::fprintf(stderr, "intro-capture: cannot write '%s': write failed (disk full?)\n", path.c_str());
    return false;
  }
  return true;
}

int command_audio(const Args& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "usage: intro-capture audio OUT.wav\n\n"
        "Renders the piece's whole soundtrack (4,762,368 frames, about 108 s) with the\n"
        "synthesizer and writes it as a 32-bit float, stereo, 44,100 Hz WAV file.\n"
        "The file appears only once it is complete.\n");
    return 0;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fprintf(stderr, "usage: intro-capture audio OUT.wav\n");
    return 2;
  }
  const std::string& path = args[0];
  if (!output_folder_writable(path)) return 1;
  const auto sound = soundtrack_render(isatty(STDERR_FILENO));
  if (!wav_write(path, *sound, 0, synth::kSongFrames)) return 1;
  std::fprintf(stderr, "intro-capture: wrote %s\n", path.c_str());
  return 0;
}

}  // namespace capture
