// The switch letters and the dialog decision are checked against a model by
// the argument fuzz target on its corpus (replayed by qv_test_hardening).
#include "driver/switches.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using O = ConversionOptions;

// TransformHiraToKana needs katakana; NoConnectVoiced is for half-width to
// full-width, ProcessImpossibleReverse for full-width to half-width.
TEST(SwitchTest, FixUpClearsWhatDoesNotApply) {
  const struct {
    uint8_t O::*flag;
    uint8_t exchange, katakana;
    bool kept;
  } cases[] = {
      {&O::TransformHiraToKana, 1, 0, false}, {&O::TransformHiraToKana, 1, 1, true},
      {&O::NoConnectVoiced, 1, 0, false},     {&O::NoConnectVoiced, 0, 0, true},
      {&O::ProcessImpossibleReverse, 0, 0, false}, {&O::ProcessImpossibleReverse, 1, 0, true},
  };
  for (const auto& c : cases) {
    O o;
    o.ExchangeZenHan = c.exchange;
    o.ProcessKatakana = c.katakana;
    o.*c.flag = 1;
    O expected = o;
    expected.*c.flag = c.kept ? 1 : 0;
    FixUpOptions(o);
    EXPECT_EQ(o, expected);
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
