// The switch letters, the dialog decision and what the fix-up clears are
// checked by the argument fuzz target on its corpus (replayed by
// qv_test_hardening); here the message of a bad argument.
#include "driver/switches.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

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
