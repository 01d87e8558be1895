// scene_shader.hpp - the fragment program text that draws the piece.
//
// kSceneSource is scene.frag exactly as it is in the source tree, embedded at
// build time as one NUL-terminated string (first line "#version 430"). It is
// the only source string the program is created from.
//
// What it is for: handing the text to glCreateShaderProgramv.
// What it is not for: editing or patching at run time; the readable copy is
// shader/scene.frag and no other copy exists.
#pragma once

namespace shader {

extern const char kSceneSource[];

}  // namespace shader
