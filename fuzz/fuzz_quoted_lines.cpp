// SkipQuotedLines driven the way the conversions drive it, with a stand-in
// conversion that drops or doubles bytes, against the line-by-line model.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "convert/quote_marks.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/quoted_model.h"

namespace {

// What the stand-in conversion makes of one byte: nothing, itself, or itself twice.
std::string StandIn(uint8_t c, uint8_t mode) {
  if (mode & 1) return std::string(2, static_cast<char>(c));  // growing, as to full width
  if ((c ^ mode) & 2) return std::string();                   // shrinking, as to half width
  return std::string(1, static_cast<char>(c));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 1 << 15) return 0;
  const uint8_t mode = data[0];
  const size_t markLength = data[1] < size - 2 ? data[1] : size - 2;
  const std::string markValue(reinterpret_cast<const char*>(data) + 2, markLength);
  const char* rest = reinterpret_cast<const char*>(data) + 2 + markLength;
  const std::string text(rest, strnlen(rest, size - 2 - markLength));
  const size_t n = text.size();

  qv::QuoteMarkList marks;
  marks.SetForTesting(markValue);
  const qv::fuzz::MarkModel model(markValue);

  // In place when shrinking; behind the output area when growing.
  const bool grow = mode & 1;
  const size_t blockSize = grow ? 4 * (n + 1) : n + 1;
  const size_t inputAt = grow ? n + 2 : 0;
  std::unique_ptr<char[]> block(new char[blockSize]);
  std::memset(block.get(), 0x55, blockSize);
  std::memcpy(block.get() + inputAt, text.c_str(), n + 1);

  std::vector<bool> convertedAt(n, false);
  auto readPos = static_cast<uint32_t>(inputAt);
  uint32_t writePos = 0;
  int32_t lineExamined = 0;
  const auto end = static_cast<uint32_t>(inputAt + n);
  while (readPos < end) {
    const uint32_t before = readPos;
    const bool more = qv::SkipQuotedLines(marks, block.get(), readPos, writePos, lineExamined);
    QV_FUZZ_CHECK(readPos >= before && readPos <= end);
    QV_FUZZ_CHECK(writePos <= readPos);
    QV_FUZZ_CHECK(lineExamined == 0 || lineExamined == 1);
    QV_FUZZ_CHECK(more == (block[readPos] != '\0'));
    if (writePos < readPos) QV_FUZZ_CHECK(block[writePos] == '\0');
    if (!more) break;
    QV_FUZZ_CHECK(lineExamined == 1);
    const auto c = static_cast<uint8_t>(block[readPos]);
    QV_FUZZ_CHECK(!qv::fuzz::IsBreak(c));
    convertedAt[readPos - inputAt] = true;
    const std::string made = StandIn(c, mode);
    // The output may reach the byte just read, never the one after it.
    QV_FUZZ_CHECK(writePos + made.size() <= readPos + 1);
    std::memcpy(block.get() + writePos, made.data(), made.size());
    writePos += static_cast<uint32_t>(made.size());
    ++readPos;
    QV_FUZZ_CHECK(writePos <= readPos);
  }
  QV_FUZZ_CHECK(writePos < blockSize);
  block[writePos] = '\0';

  std::string expected;
  std::vector<bool> wantConverted(n, false);
  for (const auto& segment : qv::fuzz::SplitForConversion(text, model)) {
    for (size_t i = segment.begin; i < segment.end; ++i) {
      if (segment.converted) {
        wantConverted[i] = true;
        expected += StandIn(static_cast<uint8_t>(text[i]), mode);
      } else {
        expected.push_back(text[i]);
      }
    }
  }
  QV_FUZZ_CHECK(convertedAt == wantConverted);
  QV_FUZZ_CHECK(std::string(block.get()) == expected);
  return 0;
}
