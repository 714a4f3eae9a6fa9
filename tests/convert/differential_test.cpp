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
    "\xA0", "\xFD", "\xFF", "\x7F", "\xDE\xDE", "\x81\x52", "\x81\x55", "\x83\x96", "\x82\xF1"};
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
                : pick < 14 ? std::string(random() % 40, 'a')  // across the chunks of the moves
                : pick < 55 ? kSpecials[random() % kSpecials.size()]
                            : all[random() % all.size()];
      }
      Check(random(), random(), kMarkLists[random() % std::size(kMarkLists)], text);
    }
  }
}

}  // namespace
}  // namespace qv
