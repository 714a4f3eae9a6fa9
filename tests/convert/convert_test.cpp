#include "convert/convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

using O = ConversionOptions;

O Opts(std::initializer_list<uint8_t O::*> on, bool toHalf = true) {
  O o;
  o.ProcessAlphabet = 0;
  o.ExchangeZenHan = toHalf ? 1 : 0;
  for (auto m : on) o.*m = 1;
  return o;
}

std::string ToHalf(const O& o, const std::string& in, std::string_view marks = kDefaultQuoteMarks) {
  QuoteMarkList list;
  list.SetForTesting(marks);
  std::string buffer = in + '\0';
  EXPECT_TRUE(ConvertToHalf(o, list, buffer.data()));
  return buffer.c_str();
}

std::string ToFull(const O& o, const std::string& in, std::string_view marks = kDefaultQuoteMarks) {
  QuoteMarkList list;
  list.SetForTesting(marks);
  size_t bytes = 0;
  EXPECT_TRUE(FullBlockSize(in.size(), &bytes));
  std::vector<char> block(bytes, '\x55');
  std::memcpy(block.data(), in.c_str(), in.size() + 1);
  EXPECT_TRUE(ConvertToFullInBlock(o, list, block.data(), in.size()));
  const std::string out = block.data();
  EXPECT_LE(out.size(), 2 * in.size());
  return out;
}

struct Case {
  const char* name;
  O options;
  std::string in;
  std::string out;
};

class ToHalfTest : public ::testing::TestWithParam<Case> {};
TEST_P(ToHalfTest, Converts) { EXPECT_EQ(ToHalf(GetParam().options, GetParam().in), GetParam().out); }

const Case kToHalf[] = {
    {"Empty", Opts({&O::ProcessAlphabet}), "", ""},
    {"Letters", Opts({&O::ProcessAlphabet}), "\x82\x60\x82\x9A", "Az"},
    {"LettersOffLeavesThem", Opts({&O::ProcessNumber}), "\x82\x60\x82\x4F", "\x82\x60" "0"},
    {"Space", Opts({&O::ProcessSpace}), "\x81\x40", " "},
    {"PunctRightQuote", Opts({&O::ProcessPunct}), "\x81\x68\x81\x67", "\"\x81\x67"},
    {"ImpossibleReverseLeftQuote", Opts({&O::ProcessImpossibleReverse}), "\x81\x67", "\""},
    {"VoicedKatakana", Opts({&O::ProcessKatakana}), "\x83\x4B\x83\x94\x83\x7C", "\xB6\xDE\xB3\xDE\xCE\xDF"},
    {"HiraganaWithKatakana", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}), "\x82\xAA\x82\xA0",
     "\xB6\xDE\xB1"},
    {"JapanesePunct", Opts({&O::ProcessJPPunct}), "\x81\x75\x81\x42\x81\x5B", "\xA2\xA1\xB0"},
    {"KanjiUnchanged", Opts({&O::ProcessKatakana, &O::ProcessAlphabet}), "\x8A\xBF\x8E\x9A", "\x8A\xBF\x8E\x9A"},
    {"UnlistedKanaUnchanged", Opts({&O::ProcessKatakana}), "\x83\x8E\x83\x95\x83\x96", "\x83\x8E\x83\x95\x83\x96"},
    {"HalfWidthUnchanged", Opts({&O::ProcessKatakana, &O::ProcessSpace}), "\xB6\xDE" "A ", "\xB6\xDE" "A "},
    {"LoneLeadAtEnd", Opts({&O::ProcessAlphabet}), "\x82\x60\x82", "A\x82"},
    {"LeadBeforeTabIsAPair", Opts({&O::ProcessAlphabet}), "\x82\t\x82\x60", "\x82\tA"},
    // A lead byte never pairs across a line break.
    {"LeadBeforeLineBreak", Opts({&O::ProcessAlphabet}), "\x82\r\n\x60x", "\x82\r\n\x60x"},
    {"LeadBeforeQuotedLine", Opts({&O::ProcessAlphabet}), "\x82\n>\x82\x60\n\x82\x60", "\x82\n>\x82\x60\nA"},
    {"QuotedLinesKept", Opts({&O::ProcessAlphabet}),
     "\x82\x60\x82\x61\r\n\x81\x84\x82\x62\x82\x63\r\n\x81\x40\x81\x84\x82\x64\x82\x65\r\n\x82\x66\x82\x67",
     "AB\r\n\x81\x84\x82\x62\x82\x63\r\n\x81\x40\x81\x84\x82\x64\x82\x65\r\nGH"},
    {"QuotedLinesConvertedWithL", Opts({&O::ProcessAlphabet, &O::ProcessQuotedLine}), ">\x82\x60\n\x82\x60", ">A\nA"},
    {"BlankLineAfterQuoteAndLeadingBlanks", Opts({&O::ProcessAlphabet, &O::ProcessSpace}),
     " >\x82\x60\r\n\r\n\x81\x40\x82\x60", " >\x82\x60\r\n\r\n A"},
    {"TrailBytesAreNotMarks", Opts({&O::ProcessAlphabet}), "b\x82\x60\nF\x82\x60", "bA\nFA"},
};
INSTANTIATE_TEST_SUITE_P(Half, ToHalfTest, ::testing::ValuesIn(kToHalf),
                         [](const auto& info) { return std::string(info.param.name); });

class ToFullTest : public ::testing::TestWithParam<Case> {};
TEST_P(ToFullTest, Converts) { EXPECT_EQ(ToFull(GetParam().options, GetParam().in), GetParam().out); }

const Case kToFull[] = {
    {"Empty", Opts({&O::ProcessAlphabet}, false), "", ""},
    {"TypicalRun", Opts({&O::ProcessAlphabet, &O::ProcessKatakana, &O::ProcessJPPunct}, false),
     "\xC3\xBD\xC4 \xC3\xDE\xB0\xC0", "\x83\x65\x83\x58\x83\x67 \x83\x66\x81\x5B\x83\x5E"},  // ﾃｽﾄ ﾃﾞｰﾀ → テスト データ
    {"Joins", Opts({&O::ProcessKatakana}, false), "\xB6\xDE\xCA\xDF\xB3\xDE", "\x83\x4B\x83\x70\x83\x94"},
    {"MarkThatDoesNotJoin", Opts({&O::ProcessKatakana}, false), "\xB6\xDF\xB1\xDE", "\x83\x4A\xDF\x83\x41\xDE"},
    {"SecondMarkAlone", Opts({&O::ProcessKatakana, &O::ProcessJPPunct}, false), "\xB6\xDE\xDE",
     "\x83\x4B\x81\x4A"},
    {"Hiragana", Opts({&O::ProcessKatakana, &O::TransformHiraToKana}, false), "\xB6\xDE\xCA\xDF\xB3\xDE",
     "\x82\xAA\x82\xCF\x82\xA4\xDE"},
    {"NoConnectVoiced", Opts({&O::ProcessKatakana, &O::NoConnectVoiced, &O::ProcessJPPunct}, false), "\xB6\xDE",
     "\x83\x4A\x81\x4A"},
    {"KatakanaOffMarkConverted", Opts({&O::ProcessJPPunct}, false), "\xB6\xDE", "\xB6\x81\x4A"},
    {"DigitNeverTakesAMark", Opts({&O::ProcessNumber, &O::ProcessKatakana}, false), "1\xDE", "\x82\x50\xDE"},
    {"FullWidthKanaThenMark", Opts({&O::ProcessKatakana}, false), "\x83\x4A\xDE", "\x83\x4A\xDE"},
    {"LoneLeadAtEnd", Opts({&O::ProcessAlphabet}, false), "a\x82", "\x82\x81\x82"},
    {"LeadBeforeSpace", Opts({&O::ProcessSpace}, false), "\x82 ", "\x82\x81\x40"},
    {"Backslash", Opts({&O::ProcessPunct}, false), "\\\"~", "\x81\x8F\x81\x68\x81\x60"},
    {"QuotedLineKept", Opts({&O::ProcessAlphabet}, false), "a\r\n:a\r\na", "\x82\x81\r\n:a\r\n\x82\x81"},
};
INSTANTIATE_TEST_SUITE_P(Full, ToFullTest, ::testing::ValuesIn(kToFull),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuoteMarkTest, ListSyntax) {
  const O letters = Opts({&O::ProcessAlphabet});
  EXPECT_EQ(ToHalf(letters, "\x81\x84\x82\x60", ">"), "\x81\x84" "A") << "only the half-width > listed";
  EXPECT_EQ(ToHalf(letters, "|\x82\x60\n \x82\x60", "> | :"), "|\x82\x60\n A") << "blanks are not marks";
  EXPECT_EQ(ToHalf(letters, ">\x82\x60", ""), ">A") << "an empty list quotes nothing";
}

TEST(QuoteMarkTest, LoaderRunsOnce) {
  static int loads = 0;
  QuoteMarkList list;
  list.SetLoader(
      [](void*, char* buffer, size_t) {
        ++loads;
        buffer[0] = '#';
      },
      nullptr);
  EXPECT_TRUE(list.IsQuoteMark("#", 0));
  EXPECT_FALSE(list.IsQuoteMark(">", 0));
  EXPECT_EQ(loads, 1);
}

// Half-width to full-width and back is the identity on the reversible classes.
TEST(RoundTripTest, ReversibleTextSurvives) {
  std::vector<std::string> pieces = {" ", "\r\n", "\n"};
  for (char c = '!'; c <= '~'; ++c) pieces.emplace_back(1, c);
  for (int b = 0xA1; b <= 0xDF; ++b) pieces.emplace_back(1, static_cast<char>(b));
  pieces.push_back("\xB6\xDE");
  pieces.push_back("\xCA\xDF");
  pieces.push_back("\xB3\xDE");
  O full = Opts({&O::ProcessAlphabet, &O::ProcessNumber, &O::ProcessSpace, &O::ProcessPunct, &O::ProcessJPPunct,
                 &O::ProcessKatakana, &O::ProcessQuotedLine},
                false);
  O half = full;
  half.ExchangeZenHan = 1;
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string text;
    for (int i = 0; i < 60; ++i) {
      const std::string& p = pieces[random() % pieces.size()];
      // A lone mark after a kana would join; keep the marks in their pairs.
      if ((p == "\xDE" || p == "\xDF")) continue;
      text += p;
    }
    EXPECT_EQ(ToHalf(half, ToFull(full, text)), text) << round;
  }
}

}  // namespace
}  // namespace qv
