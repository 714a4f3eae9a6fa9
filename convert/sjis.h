// Shift_JIS byte classes.
#pragma once

#include <cstdint>

namespace qv::sjis {

inline bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsTrail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
inline bool IsLineBreak(uint8_t b) { return b == '\r' || b == '\n'; }

}  // namespace qv::sjis
