// The conversions as one character map: the lookup arrays of the Shift_JIS
// loops, read as Unicode characters, say what each character becomes in the
// target encoding; a half-width kana and the sound mark after it may become
// one character, and a kana and a combining sound mark after it convert as
// the composed kana. On whole lines of Shift_JIS the fast loops of
// convert.cpp give the same bytes.
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
// 0 for ﾞ or a combining voiced mark, 1 for ﾟ or a combining semi-voiced
// mark, -1 for anything else.
int SoundMarkIndex(uint32_t code) {
  if (code == kHalfVoiced || code == kCombiningVoiced) return 0;
  if (code == kHalfSemiVoiced || code == kCombiningSemiVoiced) return 1;
  return -1;
}
bool IsCombining(uint32_t code) { return code == kCombiningVoiced || code == kCombiningSemiVoiced; }

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

}  // namespace

TextConverter::TextConverter(const ConversionOptions& o, Encoding encoding, std::string_view marks)
    : encoding_(encoding), toHalf_(o.ExchangeZenHan == 1), skipQuoted_(o.ProcessQuotedLine == 0) {
  // The lookup arrays the Shift_JIS loops build, by lead and trail byte;
  // each of their entries becomes an entry of the character map.
  if (toHalf_) {
    uint8_t half[3][256] = {};  // lead bytes 0x81..0x83
    uint8_t mark[3][256] = {};
    if (o.ProcessAlphabet) BuildHalfMap(half[1], AlphabetTable);
    if (o.ProcessNumber) BuildHalfMap(half[1], NumberTable);
    if (o.ProcessSpace) BuildHalfMap(half[0], SpaceTable);
    if (o.ProcessPunct) BuildHalfMap(half[0], PunctTable);
    if (o.ProcessJPPunct) BuildHalfMap(half[0], JPPunctTable);
    if (o.ProcessKatakana) {
      BuildHalfMap(half[2], KatakanaTable);
      BuildHalfMap(mark[2], KatakanaVoicedTable);
    }
    if (o.ProcessImpossibleReverse) BuildHalfMap(half[0], ImpossibleReverseTable);
    if (o.TransformHiraToKana) {
      BuildHalfMap(half[1], HiraganaTable);
      BuildHalfMap(mark[1], HiraganaVoicedTable);
    }
    for (int lead = 0; lead < 3; ++lead) {
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const uint8_t h = half[lead][trail];
        Mapped* slot = Slot(SjisCode(static_cast<uint8_t>(0x81 + lead), static_cast<uint8_t>(trail)));
        if (h == 0 || slot == nullptr) continue;
        if (const uint8_t m = mark[lead][trail]; m != 0) {
          SetMapped(*slot, {SjisCode(h), SjisCode(m)});
        } else {
          SetMapped(*slot, {SjisCode(h)});
        }
      }
    }
    // Shift_JIS has no backslash of its own (0x5C is the yen sign): in UTF-8
    // ＼ and the backslash are a pair like any other.
    if (o.ProcessPunct) SetMapped(*Slot(kFullBackslash), {kBackslash});
    // A kana and a combining mark after it: the composed kana of the join tables.
    for (const uint8_t lead : {uint8_t{0x82}, uint8_t{0x83}}) {
      uint8_t how[256] = {};
      BuildHalfMap(how, lead == 0x83 ? KatakanaJoinTable : HiraganaJoinTable);
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        for (const uint8_t m : {uint8_t{0xDE}, uint8_t{0xDF}}) {
          const uint8_t t = JoinedTrail(static_cast<uint8_t>(trail), how[trail], m);
          if (t != 0) compose_[m - 0xDE][SjisCode(lead, static_cast<uint8_t>(trail)) & 0xFF] = SjisCode(lead, t);
        }
      }
    }
  } else {
    uint16_t full[256] = {};
    if (o.ProcessAlphabet) BuildFullMap(full, AlphabetTable);
    if (o.ProcessNumber) BuildFullMap(full, NumberTable);
    if (o.ProcessSpace) BuildFullMap(full, SpaceTable);
    if (o.ProcessPunct) BuildFullMap(full, PunctTable);
    if (o.ProcessJPPunct) BuildFullMap(full, JPPunctTable);
    uint8_t how[256] = {};  // by trail byte of a full-width kana: the marks it takes
    uint8_t joinLead = 0;
    if (o.ProcessKatakana) {
      BuildFullMap(full, o.TransformHiraToKana ? HiraganaTable : KatakanaTable);
      if (!o.NoConnectVoiced) {
        BuildHalfMap(how, o.TransformHiraToKana ? HiraganaJoinTable : KatakanaJoinTable);
        joinLead = o.TransformHiraToKana ? 0x82 : 0x83;
      }
    }
    for (int c = 1; c < 256; ++c) {
      const auto byte = static_cast<uint8_t>(c);
      Mapped* slot = Slot(SjisCode(byte));
      // A lead byte is read as the start of a pair before any mapping.
      if (full[c] == 0 || slot == nullptr || sjis::IsLead(byte)) continue;
      SetMapped(*slot, {SjisPairCode(full[c])});
      const auto lead = static_cast<uint8_t>(full[c] >> 8);
      const auto trail = static_cast<uint8_t>(full[c]);
      if (lead != joinLead) continue;
      for (const uint8_t m : {uint8_t{0xDE}, uint8_t{0xDF}}) {
        const uint8_t t = JoinedTrail(trail, how[trail], m);
        if (t != 0) SetMapped(join_[m - 0xDE][SjisCode(byte) & 0xFF], {SjisCode(lead, t)});
      }
    }
    if (o.ProcessPunct) SetMapped(*Slot(kBackslash), {kFullBackslash});
  }

  marks = marks.substr(0, std::min({marks.find('\0'), marks.size(), kMarksLimit}));
  const auto* m = reinterpret_cast<const uint8_t*>(marks.data());
  for (const uint8_t* p = m; p < m + marks.size();) {
    const Decoded d = Decode(encoding, p, m + marks.size());
    p += d.length;
    if (d.code != ' ' && d.code != '\t' && !IsBreak(d.code)) marks_.push_back(d.code);
  }
  std::sort(marks_.begin(), marks_.end());
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

// The characters in the target encoding; false (slot untouched) when it
// cannot hold one of them.
bool TextConverter::SetMapped(Mapped& slot, std::initializer_list<uint32_t> codes) const {
  Mapped m;
  for (const uint32_t code : codes) {
    uint8_t bytes[4];
    const size_t n = encoding_ == Encoding::kUtf8 ? EncodeUtf8(code, bytes) : EncodeSjis(code, bytes);
    if (n == 0 || m.length + n > sizeof m.bytes) return false;
    std::memcpy(m.bytes + m.length, bytes, n);
    m.length = static_cast<uint8_t>(m.length + n);
  }
  slot = m;
  return true;
}

template <Encoding E>
size_t TextConverter::Run(const uint8_t* in, size_t n, uint8_t* out, LinePosition& at) const {
  const uint8_t* p = in;
  const uint8_t* const end = in + n;
  uint8_t* q = out;
  const auto put = [&q](const Mapped& m) {
    std::memcpy(q, m.bytes, m.length);
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
    const Decoded d = Decode(E, p, end);
    const uint8_t* next = p + d.length;
    const Mapped* m = Lookup(d.code);
    if (m != nullptr && next < end && (d.code >> 8) == (toHalf_ ? 0x30u : 0xFFu)) {
      const Decoded after = Decode(E, next, end);
      const int mark = SoundMarkIndex(after.code);
      if (toHalf_ && mark >= 0 && IsCombining(after.code) && compose_[mark][d.code & 0xFF] != 0) {
        // As the composed kana converts; when it does not, both stay.
        const Mapped* composed = Lookup(compose_[mark][d.code & 0xFF]);
        const size_t length = d.length + after.length;
        if (composed->length != 0) {
          put(*composed);
        } else {
          std::memcpy(q, p, length);
          q += length;
        }
        p += length;
        continue;
      }
      if (!toHalf_ && mark >= 0 && join_[mark][d.code & 0xFF].length != 0) {
        put(join_[mark][d.code & 0xFF]);
        p = next + after.length;
        continue;
      }
    }
    if (m != nullptr && m->length != 0) {
      put(*m);
    } else {
      std::memcpy(q, p, d.length);
      q += d.length;
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
    const bool mark = SoundMarkIndex(d.code) >= 0;
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
