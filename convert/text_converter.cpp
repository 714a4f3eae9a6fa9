// The conversions as one character map: the lookup arrays the Shift_JIS
// loops build, read as Unicode characters, say what each character becomes
// in the target encoding, the kana case applied after; a half-width kana and
// the sound mark after it may become one character, and a kana and a
// combining sound mark after it convert as the composed kana. On whole lines
// of Shift_JIS the fast loops of convert.cpp give the same bytes.
#include "convert/text_converter.h"

#include <algorithm>
#include <cstring>

#include "convert/sjis.h"
#include "convert/tables.h"

namespace qv {
namespace {

constexpr uint32_t kIdeographicSpace = 0x3000;
constexpr uint32_t kHalfVoiced = 0xFF9E;      // ﾞ
constexpr uint32_t kHalfSemiVoiced = 0xFF9F;  // ﾟ
constexpr uint32_t kCombiningVoiced = 0x3099;
constexpr uint32_t kCombiningSemiVoiced = 0x309A;
constexpr uint32_t kBackslash = 0x005C;
constexpr uint32_t kFullBackslash = 0xFF3C;  // ＼
constexpr size_t kMarksLimit = 1023;         // bytes of quote marks the tool keeps

bool IsBreak(uint32_t code) { return code == '\r' || code == '\n'; }
bool IsBlank(uint32_t code) { return code == ' ' || code == '\t' || code == kIdeographicSpace; }
bool IsSoundMark(uint32_t code) {
  return code == kHalfVoiced || code == kHalfSemiVoiced || code == kCombiningVoiced || code == kCombiningSemiVoiced;
}

uint32_t SjisCode(uint8_t lead, uint8_t trail) {
  const uint8_t bytes[2] = {lead, trail};
  return DecodeSjis(bytes, bytes + 2).code;
}
uint32_t SjisCode(uint8_t byte) { return DecodeSjis(&byte, &byte + 1).code; }
uint32_t SjisPairCode(uint16_t pair) { return SjisCode(static_cast<uint8_t>(pair >> 8), static_cast<uint8_t>(pair)); }

// The trail byte of the kana that a full-width kana of trail byte `trail`
// becomes with `mark` (0xDE or 0xDF), as its join table entry `how` says
// (0xDE: takes ﾞ, '+': takes both); 0 when it takes no such mark.
uint8_t JoinedTrail(uint8_t trail, uint8_t how, uint8_t mark) {
  if (how != mark && how != '+') return 0;
  if (trail == 0x45) return 0x94;  // ウ and ﾞ: ヴ
  return static_cast<uint8_t>(trail + (mark == 0xDE ? 1 : 2));
}

// The kana of the other case: katakana ァ..ヶ and ヽヾ against hiragana
// ぁ..ゖ and ゝゞ; any other character as it is.
uint32_t OtherKana(uint32_t code, bool toHiragana) {
  if (toHiragana) {
    if ((code >= 0x30A1 && code <= 0x30F6) || code == 0x30FD || code == 0x30FE) return code - 0x60;
  } else if ((code >= 0x3041 && code <= 0x3096) || code == 0x309D || code == 0x309E) {
    return code + 0x60;
  }
  return code;
}

// Which sound mark starts at p (before end), as the index 0 (voiced) or 1
// (semi-voiced), -1 for none; `combining`: the combining marks, else the
// half-width ones too.
template <Encoding E>
int MarkAt(const uint8_t* p, const uint8_t* end, bool combiningOnly) {
  if constexpr (E == Encoding::kShiftJis) {
    return !combiningOnly && p < end && (p[0] == 0xDE || p[0] == 0xDF) ? p[0] - 0xDE : -1;
  } else {
    if (end - p < 3) return -1;
    if (p[0] == 0xE3 && p[1] == 0x82 && (p[2] == 0x99 || p[2] == 0x9A)) return p[2] - 0x99;
    if (!combiningOnly && p[0] == 0xEF && p[1] == 0xBE && (p[2] == 0x9E || p[2] == 0x9F)) return p[2] - 0x9E;
    return -1;
  }
}

template <Encoding E>
int MarkLength(const uint8_t* p) {
  return E == Encoding::kShiftJis || p[0] < 0x80 ? 1 : 3;
}

}  // namespace

TextConverter::TextConverter(const ConversionOptions& o, Encoding encoding, std::string_view marks,
                             std::string_view keep)
    : encoding_(encoding), skipQuoted_(o.ProcessQuotedLine == 0) {
  const auto decodeAll = [encoding](std::string_view text, std::vector<uint32_t>& codes) {
    const auto* t = reinterpret_cast<const uint8_t*>(text.data());
    for (const uint8_t* p = t; p < t + text.size();) {
      const Decoded d = Decode(encoding, p, t + text.size());
      p += d.length;
      codes.push_back(d.code);
    }
    std::sort(codes.begin(), codes.end());
  };
  std::vector<uint32_t> kept;
  decodeAll(keep, kept);
  const auto isKept = [&kept](uint32_t code) { return std::binary_search(kept.begin(), kept.end(), code); };
  const bool kanaCase = o.ToHiragana != 0 || o.ToKatakana != 0;
  // A character as the kana case leaves it, where the target encoding holds
  // the other kana.
  const auto cased = [&](uint32_t code) {
    const uint32_t other = kanaCase ? OtherKana(code, o.ToHiragana != 0) : code;
    uint8_t bytes[4];
    return other != code && Encodes(other, bytes) != 0 ? other : code;
  };
  const auto set = [&](uint32_t from, std::initializer_list<uint32_t> to) {
    Mapped* slot = Slot(from);
    if (slot == nullptr || isKept(from)) return;
    Mapped m;
    for (const uint32_t code : to) {
      const size_t n = Encodes(cased(code), m.bytes + m.length);
      if (n == 0) return;  // the target encoding cannot hold it: the character stays
      m.length = static_cast<uint8_t>(m.length + n);
    }
    *slot = m;
  };

  const WidthMaps maps(o);
  for (int lead = 0; lead < 3; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const uint8_t h = maps.half[lead][trail];
      const uint32_t from = SjisCode(static_cast<uint8_t>(0x81 + lead), static_cast<uint8_t>(trail));
      if (h == 0) continue;
      if (const uint8_t m = maps.mark[lead][trail]; m != 0) {
        set(from, {SjisCode(h), SjisCode(m)});
      } else {
        set(from, {SjisCode(h)});
      }
    }
  }
  for (int c = 1; c < 256; ++c) {
    // A lead byte is read as the start of a pair before any mapping.
    const auto byte = static_cast<uint8_t>(c);
    if (maps.full[c] != 0 && !sjis::IsLead(byte)) set(SjisCode(byte), {SjisPairCode(maps.full[c])});
  }
  // Shift_JIS has no backslash of its own (0x5C is the yen sign): in UTF-8
  // ＼ and the backslash are a pair like any other.
  if (maps.half[0][0x8F] != 0) set(kFullBackslash, {kBackslash});
  if (maps.full[0x5C] != 0) set(kBackslash, {kFullBackslash});

  // A half-width kana and the mark after it: one full-width kana.
  for (int c = 0xA1; c <= 0xDF && maps.joinLead != 0; ++c) {
    const auto lead = static_cast<uint8_t>(maps.full[c] >> 8);
    const auto trail = static_cast<uint8_t>(maps.full[c]);
    const uint32_t from = SjisCode(static_cast<uint8_t>(c));
    if (lead != maps.joinLead || isKept(from)) continue;
    for (const uint8_t m : {uint8_t{0xDE}, uint8_t{0xDF}}) {
      const uint8_t t = JoinedTrail(trail, maps.joinMap[trail], m);
      uint8_t* bytes = join_[m - 0xDE][from & 0xFF].bytes;
      const size_t n = t != 0 ? Encodes(cased(SjisCode(lead, t)), bytes) : 0;
      join_[m - 0xDE][from & 0xFF].length = static_cast<uint8_t>(n);
      joins_ = joins_ || n != 0;
    }
  }
  // A kana and a combining mark after it: as the composed kana converts to
  // half-width (a conversion of width only).
  for (const uint8_t lead : {uint8_t{0x82}, uint8_t{0x83}}) {
    uint8_t how[256] = {};
    BuildHalfMap(how, lead == 0x83 ? KatakanaJoinTable : HiraganaJoinTable);
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const uint32_t base = SjisCode(lead, static_cast<uint8_t>(trail));
      for (const uint8_t m : {uint8_t{0xDE}, uint8_t{0xDF}}) {
        const uint8_t t = JoinedTrail(static_cast<uint8_t>(trail), how[trail], m);
        const uint8_t h = t != 0 ? maps.half[lead - 0x81][t] : 0;
        if (h == 0 || isKept(base)) continue;
        Mapped& slot = compose_[m - 0xDE][base & 0xFF];
        slot.length = static_cast<uint8_t>(Encodes(SjisCode(h), slot.bytes));
        if (const uint8_t mark = maps.mark[lead - 0x81][t]; mark != 0) {
          slot.length = static_cast<uint8_t>(slot.length + Encodes(SjisCode(mark), slot.bytes + slot.length));
        }
        composes_ = true;
      }
    }
  }
  // Kana that no width conversion touched: the kana case alone.
  for (uint32_t code = 0x3041; kanaCase && code <= 0x30FE; ++code) {
    if (Slot(code)->length == 0 && cased(code) != code) set(code, {code});
  }
  halfMarkKept_[0] = isKept(kHalfVoiced);
  halfMarkKept_[1] = isKept(kHalfSemiVoiced);
  combiningKept_[0] = isKept(kCombiningVoiced);
  combiningKept_[1] = isKept(kCombiningSemiVoiced);

  // UTF-8 bytes that start no character the maps change: any byte but the
  // line ends, NUL, the mapped ASCII and the leads of the mapped pages.
  const auto pageMaps = [&](uint32_t first, uint32_t last) {
    for (uint32_t code = first; code <= last; ++code) {
      if (const Mapped* m = Lookup(code); m != nullptr && m->length != 0) return true;
    }
    return (first >> 8 == 0x30 && composes_) || (first >> 8 == 0xFF && joins_);
  };
  for (int b = 0; b < 256; ++b) plain_[b] = b >= 0x80 || (b != 0 && b != '\r' && b != '\n' && pages_[0].to[b].length == 0);
  plain_[0xC2] = plain_[0xC3] = !pageMaps(0x80, 0xFF);
  const uint8_t leads[3] = {0xE2, 0xE3, 0xEF};
  const uint32_t bases[3] = {0x2000, 0x3000, 0xF000};
  for (int l = 0; l < 3; ++l) {
    plain_[leads[l]] = false;
    for (int second = 0; second < 64; ++second) {
      const uint32_t first = bases[l] | static_cast<uint32_t>(second) << 6;
      plainAfter_[l][second] = !pageMaps(first, first + 63);
    }
  }

  marks = marks.substr(0, std::min({marks.find('\0'), marks.size(), kMarksLimit}));
  decodeAll(marks, marks_);
  marks_.erase(std::remove_if(marks_.begin(), marks_.end(),
                              [](uint32_t c) { return c == ' ' || c == '\t' || IsBreak(c); }),
               marks_.end());
}

const TextConverter::Mapped* TextConverter::Lookup(uint32_t code) const {
  switch (code >> 8) {
    case 0x00: return &pages_[0].to[code & 0xFF];
    case 0x20: return &pages_[1].to[code & 0xFF];
    case 0x30: return &pages_[2].to[code & 0xFF];
    case 0xFF: return &pages_[3].to[code & 0xFF];
    default: return nullptr;
  }
}

TextConverter::Mapped* TextConverter::Slot(uint32_t code) { return const_cast<Mapped*>(Lookup(code)); }

bool TextConverter::IsMark(uint32_t code) const { return std::binary_search(marks_.begin(), marks_.end(), code); }

size_t TextConverter::Encodes(uint32_t code, uint8_t* out) const {
  return encoding_ == Encoding::kUtf8 ? EncodeUtf8(code, out) : EncodeSjis(code, out);
}

template <Encoding E>
size_t TextConverter::Run(const uint8_t* in, size_t n, uint8_t* out, LinePosition& at) const {
  const uint8_t* p = in;
  const uint8_t* const end = in + n;
  uint8_t* q = out;
  // A whole entry is stored (the output has room past its end); only its
  // length counts.
  const auto put = [&q](const Mapped& m) {
    std::memcpy(q, m.bytes, sizeof m.bytes);
    q += m.length;
  };
  bool undecided = false;  // the piece ends inside the blanks that begin a line
  while (p < end) {
    if (skipQuoted_ && at == LinePosition::kLineStart) {
      while (p < end && (*p == '\r' || *p == '\n')) *q++ = *p++;
      if (p == end) break;
      // The first character after the blanks decides.
      const uint8_t* i = p;
      Decoded d{};
      while (i < end && IsBlank((d = Decode(E, i, end)).code)) i += d.length;
      undecided = i == end;
      at = !undecided && IsMark(d.code) ? LinePosition::kInQuotedLine : LinePosition::kInLine;
    }
    if (at == LinePosition::kInQuotedLine) {
      // CR, LF and NUL are never part of another character in either encoding.
      while (p < end && *p != '\r' && *p != '\n' && *p != 0) *q++ = *p++;
      if (p == end) break;
      at = LinePosition::kLineStart;
      *q++ = *p++;
      continue;
    }
    const uint8_t b = *p;
    if constexpr (E == Encoding::kUtf8) {
      // A run of bytes whose characters no map changes goes out as it is.
      if (plain_[b] || PlainPair(p, end)) {
        const uint8_t* run = p + 1;
        while (run < end && (plain_[*run] || PlainPair(run, end))) ++run;
        std::memcpy(q, p, static_cast<size_t>(run - p));
        q += run - p;
        p = run;
        continue;
      }
    }
    if (b < 0x80) {
      ++p;
      if (b == 0 || b == '\r' || b == '\n') {
        *q++ = b;
        if (b == 0 || skipQuoted_) at = LinePosition::kLineStart;
        continue;
      }
      const Mapped& m = pages_[0].to[E == Encoding::kShiftJis && b == 0x5C ? 0xA5 : b];
      if (m.length != 0) {
        put(m);
      } else {
        *q++ = b;
      }
      continue;
    }
    uint32_t code;
    uint32_t length;
    if (E == Encoding::kUtf8 && b >= 0xE1 && b <= 0xEF && b != 0xED && end - p >= 3 && (p[1] & 0xC0) == 0x80 &&
        (p[2] & 0xC0) == 0x80) {
      code = (b & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);  // most Japanese text
      length = 3;
    } else {
      const Decoded d = Decode(E, p, end);
      code = d.code;
      length = d.length;
    }
    const uint8_t* next = p + length;
    const Mapped* m = Lookup(code);
    if (m == nullptr) {
      for (uint32_t i = 0; i < length; ++i) q[i] = p[i];
      q += length;
      p = next;
      continue;
    }
    if (joins_ && (code >> 8) == 0xFF) {
      const int mark = MarkAt<E>(next, end, false);
      if (mark >= 0 && join_[mark][code & 0xFF].length != 0 &&
          !((next[0] == 0xE3 ? combiningKept_ : halfMarkKept_)[mark])) {
        put(join_[mark][code & 0xFF]);
        p = next + MarkLength<E>(next);
        continue;
      }
    }
    if (composes_ && (code >> 8) == 0x30) {
      const int mark = MarkAt<E>(next, end, true);
      if (mark >= 0 && compose_[mark][code & 0xFF].length != 0 && !combiningKept_[mark]) {
        put(compose_[mark][code & 0xFF]);
        p = next + MarkLength<E>(next);
        continue;
      }
    }
    if (m->length != 0) {
      put(*m);
    } else {
      for (uint32_t i = 0; i < length; ++i) q[i] = p[i];
      q += length;
    }
    p = next;
  }
  // Blanks at the end of a piece were converted as a line's; the line is
  // still examined where the next piece goes on.
  if (undecided && at == LinePosition::kInLine) at = LinePosition::kLineStart;
  return static_cast<size_t>(q - out);
}

size_t TextConverter::Convert(const uint8_t* in, size_t n, uint8_t* out, LinePosition& at) const {
  return encoding_ == Encoding::kUtf8 ? Run<Encoding::kUtf8>(in, n, out, at) : Run<Encoding::kShiftJis>(in, n, out, at);
}

namespace {

template <Encoding E>
size_t SafeCutIn(const uint8_t* data, size_t n, LinePosition at, bool force) {
  for (size_t i = n; i > 0; --i) {
    if (data[i - 1] == '\r' || data[i - 1] == '\n' || data[i - 1] == 0) return i;
  }
  // One line goes on through all of data: a cut must come after the
  // character that decides whether it is quoted, and must not part a kana
  // from the sound mark after it.
  bool decided = force || at != LinePosition::kLineStart;
  bool afterMark = false;
  size_t best = 0;
  for (size_t pos = 0; pos < n;) {
    if (EndsInsideCharacter(E, data + pos, data + n)) break;
    const Decoded d = Decode(E, data + pos, data + n);
    const bool mark = IsSoundMark(d.code);
    if (pos > 0 && decided && (!mark || afterMark)) best = pos;
    decided = decided || !IsBlank(d.code);
    afterMark = mark;
    pos += d.length;
  }
  return best;
}

}  // namespace

size_t SafeCut(Encoding encoding, const uint8_t* data, size_t n, LinePosition at, bool force) {
  return encoding == Encoding::kUtf8 ? SafeCutIn<Encoding::kUtf8>(data, n, at, force)
                                     : SafeCutIn<Encoding::kShiftJis>(data, n, at, force);
}

}  // namespace qv
