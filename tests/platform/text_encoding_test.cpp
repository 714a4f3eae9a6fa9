#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(TextEncodingTest, LossyKeepsWhatConverts) {
  EXPECT_EQ(Cp932ToUtf8Lossy("Q"), "Q");
  std::string katakana;  // a byte each, three in UTF-8: more than the first guess of the room
  for (int i = 0; i < 100; ++i) katakana += "\xEF\xBD\xB1";
  EXPECT_EQ(Cp932ToUtf8Lossy(std::string(100, '\xB1')), katakana);
  EXPECT_EQ(Cp932ToUtf8Lossy("Quorvel"), "Quorvel");
  EXPECT_EQ(Cp932ToUtf8Lossy("\x82\xA0"), "\xE3\x81\x82");  // あ
}

}  // namespace
}  // namespace qv
