// The conversions character by character, in either encoding, on a text
// given in pieces. Every character the tables do not name, every byte that is
// no character and every character the target encoding cannot hold passes
// through as it came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "convert/encoding.h"
#include "convert/options.h"

namespace qv {

// Where in its line a piece of text begins (and, after converting it, where
// the next piece begins).
enum class LinePosition : uint8_t {
  kLineStart,   // at the start of a line, or of a text (after a NUL)
  kInLine,      // inside a line that is converted
  kInQuotedLine,  // inside a line that passes unchanged
};

class TextConverter {
 public:
  // `marks`: the quote marks, in `encoding` (cut at a NUL and at 1023 bytes,
  // as the tool reads them); `keep`: characters no conversion touches.
  TextConverter(const ConversionOptions& options, Encoding encoding, std::string_view marks,
                std::string_view keep = {});

  // Converts in[0, n) to out, which has room for MaxOutput(n) bytes, and
  // returns the output length. The piece must not end inside a character, or
  // between a kana and a sound mark after it, or inside the blanks that begin
  // a line (SafeCut finds such ends); `at` carries the line from one piece to
  // the next. ReplaceSpaceToUnderbar is the caller's.
  size_t Convert(const uint8_t* in, size_t n, uint8_t* out, LinePosition& at) const;
  static constexpr size_t MaxOutput(size_t n) { return 3 * n + 8; }

  Encoding encoding() const { return encoding_; }

 private:
  struct Mapped {
    uint8_t length = 0;  // 0: the character stays as it is
    uint8_t bytes[7] = {};
  };
  struct Page {
    Mapped to[256];
  };

  const Mapped* Lookup(uint32_t code) const;
  Mapped* Slot(uint32_t code);
  bool IsMark(uint32_t code) const;
  // The character in the target encoding: its length, 0 when it has none.
  size_t Encodes(uint32_t code, uint8_t* out) const;
  template <Encoding E>
  size_t Run(const uint8_t* in, size_t n, uint8_t* out, LinePosition& at) const;
  // After E2, E3 or EF: whether the second byte starts no mapped character.
  bool PlainPair(const uint8_t* p, const uint8_t* end) const {
    const int lead = p[0] == 0xE2 ? 0 : p[0] == 0xE3 ? 1 : p[0] == 0xEF ? 2 : -1;
    return lead >= 0 && p + 1 < end && (p[1] & 0xC0) == 0x80 && plainAfter_[lead][p[1] & 0x3F];
  }

  Encoding encoding_;
  bool skipQuoted_;
  bool joins_ = false;
  bool composes_ = false;
  Page pages_[4] = {};          // U+00xx, U+20xx, U+30xx, U+FFxx
  Mapped join_[2][256] = {};    // half-width kana of U+FFxx followed by a voiced / semi-voiced mark
  Mapped compose_[2][256] = {};  // kana of U+30xx followed by a combining mark
  // UTF-8: by byte, whether a character starting with it (with this byte
  // as its second, after 0xE2, 0xE3 or 0xEF) is sure to pass unchanged, so
  // that runs of such bytes are copied without reading their characters.
  bool plain_[256] = {};
  bool plainAfter_[3][64] = {};  // second bytes 0x80..0xBF after E2, E3, EF
  bool halfMarkKept_[2] = {};   // ﾞ ﾟ kept: they join nothing
  bool combiningKept_[2] = {};
  std::vector<uint32_t> marks_;  // sorted
};

// The length of the longest prefix of data[0, n) that TextConverter may take
// as a piece, given where in its line the data begins: up to and including
// the last CR, LF or NUL; without one, up to the last character that the rest
// of the line cannot change (0 when there is none yet).
// `force` gives up waiting for the quote decision of a line that begins with
// more blanks than the caller can hold.
size_t SafeCut(Encoding encoding, const uint8_t* data, size_t n, LinePosition at, bool force = false);

}  // namespace qv
