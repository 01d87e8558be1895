// patterns.cpp - the song's arrangement: the Patterns and each instrument's
// PatternList.
//
// Row codes: 0 releases the instrument's voices, 1 holds whatever sounds,
// 2..127 start that note (81 is A at 440 Hz). A slot of 16 ticks lasts about
// two seconds.
#include "synth/song.hpp"

namespace synth::song {

// Placeholder material for the composed patterns, until they are written.
#define PLACEHOLDER(code) {code, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}

const uint8_t kPatterns[kPatternCount][kRowsPerPattern] = {
    /*  0 silence        */ {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    /*  1 entry mid-slot */ {0, 0, 0, 0, 0, 0, 0, 0, 36, 1, 1, 1, 1, 1, 1, 1},
    /*  2 hold           */ {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
    /*  3 */ PLACEHOLDER(41),
    /*  4 */ PLACEHOLDER(38),
    /*  5 */ PLACEHOLDER(39),
    /*  6 */ PLACEHOLDER(43),
    /*  7 */ PLACEHOLDER(36),
    /*  8 */ PLACEHOLDER(60),
    /*  9 */ PLACEHOLDER(36),
    /* 10 */ PLACEHOLDER(41),
    /* 11 */ PLACEHOLDER(45),
    /* 12 */ PLACEHOLDER(48),
    /* 13 */ PLACEHOLDER(53),
    /* 14 arpeggio F7    */ {36, 39, 41, 45, 48, 51, 53, 57, 0, 0, 0, 0, 0, 0, 0, 0},
    /* 15 pulse on F     */ {53, 0, 53, 0, 53, 0, 53, 0, 53, 0, 53, 0, 53, 0, 53, 0},
    /* 16 */ PLACEHOLDER(52),
    /* 17 */ PLACEHOLDER(55),
    /* 18 */ PLACEHOLDER(51),
    /* 19 */ PLACEHOLDER(57),
    /* 20 kick           */ {57, 0, 0, 0, 0, 0, 57, 0, 57, 0, 0, 0, 0, 0, 0, 0},
    /* 21 */ PLACEHOLDER(57),
    /* 22 */ PLACEHOLDER(57),
    /* 23 */ PLACEHOLDER(57),
    /* 24 */ PLACEHOLDER(57),
    /* 25 */ PLACEHOLDER(57),
    /* 26 */ PLACEHOLDER(57),
    /* 27 */ PLACEHOLDER(62),
    /* 28 */ PLACEHOLDER(64),
    /* 29 */ PLACEHOLDER(65),
    /* 30 */ PLACEHOLDER(67),
    /* 31 */ PLACEHOLDER(69),
    /* 32 */ PLACEHOLDER(72),
    /* 33 */ PLACEHOLDER(74),
    /* 34 */ PLACEHOLDER(77),
    /* 35 */ PLACEHOLDER(81),
    /* 36 */ PLACEHOLDER(84),
    /* 37 hi-hat         */ {60, 60, 1, 60, 60, 1, 60, 60, 1, 60, 1, 1, 60, 60, 1, 60},
    /* 38 backbeat entry */ {0, 0, 0, 0, 60, 1, 1, 1, 1, 1, 1, 1, 60, 1, 1, 1},
    /* 39 backbeat       */ {1, 1, 1, 1, 60, 1, 1, 1, 1, 1, 1, 1, 60, 1, 1, 1},
    // 40..63 are unused and silent (all zero: release).
};

#undef PLACEHOLDER

// One row per instrument, slots grouped by four (the song's phrases).
const uint8_t kPatternLists[kInstruments][kSlots] = {
    /* 0 pad     */ {0, 0, 0, 0,  0, 1, 2, 2,  3, 2, 4, 5,  3, 6, 4, 5,  3, 2, 4, 5,  3, 2, 4, 5,  3, 2, 4, 7,
                     3, 2, 4, 5,  3, 6, 4, 5,  3, 2, 4, 5,  3, 6, 4, 5,  3, 2, 4, 7,  3, 2, 4, 5,  3, 0},
    /* 1 pulses  */ {0, 0, 0, 0,  1, 2, 2, 2,  8, 2, 2, 2,  8, 2, 2, 2,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,
                     9, 2, 2, 2,  8, 2, 2, 2,  8, 2, 2, 2,  8, 2, 2, 2,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0},
    /* 2 bells   */ {10, 11, 12, 13,  0, 0, 0, 0,  0, 0, 0, 0,  0, 14, 0, 0,  0, 0, 0, 0,  15, 15, 16, 17,
                     15, 15, 16, 17,  15, 15, 16, 17,  15, 18, 16, 17,  15, 15, 16, 17,  15, 18, 16, 17,
                     15, 19, 16, 17,  15, 15, 16, 17,  0, 0},
    /* 3 kick    */ {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,
                     20, 21, 22, 23,  20, 24, 25, 26,  20, 21, 22, 23,  20, 24, 25, 26,  20, 21, 22, 23,
                     0, 0, 0, 0,  0, 0},
    /* 4 pulses  */ {0, 0, 0, 0,  0, 0, 0, 0,  27, 2, 28, 29,  30, 2, 28, 29,  30, 2, 28, 29,  0, 0, 0, 0,
                     0, 0, 0, 0,  27, 2, 28, 29,  30, 2, 28, 29,  30, 2, 28, 29,  30, 2, 28, 29,  0, 0, 0, 0,
                     0, 0, 0, 0,  0, 0},
    /* 5 bells   */ {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 31, 0, 0,  0, 0, 0, 0,  32, 32, 33, 34,
                     32, 32, 33, 34,  32, 32, 33, 34,  32, 35, 33, 34,  32, 32, 33, 34,  32, 35, 33, 34,
                     32, 36, 33, 34,  32, 32, 33, 34,  0, 0},
    /* 6 hi-hat  */ {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,
                     37, 37, 37, 37,  37, 37, 37, 37,  37, 37, 37, 37,  37, 37, 37, 37,  0, 0, 0, 0,
                     0, 0, 0, 0,  0, 0},
    /* 7 snare   */ {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,
                     38, 39, 39, 39,  39, 39, 39, 39,  39, 39, 39, 39,  39, 39, 39, 39,  39, 39, 39, 39,
                     0, 0, 0, 0,  0, 0},
};

}  // namespace synth::song
