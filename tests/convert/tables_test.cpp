#include "convert/tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qv {
namespace {

std::vector<CharRecord> Records(const char* table) {
  const size_t n = std::strlen(table);
  EXPECT_EQ(n % 3, 0u);
  std::vector<CharRecord> records;
  for (size_t i = 0; i + 2 < n; i += 3) {
    records.push_back({static_cast<uint8_t>(table[i]), static_cast<uint8_t>(table[i + 1]),
                       static_cast<uint8_t>(table[i + 2])});
  }
  return records;
}

struct TableCase {
  const char* name;
  const char* table;
  size_t records;
  uint8_t lead;
};

const TableCase kTables[] = {
    {"AlphabetTable", AlphabetTable, 52, 0x82},       {"NumberTable", NumberTable, 10, 0x82},
    {"SpaceTable", SpaceTable, 1, 0x81},              {"PunctTable", PunctTable, 32, 0x81},
    {"JPPunctTable", JPPunctTable, 8, 0x81},          {"KatakanaTable", KatakanaTable, 81, 0x83},
    {"KatakanaVoicedTable", KatakanaVoicedTable, 26, 0x83},
    {"ImpossibleReverseTable", ImpossibleReverseTable, 1, 0x81},
    {"HiraganaTable", HiraganaTable, 80, 0x82},       {"HiraganaVoicedTable", HiraganaVoicedTable, 25, 0x82},
    {"KatakanaJoinTable", KatakanaJoinTable, 21, 0x83}, {"HiraganaJoinTable", HiraganaJoinTable, 20, 0x82},
};

TEST(TablesTest, CountsAndLeadBytes) {
  for (const TableCase& t : kTables) {
    const auto records = Records(t.table);
    EXPECT_EQ(records.size(), t.records) << t.name;
    for (const CharRecord& r : records) EXPECT_EQ(r.lead, t.lead) << t.name;
  }
}

TEST(TablesTest, PunctuationCodesAreTheListedOnes) {
  const uint16_t codes[32] = {0x8143, 0x8144, 0x8146, 0x8147, 0x8148, 0x8149, 0x814F, 0x8151, 0x815E, 0x8160, 0x8162,
                              0x8165, 0x8166, 0x8168, 0x8169, 0x816A, 0x816D, 0x816E, 0x816F, 0x8170, 0x817B, 0x817C,
                              0x8181, 0x8183, 0x8184, 0x818F, 0x8190, 0x8193, 0x8194, 0x8195, 0x8196, 0x8197};
  const char half[] = ",.:;?!^_/~|`'\"()[]{}+-=<>\\$%#&*@";
  const auto records = Records(PunctTable);
  ASSERT_EQ(records.size(), 32u);
  for (size_t i = 0; i < 32; ++i) {
    EXPECT_EQ(records[i].lead << 8 | records[i].trail, codes[i]) << i;
    EXPECT_EQ(records[i].paired, static_cast<uint8_t>(half[i])) << i;
  }
  EXPECT_EQ(std::string(ImpossibleReverseTable), "\x81\x67\x22");
  EXPECT_EQ(std::string(SpaceTable), "\x81\x40\x20");
}

// Together the conversion tables cover every printable ASCII character and
// every half-width byte 0xA1..0xDF, and the first record per byte wins.
TEST(TablesTest, FullMapCoversEveryHalfWidthByteOnce) {
  uint16_t map[256] = {};
  for (const char* t : {AlphabetTable, NumberTable, SpaceTable, PunctTable, JPPunctTable, KatakanaTable}) {
    BuildFullMap(map, t);
  }
  int set = 0;
  for (int b = 0; b < 256; ++b) {
    const bool expected = (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF);
    EXPECT_EQ(map[b] != 0, expected) << b;
    set += map[b] != 0;
  }
  EXPECT_EQ(set, 158);
  EXPECT_EQ(map[0xB6], 0x834A) << "ｶ gives カ, not ガ";
  EXPECT_EQ(map[0xCA], 0x836E) << "ﾊ gives ハ";
  EXPECT_EQ(map[0xB3], 0x8345) << "ｳ gives ウ, not ヴ";
  EXPECT_EQ(map[0x5C], 0x818F) << "backslash gives ￥";
  EXPECT_EQ(map[0x22], 0x8168) << "quotation mark gives ”";
}

TEST(TablesTest, HiraganaGroupsMatchKatakana) {
  uint16_t kata[256] = {}, hira[256] = {};
  BuildFullMap(kata, KatakanaTable);
  BuildFullMap(hira, HiraganaTable);
  for (int b = 0xA6; b <= 0xDD; ++b) {
    if (b == 0xB0) continue;  // ｰ belongs to the Japanese punctuation
    EXPECT_NE(kata[b], 0) << b;
    EXPECT_NE(hira[b], 0) << b;
  }
  EXPECT_EQ(hira[0xA6], 0x82F0) << "ｦ gives を";
  EXPECT_EQ(hira[0xDD], 0x82F1) << "ﾝ gives ん";
  EXPECT_EQ(kata[0xDC], 0x838F) << "ﾜ gives ワ";
}

TEST(TablesTest, HalfMapsForVoicedKana) {
  uint8_t half[256] = {}, mark[256] = {};
  BuildHalfMap(half, KatakanaTable);
  BuildHalfMap(mark, KatakanaVoicedTable);
  EXPECT_EQ(half[0x94], 0xB3);
  EXPECT_EQ(mark[0x94], 0xDE) << "ヴ becomes ｳﾞ";
  EXPECT_EQ(half[0x4B], 0xB6);
  EXPECT_EQ(mark[0x4B], 0xDE) << "ガ becomes ｶﾞ";
  EXPECT_EQ(mark[0x7C], 0xDF) << "ポ becomes ﾎﾟ";
  EXPECT_EQ(mark[0x4A], 0) << "カ takes no mark";
}

TEST(TablesTest, LettersAndDigitsShareAnArrayWithoutCollisions) {
  uint8_t a[256] = {}, b[256] = {};
  BuildHalfMap(a, AlphabetTable);
  BuildHalfMap(a, NumberTable);
  BuildHalfMap(b, NumberTable);
  BuildHalfMap(b, AlphabetTable);
  int set = 0;
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(a[i], b[i]);
    set += a[i] != 0;
  }
  EXPECT_EQ(set, 62);
  for (int i = 0x7A; i <= 0x80; ++i) EXPECT_EQ(a[i], 0) << "gap between the letter runs";
}

TEST(TablesTest, JoinBasesPrecedeTheirVoicedForms) {
  uint16_t kata[256] = {};
  BuildFullMap(kata, KatakanaTable);
  for (const CharRecord& r : Records(KatakanaJoinTable)) {
    EXPECT_TRUE(r.paired == 0xDE || r.paired == '+');
    if (r.trail == 0x45) continue;  // ウ joins to ヴ 0x8394
    // The voiced form is the next code, and for '+' the semi-voiced the one after.
    bool voiced = false, semi = false;
    for (const CharRecord& v : Records(KatakanaVoicedTable)) {
      voiced |= v.trail == r.trail + 1 && v.paired == 0xDE;
      semi |= v.trail == r.trail + 2 && v.paired == 0xDF;
    }
    EXPECT_TRUE(voiced) << int(r.trail);
    EXPECT_EQ(semi, r.paired == '+') << int(r.trail);
  }
}

TEST(TablesTest, EmptyTableChangesNothing) {
  uint8_t half[256] = {};
  uint16_t full[256] = {};
  BuildHalfMap(half, "");
  BuildFullMap(full, "");
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(half[i], 0);
    EXPECT_EQ(full[i], 0);
  }
}

}  // namespace
}  // namespace qv
