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

#include "tests/support/fake_os.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using ::testing::HasSubstr;
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

// `in` replaces the input made from `input` (a pipe, a directory); `outPath`
// the output file (/dev/full).
Result Filter(std::vector<std::string> args, const std::string& input, size_t blockLimit = SIZE_MAX,
              std::FILE* in = nullptr, const char* outPath = nullptr) {
  std::FILE* const files[] = {std::tmpfile(), outPath != nullptr ? std::fopen(outPath, "wb") : std::tmpfile(),
                              std::tmpfile()};
  std::fwrite(input.data(), 1, input.size(), files[0]);
  std::rewind(files[0]);
  args.insert(args.begin(), "quorvel-filter");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  Result r;
  r.exitCode =
      RunFilter(static_cast<int>(argv.size()), argv.data(), {in ? in : files[0], files[1], files[2]}, blockLimit);
  if (outPath == nullptr) r.out = ReadAll(files[1]);
  r.err = ReadAll(files[2]);
  for (std::FILE* f : files) std::fclose(f);
  return r;
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::string in;
  int exitCode;
  std::string want;  // exit 0: the output; else a part of the message (UTF-8), nothing written
  size_t blockLimit = SIZE_MAX;
  long lines = 1;  // of messages
  const char* outPath = nullptr;
};

class FilterTest : public ::testing::TestWithParam<Case> {};

TEST_P(FilterTest, Runs) {
  const Case& c = GetParam();
  const Result r = Filter(c.args, c.in, c.blockLimit, nullptr, c.outPath);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  EXPECT_EQ(r.out, c.exitCode == 0 ? c.want : "");
  EXPECT_THAT(r.err, HasSubstr(c.exitCode == 0 ? "" : c.want));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.exitCode == 0 ? 0 : c.lines) << r.err;
}

// Ａ 8260, Ｂ 8261, ０ 824F, 　 8140, ＞ 8184, ガ 834B, ｶ B6, ﾞ DE, が 82AA.
constexpr char kTooLarge[] = "quorvel-filter: テキストが大きすぎます。 (text too large)";
const Case kCases[] = {
    {"NoSwitchesMeansLettersToHalf", {}, "\x82\x60\x82\x4F\x83\x4B", 0, "A\x82\x4F\x83\x4B"},
    {"EmptyInput", {}, "", 0, ""},
    {"SeveralGroups", {"/XN", "/a"}, "\x82\x60\x82\x4F", 0, "\x82\x60" "0"},
    {"SmallXToFull", {"/xA"}, "Ab", 0, "\x82\x60\x82\x82"},
    {"HiraganaOnlyWithKatakana", {"/XT"}, "\x82\xAA", 0, "\x82\xAA"},
    {"DialogSwitchIgnoredOneByteOut", {"/DXN"}, "\x82\x4F", 0, "0"},
    {"SpaceAndUnderbar", {"/XSU"}, "\x81\x40 ", 0, "__"},
    {"UnderbarToFullSparesNoSpace", {"/xAU"}, "a b", 0, "\x82\x81_\x82\x82"},
    {"DefaultQuoteMarks", {}, "\x82\x60\r\n\x81\x84\x82\x60\r\n", 0, "A\r\n\x81\x84\x82\x60\r\n"},
    {"QuoteMarksGiven", {"--quote-marks=#"}, ">\x82\x60\n#\x82\x60", 0, ">A\n#\x82\x60"},
    {"QuoteMarksEmpty", {"--quote-marks="}, ">\x82\x60", 0, ">A"},
    {"HostIniOneLetterPathMissing", {"--host-ini=a"}, ">\x82\x60", 0, ">\x82\x60"},
    {"LastMarksOptionWins", {"--host-ini=/nonexistent.ini", "--quote-marks=#"}, ">\x82\x60", 0, ">A"},
    {"LastMarksOptionWinsAgain", {"--quote-marks=#", "--host-ini=/nonexistent.ini"}, ">\x82\x60", 0, ">\x82\x60"},
    // Each NUL ends a text; the next starts on a fresh line, so > quotes again.
    {"NulPassesAndRestartsText", {}, "\x82\x60\0>\x82\x61\0\x82\x62"s, 0, "A\0>\x82\x61\0C"s},
    {"NulToFull", {"/xA"}, "a\0\0b\0"s, 0, "\x82\x81\0\0\x82\x82\0"s},
    {"Utf8ToHalf", {"--utf8", "/XAN"}, "ＡＢ１２かな", 0, "AB12かな"},
    {"Utf8ToFull", {"--utf8", "/xKJ"}, "ﾃｽﾄ ﾃﾞｰﾀ", 0, "テスト データ"},
    {"Utf8Nul", {"--utf8", "/x"}, "a\0b"s, 0, "ａ\0ｂ"s},
    {"Utf8Empty", {"--utf8"}, "", 0, ""},
    {"Version", {"--version"}, "", 0, "quorvel-filter " QV_VERSION_TEXT "\n"},
    {"UnknownLetter", {"/XQ"}, "x", 2, "quorvel-filter: 1 番目の引数が認識できません： '/XQ'"},
    {"SplitPartCounts", {"/X/Q"}, "x", 2, "2 番目の引数が認識できません： '/Q'"},
    {"OncePerProblem", {"/Q", "junk"}, "x", 2, "2 番目の引数が認識できません： 'junk'", SIZE_MAX, 2},
    {"LongOptionShownAsTyped", {"/A", "--ＡＢ"}, "x", 2, "2 番目の引数が認識できません： '--ＡＢ'"},
    {"LongArgumentShownWhole", {"--" + std::string(600, 'z')}, "x", 2, std::string(600, 'z') + "'"},
    {"EmptyHostIni", {"--host-ini="}, "x", 2, "'--host-ini='"},
    // Held by code page 932 only as a look-alike (\ here): refused, not replaced.
    {"Utf8OnlyALookAlike", {"--utf8", "/XA"}, "ab¥cd", 3, "932 にない文字があります (input byte offset 2"},
    // A text of n bytes needs n + 1 bytes to half width, 4 (n + 1) to full.
    {"LargestBlockToHalf", {}, "ab", 0, "ab", 3},
    {"TooLargeToHalf", {}, "ab", 4, kTooLarge, 2},
    {"LargestBlockToFull", {"/x"}, "ab", 0, "\x82\x81\x82\x82", 12},
    {"TooLargeToFull", {"/x"}, "ab", 4, kTooLarge, 11},
    {"LargestUtf8BlockToHalf", {"--utf8"}, "ab", 0, "ab", 3},
    {"TooLargeUtf8ToHalf", {"--utf8"}, "ab", 4, kTooLarge, 2},
    {"LargestUtf8BlockToFull", {"--utf8", "/x"}, "ab", 0, "ａｂ", 12},
    {"TooLargeUtf8ToFull", {"--utf8", "/x"}, "ab", 4, kTooLarge, 11},
    // Output that does not fit, that fails only when flushed, and the usage.
    {"WriteFails", {}, std::string(1 << 16, 'x'), 1, "標準出力に書けませんでした。", SIZE_MAX, 1, "/dev/full"},
    {"FlushFails", {"/xA"}, "a", 1, "標準出力に書けませんでした。", SIZE_MAX, 1, "/dev/full"},
    {"HelpWriteFails", {"--help"}, "", 1, "標準出力に書けませんでした。", SIZE_MAX, 1, "/dev/full"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FilterTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every allocation of a run fails in turn: each failure ends the run with the
// message and exit 4, nothing written and every heap released. The fake
// platform also holds a heap to the maximum size it was made with.
TEST(FilterRun, EveryAllocationFailsSafely) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"/XA"}, {"/xA"}, {"--utf8", "/xA"}}) {
    for (uint64_t failAt = 1;; ++failAt) {
      testing::FakeOs os;
      os.failHeapEvent = failAt;
      const Result r = Filter(args, "a\nb");
      EXPECT_EQ(os.LiveHeaps(), 0u) << args.back() << " " << failAt;
      if (os.heapLog.size() < failAt) {
        EXPECT_EQ(r.exitCode, 0) << r.err;  // every allocation of the run has failed once
        break;
      }
      EXPECT_EQ(r.exitCode, 4) << args.back() << " " << failAt;
      EXPECT_EQ(r.err, "quorvel-filter: メモリが足りません。 (out of memory)\n");
      EXPECT_EQ(r.out, "");
    }
  }
}

TEST(FilterRun, HostIniGivesTheMarks) {
  const testing::TempDir dir;
  for (const auto& [content, want] :
       {std::pair{"[Option]\r\nInyouhu=#\r\n", ">A\n#\x82\x60"}, std::pair{"[Option]\nInyouhu=\n", ">A\n#A"}}) {
    testing::WriteFile(dir / "host.ini", content);
    EXPECT_EQ(Filter({"--host-ini=" + dir / "host.ini"}, ">\x82\x60\n#\x82\x60").out, want) << content;
  }
}

TEST(FilterRun, HelpAndReadError) {
  EXPECT_THAT(Filter({"--help"}, "").out, ::testing::StartsWith("使い方: quorvel-filter [/スイッチ...]"));
  std::FILE* dir = std::fopen("/tmp", "rb");  // reading fails with EISDIR
  const Result r = Filter({}, "", SIZE_MAX, dir);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_THAT(r.err, HasSubstr("標準入力を読めませんでした。"));
  std::fclose(dir);
}

// Input far longer than what the filter converts at a time, from a file and
// from a pipe: lines of up to 160 bytes and one of over a megabyte, quoted or
// not, ended every way, lead bytes before line breaks. Each line is a piece
// repeated, so the output is the pieces' conversions one after the other.
TEST(FilterRun, LongInputConvertsAsOneWhole) {
  // Each piece as read, and its conversions by /XAK and /xAK.
  const std::string pieces[][3] = {{">\x82\x60\xB6", ">\x82\x60\xB6", ">\x82\x60\xB6"},
                                   {"\x82\x60\xB6\xDE", "A\xB6\xDE", "\x82\x60\x83\x4B"},
                                   {" a", " a", " \x82\x81"}};
  const std::string ends[] = {"\n", "\r\n", "\r", "\0"s, "\x82\n", "\x82\r"};
  std::string all[3];
  std::mt19937 random(7);
  for (size_t line = 0; all[0].size() < (3u << 20); ++line) {
    const auto& piece = pieces[random() % std::size(pieces)];
    const std::string& end = ends[random() % std::size(ends)];
    for (size_t i = line == 9999 ? (1u << 19) + 999 : random() % 40; i > 0; --i) {
      for (int k = 0; k < 3; ++k) all[k] += piece[k];
    }
    for (auto& text : all) text += end;
  }
  const testing::TempDir dir;
  testing::WriteFile(dir / "in", all[0]);
  for (const bool toHalf : {true, false}) {
    const std::vector<std::string> args = {toHalf ? "/XAK" : "/xAK"};
    const std::string& want = all[toHalf ? 1 : 2];
    EXPECT_TRUE(Filter(args, all[0]).out == want) << "from a file, to half " << toHalf;
    std::FILE* pipe = popen(("cat " + dir / "in").c_str(), "r");
    EXPECT_TRUE(Filter(args, "", SIZE_MAX, pipe).out == want) << "from a pipe, to half " << toHalf;
    pclose(pipe);
  }
}

// The program itself: a reader that goes away midway makes it stop with a
// message and a failing exit code instead of reporting success.
TEST(FilterRun, ClosedPipeMidwayIsAnError) {
  const testing::TempDir dir;
  const std::string cmd = "sh -c 'head -c 8388608 /dev/zero | tr \"\\0\" a | " QV_FILTER_PATH " 2> " + dir / "err" +
                          "; echo $? >> " + dir / "err" + "' | head -c 1000 > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string text = testing::ReadFile(dir / "err");
  EXPECT_THAT(text, HasSubstr("標準出力に書けませんでした。"));
  EXPECT_THAT(text, ::testing::EndsWith("\n1\n"));
}

}  // namespace
}  // namespace qv
