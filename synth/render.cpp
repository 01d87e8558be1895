// render.cpp - the render loop and the sequencer.
//
// Every frame runs every instrument's chain for both its voices and then the
// master chain, whether anything sounds or not; at the first frame of each
// tick the sequencer applies each instrument's Pattern row just before that
// instrument runs.
#include <cstring>

#include "synth/units.hpp"

namespace synth {

namespace {

// True if two compilations of a chain agree in everything that the runners
// read from the program itself (the Envelope steps come from `live`).
bool programs_match(const ChainProgram& live, const ChainProgram& fixed) {
  if (live.count != fixed.count || live.line_count != fixed.line_count || live.end_depth != fixed.end_depth)
    return false;
  for (int i = 0; i < live.count; ++i) {
    const UnitOp& a = live.ops[i];
    const UnitOp& b = fixed.ops[i];
    if (a.opcode != b.opcode || a.position != b.position || a.depth != b.depth || a.line_offset != b.line_offset)
      return false;
    for (int k = 0; k < 7; ++k)
      if (a.raw[k] != b.raw[k] || a.param[k] != b.param[k]) return false;
    if (a.opcode == kDelay)
      for (int j = 0; j < a.raw[5]; ++j)
        if (a.lengths[j] != b.lengths[j]) return false;
  }
  return true;
}

}  // namespace

bool synth_reset(SynthWorkspace& ws, const Song& song, const char** error) {
  std::memset(static_cast<void*>(&ws), 0, sizeof ws);
  ws.song = &song;
  ws.noise_state = kNoiseSeed;
  Cursors cursors{song.commands, song.parameters};
  for (ChainProgram& chain : ws.chains) {
    if (!chain_compile(song.delay_lengths, cursors, chain, error)) return false;
    chain_prepare(chain);
  }
  // Every voice's lines, then the master's, and one record more for the DC
  // blocker of the last Delay unit.
  int lines = ws.chains[kInstruments].line_count + 1;
  for (int i = 0; i < kInstruments; ++i) lines += kVoicesPerInstrument * ws.chains[i].line_count;
  if (lines > kDelayRecords) {
    if (error) *error = "the song needs more delay lines than the workspace holds";
    return false;
  }
  ws.fixed = song.fixed_programs && song.fixed_runs;
  for (int i = 0; ws.fixed && i <= kInstruments; ++i) ws.fixed = programs_match(ws.chains[i], song.fixed_programs[i]);
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
  VoiceState* pair = &ws.voices[2 * instrument];
  const ChainProgram& chain = ws.chains[instrument];
  for (int k = 0; k < kVoicesPerInstrument; ++k) {
    Pow2Memo* memo_row = ws.pow2_memo[2 * instrument + k];
    if (ws.fixed) {
      ws.song->fixed_runs[instrument](ws, chain, pair[k], memo_row, ws.delay_cursor);
      ws.delay_cursor += chain.line_count;
    } else {
      chain_run(ws, chain, pair[k], memo_row);
    }
    // The first unit is the voice's Envelope: once its release has reached
    // zero the voice's note is cleared, after every run, until a new note.
    if ((stage_get(pair[k].units[0]) & 0xFF) == Finished) pair[k].note = 0;
  }
}

void frame_render(SynthWorkspace& ws, float* out, int tick, bool first_of_tick) {
  ws.delay_cursor = ws.delay_lines;
  for (int i = 0; i < kInstruments; ++i) {
    if (first_of_tick) note_trigger(ws, i, tick);
    instrument_run(ws, i);
  }
  ws.master.note = kInstruments;
  if (ws.fixed) {
    ws.song->fixed_runs[kInstruments](ws, ws.chains[kInstruments], ws.master, ws.pow2_memo[kVoices], ws.delay_cursor);
    ws.delay_cursor += ws.chains[kInstruments].line_count;
  } else {
    chain_run(ws, ws.chains[kInstruments], ws.master, ws.pow2_memo[kVoices]);
  }
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
