#include "driver/switches.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/driver/recording_platform.h"

namespace qv {
namespace {

using ::testing::ElementsAreArray;
using Report = std::pair<int32_t, std::string>;

struct Parsed {
  ConversionOptions options;
  uint8_t showDialog = 0;
  std::vector<Report> reports;
};

void Collect(void* context, int32_t index, const char* argument) {
  static_cast<std::vector<Report>*>(context)->emplace_back(index, argument);
}

Parsed Parse(const std::string& line) {
  testing::RecordingPlatform os;
  ArgumentList list;
  list.ConstructFrom(line.c_str());
  Parsed p;
  ParseSwitches(list, p.options, p.showDialog, Collect, &p.reports);
  list.Destroy();
  return p;
}

ConversionOptions Options(std::initializer_list<uint8_t ConversionOptions::*> on,
                          std::initializer_list<uint8_t ConversionOptions::*> off = {}) {
  ConversionOptions o;
  for (auto m : on) o.*m = 1;
  for (auto m : off) o.*m = 0;
  return o;
}

using O = ConversionOptions;

struct SwitchCase {
  const char* name;
  std::string line;
  ConversionOptions options;
  uint8_t showDialog;
  std::vector<Report> reports;
};

class SwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchTest, Parses) {
  const SwitchCase& c = GetParam();
  const Parsed p = Parse(c.line);
  EXPECT_EQ(p.options, c.options);
  EXPECT_EQ(p.showDialog, c.showDialog);
  EXPECT_THAT(p.reports, ElementsAreArray(c.reports));
}

const SwitchCase kSwitchCases[] = {
    {"NoArguments", "q.exe", O{}, 1, {}},
    {"FullToHalfLetters", "q.exe /XA", O{}, 0, {}},
    {"HalfToFullKatakana", "q.exe /xK", Options({&O::ProcessKatakana}, {&O::ExchangeZenHan}), 0, {}},
    {"BadLetterReportedOnceThenDialog", "q.exe /XAq", O{}, 1, {{1, "/XAq"}}},
    {"EachBadLetterReported", "q.exe /q1N", Options({&O::ProcessNumber}), 1, {{1, "/q1N"}, {1, "/q1N"}}},
    {"NotASwitch", "q.exe hello", O{}, 1, {{1, "hello"}}},
    {"DialogRequested", "q.exe /D/X", O{}, 1, {}},
    {"LoneSlashIsBad", "q.exe //X", O{}, 1, {{1, "/"}}},
    {"SmallDAfterError", "q.exe bad /Xd", O{}, 1, {{1, "bad"}}},
    {"SmallDClearsDialog", "q.exe /Dd/X", O{}, 0, {}},
    {"EmptyArgumentsNotSeen", "q.exe \"\" \"\"", O{}, 1, {}},
    {"EmptyArgumentIgnored", "q.exe \"\" /N", Options({&O::ProcessNumber}), 0, {}},
    {"LettersAreCaseSensitive", "q.exe /aNSPJKLURTV",
     Options({&O::ProcessNumber, &O::ProcessSpace, &O::ProcessPunct, &O::ProcessJPPunct, &O::ProcessKatakana,
              &O::ProcessQuotedLine, &O::ReplaceSpaceToUnderbar, &O::ProcessImpossibleReverse,
              &O::TransformHiraToKana, &O::NoConnectVoiced},
             {&O::ProcessAlphabet}),
     0,
     {}},
    {"LaterLetterWins", "q.exe /Nn/X", O{}, 0, {}},
    {"IndexCountsArguments", "q.exe /X oops /A", O{}, 1, {{2, "oops"}}},
    {"GroupsSplitAtSlashes", "q.exe /N/z", Options({&O::ProcessNumber}), 1, {{2, "/z"}}},
};

INSTANTIATE_TEST_SUITE_P(Switches, SwitchTest, ::testing::ValuesIn(kSwitchCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FixUpCase {
  const char* name;
  ConversionOptions before;
  ConversionOptions after;
};

class FixUpTest : public ::testing::TestWithParam<FixUpCase> {};

TEST_P(FixUpTest, ClearsWhatDoesNotApply) {
  ConversionOptions o = GetParam().before;
  FixUpOptions(o);
  EXPECT_EQ(o, GetParam().after);
}

const FixUpCase kFixUpCases[] = {
    {"HiraganaNeedsKatakana", Options({&O::TransformHiraToKana}), O{}},
    {"HiraganaKeptWithKatakana", Options({&O::TransformHiraToKana, &O::ProcessKatakana}),
     Options({&O::TransformHiraToKana, &O::ProcessKatakana})},
    {"NoConnectVoicedOnlyHalfToFull", Options({&O::NoConnectVoiced}), O{}},
    {"NoConnectVoicedKeptHalfToFull", Options({&O::NoConnectVoiced}, {&O::ExchangeZenHan}),
     Options({&O::NoConnectVoiced}, {&O::ExchangeZenHan})},
    {"ImpossibleReverseOnlyFullToHalf", Options({&O::ProcessImpossibleReverse}, {&O::ExchangeZenHan}),
     Options({}, {&O::ExchangeZenHan})},
    {"ImpossibleReverseKeptFullToHalf", Options({&O::ProcessImpossibleReverse}),
     Options({&O::ProcessImpossibleReverse})},
};

INSTANTIATE_TEST_SUITE_P(FixUps, FixUpTest, ::testing::ValuesIn(kFixUpCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadArgumentMessageTest, IsCodePage932Bytes) {
  char buffer[kMessageBufferSize];
  FormatBadArgument(buffer, sizeof buffer, 1, "hello");
  // "1 番目の引数が認識できません： 'hello'"
  EXPECT_EQ(std::string(buffer),
            "1 \x94\xD4\x96\xDA\x82\xCC\x88\xF8\x90\x94\x82\xAA\x94\x46\x8E\xAF\x82\xC5\x82\xAB\x82\xDC\x82\xB9"
            "\x82\xF1\x81\x46 'hello'");
}

TEST(BadArgumentMessageTest, LongArgumentIsCutToTheBuffer) {
  const std::string huge(10000, 'z');
  char buffer[kMessageBufferSize];
  FormatBadArgument(buffer, sizeof buffer, 12, huge.c_str());
  const std::string text(buffer);
  EXPECT_EQ(text.size(), kMessageBufferSize - 1);
  EXPECT_EQ(text.substr(0, 3), "12 ");
}

}  // namespace
}  // namespace qv
