#include "driver/switches.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_os.h"

namespace qv {
namespace {

using testing::FakeOs;
using O = ConversionOptions;
using Report = std::pair<int32_t, std::string>;

ConversionOptions Options(std::initializer_list<uint8_t O::*> on, std::initializer_list<uint8_t O::*> off = {}) {
  ConversionOptions o;
  for (auto m : on) o.*m = 1;
  for (auto m : off) o.*m = 0;
  return o;
}

TEST(SwitchTest, LettersDefaultsAndTheDialogDecision) {
  const struct {
    std::string line;
    ConversionOptions options;
    uint8_t showDialog;
    std::vector<Report> reports;
  } cases[] = {
      {"q.exe", O{}, 1, {}},
      {"q.exe /XA", O{}, 0, {}},
      {"q.exe /xK", Options({&O::ProcessKatakana}, {&O::ExchangeZenHan}), 0, {}},
      {"q.exe /XAq", O{}, 1, {{1, "/XAq"}}},
      {"q.exe /q1N", Options({&O::ProcessNumber}), 1, {{1, "/q1N"}, {1, "/q1N"}}},  // each bad letter
      {"q.exe hello", O{}, 1, {{1, "hello"}}},
      {"q.exe /D/X", O{}, 1, {}},
      {"q.exe //X", O{}, 1, {{1, "/"}}},
      {"q.exe bad /Xd", O{}, 1, {{1, "bad"}}},
      {"q.exe /Dd/X", O{}, 0, {}},
      {"q.exe \"\" \"\"", O{}, 1, {}},  // empty arguments are not seen
      {"q.exe \"\" /N", Options({&O::ProcessNumber}), 0, {}},
      {"q.exe /aNSPJKLURTV",
       Options({&O::ProcessNumber, &O::ProcessSpace, &O::ProcessPunct, &O::ProcessJPPunct, &O::ProcessKatakana,
                &O::ProcessQuotedLine, &O::ReplaceSpaceToUnderbar, &O::ProcessImpossibleReverse,
                &O::TransformHiraToKana, &O::NoConnectVoiced},
               {&O::ProcessAlphabet}),
       0, {}},
      {"q.exe /nspjklurtvX/N/n", O{}, 0, {}},
      {"q.exe /X oops /A", O{}, 1, {{2, "oops"}}},
      {"q.exe /N/z", Options({&O::ProcessNumber}), 1, {{2, "/z"}}},
      {"q.exe /aA", O{}, 0, {}},
  };
  for (const auto& c : cases) {
    FakeOs os;
    ArgumentList list;
    list.ConstructFrom(c.line.c_str());
    ConversionOptions options = Options({}, {&O::ExchangeZenHan, &O::ProcessAlphabet});
    uint8_t showDialog = 7;
    std::vector<Report> reports;
    ParseSwitches(list, options, showDialog, [](void* r, int32_t i, const char* a) {
      static_cast<std::vector<Report>*>(r)->emplace_back(i, a);
    }, &reports);
    list.Destroy();
    EXPECT_EQ(options, c.options) << c.line;
    EXPECT_EQ(showDialog, c.showDialog) << c.line;
    EXPECT_EQ(reports, c.reports) << c.line;
  }
}

// TransformHiraToKana needs katakana; NoConnectVoiced is for half-width to
// full-width, ProcessImpossibleReverse for full-width to half-width.
TEST(SwitchTest, FixUpClearsWhatDoesNotApply) {
  const struct {
    ConversionOptions before, after;
  } cases[] = {
      {Options({&O::TransformHiraToKana}), O{}},
      {Options({&O::TransformHiraToKana, &O::ProcessKatakana}), Options({&O::TransformHiraToKana, &O::ProcessKatakana})},
      {Options({&O::NoConnectVoiced}), O{}},
      {Options({&O::NoConnectVoiced}, {&O::ExchangeZenHan}), Options({&O::NoConnectVoiced}, {&O::ExchangeZenHan})},
      {Options({&O::ProcessImpossibleReverse}, {&O::ExchangeZenHan}), Options({}, {&O::ExchangeZenHan})},
      {Options({&O::ProcessImpossibleReverse}), Options({&O::ProcessImpossibleReverse})},
  };
  for (const auto& c : cases) {
    ConversionOptions o = c.before;
    FixUpOptions(o);
    EXPECT_EQ(o, c.after);
  }
}

TEST(SwitchTest, BadArgumentMessageInCodePage932CutToTheBuffer) {
  char buffer[kMessageBufferSize];
  FormatBadArgument(buffer, sizeof buffer, 1, "hello");
  // "1 番目の引数が認識できません： 'hello'"
  EXPECT_EQ(std::string(buffer), "1 \x94\xD4\x96\xDA\x82\xCC\x88\xF8\x90\x94\x82\xAA\x94\x46\x8E\xAF\x82\xC5\x82\xAB"
                                 "\x82\xDC\x82\xB9\x82\xF1\x81\x46 'hello'");
  FormatBadArgument(nullptr, sizeof buffer, 1, "x");  // nothing to write into
  FormatBadArgument(buffer, 1, 1, "x");
  EXPECT_STREQ(buffer, "");
  FormatBadArgument(buffer, sizeof buffer, 12, std::string(10000, 'z').c_str());
  EXPECT_EQ(std::string(buffer).size(), kMessageBufferSize - 1);
  EXPECT_EQ(std::string(buffer).substr(0, 3), "12 ");
}

}  // namespace
}  // namespace qv
