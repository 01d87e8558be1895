#include "host/sdl/stream_fill.hpp"

#include <cstring>

namespace host {

void stream_restart(StreamCursor& cursor, uint32_t start, uint64_t now_ns) {
  cursor.start = start;
  cursor.handed = 0;
  cursor.handed_before = 0;
  cursor.block_ns = now_ns;
}

uint32_t stream_fill(const AudioSource& source, StreamCursor& cursor, float* out, uint32_t frames, uint64_t now_ns) {
  cursor.handed_before = cursor.handed;
  cursor.block_ns = now_ns;

  const uint32_t position = cursor.start + cursor.handed;
  const uint32_t rest = position < source.frames ? source.frames - position : 0;
  const uint32_t taken = frames < rest ? frames : rest;

  // Samples below the published count are complete; nothing at or beyond it
  // is read, since the writer may be storing it right now.
  const uint32_t ready = source.frames_ready->load(std::memory_order_acquire);
  const uint32_t written_end = ready < position + taken ? ready : position + taken;
  const uint32_t copied = written_end > position ? written_end - position : 0;

  const int channels = kAudioChannels;
  std::memcpy(out, source.samples + static_cast<uint64_t>(position) * channels,
              static_cast<size_t>(copied) * channels * sizeof(float));
  std::memset(out + static_cast<size_t>(copied) * channels, 0,
              static_cast<size_t>(frames - copied) * channels * sizeof(float));

  cursor.handed += taken;
  return taken;
}

uint32_t stream_played(const StreamCursor& cursor, uint64_t now_ns) {
  const uint64_t elapsed_ns = now_ns > cursor.block_ns ? now_ns - cursor.block_ns : 0;
  const uint64_t elapsed = elapsed_ns / 1000000000u * kAudioRate + elapsed_ns % 1000000000u * kAudioRate / 1000000000u;
  const uint64_t estimate = cursor.handed_before + elapsed;
  return estimate < cursor.handed ? static_cast<uint32_t>(estimate) : cursor.handed;
}

}  // namespace host
