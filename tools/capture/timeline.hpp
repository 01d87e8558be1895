// timeline.hpp - the piece's segments and shots, read from the scene program itself.
//
// The picture is cut into segments, each showing one camera shot or nothing.
// The program text holds that table (segmentCount, segmentStart, segmentShot);
// rather than keep a second copy here that could drift from it, the tool
// compiles the program with a small entry point of its own that writes the
// table's values, bit for bit, into pixels of a tiny framebuffer and reads them
// back. Whatever the program says is what the contact sheet shows.
//
// What it is for: choosing frames by segment (the contact sheet).
// What it is not for: the camera data of each shot, or anything per pixel: the
// per-pixel time jitter spreads every cut over 0.04 s, and this table gives the
// nominal start of each segment.
#pragma once

#include <vector>

namespace capture {

struct Segment {
  int index;     // position in the program's table
  double start;  // seconds, the program's float value
  double end;    // seconds: the next segment's start, or the end of the soundtrack
  int shot;      // -1 where nothing is drawn
};

// Reads the table through a headless GL context of its own (opened and closed
// here). Returns false after printing why.
bool timeline_read(std::vector<Segment>& segments);

// The sample position in the middle of a segment, rounded down.
int timeline_middle_sample(const Segment& segment);

}  // namespace capture
