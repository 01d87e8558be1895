// platform.hpp - what the piece needs of a platform, and nothing more.
//
// The host logic (start-up order, main loop, program creation, frame, title,
// sound and seeking) is written once, over the functions declared here. Each
// backend implements all of them, in its own folder:
//
//   host/sdl/    Linux and other Unix systems: SDL2 window, GL context, audio.
//   host/win32/  Windows: WinMain, window class and procedure, WGL, wave-out.
//
// and defines the two records named below (its own state behind one name). The
// program's entry (main, WinMain) lives in the backend: it owns the static
// records and hands them to intro_main (host/intro.hpp).
//
// What it is for: a window with a 1920x1080 drawable and a current GL 4.3
// compatibility context, keyboard input turned into a few events, a window
// title, a modal message box, GL entry points by name, one detached thread, a
// short sleep, a monotonic clock, and a stereo float stream that plays a
// memory buffer from a chosen frame while the buffer is still being written.
// What it is not for: anything else a platform could do. No platform type
// appears here; nothing here allocates.
//
// Every function runs on the main thread (the one that called window_init),
// except thread_start's routine and the backend's own audio threads.
#pragma once

#include <atomic>
#include <cstdint>

namespace host {

// ---- Records each backend defines ---------------------------------------------

struct IntroWindow;  // the window, its GL context, and the input waiting to be read
struct AudioOut;     // the audio stream and whatever the device needs of us

// ---- Window and GL context ------------------------------------------------------

inline constexpr int kDrawableWidth = 1920;
inline constexpr int kDrawableHeight = 1080;

// Opens the window, titled "Intro", with a kDrawableWidth x kDrawableHeight
// drawable, visible, and makes a GL compatibility context of version 4.3 or
// later current on the calling thread, with the viewport over the drawable.
// Returns 1, or 0 on any failure, leaving in the record what was made so far.
int window_init(IntroWindow& window);

// Releases the context, the window and the rest of what window_init made, as
// far as it exists. Runs once, also after a failed window_init.
void window_end(IntroWindow& window);

// What the user asked for, as the main loop sees it.
enum class InputKind : int {
  kQuit = 1,    // Escape, or the window asked to close
  kSeek = 2,    // one second back (direction -1) or forward (+1)
  kResize = 3,  // the drawable is now width x height
};

struct InputEvent {
  InputKind kind;
  int direction;  // kSeek: -1 or +1
  int width;      // kResize: the drawable in pixels
  int height;
};

// Takes the next pending event without waiting. Returns 1 with *event filled,
// or 0 when nothing is pending. Seeks come from the Left and Right keys (each
// auto-repeat too) and from the typed characters '%' (back) and '\'' (forward).
int window_poll(IntroWindow& window, InputEvent& event);

// 1 while Escape is held down (or was pressed since the last call, where the
// platform can tell), else 0. The main loop asks after every frame.
int window_escape_down(IntroWindow& window);

// Presents the frame drawn into the back buffer.
void window_swap(IntroWindow& window);

// Replaces the window title.
void window_title_set(IntroWindow& window, const char* text);

// A GL entry point of the current context, by name; null when it has none.
void* gl_proc(const char* name);

// ---- System ---------------------------------------------------------------------

// Shows a modal warning box with one OK button and returns when it is dismissed.
// Works with or without a window (start-up failures show it after window_end).
void message_box(const char* text, const char* caption);

// Starts routine(argument) on a new thread at once. The thread is never joined:
// it ends with its routine or with the process. Returns 1, or 0 if it could not start.
int thread_start(void (*routine)(void*), void* argument);

// Sleeps about `milliseconds`.
void sleep_ms(int milliseconds);

// A monotonic clock in nanoseconds from an arbitrary origin.
uint64_t clock_ns();

// ---- Audio ----------------------------------------------------------------------

inline constexpr int kAudioRate = 44100;  // frames per second
inline constexpr int kAudioChannels = 2;  // interleaved float32, left then right

// The memory an AudioOut plays: `frames` frames of interleaved stereo float32
// at `samples`, of which the first `*frames_ready` are written. The writer
// publishes frames_ready with release order; a backend whose own code reads
// the samples loads it with acquire order first and plays frames at or beyond
// it as silence. (A device that reads the memory itself plays what is there,
// which is still zero where nothing was written.)
struct AudioSource {
  const float* samples;
  uint32_t frames;
  const std::atomic<uint32_t>* frames_ready;
};

// Opens the default output device for 2-channel float32 at kAudioRate and
// binds it to `source`; it stays silent until audio_play. Returns 1, or 0 with
// a one-line reason in why[0..why_size) when there is no usable device.
int audio_open(AudioOut& out, const AudioSource& source, char* why, int why_size);

// Stops whatever plays and plays the source from `start_frame` (less than
// source.frames) to its end; the played count starts again from 0. Reaching
// the end leaves the stream idle with its count at the length played.
void audio_play(AudioOut& out, uint32_t start_frame);

// Frames played since the last audio_play, as far as the device can tell:
// never more than were handed to it, never more than the rest of the source.
uint32_t audio_played(AudioOut& out);

// Stops the sound for good (at exit).
void audio_stop(AudioOut& out);

}  // namespace host
