#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(TextEncodingTest, RoundTripsJapanese) {
  const std::string cp932 = "\x83\x65\x83L\x83X\x83g \xC3\xDE\xB0\xC0 \x81\x60\x81\x7C\x81\x8F";  // テキスト ﾃﾞｰﾀ ～－￥
  std::string utf8, back;
  ASSERT_TRUE(Cp932ToUtf8(cp932, utf8, nullptr));
  EXPECT_EQ(utf8, "\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88 \xEF\xBE\x83\xEF\xBE\x9E\xEF\xBD\xB0\xEF\xBE\x80 "
                  "\xEF\xBD\x9E\xEF\xBC\x8D\xEF\xBF\xA5");
  ASSERT_TRUE(Utf8ToCp932(utf8, back, nullptr));
  EXPECT_EQ(back, cp932);
}

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
