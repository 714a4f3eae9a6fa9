// Both conversions with options and a quote-mark list taken from the input.
// Checked on the way: length bounds, the bytes that may appear, line breaks
// and quoted lines kept, and the round trip of the reversible classes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/options.h"
#include "convert/quote_marks.h"
#include "convert/tables.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/quoted_model.h"

namespace {

using qv::ConversionOptions;

ConversionOptions OptionsFromBits(uint16_t bits) {
  ConversionOptions o;
  uint8_t* flags[] = {&o.ExchangeZenHan,         &o.ProcessAlphabet,          &o.ProcessNumber,
                      &o.ProcessSpace,           &o.ProcessPunct,             &o.ProcessJPPunct,
                      &o.ProcessKatakana,        &o.ProcessQuotedLine,        &o.ReplaceSpaceToUnderbar,
                      &o.ProcessImpossibleReverse, &o.TransformHiraToKana,    &o.NoConnectVoiced};
  for (size_t i = 0; i < std::size(flags); ++i) *flags[i] = (bits >> i) & 1;
  return o;
}

const char* const kAllTables[] = {qv::AlphabetTable,       qv::NumberTable,         qv::SpaceTable,
                                  qv::PunctTable,          qv::JPPunctTable,        qv::KatakanaTable,
                                  qv::HiraganaTable,       qv::ImpossibleReverseTable, qv::KatakanaVoicedTable,
                                  qv::HiraganaVoicedTable, qv::KatakanaJoinTable,   qv::HiraganaJoinTable};

// Every byte a table can contribute, with the voiced forms a join makes.
std::set<uint8_t> TableBytes() {
  std::set<uint8_t> bytes;
  for (const char* table : kAllTables) {
    for (const auto* r = reinterpret_cast<const uint8_t*>(table); r[0] != 0; r += 3) {
      bytes.insert({r[0], r[1], r[2], static_cast<uint8_t>(r[1] + 1), static_cast<uint8_t>(r[1] + 2)});
    }
  }
  bytes.insert(0x94);
  return bytes;
}

std::string Half(const ConversionOptions& o, qv::QuoteMarkList& marks, const std::string& in) {
  std::vector<char> buffer(in.begin(), in.end());
  buffer.push_back('\0');
  QV_FUZZ_CHECK(qv::ConvertToHalf(o, marks, buffer.data()));
  const size_t n = strnlen(buffer.data(), buffer.size());
  QV_FUZZ_CHECK(n < buffer.size());
  return std::string(buffer.data(), n);
}

std::string Full(const ConversionOptions& o, qv::QuoteMarkList& marks, const std::string& in) {
  size_t bytes = 0;
  QV_FUZZ_CHECK(qv::FullBlockSize(in.size(), &bytes));
  QV_FUZZ_CHECK(bytes > in.size());
  // Exactly the block size, so that any write past it is caught.
  std::unique_ptr<char[]> block(new char[bytes]);
  std::memcpy(block.get(), in.data(), in.size());
  block[in.size()] = '\0';
  QV_FUZZ_CHECK(qv::ConvertToFullInBlock(o, marks, block.get(), in.size()));
  const size_t n = strnlen(block.get(), bytes);
  QV_FUZZ_CHECK(n < bytes);
  return std::string(block.get(), n);
}

std::string Convert(const ConversionOptions& o, qv::QuoteMarkList& marks, const std::string& in) {
  return o.ExchangeZenHan ? Half(o, marks, in) : Full(o, marks, in);
}

size_t Count(const std::string& s, char c) {
  size_t k = 0;
  for (char x : s) k += x == c;
  return k;
}

// Half-width bytes whose classes convert both ways.
std::string ReversibleHalf(const uint8_t* data, size_t size) {
  std::string s;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i] % (95 + 63);
    s.push_back(static_cast<char>(b < 95 ? 0x20 + b : 0xA1 + (b - 95)));
  }
  return s;
}

// Full-width characters of the reversible classes. The sound marks are left
// out: after a kana they join it on the way back, as they should.
std::vector<std::string> ReversibleFullPool() {
  std::vector<std::string> pool;
  for (const char* table : {qv::AlphabetTable, qv::NumberTable, qv::SpaceTable, qv::PunctTable, qv::JPPunctTable,
                            qv::KatakanaTable}) {
    for (const auto* r = reinterpret_cast<const uint8_t*>(table); r[0] != 0; r += 3) {
      if (r[0] == 0x81 && (r[1] == 0x4A || r[1] == 0x4B)) continue;
      pool.push_back(std::string{static_cast<char>(r[0]), static_cast<char>(r[1])});
    }
  }
  return pool;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 1 << 15) return 0;
  static const std::set<uint8_t> tableBytes = TableBytes();
  static const std::vector<std::string> fullPool = ReversibleFullPool();

  const ConversionOptions options = OptionsFromBits(static_cast<uint16_t>(data[0] | data[1] << 8));
  const size_t markLength = data[2] < size - 3 ? data[2] : size - 3;
  const std::string markValue(reinterpret_cast<const char*>(data) + 3, markLength);
  const uint8_t* rest = data + 3 + markLength;
  const size_t restSize = size - 3 - markLength;
  const std::string text(reinterpret_cast<const char*>(rest), strnlen(reinterpret_cast<const char*>(rest), restSize));

  qv::QuoteMarkList marks;
  marks.SetForTesting(markValue);
  const qv::fuzz::MarkModel model(markValue);

  const std::string out = Convert(options, marks, text);

  // Length bounds; the half-width direction never lengthens.
  if (options.ExchangeZenHan) {
    QV_FUZZ_CHECK(out.size() <= text.size());
  } else {
    QV_FUZZ_CHECK(out.size() <= 2 * text.size());
  }
  // No byte from nowhere.
  const std::set<uint8_t> inputBytes(text.begin(), text.end());
  for (char c : out) {
    const auto b = static_cast<uint8_t>(c);
    QV_FUZZ_CHECK(inputBytes.count(b) != 0 || tableBytes.count(b) != 0);
  }
  // Line breaks are never made, lost or moved between lines.
  QV_FUZZ_CHECK(Count(out, '\r') == Count(text, '\r'));
  QV_FUZZ_CHECK(Count(out, '\n') == Count(text, '\n'));

  // Sparing quoted lines: the result is the quoted lines and breaks as they
  // were, and every other line converted on its own.
  if (!options.ProcessQuotedLine) {
    ConversionOptions everyLine = options;
    everyLine.ProcessQuotedLine = 1;
    std::string expected;
    for (const auto& segment : qv::fuzz::SplitForConversion(text, model)) {
      const std::string part = text.substr(segment.begin, segment.end - segment.begin);
      expected += segment.converted ? Convert(everyLine, marks, part) : part;
    }
    QV_FUZZ_CHECK(out == expected);
  }

  if (options.ReplaceSpaceToUnderbar) {
    std::vector<char> buffer(out.begin(), out.end());
    buffer.push_back('\0');
    qv::ReplaceSpacesWithUnderbars(buffer.data());
    QV_FUZZ_CHECK(std::strlen(buffer.data()) == out.size());
    for (size_t i = 0; i < out.size(); ++i) {
      QV_FUZZ_CHECK(buffer[i] == (out[i] == ' ' ? '_' : out[i]));
    }
  }

  // Round trips of the reversible classes, quoted lines not involved.
  ConversionOptions trip = options;
  trip.ProcessQuotedLine = 1;
  trip.ProcessImpossibleReverse = 0;
  trip.TransformHiraToKana = 0;
  {
    const std::string half = ReversibleHalf(rest, restSize);
    trip.ExchangeZenHan = 0;
    const std::string full = Full(trip, marks, half);
    trip.ExchangeZenHan = 1;
    QV_FUZZ_CHECK(Half(trip, marks, full) == half);
  }
  {
    std::string full;
    for (size_t i = 0; i < restSize; ++i) full += fullPool[rest[i] % fullPool.size()];
    trip.ExchangeZenHan = 1;
    trip.ProcessAlphabet = trip.ProcessNumber = trip.ProcessSpace = trip.ProcessPunct = trip.ProcessJPPunct =
        trip.ProcessKatakana = 1;
    const std::string half = Half(trip, marks, full);
    trip.ExchangeZenHan = 0;
    trip.NoConnectVoiced = 0;
    QV_FUZZ_CHECK(Full(trip, marks, half) == full);
  }
  return 0;
}
