// Generated texts through the checks of fuzz/fuzz_convert.cpp (the fast
// conversions against the reference and the line model, cuts, round trips):
// every character class, every option combination, several quote lists,
// broken pairs, line-break mixes and NULs, and the chunk boundaries of the
// fast moves. Seeds are fixed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/quote_marks.h"
#include "convert/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace qv {
namespace {

// The fuzz target's input: option bits, cut, quote list, data.
void Check(unsigned optionBits, uint8_t cut, const std::string& marks, const std::string& data) {
  const std::string input = std::string{static_cast<char>(optionBits), static_cast<char>(optionBits >> 8),
                                        static_cast<char>(cut), static_cast<char>(marks.size())} + marks + data;
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

// Pieces a text is built from: every table character in both widths, every
// half-width byte, and where the rules meet.
std::vector<std::string> Pieces() {
  std::vector<std::string> p;
  for (const char* table : {AlphabetTable, NumberTable, SpaceTable, PunctTable, JPPunctTable, KatakanaTable,
                            HiraganaTable, ImpossibleReverseTable, KatakanaVoicedTable, HiraganaVoicedTable}) {
    for (const char* r = table; *r != 0; r += 3) {
      p.emplace_back(r, 2);
      p.emplace_back(r + 2, 1);
    }
  }
  for (int b = 0x20; b < 0x7F; ++b) p.emplace_back(1, static_cast<char>(b));
  for (int b = 0xA1; b <= 0xDF; ++b) p.emplace_back(1, static_cast<char>(b));
  return p;
}

const std::vector<std::string> kSpecials = {
    "\x81", "\x82", "\x83", "\x88", "\xE0", "\r", "\n", "\r\n", "\n\r", " ", "\t", "\x81\x40", ">", "\x81\x84",
    "|", ":", "\x81\x62", "#", "b", "F", "\xB6", "\xCA", "\xB3", "\xDE", "\xDF", "\x82\x60", "\x83\x4B", "\x82\xAA",
    "a", "1", "\x82\t", "\x83\x7F", "\x81\x30", "\x8A\xBF", "\xE0\x40", "\xFC\xFC", "\x83\x8E", "\x83\x95", "\x80",
    "\xA0", "\xFD", "\xFF", "\x7F", "\xDE\xDE"};
const char* const kMarkLists[] = {kDefaultQuoteMarks, "", ">", "> | :", "\x81\x40", "\x82\x60#", "\x82", "\t \r\n",
                                  "b\x83\x4B\xB6"};

std::string RandomText(std::mt19937& random, size_t pieces) {
  static const std::vector<std::string> all = Pieces();
  std::string text;
  for (size_t i = 0; i < pieces; ++i) {
    const unsigned pick = random() % 100;
    if (pick < 2) {
      text += '\0';
    } else if (pick < 8) {
      text += static_cast<char>(1 + random() % 255);
    } else if (pick < 55) {
      text += kSpecials[random() % kSpecials.size()];
    } else {
      text += all[random() % all.size()];
    }
  }
  return text;
}

struct Shape {
  const char* name;
  unsigned seed;
  size_t pieces;
  int rounds;
};

class DifferentialTest : public ::testing::TestWithParam<Shape> {};

TEST_P(DifferentialTest, FastMatchesReferenceAndModel) {
  std::mt19937 random(GetParam().seed);
  for (int round = 0; round < GetParam().rounds; ++round) {
    const std::string text = RandomText(random, random() % (GetParam().pieces + 1));
    Check(random(), random(), kMarkLists[random() % std::size(kMarkLists)], text);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, DifferentialTest,
                         ::testing::Values(Shape{"Short", 1, 6, 8000}, Shape{"Medium", 2, 40, 4000},
                                           Shape{"Long", 3, 400, 600}, Shape{"VeryLong", 4, 5000, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs of plain ASCII longer than a chunk broken at every offset, and quoted
// lines of every length around a chunk ended every way: the chunked moves at
// both ends, and a line start that a chunk passed over. A converted character
// in front makes the in-place output lag its input.
TEST(DifferentialTest, ChunkBoundaries) {
  constexpr unsigned kAlphabet = 1, kSpace = 4, kKatakana = 32, kQuoted = 64;
  for (const char* special : {"\x82\x60", "\r\n", "\xB6\xDE", "\x82", "\n>", "\x81\x40"}) {
    for (size_t before = 0; before < 40; ++before) {
      for (const size_t after : {0, 1, 15, 16, 17, 33}) {
        const std::string text = std::string(before, 'a') + special + std::string(after, 'Z') + "\x82\x60\xB6";
        for (const unsigned bits :
             {kKatakana, kKatakana | kAlphabet, kKatakana | kQuoted, kKatakana | kAlphabet | kQuoted}) {
          Check(bits, 128, kDefaultQuoteMarks, text);
        }
      }
    }
  }
  for (const char* lead : {"", "\x82\x61\r\n"}) {
    for (const char* filler : {"a", "\x82\x60", "\xB6", "\x81\x40"}) {
      for (size_t length = 0; length < 40; ++length) {
        std::string line = ">";
        while (line.size() < length + 1) line += filler;
        for (const char* end : {"", "\r", "\n", "\r\n", "\n\r\n"}) {
          for (const char* next : {"", "\x82\x60", ">\x82\x60", "  \r\n\x82\x60", "\x81\x40\x81\x84\xB6\xDE",
                                   "\x81\x40\xB6\xDE a b c d e f g h"}) {
            Check(kSpace | kKatakana, 200, kDefaultQuoteMarks, lead + line + end + next);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace qv
