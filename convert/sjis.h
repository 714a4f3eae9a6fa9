// Shift_JIS (code page 932) byte classes: the one definition every part of
// the tool uses. A two-byte character is a lead byte followed by a trail
// byte; a lead byte before any other byte counts as a single byte.
#pragma once

#include <cstdint>

namespace qv::sjis {

inline bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsTrail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
// Whether p[0], p[1] form a two-byte character (p[1] may be the NUL after p[0]).
inline bool IsPair(const uint8_t* p) { return IsLead(p[0]) && IsTrail(p[1]); }
inline bool IsLineBreak(uint8_t b) { return b == '\r' || b == '\n'; }

}  // namespace qv::sjis
