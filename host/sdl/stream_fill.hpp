// stream_fill.hpp - feeding a pull-style audio device from the growing SoundBuffer.
//
// A device that asks for blocks of frames (a callback) is handed the source
// from the current start onward. Frames the writer has not published yet are
// handed as silence: the reader loads the published count (acquire) once per
// block and never reads a sample at or beyond it. The end of the source is
// not counted: the rest of such a block is silence and the played count stops
// at the length played.
//
// The played count between blocks: a block is taken to start playing when the
// device asks for it, so the count is the frames handed before the latest
// block plus the real time since it was asked for, never more than the frames
// handed in all. That keeps the clock smooth between blocks and never ahead of
// the sound by more than one block.
//
// What it is for: the SDL backend's callback and its clock, as plain functions
// over plain records, so that tests check them without a device.
// What it is not for: devices that read the memory themselves (wave-out), or
// any locking: the caller serialises the callback and the readers.
#pragma once

#include <cstdint>

#include "host/platform.hpp"

namespace host {

struct StreamCursor {
  uint32_t start;         // the source frame the current playback began at
  uint32_t handed;        // frames handed to the device since then (the end not counted)
  uint32_t handed_before; // the same, before the latest block
  uint64_t block_ns;      // when the latest block was asked for (or playback began)
};

// Restarts playback at `start` at time now_ns.
void stream_restart(StreamCursor& cursor, uint32_t start, uint64_t now_ns);

// Fills `out` with `frames` interleaved stereo frames of the source from the
// cursor on, at time now_ns. Returns the frames of the source handed (less
// than `frames` only at the end).
uint32_t stream_fill(const AudioSource& source, StreamCursor& cursor, float* out, uint32_t frames, uint64_t now_ns);

// The frames played since the restart, at time now_ns.
uint32_t stream_played(const StreamCursor& cursor, uint64_t now_ns);

}  // namespace host
