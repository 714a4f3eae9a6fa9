// Every conversion (to half-width, to full-width, Normalize; the kana case,
// a keep list) by the plain reference, against a plain model of the lines
// they may change; the fast loops against it where they cover the options,
// in exact buffers; the character converter against it, in pieces cut where
// SafeCut allows, on the Shift_JIS text and on its UTF-8 form.
// qv_test_convert replays generated inputs through the same entry.
//
// Input: two bytes of option bits (eleven flags, the kana case, a keep
// list), a cut byte, a quote-list length byte and that many bytes of list,
// then the data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "convert/convert.h"
#include "convert/text_converter.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_conversion.h"

namespace {

using qv::ConversionOptions;

// The model, written apart from the engine on purpose: line breaks and quoted
// lines stay, every other line is converted on its own.
bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsBreak(uint8_t b) { return b == '\r' || b == '\n'; }

// The byte at i, 0 past the end.
uint8_t At(std::string_view s, size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; }

// The marks as two sets; the value is cut at its first NUL and at 1023 bytes.
struct MarkModel {
  std::set<uint8_t> single;
  std::set<std::pair<uint8_t, uint8_t>> pairs;

  explicit MarkModel(std::string_view value) {
    value = value.substr(0, std::min(value.find('\0'), size_t{1023}));
    for (size_t i = 0; i < value.size();) {
      if (IsLead(At(value, i)) && IsTrail(At(value, i + 1))) {
        pairs.emplace(At(value, i), At(value, i + 1));
        i += 2;
      } else if (const uint8_t b = At(value, i++); b != '\t' && b != '\n' && b != '\r' && b != ' ') {
        single.insert(b);
      }
    }
  }

  bool Marks(std::string_view text, size_t i) const {
    if (IsLead(At(text, i)) && IsTrail(At(text, i + 1))) return pairs.count({At(text, i), At(text, i + 1)}) != 0;
    return single.count(At(text, i)) != 0;
  }
};

// `text` (no NUL inside) as the model says a conversion leaves it: line breaks
// and quoted lines as they are, every other line through `convert` alone.
template <typename Convert>
std::string ModelConversion(std::string_view text, const MarkModel& marks, Convert convert) {
  std::string out;
  for (size_t pos = 0, end = 0; pos < text.size(); pos = end) {
    if (IsBreak(At(text, pos))) {
      while (IsBreak(At(text, end))) ++end;
      out += text.substr(pos, end - pos);
      continue;
    }
    size_t i = pos;
    while (At(text, i) == ' ' || At(text, i) == '\t' || (At(text, i) == 0x81 && At(text, i + 1) == 0x40)) {
      i += At(text, i) == 0x81 ? 2 : 1;
    }
    while (end < text.size() && !IsBreak(At(text, end))) ++end;
    const std::string line(text.substr(pos, end - pos));
    out += i >= end || !marks.Marks(text, i) ? convert(line) : line;
  }
  return out;
}

struct Converter {
  const ConversionOptions& o;
  qv::QuoteMarkList& marks;

  // The fast conversion in a buffer of exactly the bytes it may touch: of
  // NUL-separated texts, or of one text through the single-text entries
  // (for half of the texts without NUL).
  std::string Fast(const std::string& data) const {
    const bool toHalf = qv::ConvertsInPlace(o);
    const size_t n = data.size();
    const size_t bytes = toHalf ? n + 1 : 2 * n + 3;
    std::unique_ptr<char[]> b(new char[bytes]);
    std::memset(b.get(), 0x55, bytes);
    std::memcpy(b.get(), data.c_str(), n + 1);
    size_t produced = 0;
    if (data.find('\0') != std::string::npos || n % 2 == 1) {
      QV_FUZZ_CHECK(toHalf ? qv::ConvertTextsToHalf(o, marks, b.get(), n, &produced)
                           : qv::ConvertTextsToFullInBlock(o, marks, b.get(), n, &produced));
      QV_FUZZ_CHECK(produced < bytes && b[produced] == '\0');
      if (o.ReplaceSpaceToUnderbar) qv::ReplaceSpacesWithUnderbars(b.get(), produced);
      return std::string(b.get(), produced);
    }
    QV_FUZZ_CHECK(toHalf ? qv::ConvertToHalf(o, marks, b.get()) : qv::ConvertToFullInBlock(o, marks, b.get(), n));
    QV_FUZZ_CHECK(std::memchr(b.get(), 0, bytes) != nullptr);
    if (o.ReplaceSpaceToUnderbar) qv::ReplaceSpacesWithUnderbars(b.get());
    return b.get();
  }
};

// The texts of `data`, each converted by the reference, and by the line model
// from the reference's conversion of single lines; and by the fast loops,
// where they cover the options. Returns the conversion.
std::string CheckAgainstReference(const Converter& c, const MarkModel& model, const std::string& data,
                                  std::string_view keep) {
  std::string want;
  ConversionOptions everyLine = c.o;
  everyLine.ProcessQuotedLine = 1;
  for (size_t start = 0;;) {
    const size_t nul = std::min(data.find('\0', start), data.size());
    const std::string text = data.substr(start, nul - start);
    std::string converted = ReferenceConversion(c.o, c.marks, text, keep);
    if (!c.o.ProcessQuotedLine) {
      const auto line = [&](const std::string& l) { return ReferenceConversion(everyLine, c.marks, l, keep); };
      QV_FUZZ_CHECK(converted == ModelConversion(text, model, line));
    }
    if (qv::ReplacesSpaces(c.o, keep)) std::replace(converted.begin(), converted.end(), ' ', '_');
    want += converted;
    if (nul == data.size()) break;
    want += '\0';
    start = nul + 1;
  }
  if (qv::FastLoopsCover(c.o, keep)) QV_FUZZ_CHECK(c.Fast(data) == want);
  return want;
}

// The UTF-8 form of a Shift_JIS text, character by character; what has no
// Unicode value of its own (and ＼, which pairs with nothing in Shift_JIS)
// becomes a private-use character of its own, which no conversion touches.
std::string Utf8Of(std::string_view text) {
  std::string out;
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  for (const uint8_t* end = p + text.size(); p < end;) {
    const qv::Decoded d = qv::DecodeSjis(p, end);
    const bool own = d.code >= qv::kOpaque || d.code == 0xFF3C;
    uint8_t bytes[4];
    out.append(reinterpret_cast<char*>(bytes), qv::EncodeUtf8(own ? 0xF0000 + (d.code & 0xFFFF) : d.code, bytes));
    p += d.length;
  }
  return out;
}

// The text as its UTF-8 form converts alike: each lead byte that has no
// trail byte after it becomes 0xFD, which is no lead byte (such a byte may
// pair with what a conversion writes after it in Shift_JIS, never in UTF-8);
// and, to hiragana, ヴヵヶ and ｳ become 亜 and ｱ (UTF-8 has hiragana for
// them, Shift_JIS none).
std::string ForUtf8(std::string text, const ConversionOptions& o) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  for (size_t i = 0; i < text.size();) {
    const qv::Decoded d = qv::DecodeSjis(p + i, p + text.size());
    if (d.length == 1 && IsLead(p[i])) text[i] = '\xFD';
    if (o.ToHiragana && d.code == 0xFF73) text[i] = '\xB1';
    if (o.ToHiragana && d.code >= 0x30F4 && d.code <= 0x30F6) text.replace(i, 2, "\x88\x9F");
    i += d.length;
  }
  return text;
}

// `text` through the character converter in pieces: each piece as long as
// SafeCut allows within a window of `window` bytes.
std::string InPieces(const ConversionOptions& o, qv::Encoding e, const std::string& marks, std::string_view keep,
                     const std::string& text, size_t window) {
  const qv::TextConverter converter(o, e, marks, keep);
  std::string out;
  std::string piece(qv::TextConverter::MaxOutput(text.size()), '\0');
  auto at = qv::LinePosition::kLineStart;
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  for (size_t left = text.size(); left > 0;) {
    size_t n = left <= window ? left : qv::SafeCut(e, p, window, at);
    if (n == 0) n = qv::SafeCut(e, p, left, at);
    if (n == 0) n = left;
    QV_FUZZ_CHECK(n <= left);
    out.append(piece.data(), converter.Convert(p, n, reinterpret_cast<uint8_t*>(piece.data()), at));
    p += n;
    left -= n;
  }
  if (qv::ReplacesSpaces(o, keep)) std::replace(out.begin(), out.end(), ' ', '_');
  return out;
}

// Keep lists: single bytes and pairs, ﾞ (no join), a space (no underscores).
const char* const kKeepLists[] = {"", "\x81\x40\xB6", "\xDE\x82\xA9", "a \x81\x49\x83\x4A"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 || size > 1 << 15) return 0;
  ConversionOptions o;
  uint8_t* flags[] = {&o.ProcessAlphabet,   &o.ProcessNumber,          &o.ProcessSpace,
                      &o.ProcessPunct,      &o.ProcessJPPunct,         &o.ProcessKatakana,
                      &o.ProcessQuotedLine, &o.ReplaceSpaceToUnderbar, &o.ProcessImpossibleReverse,
                      &o.TransformHiraToKana, &o.NoConnectVoiced};
  const unsigned bits = data[0] | data[1] << 8;
  for (size_t i = 0; i < std::size(flags); ++i) *flags[i] = (bits >> i) & 1;
  o.ToHiragana = (bits >> 11) % 4 == 1;
  o.ToKatakana = (bits >> 11) % 4 == 2;
  const std::string_view keep = kKeepLists[(bits >> 13) % std::size(kKeepLists)];
  const size_t markLength = std::min<size_t>(data[3], size - 4);
  const std::string markValue(reinterpret_cast<const char*>(data) + 4, markLength);
  const std::string text(reinterpret_cast<const char*>(data) + 4 + markLength, size - 4 - markLength);

  qv::QuoteMarkList marks;
  marks.Set(markValue);
  const MarkModel model(markValue);
  const size_t window = 1 + data[2] % 64;
  for (const int mode : {0, 1, 2}) {  // to half-width, to full-width, Normalize
    ConversionOptions m = o;
    m.ExchangeZenHan = mode == 0 ? 1 : 0;
    m.Normalize = mode == 2 ? 1 : 0;
    const Converter c{m, marks};
    const std::string whole = CheckAgainstReference(c, model, text, keep);
    QV_FUZZ_CHECK(InPieces(m, qv::Encoding::kShiftJis, markValue, keep, text, window) == whole);
    const std::string clean = ForUtf8(text, m);
    QV_FUZZ_CHECK(InPieces(m, qv::Encoding::kUtf8, Utf8Of(markValue.substr(0, markValue.find('\0'))), Utf8Of(keep),
                           Utf8Of(clean), window) == Utf8Of(CheckAgainstReference(c, model, clean, keep)));
  }
  return 0;
}
