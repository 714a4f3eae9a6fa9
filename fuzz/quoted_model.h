// A plain model of which parts of a text the conversions may change when
// quoted lines are spared: line breaks and quoted lines stay, every other
// line is converted on its own. Written apart from the engine on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::fuzz {

inline bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsTrail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
inline bool IsBreak(uint8_t b) { return b == '\r' || b == '\n'; }

// The marks as two sets; the value is cut at its first NUL and at 1023 bytes.
struct MarkModel {
  std::set<uint8_t> single;
  std::set<std::pair<uint8_t, uint8_t>> pairs;

  explicit MarkModel(std::string_view value) {
    if (value.size() > 1023) value = value.substr(0, 1023);
    if (const size_t nul = value.find('\0'); nul != std::string_view::npos) value = value.substr(0, nul);
    const auto at = [&](size_t i) { return i < value.size() ? static_cast<uint8_t>(value[i]) : uint8_t{0}; };
    for (size_t i = 0; i < value.size();) {
      if (IsLead(at(i)) && IsTrail(at(i + 1))) {
        pairs.emplace(at(i), at(i + 1));
        i += 2;
        continue;
      }
      const uint8_t b = at(i++);
      if (b != '\t' && b != '\n' && b != '\r' && b != ' ') single.insert(b);
    }
  }

  bool Marks(std::string_view text, size_t i) const {
    const auto at = [&](size_t k) { return k < text.size() ? static_cast<uint8_t>(text[k]) : uint8_t{0}; };
    if (IsLead(at(i)) && IsTrail(at(i + 1))) return pairs.count({at(i), at(i + 1)}) != 0;
    return single.count(at(i)) != 0;
  }
};

struct Segment {
  size_t begin;
  size_t end;
  bool converted;  // a line the conversion sees; false: passed through as is
};

// Cuts `text` (no NUL inside) into runs of line breaks, quoted lines and
// converted lines.
inline std::vector<Segment> SplitForConversion(std::string_view text, const MarkModel& marks) {
  std::vector<Segment> out;
  const auto at = [&](size_t k) { return k < text.size() ? static_cast<uint8_t>(text[k]) : uint8_t{0}; };
  size_t pos = 0;
  while (pos < text.size()) {
    if (IsBreak(at(pos))) {
      const size_t start = pos;
      while (IsBreak(at(pos))) ++pos;
      out.push_back({start, pos, false});
      continue;
    }
    size_t i = pos;
    for (;;) {
      if (at(i) == ' ' || at(i) == '\t') {
        ++i;
      } else if (at(i) == 0x81 && at(i + 1) == 0x40) {
        i += 2;
      } else {
        break;
      }
    }
    const bool quoted = i < text.size() && !IsBreak(at(i)) && marks.Marks(text, i);
    size_t end = pos;
    while (end < text.size() && !IsBreak(at(end))) ++end;
    out.push_back({pos, end, !quoted});
    pos = end;
  }
  return out;
}

}  // namespace qv::fuzz
