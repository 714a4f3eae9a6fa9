#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// Only characters whose code page 932 bytes read back as the same character
// are taken; the others (some that converters map one way to a look-alike)
// are refused at their offset, on every platform.
TEST(TextEncodingTest, RefusesWhatDoesNotReadBackTheSame) {
  const char* const refused[] = {"¥", "¢", "£", "¬", "—", "‖", "‾", "−", "〜", "😀"};
  for (const char* c : refused) {
    std::string out = "x";
    size_t offset = 99;
    EXPECT_FALSE(Utf8ToCp932(std::string("あb") + c + "cd", out, &offset)) << c;
    EXPECT_EQ(offset, 4u) << c;
    EXPECT_TRUE(out.empty()) << c;
  }
  const char* const taken[] = {"＼", "￥", "～", "∥", "－", "￠", "￣", "テキスト ﾃﾞｰﾀ a\\~\r\n"};
  for (const char* c : taken) {
    std::string cp932, back;
    size_t offset = 99;
    ASSERT_TRUE(Utf8ToCp932(c, cp932, &offset)) << c << " at " << offset;
    ASSERT_TRUE(Cp932ToUtf8(cp932, back, nullptr)) << c;
    EXPECT_EQ(back, c);
  }
  std::string out;
  size_t offset = 99;
  EXPECT_FALSE(Utf8ToCp932("abc\xE3\x81", out, &offset)) << "a cut-off sequence";
  EXPECT_EQ(offset, 3u);
  EXPECT_FALSE(Utf8ToCp932("\xE2\x80\x94", out, &offset)) << "comes back differing in its third byte";
  EXPECT_EQ(offset, 0u);
}

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
