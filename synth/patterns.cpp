// patterns.cpp - the song's arrangement: the Patterns and each instrument's
// PatternList.
//
// Row codes: 0 releases the instrument's voices, 1 holds whatever sounds,
// 2..127 start that note (81 is A at 440 Hz). A slot of 16 ticks lasts about
// two seconds.
#include "synth/song.hpp"

namespace synth::song {

// Harmonic plan. The song sits in F with a flattened seventh, one chord per
// slot (one 4/4 bar of sixteenths), four slots to a phrase:
//
//     | F | F  (or F7, the bass stepping down to E-flat) | Dm7 | C |
//
// so the bass falls F - E-flat - D - C and the C chord turns back to F.
// Slots 0-3 state the same phrase on the bells alone (F, F7, Dm7 without its
// root, C); slots 4-7 hold a C pedal before the first full phrase. The pulse
// pad (instrument 1) is a C pedal throughout, the fifth of F, the seventh of
// Dm7, the root of C; the second pulse pad (instrument 4) sings F - D - E/G,
// changing a sixteenth after the bar line. Both bell parts keep to the slot's
// chord: instrument 2 pulses F, then A/F, then G/E, its E leading back to F;
// instrument 5 answers with a syncopated line on the same chord tones. Slot
// 13 runs F7 up the low bells and down the high ones at once; slot 45, the
// climax before the drums stop, runs F7 in sixteenths on both, in contrary
// motion.
//
// The kick keeps off the backbeat (rows 4 and 12) and answers the hi-hat:
// beats 1, the "and" of 2 and 3 in the busy phrase, half time in the answering
// phrase, a pickup into its next downbeat.

const uint8_t kPatterns[kPatternCount][kRowsPerPattern] = {
    //                          0   1   2   3   4   5   6   7   8   9  10  11  12  13  14  15
    /*  0 silence           */ { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},
    /*  1 entry mid-slot    */ { 0,  0,  0,  0,  0,  0,  0,  0, 36,  1,  1,  1,  1,  1,  1,  1},
    /*  2 hold              */ { 1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    // Instrument 0, bass.
    /*  3 bass F            */ {41,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    /*  4 bass Dm7          */ {38,  1,  1,  1,  1,  1, 50,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    /*  5 bass C            */ {36,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    /*  6 bass F7 walk      */ {29,  1,  1,  1,  1,  1, 41,  1, 45,  1,  1,  1, 39,  1,  1,  1},
    /*  7 bass C turnaround */ {36,  1,  1,  1,  1,  1, 43,  1, 45,  1,  1,  1, 43,  1,  1,  1},
    // Instrument 1, pulse pad: a C pedal.
    /*  8 pad C             */ { 1, 60,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    /*  9 pad low C entry   */ { 0, 36,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    // Instrument 2, low bells. 10-13: the opening, alone, in quarter notes.
    /* 10 bells F           */ {41,  1,  1,  1, 45,  1,  1,  1, 48,  1,  1,  1, 53,  1,  1,  1},
    /* 11 bells F7          */ {51,  1,  1,  1, 48,  1,  1,  1, 45,  1,  1,  1, 41,  1,  1,  1},
    /* 12 bells Dm7         */ {45,  1,  1,  1, 48,  1,  1,  1, 53,  1,  1,  1, 57,  1,  1,  1},
    /* 13 bells C           */ {48,  1,  1,  1, 52,  1,  1,  1, 55,  1,  1,  1, 52,  1,  1,  1},
    /* 14 arpeggio F7       */ {36, 39, 41, 45, 48, 51, 53, 57,  0,  0,  0,  0,  0,  0,  0,  0},
    /* 15 pulse on F        */ {53,  0, 53,  0, 53,  0, 53,  0, 53,  0, 53,  0, 53,  0, 53,  0},
    /* 16 pulse Dm7         */ {57,  0, 53,  0, 57,  0, 53,  0, 57,  0, 53,  0, 48,  0, 53,  0},
    /* 17 pulse C           */ {55,  0, 52,  0, 55,  0, 52,  0, 55,  0, 52,  0, 48,  0, 52,  0},
    /* 18 half time F7      */ {53,  0,  0,  0, 53,  0,  0,  0, 51,  0,  0,  0, 51,  0,  0,  0},
    /* 19 run F7            */ {41, 45, 48, 51, 53, 57, 53, 51, 48, 45, 41, 45, 48, 51, 53, 57},
    // Instrument 3, kick. 20-23 the busy phrase, 24-26 the half-time answer.
    /* 20 kick              */ {57,  0,  0,  0,  0,  0, 57,  0, 57,  0,  0,  0,  0,  0,  0,  0},
    /* 21 kick              */ {57,  0,  0,  0,  0,  0, 57,  0,  0,  0, 57,  0,  0,  0,  0,  0},
    /* 22 kick              */ {57,  0,  0,  0,  0,  0,  0,  0, 57,  0, 57,  0,  0,  0,  0,  0},
    /* 23 kick fill         */ {57,  0,  0,  0,  0,  0, 57,  0, 57,  0, 57,  0,  0,  0,  0,  0},
    /* 24 kick half time    */ {57,  0,  0,  0,  0,  0,  0,  0, 57,  0,  0,  0,  0,  0,  0,  0},
    /* 25 kick half time    */ {57,  0,  0,  0,  0,  0,  0,  0,  0,  0, 57,  0,  0,  0,  0,  0},
    /* 26 kick pickup       */ {57,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 57,  0},
    // Instrument 4, second pulse pad.
    /* 27 pad F entry       */ { 0, 65,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    /* 28 pad D             */ { 1, 62,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    /* 29 pad E, G          */ { 1, 64,  1,  1,  1,  1,  1,  1,  1, 67,  1,  1,  1,  1,  1,  1},
    /* 30 pad F             */ { 1, 65,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1},
    // Instrument 5, high bells.
    /* 31 arpeggio F7 down  */ {84, 81, 77, 75, 72, 69, 65, 63,  0,  0,  0,  0,  0,  0,  0,  0},
    /* 32 line F            */ {65,  1,  1, 69,  1,  1, 72,  1, 77,  1,  1, 72,  1,  1, 69,  1},
    /* 33 line Dm7          */ {74,  1, 72, 69,  1, 65,  1, 62, 65,  1, 69, 72,  1, 74,  1, 77},
    /* 34 line C            */ {72,  1, 67, 64,  1, 67,  1, 72, 84,  1, 72, 67,  1, 72, 64,  1},
    /* 35 line F7           */ {65,  1,  1, 69,  1,  1, 72,  1, 75,  1,  1, 72,  1,  1, 69,  1},
    /* 36 run F7 down, up   */ {84, 81, 77, 75, 72, 69, 72, 75, 77, 81, 84, 81, 77, 75, 72, 69},
    // Instruments 6 and 7, hi-hat and backbeat.
    /* 37 hi-hat            */ {60, 60,  1, 60, 60,  1, 60, 60,  1, 60,  1,  1, 60, 60,  1, 60},
    /* 38 backbeat entry    */ { 0,  0,  0,  0, 60,  1,  1,  1,  1,  1,  1,  1, 60,  1,  1,  1},
    /* 39 backbeat          */ { 1,  1,  1,  1, 60,  1,  1,  1,  1,  1,  1,  1, 60,  1,  1,  1},
    // 40..63 are unused and silent (all zero: release).
};

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
