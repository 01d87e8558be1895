// png_write.hpp - writing a picture as a PNG file, complete or not at all.
//
// What it is for: stills and contact sheets (8-bit RGB, libpng).
// What it is not for: reading PNG files, or alpha: every picture here is opaque.
#pragma once

#include <cstdint>
#include <string>

namespace capture {

// Writes top-row-first RGBA pixels (alpha ignored) as an 8-bit RGB PNG at
// `path`, under a temporary name renamed into place once complete. Returns
// false after printing a message naming the path.
bool png_write(const std::string& path, const uint8_t* rgba, int width, int height);

}  // namespace capture
