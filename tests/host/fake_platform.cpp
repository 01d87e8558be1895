#include "tests/host/fake_platform.hpp"

#include <cstdio>
#include <cstring>

#include "gl/gl_api.hpp"

namespace fake {

namespace {

World the_world;

void copy_log(const std::string& text, GLsizei size, GLsizei* length, char* out) {
  const size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  if (length != nullptr) *length = static_cast<GLsizei>(n);
}

GLuint APIENTRY create_shader_programv(GLenum, GLsizei, const char* const* strings) {
  the_world.log.push_back("gl create");
  the_world.created_from = strings[0];
  return 7;
}
void APIENTRY use_program(GLuint program) { the_world.log.push_back("gl use " + std::to_string(program)); }
void APIENTRY get_programiv(GLuint, GLenum, GLint* value) { *value = the_world.link_status; }
void APIENTRY get_program_info_log(GLuint, GLsizei size, GLsizei* length, char* log) {
  copy_log(the_world.program_log, size, length, log);
}
void APIENTRY get_shader_info_log(GLuint, GLsizei size, GLsizei* length, char* log) {
  copy_log(the_world.shader_log, size, length, log);
}
void APIENTRY uniform1i(GLint location, GLint value) {
  if (location == 0) the_world.uniforms.push_back(value);
  the_world.log.push_back("uniform " + std::to_string(value));
}
void APIENTRY unused_entry() {}

}  // namespace

World& world() { return the_world; }

void reset() { the_world = World{}; }

int log_index(const std::string& line) {
  for (size_t i = 0; i < the_world.log.size(); ++i) {
    if (the_world.log[i] == line) return static_cast<int>(i);
  }
  return -1;
}

int log_count(const std::string& prefix) {
  int n = 0;
  for (const std::string& line : the_world.log) n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

}  // namespace fake

namespace host {

using fake::the_world;

int window_init(IntroWindow&) {
  the_world.log.push_back("window_init");
  return the_world.window_init_result;
}

void window_end(IntroWindow&) { the_world.log.push_back("window_end"); }

int window_poll(IntroWindow&, InputEvent& event) {
  if (the_world.events.empty()) return 0;
  event = the_world.events.front();
  the_world.events.pop_front();
  return 1;
}

int window_escape_down(IntroWindow&) {
  return the_world.escape_after_frame >= 0 && the_world.frames >= the_world.escape_after_frame ? 1 : 0;
}

void window_swap(IntroWindow&) {
  the_world.frames += 1;
  the_world.log.push_back("swap");
  if (the_world.on_swap) the_world.on_swap(the_world, the_world.frames);
}

void window_title_set(IntroWindow&, const char* text) {
  the_world.titles.push_back(text);
  the_world.log.push_back(std::string("title ") + text);
}

void* gl_proc(const char* name) {
  if (the_world.missing_entry == name) return nullptr;
  struct Entry {
    const char* name;
    void* function;
  };
  const Entry entries[] = {
      {"glCreateShaderProgramv", reinterpret_cast<void*>(fake::create_shader_programv)},
      {"glUseProgram", reinterpret_cast<void*>(fake::use_program)},
      {"glGetProgramiv", reinterpret_cast<void*>(fake::get_programiv)},
      {"glGetProgramInfoLog", reinterpret_cast<void*>(fake::get_program_info_log)},
      {"glGetShaderInfoLog", reinterpret_cast<void*>(fake::get_shader_info_log)},
      {"glUniform1i", reinterpret_cast<void*>(fake::uniform1i)},
  };
  for (const Entry& e : entries) {
    if (std::strcmp(e.name, name) == 0) return e.function;
  }
  return reinterpret_cast<void*>(fake::unused_entry);  // present, never called
}

void message_box(const char* text, const char* caption) {
  the_world.log.push_back(std::string("box ") + caption + ": " + text);
}

int thread_start(void (*routine)(void*), void* argument) {
  // The routine is recorded, not run: rendering the song is the synthesizer's test.
  the_world.log.push_back("thread");
  the_world.thread_routine = routine;
  the_world.thread_argument = argument;
  return 1;
}

void sleep_ms(int milliseconds) { the_world.log.push_back("sleep " + std::to_string(milliseconds)); }

uint64_t clock_ns() { return the_world.now_ns; }

int audio_open(AudioOut&, const AudioSource& source, char* why, int why_size) {
  the_world.log.push_back("audio_open " + std::to_string(source.frames));
  if (!the_world.audio_open_result) {
    std::snprintf(why, static_cast<size_t>(why_size), "%s", the_world.audio_why.c_str());
    return 0;
  }
  return 1;
}

void audio_play(AudioOut&, uint32_t start_frame) {
  the_world.plays.push_back(start_frame);
  the_world.played = 0;  // the device's count starts again
  the_world.log.push_back("audio_play " + std::to_string(start_frame));
}

uint32_t audio_played(AudioOut&) { return the_world.played; }

void audio_stop(AudioOut&) { the_world.log.push_back("audio_stop"); }

}  // namespace host
