// synth.hpp - the soundtrack synthesizer: data model and entry points.
//
// A stack-based modular synthesizer that renders one fixed song, frame by
// frame, into a SoundBuffer. Eight instruments of two voices each and a
// master chain are chains of units given as opcode bytes (the command stream)
// and parameter bytes (the parameter stream); a sequencer applies one Pattern
// row per instrument at the first frame of every tick.
//
// What it is for: computing the piece's soundtrack exactly, the same bits on
// every machine. Arithmetic within a sample is carried in double precision;
// every value that is stored (unit state, output pairs, delay samples, the
// SoundBuffer) is rounded to float32. Nothing is approximated, nothing flushes
// subnormals, and the library must be built without fast-math or FMA
// contraction.
//
// What it is not for: live playing, or songs beyond its limits (32 units a
// chain, 8 stack values, 54 delay records). A song's chains are checked once,
// when they are compiled (synth_reset refuses a malformed one); after that
// nothing is validated while rendering.
//
// State is passed explicitly: all mutable state lives in one SynthWorkspace
// (voices, master record, delay memory, noise generator) that the caller
// owns. The piece binds one static instance; tests and tools make their own.
// No function here allocates, locks or touches a global.
#pragma once

#include <atomic>
#include <cstdint>

namespace synth {

// ---- Song constants ---------------------------------------------------------

inline constexpr int kSampleRate = 44100;
inline constexpr int kChannels = 2;
inline constexpr int kInstruments = 8;
inline constexpr int kVoicesPerInstrument = 2;
inline constexpr int kVoices = kInstruments * kVoicesPerInstrument;
inline constexpr int kRowsPerPattern = 16;
inline constexpr int kSlots = 54;
inline constexpr int kTicks = kSlots * kRowsPerPattern;          // 864
inline constexpr int kFramesPerTick = 5512;
inline constexpr int kSongFrames = kTicks * kFramesPerTick;      // 4,762,368
inline constexpr int kSoundBufferValues = kSongFrames * kChannels;
inline constexpr int kPatternCount = 64;
inline constexpr int kUnitsPerChain = 32;
inline constexpr int kDelayLengthCount = 22;
inline constexpr int kDelayLineSamples = 65536;
inline constexpr int kStackSize = 8;

// Delay records: the song runs 52 lines per frame and the DC blocker of the
// last Delay unit keeps its state in the record after the last line, so 53
// are touched. One more is kept as a margin.
inline constexpr int kDelayRecords = 54;

// ---- Opcodes and note codes -------------------------------------------------

enum Opcode : uint8_t {
  kEndOfChain = 0,
  kEnvelope = 1,
  kOscillator = 2,
  kFilter = 3,
  kDistortion = 4,
  kDelay = 5,
  kArithmetic = 6,
  kStore = 7,
  kPan = 8,
  kOutput = 9,
  kAccumulate = 10,
  kSkip = 11,
};
inline constexpr int kOpcodeCount = 12;

// Parameter bytes per opcode.
inline constexpr uint8_t kParamCount[kOpcodeCount] = {0, 5, 7, 3, 1, 6, 1, 2, 0, 2, 1, 0};

inline constexpr uint8_t kNoteRelease = 0;  // and every code 128..255
inline constexpr uint8_t kNoteHold = 1;

enum EnvelopeStage : int32_t {
  Attack = 0,
  Decay = 1,
  Sustain = 2,
  Release = 3,
  Finished = 4,
};

// Oscillator flags.
enum OscillatorFlag : uint8_t {
  kSine = 0x01,
  kTrisaw = 0x02,
  kPulse = 0x04,
  kNoise = 0x08,
  kLfo = 0x10,
  kGate = 0x20,
};

// Filter modes.
enum FilterMode : uint8_t { kLowpass = 0x01, kHighpass = 0x02 };

// Arithmetic operations (raw parameter byte).
enum ArithmeticOp : uint8_t {
  kPop = 1,
  kAddPop = 2,
  kMulPop = 3,
  kDup = 4,
  kSwap = 5,
  kAdd = 6,
  kMul = 7,
  kAddPair = 8,
};

// ---- Shared constants ---------------------------------------------------------

// The numbers the units share. Each decimal identifies its float32 exactly.
inline constexpr float kParamScale = 0.0078125f;            // 1/128
inline constexpr int32_t kNoiseDivisor = INT32_MIN;         // -2^31
inline constexpr float kHalf = 0.5f;
inline constexpr float kGateSteps = 16.0f;
inline constexpr float kPole = 0.99609375f;                 // 255/256
inline constexpr uint32_t kNoiseSeed = 1;
inline constexpr uint32_t kNoiseMultiplier = 16007;
inline constexpr int32_t kRateExponent = 24;
inline constexpr float kTwelfth = 0.0833333284f;            // one step below float(1/12)
inline constexpr float kPitchBase = 9.26961366e-05f;        // cycles per frame at pitch 0
inline constexpr float kLfoBase = 4.53514986e-05f;          // the same for LFOs (2 Hz)

// ---- Song -------------------------------------------------------------------

struct ChainProgram;
struct SynthWorkspace;
struct VoiceState;
struct Pow2Memo;
struct DelayLine;

// A chain's frame with its program built into the code (fixed_chain.hpp).
using FixedChainRun = void (*)(SynthWorkspace& ws, const ChainProgram& live, VoiceState& voice, Pow2Memo* memo_row,
                               DelayLine* lines);

// The read-only tables one song consists of.
struct Song {
  const uint8_t* commands;               // chains of opcodes, each closed by 0; instruments 0..7, then master
  const uint8_t* parameters;             // every unit's parameter bytes, in command order
  const uint8_t (*patterns)[kRowsPerPattern];  // kPatternCount patterns of 16 note codes
  const uint8_t (*pattern_lists)[kSlots];      // one list of pattern indices per instrument
  const uint16_t* delay_lengths;         // kDelayLengthCount lengths in samples
  // Optional: for a song known at build time, its nine chains compiled then
  // and a runner for each. synth_reset uses them only if they match what it
  // compiles from the bytes above.
  const ChainProgram* fixed_programs;
  const FixedChainRun* fixed_runs;
};

// ---- State records ------------------------------------------------------------

// Eight 32-bit words of one unit of one voice. Words are float32, except the
// Envelope's stage in word 0, which holds an int32 (see stage_get/stage_set).
struct UnitState {
  float word[8];
};

struct VoiceState {
  int32_t release_count;    // events other than hold since the voice was last triggered
  int32_t note;             // 2..127 while a note is set, 0 once cleared; master holds 8
  UnitState units[kUnitsPerChain];
  float aux_out[2];         // effects send, left then right
  float main_out[2];        // main output, left then right
};

struct DelayLine {
  int32_t position;         // index read and then overwritten next
  float damp_state;         // feedback low-pass of this line
  float dc_in;              // DC blocker of the Delay unit whose last line lies just before
  float dc_out;
  float samples[kDelayLineSamples];
};

// One unit of a compiled chain: its opcode, its parameter bytes raw and
// decoded, the stack depth it starts at, and what follows from its parameters
// alone. See chain_compile (chain_compile.hpp).
struct UnitOp {
  uint8_t opcode;
  uint8_t position;         // its place in the chain: the voice's units[position] is its state
  uint8_t depth;            // values on the stack when the unit starts
  uint8_t line_offset;      // Delay: lines that earlier Delay units of the chain take before it
  uint8_t raw[7];           // its parameter bytes, in stream order
  double param[7];          // the same, decoded: byte / 128
  double step[4];           // Envelope: the ramp step per stage (Attack, Decay, -, Release)
  const uint16_t* lengths;  // Delay: the lengths of its lines
};

// Units that do nothing at run time once stack positions are resolved (Skip,
// and Arithmetic's pop) are left out of `ops`; `units` counts them all.
struct ChainProgram {
  UnitOp ops[kUnitsPerChain];
  int32_t count;            // entries of ops
  int32_t units;            // units in the chain
  int32_t max_depth;        // the most values it holds on the stack at once
  int32_t end_depth;        // values it leaves on the stack (0 in a well-formed song)
  int32_t parameter_bytes;  // parameter bytes its units take
  int32_t line_count;       // delay lines its Delay units take per run
};

// A memoised power of two for one unit of one voice: the last argument and
// its result. Zero (the initial state) means empty, since 2^x is never 0 for
// the arguments the units pass.
struct Pow2Memo {
  double x;
  double y;
};

// The last sine an Oscillator computed: its angle's bits and its value. The
// zero state holds sin(+0) = +0, a true entry.
struct SineMemo {
  uint64_t angle_bits;
  double value;
};

// All mutable synthesizer state. Zero-initialised storage plus synth_reset()
// gives the state in which the song starts.
struct SynthWorkspace {
  const Song* song;
  ChainProgram chains[kInstruments + 1];  // instruments 0..7, then the master chain
  int32_t voice_toggle[kInstruments];
  VoiceState voices[kVoices];
  VoiceState master;
  uint32_t noise_state;     // shared by every Noise oscillator, advanced in execution order
  uint32_t next_frame;      // the frame synth_render_frames computes next
  bool fixed;               // run the song's fixed chain runners
  DelayLine* delay_cursor;  // the next record to hand out in this frame
  Pow2Memo pow2_memo[kVoices + 1][kUnitsPerChain];  // caches only: never change a result
  SineMemo sine_memo;
  DelayLine delay_lines[kDelayRecords];
};

// The soundtrack: interleaved stereo float32, frame f at values 2f and 2f + 1.
// The synthesizer writes it front to back, each value once, and publishes how
// many frames are complete in frames_written (release); readers on other
// threads load that count (acquire) before reading samples below it. A frame
// not yet written reads as its initial zero.
struct SoundBuffer {
  float samples[kSoundBufferValues];
  std::atomic<uint32_t> frames_written;
};

// ---- Entry points -------------------------------------------------------------

// Puts the workspace into the song's starting state: everything zero, the
// noise generator at its seed, the song's chains compiled. Returns false, with
// a reason in *error if given, when a chain is malformed; the workspace must
// not be rendered then.
bool synth_reset(SynthWorkspace& ws, const Song& song, const char** error = nullptr);

// Renders the whole song from frame 0 into out, publishing progress after each
// frame. The render thread's entry. Expects a freshly reset workspace and a
// buffer whose frames_written is 0.
void synth_render(SynthWorkspace& ws, SoundBuffer& out);

// Renders the next `count` frames (clipped to the song's end) into out,
// continuing where the previous call stopped. synth_render is this for all
// frames; tools use it to show progress.
void synth_render_frames(SynthWorkspace& ws, SoundBuffer& out, uint32_t count);

// Applies instrument i's row for tick t: hold, release or note.
void note_trigger(SynthWorkspace& ws, int instrument, int tick);

// The clamp applied to every value written: [-1, 1], NaN becomes +1.
float clamp_sample(float x);

// The song this program plays.
const Song& song_default();

}  // namespace synth
