// quorvel-filter run whole in this process on temporary files (bytes in,
// bytes, messages and exit code out), and as the built program where its
// entry matters.
#include "filter/filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "platform/portable_heap.h"

namespace qv {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace std::string_literals;

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(std::FILE* f) {
  std::string s;
  std::rewind(f);
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  return s;
}

// `in` replaces the input file made from `input` (a pipe, a directory);
// `outPath` the output file (/dev/full).
Result Filter(std::vector<std::string> args, const std::string& input, size_t blockLimit = SIZE_MAX,
              std::FILE* in = nullptr, const char* outPath = nullptr) {
  std::FILE* const tmpIn = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), tmpIn);
  std::rewind(tmpIn);
  std::FILE* const out = outPath != nullptr ? std::fopen(outPath, "wb") : std::tmpfile();
  std::FILE* const err = std::tmpfile();
  args.insert(args.begin(), "quorvel-filter");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Result r;
  r.exitCode = RunFilter(static_cast<int>(args.size()), argv.data(), {in ? in : tmpIn, out, err}, blockLimit);
  if (outPath == nullptr) r.out = ReadAll(out);
  r.err = ReadAll(err);
  for (std::FILE* f : {tmpIn, out, err}) std::fclose(f);
  return r;
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::string in;
  std::string out;
};

class FilterConverts : public ::testing::TestWithParam<Case> {};

TEST_P(FilterConverts, WritesExpectedBytes) {
  const Result r = Filter(GetParam().args, GetParam().in);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, GetParam().out);
  EXPECT_THAT(r.err, IsEmpty());
}

// Ａ 8260, Ｂ 8261, ０ 824F, 　 8140, ＞ 8184, ガ 834B, ｶ B6, ﾞ DE, が 82AA.
const Case kConverts[] = {
    {"NoSwitchesMeansLettersToHalf", {}, "\x82\x60\x82\x4F\x83\x4B", "A\x82\x4F\x83\x4B"},
    {"EmptyInput", {}, "", ""},
    {"EmptyInputToFull", {"/x"}, "", ""},
    {"SlashesSplitOneArgument", {"/X/A/N"}, "\x82\x60\x82\x4F", "A0"},
    {"SeveralGroups", {"/XN", "/a"}, "\x82\x60\x82\x4F", "\x82\x60" "0"},
    {"SmallXToFull", {"/xA"}, "Ab", "\x82\x60\x82\x82"},
    {"NoConnectVoiced", {"/xKVJ"}, "\xB6\xDE", "\x83\x4A\x81\x4A"},
    {"HiraganaOutput", {"/xKT"}, "\xB6\xDE", "\x82\xAA"},
    {"KatakanaToHalf", {"/XK"}, "\x83\x4B", "\xB6\xDE"},
    {"HiraganaOnlyWithKatakana", {"/XT"}, "\x82\xAA", "\x82\xAA"},
    {"SpaceAndUnderbar", {"/XSU"}, "\x81\x40 ", "__"},
    {"UnderbarToFullSparesNoSpace", {"/xAU"}, "a b", "\x82\x81_\x82\x82"},
    {"DialogSwitchIgnored", {"/DXN"}, "\x82\x4F", "0"},
    {"SmallDialogSwitchIgnored", {"/dXN"}, "\x82\x4F", "0"},
    {"DefaultQuoteMarks", {}, "\x82\x60\r\n\x81\x84\x82\x60\r\n", "A\r\n\x81\x84\x82\x60\r\n"},
    {"QuotedLinesConvertedWithL", {"/XAL"}, ">\x82\x60", ">A"},
    {"QuoteMarksGiven", {"--quote-marks=#"}, ">\x82\x60\n#\x82\x60", ">A\n#\x82\x60"},
    {"QuoteMarksEmpty", {"--quote-marks="}, ">\x82\x60", ">A"},
    {"HostIniMissingGivesDefault", {"--host-ini=/nonexistent/qv.ini"}, ">\x82\x60", ">\x82\x60"},
    {"HostIniOneLetterPath", {"--host-ini=a"}, ">\x82\x60", ">\x82\x60"},
    {"LastMarksOptionWins", {"--host-ini=/nonexistent.ini", "--quote-marks=#"}, ">\x82\x60", ">A"},
    {"LastMarksOptionWinsAgain", {"--quote-marks=#", "--host-ini=/nonexistent.ini"}, ">\x82\x60", ">\x82\x60"},
    // Each NUL ends a text; the next starts on a fresh line, so > quotes again.
    {"NulPassesAndRestartsText", {}, "\x82\x60\0>\x82\x61\0\x82\x62"s, "A\0>\x82\x61\0C"s},
    {"NulToFull", {"/xA"}, "a\0\0b\0"s, "\x82\x81\0\0\x82\x82\0"s},
    {"NulBetweenMarkAndKana", {"/xK"}, "\xB6\0\xDE"s, "\x83\x4A\0\xDE"s},
    {"NulAfterLeadByte", {"/XA"}, "\x82\0\x60"s, "\x82\0\x60"s},
    {"LoneLeadBeforeLineBreakStaysInPlace", {"/XA"}, "\x82\r\n\x82\x60", "\x82\r\nA"},
    {"Utf8ToHalf", {"--utf8", "/XAN"}, "ＡＢ１２かな", "AB12かな"},
    {"Utf8ToFull", {"--utf8", "/xKJ"}, "ﾃｽﾄ ﾃﾞｰﾀ", "テスト データ"},
    {"Utf8Nul", {"--utf8", "/x"}, "a\0b"s, "ａ\0ｂ"s},
    {"Utf8Empty", {"--utf8"}, "", ""},
    {"Utf8EmptyToFull", {"--utf8", "/x"}, "", ""},
    {"Utf8Underbar", {"--utf8", "/XSU"}, "a　b c", "a_b_c"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FilterConverts, ::testing::ValuesIn(kConverts),
                         [](const auto& info) { return std::string(info.param.name); });

struct Failure {
  const char* name;
  std::vector<std::string> args;
  std::string in;
  int exitCode;
  std::string message;  // UTF-8 on stderr
  int lines;            // stderr lines expected
  size_t blockLimit = SIZE_MAX;
};

class FilterFails : public ::testing::TestWithParam<Failure> {};

TEST_P(FilterFails, ReportsAndWritesNothing) {
  const Failure& f = GetParam();
  const Result r = Filter(f.args, f.in, f.blockLimit);
  EXPECT_EQ(r.exitCode, f.exitCode);
  EXPECT_THAT(r.out, IsEmpty());
  EXPECT_THAT(r.err, HasSubstr(f.message));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), f.lines) << r.err;
}

constexpr char kTooLarge[] = "quorvel-filter: テキストが大きすぎます。 (text too large)";
const Failure kFails[] = {
    {"UnknownLetter", {"/XQ"}, "x", 2, "1 番目の引数が認識できません： '/XQ'", 1},
    {"NoSlash", {"XA"}, "x", 2, "1 番目の引数が認識できません： 'XA'", 1},
    {"LoneSlash", {"/A", "/"}, "x", 2, "2 番目の引数が認識できません： '/'", 1},
    {"SplitPartCounts", {"/X/Q"}, "x", 2, "2 番目の引数が認識できません： '/Q'", 1},
    {"OncePerProblem", {"/Q", "junk"}, "x", 2, "2 番目の引数が認識できません： 'junk'", 2},
    {"OncePerBadLetter", {"/QZ"}, "x", 2, "'/QZ'", 2},
    {"UnknownLongOption", {"--frobnicate"}, "x", 2, "'--frobnicate'", 1},
    {"ArgumentShownAsTyped", {"--ＡＢ"}, "x", 2, "1 番目の引数が認識できません： '--ＡＢ'", 1},
    {"LongArgumentShownWhole", {"--" + std::string(600, 'z')}, "x", 2, std::string(600, 'z') + "'", 1},
    {"EmptyHostIni", {"--host-ini="}, "x", 2, "'--host-ini='", 1},
    {"Utf8InvalidSequence", {"--utf8"}, "ab\xFF" "cd", 3, "input byte offset 2", 1},
    {"Utf8NotInCodePage", {"--utf8"}, "ab😀", 3, "input byte offset 2", 1},
    // Held by code page 932 only as a look-alike (\ here): refused, not replaced.
    {"Utf8OnlyALookAlike", {"--utf8", "/XA"}, "ab¥cd", 3, "input byte offset 2", 1},
    {"Utf8CutOff", {"--utf8"}, "abc\xE3\x81", 3, "input byte offset 3", 1},
    // A text of n bytes needs n + 1 bytes to half width, 4 (n + 1) to full.
    {"TooLargeToHalf", {}, std::string(40, 'a'), 4, kTooLarge, 1, 40},
    {"TooLargeToFull", {"/x"}, std::string(40, 'a'), 4, kTooLarge, 1, 163},
    {"TooLargeUtf8ToHalf", {"--utf8"}, std::string(40, 'a'), 4, kTooLarge, 1, 40},
    {"TooLargeUtf8ToFull", {"--utf8", "/x"}, std::string(40, 'a'), 4, kTooLarge, 1, 163},
};

INSTANTIATE_TEST_SUITE_P(Cases, FilterFails, ::testing::ValuesIn(kFails),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FilterTest, LargestBlockThatFits) {
  EXPECT_EQ(Filter({}, std::string(40, 'a'), 41).exitCode, 0);
  EXPECT_EQ(Filter({"/x"}, std::string(40, 'a'), 164).exitCode, 0);
  EXPECT_EQ(Filter({"--utf8"}, std::string(40, 'a'), 41).exitCode, 0);
  EXPECT_EQ(Filter({"--utf8", "/x"}, std::string(40, 'a'), 164).exitCode, 0);
}

// Every allocation of a run fails in turn: each failure ends the run with the
// message and exit 4, nothing written and every heap released.
TEST(FilterTest, EveryAllocationFailsSafely) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"/XA"}, {"/xA"}, {"--utf8", "/xA"}}) {
    const size_t heaps = portable::LiveHeapCount();
    for (uint64_t failAt = 1;; ++failAt) {
      portable::HeapFaults::Arm(failAt);
      const Result r = Filter(args, "a\nb");
      const bool reached = portable::HeapFaults::Events() >= failAt;
      portable::HeapFaults::Disarm();
      EXPECT_EQ(portable::LiveHeapCount(), heaps) << args.back() << " " << failAt;
      if (!reached) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        break;
      }
      EXPECT_EQ(r.exitCode, 4) << args.back() << " " << failAt;
      EXPECT_EQ(r.err, "quorvel-filter: メモリが足りません。 (out of memory)\n");
      EXPECT_THAT(r.out, IsEmpty());
    }
  }
}

TEST(FilterTest, HostIniGivesTheMarks) {
  const std::string ini = ::testing::TempDir() + "qv-filter-host.ini";
  for (const auto& [content, want] : {std::pair{"[Option]\r\nInyouhu=#\r\n", ">A\n#\x82\x60"},
                                      std::pair{"[Option]\nInyouhu=\n", ">A\n#A"}}) {
    std::FILE* f = std::fopen(ini.c_str(), "wb");
    std::fputs(content, f);
    std::fclose(f);
    EXPECT_EQ(Filter({"--host-ini=" + ini}, ">\x82\x60\n#\x82\x60").out, want) << content;
  }
  std::remove(ini.c_str());
}

TEST(FilterTest, HelpAndVersion) {
  const Result help = Filter({"--help"}, "");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.out, HasSubstr("使い方"));
  for (const char* letter : {"X", "A", "N", "S", "P", "J", "K", "L", "U", "R", "T", "V", "D"}) {
    EXPECT_THAT(help.out, HasSubstr("  "s + letter + "  ")) << letter;
  }
  EXPECT_EQ(Filter({"--version"}, "").out, "quorvel-filter " QV_VERSION_TEXT "\n");
}

TEST(FilterTest, ReadAndWriteErrors) {
  std::FILE* dir = std::fopen("/tmp", "rb");  // reading fails with EISDIR
  const Result read = Filter({}, "", SIZE_MAX, dir);
  EXPECT_EQ(read.exitCode, 1);
  EXPECT_THAT(read.err, HasSubstr("標準入力を読めませんでした。"));
  std::fclose(dir);
  for (const auto& [args, in] : {std::pair{std::vector<std::string>{}, std::string(1 << 16, 'x')},
                                 std::pair{std::vector<std::string>{"/xA"}, std::string("a")},
                                 std::pair{std::vector<std::string>{"--help"}, std::string()}}) {
    const Result r = Filter(args, in, SIZE_MAX, nullptr, "/dev/full");
    EXPECT_EQ(r.exitCode, 1) << in.size();
    EXPECT_THAT(r.err, HasSubstr("標準出力に書けませんでした。"));
  }
}

// Inputs far longer than what the filter converts at a time, with quoted
// lines, CRLF, lead bytes before line breaks, NULs and one line longer than
// a megabyte: the output equals the engine's conversion of the whole input,
// from a file and from a pipe.
TEST(FilterTest, LongInputConvertsAsOneWhole) {
  const char* pieces[] = {"\x82\x60", "\x82\x4F", "\x81\x40", "\xB6\xDE", "\xCA\xDF", "\x83\x4B", "abc ",
                          "\r\n",     "\n",        "\r",        "\n>",       "\n\x81\x84", "\x82\n", "\x82\r\n",
                          "\x8A\xBF", "\xDE",      "\x82"};
  std::mt19937 random(7);
  std::string in;
  while (in.size() < (3u << 20)) {
    in += pieces[random() % std::size(pieces)];
    if (random() % 20000 == 0) in += '\0';
  }
  std::string longLine;
  while (longLine.size() < (1u << 20) + 12345) longLine += "\x82\x60\xB6\xDE x";
  in.insert(in.size() / 2, longLine);
  const std::string file = ::testing::TempDir() + "qv-filter-long";
  std::FILE* f = std::fopen(file.c_str(), "wb");
  std::fwrite(in.data(), 1, in.size(), f);
  std::fclose(f);
  for (const bool toHalf : {true, false}) {
    ConversionOptions o;
    o.ExchangeZenHan = toHalf ? 1 : 0;
    o.ProcessAlphabet = o.ProcessNumber = o.ProcessSpace = o.ProcessKatakana = 1;
    QuoteMarkList marks;
    marks.Set(kDefaultQuoteMarks);
    std::string want(4 * (in.size() + 1), '\0');
    std::copy(in.begin(), in.end(), want.begin());
    size_t produced = 0;
    ASSERT_TRUE(toHalf ? ConvertTextsToHalf(o, marks, want.data(), in.size(), &produced)
                       : ConvertTextsToFullInBlock(o, marks, want.data(), in.size(), &produced));
    want.resize(produced);
    const char* switches = toHalf ? "/XANSK" : "/xANSK";
    EXPECT_TRUE(Filter({switches}, in).out == want) << "from a file, to half " << toHalf;
    std::FILE* pipe = popen(("cat " + file).c_str(), "r");
    EXPECT_TRUE(Filter({switches}, "", SIZE_MAX, pipe).out == want) << "from a pipe, to half " << toHalf;
    pclose(pipe);
  }
  std::remove(file.c_str());
}

// The program itself: a reader that goes away midway makes it stop with a
// message and a failing exit code instead of reporting success.
TEST(FilterTest, ClosedPipeMidwayIsAnError) {
  const std::string err = ::testing::TempDir() + "qv-filter-pipe-err";
  const std::string cmd = "sh -c 'head -c 8388608 /dev/zero | tr \"\\0\" a | " QV_FILTER_PATH " 2> " + err +
                          "; echo $? >> " + err + "' | head -c 1000 > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::FILE* f = std::fopen(err.c_str(), "rb");
  const std::string text = ReadAll(f);
  std::fclose(f);
  EXPECT_THAT(text, HasSubstr("標準出力に書けませんでした。"));
  EXPECT_THAT(text, ::testing::EndsWith("\n1\n"));
  std::remove(err.c_str());
}

}  // namespace
}  // namespace qv
