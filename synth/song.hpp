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
extern const std::array<uint16_t, kDelayLengthCount> kDelayLengths;

}  // namespace synth::song
