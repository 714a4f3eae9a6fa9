// The encoding decision and the conversions in UTF-8, by example. (On
// Shift_JIS text the character converter is checked against the fast loops
// by the differential test.)
#include "convert/text_converter.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/option_table.h"

namespace qv {
namespace {

struct DetectCase {
  const char* name;
  std::string text;
  bool complete;
  Detection want;
};

const std::string kAscii(100, 'a');
const std::string kUtf8Kana = "カナ";                                // E3 82 AB E3 83 8A
const std::string kSjisKanaKanji = "\x83\x4A\x83\x69\x8A\xBF\x8E\x9A";  // カナ漢字

TEST(DetectEncoding, DecidesFromTheText) {
  const DetectCase cases[] = {
      {"AsciiOnly", kAscii, true, Detection::kNoSign},
      {"AsciiSoFar", kAscii, false, Detection::kUndecided},
      {"AsciiPastTheLimit", std::string(kDetectAsciiLimit, 'a') + "\x83\x4A", false, Detection::kNoSign},
      {"ShiftJisKanaAndKanji", kAscii + kSjisKanaKanji, false, Detection::kShiftJis},
      {"Utf8", kAscii + kUtf8Kana, true, Detection::kUtf8},
      {"Utf8NotYetAWindow", kUtf8Kana, false, Detection::kUndecided},
      {"Utf8WholeWindow", kUtf8Kana + std::string(kDetectWindow, 'a'), false, Detection::kUtf8},
      {"ByteOrderMark", "\xEF\xBB\xBF" + kAscii, false, Detection::kUtf8},
      {"ByteOrderMarkSoFar", "\xEF\xBB", false, Detection::kUndecided},
      {"HalfWidthKanaAlone", "\xB1\xB2\xB3", true, Detection::kShiftJis},
      {"Utf8ThenInvalidInTheWindow", kUtf8Kana + kAscii + "\xB1", false, Detection::kShiftJis},
      {"Utf8ThenInvalidPastTheWindow", kUtf8Kana + std::string(kDetectWindow, 'a') + "\xB1", true, Detection::kUtf8},
      // ﾃｩ reads as é, then 日本 (93 FA 96 7B) does not.
      {"ShiftJisValidUtf8ForAFewBytes", "\xC3\xA9\x93\xFA\x96\x7B", true, Detection::kShiftJis},
      {"Utf8CutAtTheEndOfText", kAscii + "\xE3\x82", true, Detection::kShiftJis},
      {"Utf8CutAtTheEndOfWhatWasRead", kAscii + "\xE3\x82", false, Detection::kUndecided},
      {"Overlong", "\xC0\xAF", true, Detection::kShiftJis},
      {"Surrogate", "\xED\xA0\x80", true, Detection::kShiftJis},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectEncoding(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size(), c.complete), c.want)
        << c.name;
  }
}

std::string ConvertUtf8(const char* switches, const std::string& text, std::string_view marks = ">＞") {
  ConversionOptions o;
  o.ProcessAlphabet = 0;
  for (const char* s = switches; *s != '\0'; ++s) o.*FindOption(*s)->member = *s >= 'A' && *s <= 'Z' ? 1 : 0;
  const TextConverter converter(o, Encoding::kUtf8, marks);
  std::string out(TextConverter::MaxOutput(text.size()), '\0');
  auto at = LinePosition::kLineStart;
  out.resize(converter.Convert(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                               reinterpret_cast<uint8_t*>(out.data()), at));
  return out;
}

TEST(TextConverterUtf8, ConvertsByUnicodeMeaning) {
  const struct {
    const char* switches;
    std::string in, want;
  } cases[] = {
      {"XP", "￥＼＂”", "¥\\＂\""},  // ＂ (U+FF02) is none of the table's
      {"xP", "¥\\~", "￥＼～"},
      {"XK", "ガパヴ", "ｶﾞﾊﾟｳﾞ"},
      {"xK", "ｶﾞﾊﾟｳﾞｱﾞ", "ガパヴア\xEF\xBE\x9E"},
      {"xKV", "ｶﾞ", "カ\xEF\xBE\x9E"},
      {"xKT", "ｶﾞﾃｽﾄ", "がてすと"},
      // Combining sound marks, as the composed kana.
      {"XK", "カ\u3099ハ\u309Aア\u3099", "ｶﾞﾊﾟｱ\u3099"},
      {"X", "カ\u3099", "カ\u3099"},
      {"xK", "ｶ\u3099ﾊ\u309A", "ガパ"},
      {"xKV", "ｶ\u3099", "カ\u3099"},
      // What code page 932 cannot hold as itself, invalid bytes and the
      // byte-order mark pass; so do quoted lines.
      {"XAPSJK", "\xEF\xBB\xBFé😀〜—−\xFF\xE3\x82Ａ", "\xEF\xBB\xBFé😀〜—−\xFF\xE3\x82" "A"},
      {"XA", "　＞Ａ\nＡ\n＞Ａ", "　＞Ａ\nA\n＞Ａ"},
      {"xS", " a\t", "　a\t"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertUtf8(c.switches, c.in), c.want) << c.switches << " " << c.in;
}

}  // namespace
}  // namespace qv
