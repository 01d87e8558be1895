// The Windows backend: the soundtrack through wave-out.
//
// The device reads the SoundBuffer itself, from the header's data pointer on,
// as it plays; parts the synthesizer has not reached yet still hold zeros and
// play as silence. One header serves the whole run: it is prepared over the
// whole buffer and submitted at start; a restart resets the device, points the
// header at the rest of the buffer from the new start and submits it again.
//
// Around that change the header is unprepared and prepared again. Preparation
// is where the wave mapper takes the data pointer and length when it has to
// convert the format for the device; a header changed behind its back would go
// on playing the old range there. Where no conversion is needed the two calls
// cost nothing.
#include <cstdio>

#include "host/win32/win32_platform.hpp"

namespace host {

namespace {

const WAVEFORMATEX wave_format = {
    WAVE_FORMAT_IEEE_FLOAT,                             // wFormatTag (3)
    kAudioChannels,                                     // nChannels
    kAudioRate,                                         // nSamplesPerSec
    kAudioRate * kAudioChannels * sizeof(float),        // nAvgBytesPerSec: 352,800
    kAudioChannels * sizeof(float),                     // nBlockAlign: 8
    8 * sizeof(float),                                  // wBitsPerSample: 32
    0,                                                  // cbSize
};

// The 12 bytes the device is told an MMTIME has.
static_assert(sizeof(MMTIME) == 12);

constexpr uint32_t kFrameBytes = kAudioChannels * sizeof(float);

// Points the header at the source from `start_frame` to its end.
void header_aim(AudioOut& out, uint32_t start_frame) {
  out.wave_header.lpData =
      reinterpret_cast<LPSTR>(const_cast<float*>(out.source.samples + static_cast<size_t>(start_frame) * kAudioChannels));
  out.wave_header.dwBufferLength = (out.source.frames - start_frame) * kFrameBytes;
}

// The source frame the header starts at.
uint32_t header_start(const AudioOut& out) {
  const float* data = reinterpret_cast<const float*>(out.wave_header.lpData);
  return static_cast<uint32_t>((data - out.source.samples) / kAudioChannels);
}

}  // namespace

int audio_open(AudioOut& out, const AudioSource& source, char* why, int why_size) {
  out.source = source;
  out.play_time.wType = TIME_SAMPLES;
  header_aim(out, 0);

  // No callback: the position is asked for, never reported.
  const MMRESULT opened = waveOutOpen(&out.wave_out, WAVE_MAPPER, &wave_format, 0, 0, CALLBACK_NULL);
  if (opened != MMSYSERR_NOERROR) {
    char text[128] = {};
    waveOutGetErrorTextA(opened, text, sizeof text);
    std::snprintf(why, static_cast<size_t>(why_size), "waveOutOpen: %s (%u)", text, static_cast<unsigned>(opened));
    out.wave_out = nullptr;
    return 0;
  }
  waveOutPrepareHeader(out.wave_out, &out.wave_header, sizeof(WAVEHDR));
  return 1;
}

void audio_play(AudioOut& out, uint32_t start_frame) {
  // Stopping marks the header done and starts the device's count from 0
  // again; at the very first start there is nothing to stop.
  if (out.submitted) waveOutReset(out.wave_out);
  if (header_start(out) != start_frame) {
    waveOutUnprepareHeader(out.wave_out, &out.wave_header, sizeof(WAVEHDR));
    header_aim(out, start_frame);
    waveOutPrepareHeader(out.wave_out, &out.wave_header, sizeof(WAVEHDR));
  }
  waveOutWrite(out.wave_out, &out.wave_header, sizeof(WAVEHDR));
  out.submitted = 1;
}

uint32_t audio_played(AudioOut& out) {
  // The device may answer in another format than samples; the count is taken
  // from the same member all the same (it is the byte count then).
  waveOutGetPosition(out.wave_out, &out.play_time, sizeof(MMTIME));
  return out.play_time.u.sample;
}

void audio_stop(AudioOut&) {
  // Stops any sound of the process. The device itself is neither reset nor
  // closed: it ends with the process, like the synthesizer thread.
  sndPlaySoundA(nullptr, 0);
}

}  // namespace host
