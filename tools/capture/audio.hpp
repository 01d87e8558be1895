// audio.hpp - rendering the soundtrack for the capture tool.
#pragma once

#include <memory>
#include <string>

#include "synth/synth.hpp"

namespace capture {

// Renders the whole song into a fresh buffer. With `progress` set it shows
// frames done on stderr while it works.
std::unique_ptr<synth::SoundBuffer> soundtrack_render(bool progress);

// Renders the song's first `frames` frames (a second at a time, rounded up to
// whole seconds but never past the song's end). Stops early, with fewer frames
// written, once an interrupt arrives (interrupt.hpp): check frames_written.
std::unique_ptr<synth::SoundBuffer> soundtrack_render_to(uint32_t frames, bool progress);

// Writes frames [first, first + count) of the buffer as a 32-bit float stereo
// 44,100 Hz WAV file at `path` (complete or not at all). Returns false after
// printing a message naming the path.
bool wav_write(const std::string& path, const synth::SoundBuffer& sound, long first, long count);

// The same, into `file_path` itself (a temporary file the caller owns and
// removes); messages name `path`, the file the user asked for.
bool wav_write_file(const std::string& file_path, const std::string& path, const synth::SoundBuffer& sound,
                    long first, long count);

}  // namespace capture
