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
// <GL/gl.h> on Windows expects these from <windows.h>; define just them.
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#else
#ifndef APIENTRY
#define APIENTRY
#endif
#endif

#include <GL/gl.h>

namespace gl {

// Looks up a GL entry point by name in the current context (wglGetProcAddress,
// eglGetProcAddress, SDL_GL_GetProcAddress, ...); null when there is none.
using GetProc = void* (*)(const char* name);

using GLchar_t = char;

inline constexpr GLenum kFragmentShader = 0x8B30;  // GL_FRAGMENT_SHADER
inline constexpr GLenum kLinkStatus = 0x8B82;      // GL_LINK_STATUS

// Entry points of GL 2.0 and later, in the platform's calling convention.
using CreateShaderProgramvFn = GLuint(APIENTRY*)(GLenum type, GLsizei count, const GLchar_t* const* strings);
using UseProgramFn = void(APIENTRY*)(GLuint program);
using GetProgramivFn = void(APIENTRY*)(GLuint program, GLenum name, GLint* value);
using GetProgramInfoLogFn = void(APIENTRY*)(GLuint program, GLsizei size, GLsizei* length, GLchar_t* log);
using GetShaderInfoLogFn = void(APIENTRY*)(GLuint shader, GLsizei size, GLsizei* length, GLchar_t* log);
using Uniform1iFn = void(APIENTRY*)(GLint location, GLint value);

// A looked-up pointer, as the function type the caller names.
template <typename Fn>
Fn gl_function(void* entry) {
  return reinterpret_cast<Fn>(entry);
}

}  // namespace gl
