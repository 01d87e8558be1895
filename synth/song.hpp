// song.hpp - the song this program plays: its instruments and its arrangement.
//
// instruments.cpp holds the nine chains (eight instruments and the master
// chain) as tables of units, and turns them into the command and parameter
// byte streams at compile time. patterns.cpp holds the Patterns and the
// PatternLists. song_default() (synth.hpp) ties them together.
#pragma once

#include <array>
#include <cstdint>

#include "synth/synth.hpp"

namespace synth::song {

inline constexpr int kCommandBytes = 131;
inline constexpr int kParameterBytes = 394;
inline constexpr int kChains = kInstruments + 1;  // instruments 0..7, then the master chain

extern const std::array<uint8_t, kCommandBytes> kCommandStream;
extern const std::array<uint8_t, kParameterBytes> kParameterStream;
extern const uint8_t kPatterns[kPatternCount][kRowsPerPattern];
extern const uint8_t kPatternLists[kInstruments][kSlots];
// Delay lengths in samples. 0..7: master reverberator, left; 8..15: the same,
// 24 samples longer, right (and instrument 0's own reverberator); 16: three
// ticks plus one sample; 17: 1/3 s; 18: 1 s; 19: 512 (widening); 20: 1/2 s;
// 21: 1/4 s.
inline constexpr std::array<uint16_t, kDelayLengthCount> kDelayLengths = {
    1116, 1188, 1276, 1356, 1422, 1492, 1556, 1618,
    1140, 1212, 1300, 1380, 1446, 1516, 1580, 1642,
    16537, 14700, 44100, 512, 22050, 11025,
};

}  // namespace synth::song
