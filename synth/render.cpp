// render.cpp - the render loop and the sequencer.
//
// Every frame runs every instrument's chain for both its voices and then the
// master chain, whether anything sounds or not; at the first frame of each
// tick the sequencer applies each instrument's Pattern row just before that
// instrument runs.
#include <cstring>

#include "synth/units.hpp"

namespace synth {

bool synth_reset(SynthWorkspace& ws, const Song& song, const char** error) {
  std::memset(static_cast<void*>(&ws), 0, sizeof ws);
  ws.song = &song;
  ws.noise_state = kNoiseSeed;
  Cursors cursors{song.commands, song.parameters};
  for (ChainProgram& chain : ws.chains)
    if (!chain_compile(song, cursors, chain, error)) return false;
  return true;
}

float clamp_sample(float x) {
  if (x >= 1.0f || x != x) return 1.0f;
  if (x <= -1.0f) return -1.0f;
  return x;
}

void note_trigger(SynthWorkspace& ws, int instrument, int tick) {
  const Song& song = *ws.song;
  const uint8_t pattern = song.pattern_lists[instrument][tick / kRowsPerPattern];
  const uint8_t code = song.patterns[pattern][tick % kRowsPerPattern];
  if (code == kNoteHold) return;

  VoiceState* pair = &ws.voices[2 * instrument];
  ++pair[0].release_count;
  ++pair[1].release_count;
  if (static_cast<int8_t>(code) < 1) return;  // 0 and 128..255 release

  // A note: both voices were released above; the next voice in turn is
  // cleared and takes the note, cutting off whatever it still played.
  const int32_t v = ws.voice_toggle[instrument];
  ws.voice_toggle[instrument] = v ^ 1;
  VoiceState& voice = pair[v];
  voice.release_count = 0;
  voice.note = 0;
  std::memset(voice.units, 0, sizeof voice.units);
  voice.note = code;
}

namespace {

// Runs instrument i's chain over both its voices; a voice whose first unit
// (an Envelope) has finished its release loses its note.
void instrument_run(SynthWorkspace& ws, int instrument) {
  for (int k = 0; k < kVoicesPerInstrument; ++k) {
    const int index = 2 * instrument + k;
    VoiceState& voice = ws.voices[index];
    chain_run(ws, ws.chains[instrument], voice, ws.pow2_memo[index]);
    if ((stage_get(voice.units[0]) & 0xFF) == Finished) voice.note = 0;
  }
}

void frame_render(SynthWorkspace& ws, float* out, int tick, bool first_of_tick) {
  ws.delay_cursor = ws.delay_lines;
  for (int i = 0; i < kInstruments; ++i) {
    if (first_of_tick) note_trigger(ws, i, tick);
    instrument_run(ws, i);
  }
  ws.master.note = kInstruments;
  chain_run(ws, ws.chains[kInstruments], ws.master, ws.pow2_memo[kVoices]);
  out[0] = clamp_sample(ws.master.main_out[0]);
  out[1] = clamp_sample(ws.master.main_out[1]);
}

}  // namespace

void synth_render_frames(SynthWorkspace& ws, SoundBuffer& out, uint32_t count) {
  uint32_t frame = ws.next_frame;
  const uint32_t end = count < kSongFrames - frame ? frame + count : kSongFrames;
  for (; frame < end; ++frame) {
    const int tick = static_cast<int>(frame / kFramesPerTick);
    frame_render(ws, out.samples + 2 * frame, tick, frame % kFramesPerTick == 0);
    out.frames_written.store(frame + 1, std::memory_order_release);
  }
  ws.next_frame = frame;
}

void synth_render(SynthWorkspace& ws, SoundBuffer& out) { synth_render_frames(ws, out, kSongFrames); }

}  // namespace synth
