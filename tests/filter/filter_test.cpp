// quorvel-filter run whole in this process: arguments, standard input and
// files in; standard output, messages, files and the exit code out.
// tests/filter/program.sh runs the built program where the process itself
// matters (signals, closed pipes, file size limits).
#include "filter/filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text_encoding.h"
#include "tests/support/fake_os.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using ::testing::HasSubstr;
using namespace std::string_literals;
namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Standard input, output and error as files of a fresh folder; `outPath`
// replaces the output (/dev/full).
Result Filter(const testing::TempDir& dir, const std::vector<std::string>& args, const std::string& input,
              Encoding signless = Encoding::kShiftJis, const char* outPath = nullptr) {
  testing::WriteFile(dir / "stdin", input);
  std::FILE* in = std::fopen((dir / "stdin").c_str(), "rb");
  std::FILE* out = std::fopen(outPath != nullptr ? outPath : (dir / "stdout").c_str(), "wb");
  std::FILE* err = std::fopen((dir / "stderr").c_str(), "wb");
  Result r;
  r.exitCode = RunFilter(args, {in, out, err}, signless);
  for (std::FILE* f : {in, out, err}) std::fclose(f);
  if (outPath == nullptr) r.out = testing::ReadFile(dir / "stdout");
  r.err = testing::ReadFile(dir / "stderr");
#ifdef _WIN32
  r.err = Cp932ToUtf8Lossy(r.err);  // messages for a person, not for a console: code page 932
  if (args == std::vector<std::string>{"-h"}) r.out = Cp932ToUtf8Lossy(r.out);
#endif
  return r;
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::string in;
  int exitCode;
  std::string want;  // exit 0: the output; else a part of the message, nothing written
  long lines = 1;    // of messages
  Encoding signless = Encoding::kShiftJis;
  const char* outPath = nullptr;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class FilterTest : public ::testing::TestWithParam<Case> {};

TEST_P(FilterTest, Runs) {
  const Case& c = GetParam();
  const testing::TempDir dir;
  const Result r = Filter(dir, c.args, c.in, c.signless, c.outPath);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  if (c.exitCode == 0) {
    EXPECT_EQ(r.out, c.want);
  }
  EXPECT_THAT(r.err, HasSubstr(c.exitCode == 0 ? "" : c.want));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.exitCode == 0 ? 0 : c.lines) << r.err;
  if (c.exitCode == kFilterUsage) {
    EXPECT_THAT(r.err, HasSubstr("quorvel-filter --help)"));
  }
}

// Shift_JIS: Ａ 8260, Ｂ 8261, ０ 824F, 　 8140, ＞ 8184, ガ 834B, ｶ B6, ﾞ DE.
const Case kCases[] = {
    {"NoSwitchesMeansLettersToHalf", {}, "\x82\x60\x82\x4F\x83\x4B", 0, "A\x82\x4F\x83\x4B"},
    {"EmptyInput", {}, "", 0, ""},
    {"SeveralGroups", {"/XN", "/a"}, "\x82\x60\x82\x4F", 0, "\x82\x60" "0"},
    {"SmallXToFull", {"/xA"}, "Ab", 0, "\x82\x60\x82\x82"},
    {"DialogSwitchIgnored", {"/DXN"}, "\x82\x4F", 0, "0"},
    {"HiraganaOnlyWithKatakana", {"/XT"}, "\x82\xAA", 0, "\x82\xAA"},
    {"SpaceAndUnderbar", {"/X/S/U"}, "\x81\x40 ", 0, "__"},
    {"DefaultQuoteMarks", {}, "\x82\x60\r\n\x81\x84\x82\x60\r\n", 0, "A\r\n\x81\x84\x82\x60\r\n"},
    {"QuoteMarksGiven", {"--quote-marks=#"}, ">\x82\x60\n#\x82\x60", 0, ">A\n#\x82\x60"},
    {"QuoteMarksEmpty", {"--quote-marks="}, ">\x82\x60", 0, ">A"},
    {"NulPassesAndRestartsText", {}, "\x82\x60\0>\x82\x61\0\x82\x62"s, 0, "A\0>\x82\x61\0C"s},
    // UTF-8 found by itself: the bytes of る hold no Shift_JIS letter for it.
    {"Utf8Untouched", {}, "する\n", 0, "する\n"},
    {"Utf8ToHalf", {"/XAN"}, "ＡＢ１２かな", 0, "AB12かな"},
    {"Utf8ToFull", {"/xKJ"}, "ﾃｽﾄ ﾃﾞｰﾀ", 0, "テスト データ"},
    {"Utf8PassesWhatItCannotConvert", {"/XANSPJKR"}, "\xEF\xBB\xBF¥é😀〜—−\xE3\x82", 0, "\xEF\xBB\xBF¥é😀〜—−\xE3\x82"},
    {"Utf8QuoteMarksInUtf8", {"--quote-marks=＃"}, "＃Ａ\nＡ", 0, "＃Ａ\nA"},
    {"Utf8Given", {"--utf8", "/x"}, "a\0b"s, 0, "ａ\0ｂ"s},
    {"EncodingNamedInAnyCase", {"--encoding=UTF-8", "/x"}, "a", 0, "ａ"},
    {"ShiftJisGiven", {"--sjis", "/xK"}, "\xC3\xA9", 0, "\x83\x65\x83\x44"},  // ﾃｩ, which UTF-8 reads as é
    {"AsciiInTheLocalesEncoding", {"/xA"}, "ab", 0, "ａｂ", 1, Encoding::kUtf8},
    {"Version", {"--version"}, "", 0, "quorvel-filter " QV_VERSION_TEXT "\n"},
    // One message for each bad argument, counted as the shell split them.
    {"UnknownLetter", {"/XQQ"}, "x", 2, "quorvel-filter: 1 番目の引数が認識できません： '/XQQ'"},
    {"SlashesStayOneArgument", {"/X/Q"}, "x", 2, "1 番目の引数が認識できません： '/X/Q'"},
    {"EachBadArgument", {"/Q", "--junk", "-z"}, "x", 2, "3 番目の引数が認識できません： '-z'", 3},
    {"EmptyHostIni", {"--host-ini="}, "x", 2, "'--host-ini='"},
    {"EmptyKeepList", {"--keep="}, "x", 2, "--keep= に残す文字がありません"},
#ifdef _WIN32
    {"BrokenKeepList", {"--sjis", "--keep=😀"}, "x", 2, "Shift_JIS の文字として読めません"},
#else
    {"BrokenKeepList", {"--sjis", "--keep=\x82"}, "x", 2, "Shift_JIS の文字として読めません"},
#endif
    {"BadEncoding", {"--encoding=latin1"}, "x", 2, "auto, sjis, utf8"},
    {"HostIniMissing", {"--host-ini=no-such.ini"}, "x", 2, "'no-such.ini' を読めませんでした"},
    {"HostIniFolder", {"--host-ini=."}, "x", 2, "cannot read '.': not a file"},
    {"InPlaceNeedsFiles", {"-i"}, "x", 2, "-i にはファイル名が要ります"},
    {"InPlaceNotStandardInput", {"-i", "-"}, "x", 2, "standard input cannot be replaced"},
#ifndef _WIN32
    {"Ambiguous", {"/usr"}, "x", 2, "'/usr' はスイッチにもファイル名にも読めます"},
    {"WriteFails", {}, std::string(1 << 16, 'x'), 1, "標準出力に書けませんでした", 1, Encoding::kShiftJis, "/dev/full"},
    {"HelpWriteFails", {"--help"}, "", 1, "標準出力に書けませんでした", 1, Encoding::kShiftJis, "/dev/full"},
#endif
};

INSTANTIATE_TEST_SUITE_P(Cases, FilterTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Normalize, the kana case and the keep list, in UTF-8 and, where code page
// 932 holds the text, in Shift_JIS.
TEST(FilterRun, NormalizeKanaCaseAndKeep) {
  const struct {
    std::vector<std::string> args;
    std::string in, want, wantShiftJis = {};  // when it differs
  } cases[] = {
      {{"--normalize"}, "「ＡＢＣ」は　１２３！ｶﾞｲﾄﾞ･ﾊﾟｿｺﾝｰ｡", "「ABC」は 123!ガイド・パソコンー。"},
      {{"--normalize", "/V"}, "ｶﾞｳﾞ", "カ゛ウ゛"},
      {{"--normalize", "/n"}, "１ｱ＞\n＞ＡＢ", "１ア>\n＞ＡＢ"},
      {{"--normalize", "/U"}, "Ａ　Ｂ", "A_B"},
      {{"/MAK"}, "Ａｱa", "Aアa"},
      {{"/M", "/m", "/AK"}, "Ａｱ", "Aｱ"},
      {{"--hiragana"}, "カタカナ・ヴァヵヶヽヾー＞\n＞カ", "かたかな・ゔぁゕゖゝゞー＞\n＞カ", "かたかな・ヴぁヵヶゝゞー＞\n＞カ"},
      {{"--katakana"}, "ひらがなぁゝゞ", "ヒラガナァヽヾ"},
      {{"/C", "/G"}, "ひカ", "ひか"},
      {{"/xKJG"}, "ﾃﾞｰﾀ", "でーた"},
      {{"/XKG"}, "テスト", "ﾃｽﾄ"},
      {{"/xKTC"}, "ｶﾞﾊﾟ", "ガパ"},
      {{"/XANSP", "--keep=！？"}, "ＡＢ！？（）", "AB！？()"},
      {{"/xA", "--keep=b"}, "ab", "ａb"},
      {{"/xKJ", "--keep=ﾞ"}, "ｶﾞﾊﾟ", "カﾞパ"},
      {{"/xK", "--keep=\u3099"}, "ｶ\u3099ﾊ\u309A", "カ\u3099パ"},  // a combining mark kept joins nothing
      {{"/XK", "--keep=\u3099"}, "カ\u3099", "ｶ\u3099"},
      {{"--hiragana", "--keep=カ"}, "カキ", "カき"},
      {{"/XSU", "--keep= "}, "Ａ　Ｂ c", "A B c"},
  };
  const testing::TempDir dir;
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "--utf8");
    EXPECT_EQ(Filter(dir, args, c.in).out, c.want) << args[1] << " " << c.in;
    std::string in, want, keep;
    if (!Utf8ToCp932(c.in, in, nullptr) || !Utf8ToCp932(c.wantShiftJis.empty() ? c.want : c.wantShiftJis, want, nullptr)) {
      continue;
    }
    args[0] = "--sjis";
#ifndef _WIN32  // Windows writes the wide command line's characters in the input's encoding itself
    for (std::string& a : args) {
      if (a.starts_with("--keep=") && Utf8ToCp932(a, keep, nullptr)) a = keep;
    }
#endif
    EXPECT_EQ(Filter(dir, args, in).out, want) << "Shift_JIS " << args[1] << " " << c.in;
  }
}

TEST(FilterRun, HelpAndHostIni) {
  const testing::TempDir dir;
  EXPECT_THAT(Filter(dir, {"-h"}, "").out, ::testing::StartsWith("使い方: quorvel-filter [スイッチ|オプション]..."));
  for (const auto& [content, want] :
       {std::pair{"[Option]\r\nInyouhu=#\r\n", ">A\n#\x82\x60"}, std::pair{"[Option]\nInyouhu=\n", ">A\n#A"},
        std::pair{"", ">\x82\x60\n#A"}}) {
    testing::WriteFile(dir / "host.ini", content);
    EXPECT_EQ(Filter(dir, {"--host-ini=" + dir / "host.ini"}, ">\x82\x60\n#\x82\x60").out, want) << content;
  }
}

// Files in order, - for standard input, -- before names that look like
// options; one that cannot be read is named and the others still go out.
TEST(FilterRun, FilesInOrder) {
  const testing::TempDir dir;
  testing::WriteFile(dir / "a", "\x82\x60\n");
  testing::WriteFile(dir / "-i", "ＡＢ\n");  // UTF-8, decided by itself
  const Result r = Filter(dir, {"/XA", dir / "a", "-", dir / "missing", "--", dir / "-i"}, "\x82\x61\n");
  EXPECT_EQ(r.exitCode, kFilterFailed);
  EXPECT_EQ(r.out, "A\nB\nAB\n");
  EXPECT_THAT(r.err, HasSubstr("'" + dir / "missing" + "' を開けませんでした"));
  EXPECT_EQ(Filter(dir, {dir / "a"}, "").exitCode, kFilterOk);
}

// -i on several files: each converted in place or, on failure, left exactly
// as it was with a message naming it; no temporary file stays behind.
TEST(FilterRun, InPlace) {
  const testing::TempDir dir;
  const std::string longName(250, 'n');  // the temporary file's name is longer than a name may be
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.txt", "\x82\x60\x82\x61\r\n"}, {"same.txt", "AB\r\n"}, {longName, "\x82\x60"}, {"b.txt", "ＡＢ"}};
  for (const auto& [name, bytes] : files) testing::WriteFile(dir / name, bytes);
  const auto old = fs::last_write_time(dir / "same.txt") - std::chrono::hours(24);
  fs::last_write_time(dir / "same.txt", old);
  std::vector<std::string> args = {"-i", "/XA"};
  for (const auto& [name, bytes] : files) args.push_back(dir / name);
  args.insert(args.begin() + 3, dir / "vanished.txt");
#ifndef _WIN32
  fs::permissions(dir / "a.txt", fs::perms(0640));
  fs::create_symlink(dir / "b.txt", dir / "link");
  args.back() = dir / "link";
#endif
  const Result r = Filter(dir, args, "");
  EXPECT_EQ(r.exitCode, kFilterFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
  EXPECT_THAT(r.err, HasSubstr("vanished.txt' を開けませんでした"));
  EXPECT_THAT(r.err, HasSubstr(longName + "' の一時ファイルを作れませんでした。元のままです"));
  EXPECT_EQ(testing::ReadFile(dir / "a.txt"), "AB\r\n");
  EXPECT_EQ(testing::ReadFile(dir / "same.txt"), "AB\r\n");
  EXPECT_EQ(fs::last_write_time(dir / "same.txt"), old);
  EXPECT_EQ(testing::ReadFile(dir / longName), "\x82\x60");
  EXPECT_EQ(testing::ReadFile(dir / "b.txt"), "AB");
  const auto entries = std::distance(fs::directory_iterator(dir / ""), fs::directory_iterator());
#ifndef _WIN32
  EXPECT_EQ(fs::status(dir / "a.txt").permissions(), fs::perms(0640));
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(entries, 8);  // and stdin, stdout, stderr, the link
#else
  EXPECT_EQ(entries, 7);
#endif
}

// Every Unicode scalar value on a line of its own: with no class selected
// the text comes back as it was; with every class, a line changes only where
// its character is one of code page 932's.
TEST(FilterRun, EveryScalarValuePassesUtf8) {
  std::string text;
  std::vector<size_t> starts;
  std::vector<uint32_t> codes;
  for (uint32_t u = 0; u <= 0x10FFFF; ++u) {
    if ((u >= 0xD800 && u <= 0xDFFF) || u == '\n' || u == '\r') continue;
    starts.push_back(text.size());
    codes.push_back(u);
    char b[4];
    const int n = u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
    b[0] = static_cast<char>(n == 1 ? u : (0xF00 >> n) | (u >> (6 * (n - 1))));
    for (int i = 1; i < n; ++i) b[i] = static_cast<char>(0x80 | ((u >> (6 * (n - 1 - i))) & 0x3F));
    text.append(b, static_cast<size_t>(n)).append("\n");
  }
  const testing::TempDir dir;
  EXPECT_TRUE(Filter(dir, {"--utf8", "/a"}, text).out == text);
  EXPECT_TRUE(Filter(dir, {"--utf8", "/xa"}, text).out == text);
  for (const char* all : {"/XANSPJKRT", "/xANSPJKT"}) {
    const std::string out = Filter(dir, {"--utf8", "/L", all}, text).out;
    size_t changed = 0;
    for (size_t i = 0, at = 0; i < starts.size(); ++i) {
      const size_t end = text.find('\n', starts[i]);
      const size_t outEnd = out.find('\n', at);
      ASSERT_NE(outEnd, std::string::npos) << all << " line " << i;
      if (out.compare(at, outEnd - at, text, starts[i], end - starts[i]) != 0) {
        const uint32_t u = codes[i];
        EXPECT_TRUE(u < 0x80 || u == 0xA5 || (u >= 0x2018 && u <= 0x201D) || (u >= 0x3000 && u <= 0x30FF) ||
                    (u >= 0xFF01 && u <= 0xFFE5))
            << all << " changed U+" << std::hex << u;
        ++changed;
      }
      at = outEnd + 1;
    }
    EXPECT_GT(changed, 100u) << all;
  }
}

// Every allocation of a run fails in turn: each failure ends the run with the
// message and exit 4, nothing written and every heap released.
TEST(FilterRun, EveryAllocationFailsSafely) {
  const testing::TempDir dir;
  for (uint64_t failAt = 1;; ++failAt) {
    testing::FakeOs os;
    os.failHeapEvent = failAt;
    const Result r = Filter(dir, {"/xA"}, "a\nb");
    EXPECT_EQ(os.LiveHeaps(), 0u) << failAt;
    if (os.heapLog.size() < failAt) {
      EXPECT_EQ(r.exitCode, 0) << r.err;  // every allocation of the run has failed once
      break;
    }
    EXPECT_EQ(r.exitCode, kFilterOutOfMemory) << failAt;
    EXPECT_EQ(r.err, "quorvel-filter: メモリが足りません。 (out of memory)\n");
    EXPECT_EQ(r.out, "");
  }
}

#ifndef _WIN32
// Text without a sign of its own is taken in the locale's encoding; the
// process's own locale is left as it was.
TEST(FilterRun, LocaleEncoding) {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  for (const auto& [locale, want] : {std::pair{"C.UTF-8", Encoding::kUtf8}, std::pair{"C", Encoding::kShiftJis}}) {
    setenv("LC_ALL", locale, 1);
    EXPECT_EQ(files::LocaleEncoding(), want) << locale;
    EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before);
  }
  unsetenv("LC_ALL");
}
#endif

// Input far longer than a piece: lines of up to 160 bytes, quoted or not,
// ended every way, lead bytes before line breaks; a line of blanks longer
// than the filter holds; a line of 3 MiB that is not quoted though the
// pieces it is cut into begin with a quote mark. Each line is a piece
// repeated, so the output is the pieces' conversions one after the other.
TEST(FilterRun, LongInputConvertsAsOneWhole) {
  // Each piece as read, and its conversions by /XAKS and /xAKS.
  const std::string pieces[][3] = {{">\x82\x60\xB6", ">\x82\x60\xB6", ">\x82\x60\xB6"},
                                   {"\x82\x60\xB6\xDE", "A\xB6\xDE", "\x82\x60\x83\x4B"},
                                   {"a", "a", "\x82\x81"}, {"\t", "\t", "\t"},
                                   {"\x81\x84\x82\x60", "\x81\x84" "A", "\x81\x84\x82\x60"}};  // ＞Ａ
  const std::string ends[] = {"\n", "\r\n", "\r", "\0"s, "\x82\n", "\x82\r"};
  std::string all[3];
  std::mt19937 random(7);
  for (size_t line = 0; all[0].size() < (8u << 20); ++line) {
    const auto& piece = pieces[line == 3 ? 3 : line == 6 ? 4 : random() % 3];
    if (line == 6) all[0] += "b", all[1] += "b", all[2] += "\x82\x82";
    for (size_t i = line == 3 || line == 6 ? (3u << 20) / piece[0].size() : random() % 40; i > 0; --i) {
      for (int k = 0; k < 3; ++k) all[k] += piece[k];
    }
    const std::string& end = ends[random() % std::size(ends)];
    for (auto& text : all) text += end;
  }
  const testing::TempDir dir;
  for (const bool toHalf : {true, false}) {
    const Result r = Filter(dir, {"--sjis", toHalf ? "/XAKS" : "/xAKS"}, all[0]);
    EXPECT_TRUE(r.out == all[toHalf ? 1 : 2]) << "to half " << toHalf;
  }
}

}  // namespace
}  // namespace qv
