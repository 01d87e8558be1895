// gl_test_context.hpp - the one headless GL context of a test program.
//
// Tests that draw share one 1920x1080 offscreen context (Mesa's software
// rasterizer where there is no GPU), opened on first use and kept for the life
// of the process: opening it costs more than most tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl/offscreen.hpp"

namespace gltest {

// The shared context, current on the calling thread; null (after recording a
// test failure with the reason) when none can be had.
gl::OffscreenContext* test_context();

// Looks a GL entry point up by name; records a failure and returns null if absent.
void* entry(const char* name);

// Reads the RGBA8 pixels of a window rectangle (origin bottom-left, as GL
// counts rows), bottom row first.
std::vector<uint8_t> read_rect(int x, int y, int width, int height);

// Discards any pending GL errors; returns the first one (0 for none).
unsigned drain_errors();

}  // namespace gltest
