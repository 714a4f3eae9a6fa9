// Generated texts through the checks of fuzz/fuzz_convert.cpp (the fast
// conversions against the reference and the line model, cuts):
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

const std::vector<std::string> kSpecials = {
    "\x81", "\x82", "\x83", "\x88", "\xE0", "\r", "\n", "\r\n", "\n\r", " ", "\t", "\x81\x40", ">", "\x81\x84",
    "|", ":", "\x81\x62", "#", "b", "F", "\xB6", "\xCA", "\xB3", "\xDE", "\xDF", "\x82\x60", "\x83\x4B", "\x82\xAA",
    "a", "1", "\x82\t", "\x83\x7F", "\x81\x30", "\x8A\xBF", "\xE0\x40", "\xFC\xFC", "\x83\x8E", "\x83\x95", "\x80",
    "\xA0", "\xFD", "\xFF", "\x7F", "\xDE\xDE"};
const char* const kMarkLists[] = {kDefaultQuoteMarks, "", ">", "> | :", "\x81\x40", "\x82\x60#", "\x82", "\t \r\n",
                                  "\x01" "b\x83\x4B\xB6"};

// Texts of pieces from both lists, bytes of any value and NULs, with every
// option combination and several quote lists.
TEST(DifferentialTest, FastMatchesReferenceAndModel) {
  std::vector<std::string> all;  // every table character in both widths, every half-width byte
  for (const char* table : {AlphabetTable, NumberTable, SpaceTable, PunctTable, JPPunctTable, KatakanaTable,
                            HiraganaTable, ImpossibleReverseTable, KatakanaVoicedTable, HiraganaVoicedTable}) {
    for (const char* r = table; *r != 0; r += 3) all.emplace_back(r, 2);
  }
  for (int b = 0x20; b <= 0xDF; ++b) {
    if (b < 0x7F || b > 0xA0) all.emplace_back(1, static_cast<char>(b));
  }
  const std::pair<size_t, int> shapes[] = {{6, 8000}, {40, 4000}, {400, 600}, {5000, 40}};  // pieces, rounds
  std::mt19937 random(1);
  for (const auto& [pieces, rounds] : shapes) {
    for (int round = 0; round < rounds; ++round) {
      std::string text;
      for (size_t i = random() % (pieces + 1); i > 0; --i) {
        const unsigned pick = random() % 100;
        text += pick < 2 ? std::string(1, '\0')
                : pick < 8 ? std::string(1, static_cast<char>(1 + random() % 255))
                : pick < 55 ? kSpecials[random() % kSpecials.size()]
                            : all[random() % all.size()];
      }
      Check(random(), random(), kMarkLists[random() % std::size(kMarkLists)], text);
    }
  }
}

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
