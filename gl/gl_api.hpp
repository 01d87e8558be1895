// gl_api.hpp - the OpenGL types and entry-point conventions the piece uses.
//
// Includes <GL/gl.h> (the GL 1.1 base library: types, glClear, glRects, ...)
// without pulling in any platform header, and declares what the base library
// lacks: the calling convention of entry points looked up by name, the loader
// function type, and the few enum values of later GL versions that the piece
// needs. Nothing here depends on glext.h, so the same code builds for Linux and
// for 32- and 64-bit Windows.
//
// What it is not for: a general GL loader. Only what the scene program needs.
#pragma once

#if defined(_WIN32)
// <GL/gl.h> on Windows expects these two from <windows.h>; lend them for the
// include only, so a later <windows.h> defines them its own way without clashing.
#ifndef APIENTRY
#define APIENTRY __stdcall
#define INTRO_GL_LENT_APIENTRY
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#define INTRO_GL_LENT_WINGDIAPI
#endif
#endif

#include <GL/gl.h>

#ifdef INTRO_GL_LENT_APIENTRY
#undef APIENTRY
#undef INTRO_GL_LENT_APIENTRY
#endif
#ifdef INTRO_GL_LENT_WINGDIAPI
#undef WINGDIAPI
#undef INTRO_GL_LENT_WINGDIAPI
#endif

// The calling convention of GL entry points looked up by name (APIENTRY).
#if defined(_WIN32)
#define INTRO_GL_CALL __stdcall
#else
#define INTRO_GL_CALL
#endif

namespace gl {

// Looks up a GL entry point by name in the current context (wglGetProcAddress,
// eglGetProcAddress, SDL_GL_GetProcAddress, ...); null when there is none.
using GetProc = void* (*)(const char* name);

using GLchar_t = char;

inline constexpr GLenum kFragmentShader = 0x8B30;  // GL_FRAGMENT_SHADER
inline constexpr GLenum kLinkStatus = 0x8B82;      // GL_LINK_STATUS

// Entry points of GL 2.0 and later, in the platform's calling convention.
using CreateShaderProgramvFn = GLuint(INTRO_GL_CALL*)(GLenum type, GLsizei count, const GLchar_t* const* strings);
using UseProgramFn = void(INTRO_GL_CALL*)(GLuint program);
using GetProgramivFn = void(INTRO_GL_CALL*)(GLuint program, GLenum name, GLint* value);
using GetProgramInfoLogFn = void(INTRO_GL_CALL*)(GLuint program, GLsizei size, GLsizei* length, GLchar_t* log);
using GetShaderInfoLogFn = void(INTRO_GL_CALL*)(GLuint shader, GLsizei size, GLsizei* length, GLchar_t* log);
using Uniform1iFn = void(INTRO_GL_CALL*)(GLint location, GLint value);

// A looked-up pointer, as the function type the caller names.
template <typename Fn>
Fn gl_function(void* entry) {
  return reinterpret_cast<Fn>(entry);
}

}  // namespace gl
