#include "tools/capture/args.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "synth/synth.hpp"

namespace capture {

int usage_fail(const char* usage, const std::string& why) {
  if (!why.empty()) std::fprintf(stderr, "intro-capture: %s\n", why.c_str());
  std::fprintf(stderr, "%s", usage);
  return 2;
}

bool parse_number(const std::string& text, double& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && errno == 0 && std::isfinite(value);
}

bool parse_integer(const std::string& text, long long& value) {
  if (text.empty()) return false;
  const size_t digits_from = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (digits_from == text.size()) return false;
  for (size_t i = digits_from; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end == text.c_str() + text.size();
}

std::string args_split(const Args& args, const std::vector<OptionSlot>& options,
                       std::vector<std::string>& positionals) {
  positionals.clear();
  for (const OptionSlot& o : options) *o.seen = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-') {
      positionals.push_back(a);
      continue;
    }
    const OptionSlot* slot = nullptr;
    for (const OptionSlot& o : options) {
      if (a == o.name) slot = &o;
    }
    if (slot == nullptr) return "unknown option '" + a + "'";
    if (*slot->seen) return a + " is given twice";
    if (i + 1 >= args.size()) return a + " needs a value";
    *slot->value = args[++i];
    *slot->seen = true;
  }
  return {};
}

std::string scale_parse(const std::string& text, double& scale) {
  if (!parse_number(text, scale) || !(scale > 0.0) || scale > 1.0)
    return "--scale wants a number greater than 0 and at most 1, not '" + text + "'";
  return {};
}

std::string seconds_to_sample(const std::string& option, const std::string& text, bool allow_end,
                              int32_t& sample) {
  const int32_t last = allow_end ? synth::kSongFrames : synth::kSongFrames - 1;
  char bound[96];
  std::snprintf(bound, sizeof bound, "from 0 to %.6f", static_cast<double>(last) / synth::kSampleRate);
  double seconds = 0;
  if (!parse_number(text, seconds) || seconds < 0)
    return option + " wants a time in seconds " + bound + ", not '" + text + "'";
  // Anything past the end is refused below; the bound keeps the rounding in range.
  const long long position = seconds < 1e9 ? std::llround(seconds * synth::kSampleRate) : synth::kSongFrames + 1LL;
  if (position > last) {
    char why[160];
    std::snprintf(why, sizeof why, " is past the end of the soundtrack (times run %s s)", bound);
    return option + " " + text + why;
  }
  sample = static_cast<int32_t>(position);
  return {};
}

}  // namespace capture
