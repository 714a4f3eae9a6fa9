// The fast conversions against the straightforward ones, byte for byte, on
// generated texts: every character class, every option combination, several
// quote lists, broken pairs, line-break mixes and NULs. Seeds are fixed.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/reference.h"
#include "convert/tables.h"

namespace qv {
namespace {

using O = ConversionOptions;

// Pieces a text is built from.
std::vector<std::string> Pieces() {
  std::vector<std::string> p;
  for (const char* table : {AlphabetTable, NumberTable, SpaceTable, PunctTable, JPPunctTable, KatakanaTable,
                            HiraganaTable, ImpossibleReverseTable, KatakanaVoicedTable, HiraganaVoicedTable}) {
    for (const char* r = table; *r != 0; r += 3) {
      p.emplace_back(r, 2);      // the full-width character
      p.emplace_back(r + 2, 1);  // its half-width byte
    }
  }
  for (int b = 0x20; b < 0x7F; ++b) p.emplace_back(1, static_cast<char>(b));
  for (int b = 0xA1; b <= 0xDF; ++b) p.emplace_back(1, static_cast<char>(b));
  for (const char* s : {"\x8A\xBF", "\x8E\x9A", "\xE0\x40", "\xFC\xFC", "\x83\x8E", "\x83\x95",  // kanji, unlisted kana
                        "\x80", "\xA0", "\xFD", "\xFE", "\xFF", "\x7F",                         // odd singles
                        "\x81", "\x82", "\x83", "\x88", "\xE0",                                 // lone lead bytes
                        "\x82\t", "\x82 ", "\x83\x7F", "\x81\x30",                              // lead + non-trail
                        "\r", "\n", "\r\n", "\n\r", "\r\n\r\n", " ", "\t", "\x81\x40",          // breaks, blanks
                        ">", "\x81\x84", "|", "\x81\x62", ":", "\x81\x46", "#", "b", "F",       // marks, trail bytes
                        "\xB6\xDE", "\xCA\xDF", "\xB3\xDE", "\xDE\xDE", "\xDF"}) {
    p.emplace_back(s);
  }
  return p;
}

const std::vector<std::string>& AllPieces() {
  static const std::vector<std::string> pieces = Pieces();
  return pieces;
}

// The pieces where the rules meet, drawn often so that they meet each other.
const std::vector<std::string> kSpecials = {
    "\x81", "\x82", "\x83", "\x88", "\r", "\n", "\r\n", " ", "\t", "\x81\x40", ">", "\x81\x84", "|", ":",
    "\x81\x62", "\xB6", "\xCA", "\xB3", "\xDE", "\xDF", "\x82\x60", "\x83\x4B", "\x82\xAA", "a", "1", "\x82\t"};

std::string RandomText(std::mt19937& random, size_t pieces, bool nuls) {
  const auto& all = AllPieces();
  std::string text;
  for (size_t i = 0; i < pieces; ++i) {
    const unsigned pick = random() % 100;
    if (nuls && pick < 3) {
      text += '\0';
    } else if (pick < 8) {
      text += static_cast<char>(1 + random() % 255);  // any byte but NUL
    } else if (pick < 55) {
      text += kSpecials[random() % kSpecials.size()];
    } else {
      text += all[random() % all.size()];
    }
  }
  return text;
}

O RandomOptions(std::mt19937& random) {
  O o;
  uint8_t* flags[] = {&o.ProcessAlphabet,   &o.ProcessNumber,          &o.ProcessSpace,
                      &o.ProcessPunct,      &o.ProcessJPPunct,         &o.ProcessKatakana,
                      &o.ProcessQuotedLine, &o.ReplaceSpaceToUnderbar, &o.ProcessImpossibleReverse,
                      &o.TransformHiraToKana, &o.NoConnectVoiced};
  for (uint8_t* f : flags) *f = random() % 2;
  return o;
}

const char* const kMarkLists[] = {kDefaultQuoteMarks, "", ">", "> | :", "\x81\x40", "\x82\x60#", "\x82", "\t \r\n",
                                  "b\x83\x4B\xB6"};

// A buffer of exactly `bytes` on the heap, so that the sanitizer sees any
// access past it.
std::unique_ptr<char[]> Exact(const std::string& text, size_t bytes) {
  auto buffer = std::make_unique<char[]>(bytes);
  std::memset(buffer.get(), 0x55, bytes);
  std::memcpy(buffer.get(), text.data(), text.size());
  buffer[text.size()] = '\0';
  return buffer;
}

std::string FastHalf(const O& o, const std::string& marks, const std::string& text) {
  QuoteMarkList list;
  list.Set(marks);
  auto buffer = Exact(text, text.size() + 1);
  EXPECT_TRUE(ConvertToHalf(o, list, buffer.get()));
  return buffer.get();
}

std::string ReferenceHalf(const O& o, const std::string& marks, const std::string& text) {
  QuoteMarkList list;
  list.Set(marks);
  std::string buffer = text + '\0';
  EXPECT_TRUE(reference::ConvertToHalf(o, list, buffer.data()));
  return buffer.c_str();
}

// The fast direction is given only the 2n + 3 bytes it may touch.
std::string FastFull(const O& o, const std::string& marks, const std::string& text) {
  QuoteMarkList list;
  list.Set(marks);
  auto buffer = Exact(text, 2 * text.size() + 3);
  EXPECT_TRUE(ConvertToFullInBlock(o, list, buffer.get(), text.size()));
  return buffer.get();
}

std::string ReferenceFull(const O& o, const std::string& marks, const std::string& text) {
  QuoteMarkList list;
  list.Set(marks);
  size_t bytes = 0;
  EXPECT_TRUE(FullBlockSize(text.size(), &bytes));
  std::string block(bytes, '\x55');
  std::memcpy(block.data(), text.c_str(), text.size() + 1);
  EXPECT_TRUE(reference::ConvertToFullInBlock(o, list, block.data(), text.size()));
  return block.c_str();
}

std::string Printable(const std::string& s) {
  std::string out;
  char hex[4];
  for (unsigned char c : s) {
    std::snprintf(hex, sizeof hex, "%02X ", c);
    out += hex;
  }
  return out;
}

struct Shape {
  const char* name;
  unsigned seed;
  size_t pieces;
  int rounds;
};

class DifferentialTest : public ::testing::TestWithParam<Shape> {};

TEST_P(DifferentialTest, FastMatchesReference) {
  std::mt19937 random(GetParam().seed);
  for (int round = 0; round < GetParam().rounds; ++round) {
    // Texts without NUL: a NUL would end the text for both anyway.
    std::string text = RandomText(random, random() % (GetParam().pieces + 1), false);
    const O o = RandomOptions(random);
    const std::string marks = kMarkLists[random() % std::size(kMarkLists)];
    const std::string half = ReferenceHalf(o, marks, text);
    ASSERT_EQ(Printable(FastHalf(o, marks, text)), Printable(half)) << "to half, round " << round << "\n"
                                                                   << Printable(text);
    const std::string full = ReferenceFull(o, marks, text);
    ASSERT_EQ(Printable(FastFull(o, marks, text)), Printable(full)) << "to full, round " << round << "\n"
                                                                   << Printable(text);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, DifferentialTest,
                         ::testing::Values(Shape{"Short", 1, 6, 20000}, Shape{"Medium", 2, 40, 8000},
                                           Shape{"Long", 3, 400, 800}, Shape{"VeryLong", 4, 5000, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs of plain ASCII longer than a chunk, broken at every offset by one
// special byte, to exercise the chunked moves at both ends. What ends the
// text converts in both directions unless a quoted line started inside the
// run, so a line start that a chunk passed over shows.
TEST(DifferentialTest, AsciiRunsBrokenAtEveryOffset) {
  const char* specials[] = {"\x82\x60", "\r\n", "\xB6\xDE", "\x82", "\n>", "\x81\x40"};
  for (const char* special : specials) {
    for (size_t before = 0; before < 40; ++before) {
      for (size_t after : {0, 1, 15, 16, 17, 33}) {
        const std::string text = std::string(before, 'a') + special + std::string(after, 'Z') + "\x82\x60\xB6";
        for (int bits = 0; bits < 4; ++bits) {
          O o;
          o.ProcessAlphabet = bits & 1;
          o.ProcessQuotedLine = (bits >> 1) & 1;
          o.ProcessKatakana = 1;
          ASSERT_EQ(FastHalf(o, kDefaultQuoteMarks, text), ReferenceHalf(o, kDefaultQuoteMarks, text)) << text;
          ASSERT_EQ(FastFull(o, kDefaultQuoteMarks, text), ReferenceFull(o, kDefaultQuoteMarks, text)) << text;
        }
      }
    }
  }
}

// Quoted lines, which pass in chunks, of every length around a chunk, with
// what would convert inside them, ended by each kind of break or by the end
// of the text, and followed by lines that are quoted, blank or plain. A
// converted character in front makes the in-place output lag its input.
TEST(DifferentialTest, QuotedLinesOfEveryLength) {
  const char* fillers[] = {"a", "\x82\x60", "\xB6", "\x81\x40"};
  const char* ends[] = {"", "\r", "\n", "\r\n", "\n\r\n"};
  const char* nexts[] = {"", "\x82\x60", ">\x82\x60", "  \r\n\x82\x60", "\x81\x40\x81\x84\xB6\xDE"};
  for (const char* lead : {"", "\x82\x61\r\n"}) {
    for (const char* filler : fillers) {
      for (size_t length = 0; length < 40; ++length) {
        std::string line = ">";
        while (line.size() < length + 1) line += filler;
        for (const char* end : ends) {
          for (const char* next : nexts) {
            const std::string text = lead + line + end + next;
            O o;
            o.ProcessSpace = o.ProcessKatakana = 1;
            ASSERT_EQ(Printable(FastHalf(o, kDefaultQuoteMarks, text)),
                      Printable(ReferenceHalf(o, kDefaultQuoteMarks, text)))
                << Printable(text);
            ASSERT_EQ(Printable(FastFull(o, kDefaultQuoteMarks, text)),
                      Printable(ReferenceFull(o, kDefaultQuoteMarks, text)))
                << Printable(text);
          }
        }
      }
    }
  }
}

// Several texts in one buffer: each NUL ends one, and the result equals the
// texts converted one by one and joined with NULs.
TEST(DifferentialTest, TextsSeparatedByNuls) {
  std::mt19937 random(5);
  for (int round = 0; round < 4000; ++round) {
    const std::string data = RandomText(random, random() % 60, true);
    const O o = RandomOptions(random);
    const std::string marks = kMarkLists[random() % std::size(kMarkLists)];
    std::string wantHalf;
    std::string wantFull;
    size_t start = 0;
    for (;;) {
      const size_t nul = data.find('\0', start);
      const std::string text = data.substr(start, nul == std::string::npos ? std::string::npos : nul - start);
      wantHalf += ReferenceHalf(o, marks, text);
      wantFull += ReferenceFull(o, marks, text);
      if (nul == std::string::npos) break;
      wantHalf += '\0';
      wantFull += '\0';
      start = nul + 1;
    }
    QuoteMarkList list;
    list.Set(marks);
    auto half = Exact(data, data.size() + 1);
    size_t produced = 0;
    ASSERT_TRUE(ConvertTextsToHalf(o, list, half.get(), data.size(), &produced));
    ASSERT_EQ(Printable(std::string(half.get(), produced)), Printable(wantHalf)) << Printable(data);
    EXPECT_EQ(half[produced], '\0');
    auto full = Exact(data, 2 * data.size() + 3);
    ASSERT_TRUE(ConvertTextsToFullInBlock(o, list, full.get(), data.size(), &produced));
    ASSERT_EQ(Printable(std::string(full.get(), produced)), Printable(wantFull)) << Printable(data);
    EXPECT_EQ(full[produced], '\0');
  }
}

// Helpers over NUL-separated data, as the filter converts it.
std::string TextsHalf(const O& o, QuoteMarkList& list, const std::string& data) {
  auto buffer = Exact(data, data.size() + 1);
  size_t produced = 0;
  EXPECT_TRUE(ConvertTextsToHalf(o, list, buffer.get(), data.size(), &produced));
  return std::string(buffer.get(), produced);
}

std::string TextsFull(const O& o, QuoteMarkList& list, const std::string& data) {
  auto buffer = Exact(data, 2 * data.size() + 3);
  size_t produced = 0;
  EXPECT_TRUE(ConvertTextsToFullInBlock(o, list, buffer.get(), data.size(), &produced));
  return std::string(buffer.get(), produced);
}

// Cutting the data where IndependentPrefix allows and converting the pieces
// one by one gives the bytes of the whole: what lets a long input be
// converted piece by piece. Every LF and NUL is tried as a cut.
TEST(IndependentPrefixTest, PiecesConvertLikeTheWhole) {
  std::mt19937 random(6);
  for (int round = 0; round < 2000; ++round) {
    const std::string data = RandomText(random, random() % 80, true);
    const O o = RandomOptions(random);
    QuoteMarkList list;
    list.Set(kMarkLists[random() % std::size(kMarkLists)]);
    const std::string half = TextsHalf(o, list, data);
    const std::string full = TextsFull(o, list, data);
    for (size_t end = 0; end <= data.size(); ++end) {
      const size_t cut = IndependentPrefix(data.data(), end);
      ASSERT_LE(cut, end);
      if (cut == 0) continue;
      ASSERT_TRUE(data[cut - 1] == '\n' || data[cut - 1] == '\0');
      if (cut != end) continue;  // each cut once
      const std::string head = data.substr(0, cut), tail = data.substr(cut);
      ASSERT_EQ(Printable(TextsHalf(o, list, head) + TextsHalf(o, list, tail)), Printable(half)) << Printable(data);
      ASSERT_EQ(Printable(TextsFull(o, list, head) + TextsFull(o, list, tail)), Printable(full)) << Printable(data);
    }
  }
}

TEST(IndependentPrefixTest, FindsTheLastLineFeedOrNul) {
  const struct {
    std::string data;
    size_t want;
  } cases[] = {{"", 0}, {"abc", 0}, {"a\rb\r", 0}, {"a\nb", 2}, {"a\nb\n", 4}, {"\n", 1},
               {std::string("a\0b", 3), 2}, {std::string("\n\0\r", 3), 2}, {"\x82\n", 2}};
  for (const auto& c : cases) EXPECT_EQ(IndependentPrefix(c.data.data(), c.data.size()), c.want) << Printable(c.data);
}

// Half-width to full-width and back is the identity on text built from the
// reversible classes, with and without hiragana output and quoted lines.
TEST(RoundTripPropertyTest, HalfFullHalfIsIdentity) {
  std::vector<std::string> pieces = {" ", "\r\n", "\n", "\r", "\x8A\xBF"};
  for (char c = '!'; c <= '~'; ++c) pieces.emplace_back(1, c);
  for (int b = 0xA1; b <= 0xDD; ++b) pieces.emplace_back(1, static_cast<char>(b));
  for (const char* r = KatakanaJoinTable; *r != 0; r += 3) {
    // Every voiced and semi-voiced pair that joins.
    for (const char* k = KatakanaTable; *k != 0; k += 3) {
      if (k[0] != r[0] || k[1] != r[1]) continue;
      pieces.push_back(std::string(1, k[2]) + "\xDE");
      if (r[2] == '+') pieces.push_back(std::string(1, k[2]) + "\xDF");
    }
  }
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    O full;
    full.ExchangeZenHan = 0;
    full.ProcessNumber = full.ProcessSpace = full.ProcessPunct = full.ProcessJPPunct = full.ProcessKatakana = 1;
    full.ProcessQuotedLine = random() % 2;
    full.TransformHiraToKana = random() % 2;
    O half = full;
    half.ExchangeZenHan = 1;
    std::string text;
    const size_t count = random() % 80;
    for (size_t i = 0; i < count; ++i) {
      const std::string& p = pieces[random() % pieces.size()];
      // ｳﾞ has no hiragana form: it comes back as ｳ and a lone mark, which
      // would join again; leave it out with hiragana output.
      if (full.TransformHiraToKana && p == "\xB3\xDE") continue;
      text += p;
    }
    const std::string there = FastFull(full, kDefaultQuoteMarks, text);
    ASSERT_EQ(Printable(FastHalf(half, kDefaultQuoteMarks, there)), Printable(text)) << round;
  }
}

}  // namespace
}  // namespace qv
