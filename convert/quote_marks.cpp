#include "convert/quote_marks.h"

#include <cstring>

namespace qv {

void QuoteMarkList::Set(std::string_view marks) {
  std::memset(marks_, 0, sizeof marks_);
  const size_t n = marks.size() < kBufferSize - 1 ? marks.size() : kBufferSize - 1;
  std::memcpy(marks_, marks.data(), n);
  loaded_ = true;
}

void QuoteMarkList::Load() {
  std::memset(marks_, 0, sizeof marks_);
  if (loader_ != nullptr) {
    loader_(context_, marks_, sizeof marks_);
  } else {
    std::memcpy(marks_, kDefaultQuoteMarks, sizeof kDefaultQuoteMarks);
  }
  marks_[kBufferSize - 1] = '\0';  // whatever the loader did
  loaded_ = true;
}

void QuoteMarkList::BuildSets(QuoteMarkSets& sets) {
  if (!loaded_) Load();
  sets = QuoteMarkSets{};
  const auto* m = reinterpret_cast<const uint8_t*>(marks_);
  // The same walk as IsQuoteMark's.
  for (size_t i = 0; m[i] != 0;) {
    if (sjis::IsPair(m + i)) {
      const unsigned code = static_cast<unsigned>(m[i]) << 8 | m[i + 1];
      sets.pairs[code >> 6] |= uint64_t{1} << (code & 63);
      i += 2;
      continue;
    }
    const uint8_t b = m[i++];
    if (b == '\t' || b == '\n' || b == '\r' || b == ' ') continue;
    sets.single[b] = true;
  }
}

std::string_view QuoteMarkList::Value() {
  if (!loaded_) Load();
  return marks_;
}

bool QuoteMarkList::IsQuoteMark(const char* text, size_t pos) {
  if (!loaded_) Load();
  const auto* t = reinterpret_cast<const uint8_t*>(text) + pos;
  const auto* m = reinterpret_cast<const uint8_t*>(marks_);
  const bool twoByte = sjis::IsPair(t);
  for (size_t i = 0; m[i] != 0;) {
    if (sjis::IsPair(m + i)) {
      if (twoByte && m[i] == t[0] && m[i + 1] == t[1]) return true;
      i += 2;
      continue;
    }
    const uint8_t b = m[i++];
    if (twoByte || b == '\t' || b == '\n' || b == '\r' || b == ' ') continue;
    if (b == t[0]) return true;
  }
  return false;
}

bool SkipQuotedLines(QuoteMarkList& marks, char* text, uint32_t& readPos, uint32_t& writePos, int32_t& lineExamined) {
  auto* t = reinterpret_cast<uint8_t*>(text);
  const uint32_t start = readPos;
  while (sjis::IsLineBreak(t[readPos])) {
    ++readPos;
    lineExamined = 0;
  }
  if (lineExamined == 0) {
    uint32_t i = readPos;
    for (;;) {
      const uint8_t c = t[i];
      if (sjis::IsLineBreak(c)) {
        lineExamined = 1;  // a line of blanks only is converted
        break;
      }
      if (c == ' ' || c == '\t') {
        ++i;
        continue;
      }
      if (c == 0x81 && t[i + 1] == 0x40) {
        i += 2;
        continue;
      }
      if (c != 0 && marks.IsQuoteMark(text, i)) {
        i += static_cast<uint32_t>(std::strcspn(text + i, "\r\n"));  // to the first CR, LF or NUL
        while (sjis::IsLineBreak(t[i])) ++i;
        readPos = i;
        if (t[i] == 0) break;
        continue;
      }
      lineExamined = 1;
      break;
    }
  }
  const uint32_t n = readPos - start;
  if (n != 0) std::memmove(t + writePos, t + start, n);
  writePos += n;
  if (writePos < readPos) t[writePos] = 0;
  return t[readPos] != 0;
}

}  // namespace qv
