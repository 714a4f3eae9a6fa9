// The two conversions, fast: runs of plain ASCII are moved sixteen bytes at a
// time, every other character costs one or two table lookups, and quoted
// lines are looked for only where a line starts (inside an examined line
// nothing could change) and then moved whole. convert/reference.cpp holds
// the plain byte-per-step loops these must match byte for byte.
#include "convert/convert.h"

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "convert/sjis.h"
#include "convert/tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {
namespace {

constexpr uint8_t kCr = '\r';
constexpr uint8_t kLf = '\n';

inline bool IsBreak(uint8_t c) { return c == kCr || c == kLf; }

#if defined(__SSE2__)
// Bit i set when byte i of the chunk stops a plain run: 0x80 or above, NUL,
// and with `breaks` CR or LF.
inline unsigned StopMask(__m128i v, bool breaks) {
  __m128i s = _mm_or_si128(v, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
  if (breaks) {
    s = _mm_or_si128(s, _mm_cmpeq_epi8(v, _mm_set1_epi8(kCr)));
    s = _mm_or_si128(s, _mm_cmpeq_epi8(v, _mm_set1_epi8(kLf)));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(s));
}

// The same, but only lead bytes stop among the bytes 0x80 and above (what the
// full-width to half-width direction passes through unchanged).
inline unsigned LeadStopMask(__m128i v, bool breaks) {
  const __m128i lead1 = _mm_cmplt_epi8(_mm_sub_epi8(v, _mm_set1_epi8(0x01)), _mm_set1_epi8(static_cast<char>(0x9F)));
  const __m128i lead2 = _mm_cmplt_epi8(_mm_sub_epi8(v, _mm_set1_epi8(0x60)), _mm_set1_epi8(static_cast<char>(0x9D)));
  __m128i s = _mm_or_si128(_mm_or_si128(lead1, lead2), _mm_cmpeq_epi8(v, _mm_setzero_si128()));
  if (breaks) {
    s = _mm_or_si128(s, _mm_cmpeq_epi8(v, _mm_set1_epi8(kCr)));
    s = _mm_or_si128(s, _mm_cmpeq_epi8(v, _mm_set1_epi8(kLf)));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(s));
}
#endif

// Moves the plain run at in[r] to out[w] (ASCII other than NUL and, with
// kBreaks, CR and LF; with kHighPlain also the bytes 0x80 and above that are
// not lead bytes), sixteen bytes at a time while
// a whole chunk is plain and `limit` allows. Storing a whole chunk is safe
// because the caller guarantees w + 16 <= r + 16 for in-place use, or that
// the chunk store cannot reach unread input.
template <bool kBreaks, bool kHighPlain = false>
inline void MovePlainChunks(uint8_t* out, const uint8_t* in, size_t& r, size_t& w, size_t limit) {
#if defined(__SSE2__)
  while (r + 16 <= limit) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r));
    const unsigned stop = kHighPlain ? LeadStopMask(v, kBreaks) : StopMask(v, kBreaks);
    if (stop != 0) {
      const unsigned k = static_cast<unsigned>(__builtin_ctz(stop));
      for (unsigned i = 0; i < k; ++i) out[w + i] = in[r + i];
      r += k;
      w += k;
      return;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), v);
    r += 16;
    w += 16;
  }
#else
  // Eight bytes at a time: plain when no high bit, no zero byte and (with
  // breaks) no CR or LF byte.
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  while (r + 8 <= limit) {
    uint64_t v;
    std::memcpy(&v, in + r, 8);
    uint64_t stop = (v | ((v - kOnes) & ~v)) & kHigh;
    if (kBreaks) {
      const uint64_t cr = v ^ (kOnes * kCr);
      const uint64_t lf = v ^ (kOnes * kLf);
      stop |= ((cr - kOnes) & ~cr & kHigh) | ((lf - kOnes) & ~lf & kHigh);
    }
    if (stop != 0) return;
    std::memmove(out + w, in + r, 8);
    r += 8;
    w += 8;
  }
#endif
}

// Moves the rest of a line at in[r] to out[w]: every byte up to the first
// CR, LF or NUL (the caller stops where its bytes end). Chunks are stored
// whole only when they hold no such byte, as MovePlainChunks does.
inline void MoveLine(uint8_t* out, const uint8_t* in, size_t& r, size_t& w, size_t limit) {
#if defined(__SSE2__)
  while (r + 16 <= limit) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r));
    const __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()),
                                      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(kCr)),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8(kLf))));
    if (_mm_movemask_epi8(stop) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), v);
    r += 16;
    w += 16;
  }
#else
  (void)limit;
#endif
  while (in[r] != 0 && !IsBreak(in[r])) out[w++] = in[r++];
}

// At a line start: passes line breaks and quoted lines (with the empty lines
// after them) from r to w unchanged, as SkipQuotedLines does, but with the
// mark sets and whole chunks. False when a NUL stands at r afterwards.
inline bool StartLine(const QuoteMarkSets& sets, uint8_t* t, size_t& r, size_t& w, size_t limit) {
  for (;;) {
    while (IsBreak(t[r])) t[w++] = t[r++];
    size_t i = r;
    for (;;) {
      if (t[i] == ' ' || t[i] == '\t') {
        ++i;
      } else if (t[i] == 0x81 && t[i + 1] == 0x40) {
        i += 2;
      } else {
        break;
      }
    }
    if (t[i] == 0) return i != r;
    if (IsBreak(t[i]) || !sets.IsMark(t + i)) return true;
    // A quoted line: it goes out as it is, up to its line break.
    MoveLine(t, t, r, w, limit);
    if (t[r] == 0) return false;
  }
}

inline void Store2(uint8_t* p, uint32_t bytes) {
  const auto v = static_cast<uint16_t>(bytes);
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  std::memcpy(p, b, 2);
}

// --- full-width to half-width -----------------------------------------------

struct HalfTables {
  // By first byte: 0 passes unchanged, 1 stops the line (NUL, and CR or LF
  // with `breaks`), 2 a lead byte.
  uint8_t kind[256] = {};
  // By lead byte, its row of results by trail byte: the output bytes (first
  // in bits 0-7, second in 8-15) and their count in bits 16 and up; an
  // unmapped pair is the pair itself. 0 where the lead byte goes out alone
  // (before NUL, and before CR or LF with `breaks`).
  const uint32_t* row[256] = {};
  uint32_t rows[60][256];  // the 60 lead bytes

  HalfTables(const ConversionOptions& o, bool breaks) {
    const WidthMaps maps(o);
    const auto& half = maps.half;
    const auto& mark = maps.mark;
    kind[0] = 1;
    if (breaks) kind[kCr] = kind[kLf] = 1;
    int next = 0;
    for (int c = 0; c < 256; ++c) {
      if (!sjis::IsLead(static_cast<uint8_t>(c))) continue;
      kind[c] = 2;
      uint32_t* out = rows[next++];
      row[c] = out;
      const int lead = c - 0x81;  // 0..2 for the lead bytes with tables
      for (int d = 0; d < 256; ++d) {
        const uint8_t h = lead < 3 ? half[lead][d] : 0;
        const uint8_t m = lead < 3 ? mark[lead][d] : 0;
        out[d] = h == 0   ? (2u << 16 | static_cast<uint32_t>(d) << 8 | static_cast<uint32_t>(c))
                 : m == 0 ? (1u << 16 | h)
                          : (2u << 16 | static_cast<uint32_t>(m) << 8 | h);
      }
      out[0] = 0;
      if (breaks) out[kCr] = out[kLf] = 0;
    }
  }
};

// Stores one pair's result at q. Both bytes are stored; the second lands at
// most on the pair's own second byte, already read.
inline void PutPair(uint8_t*& q, uint32_t e) {
  Store2(q, e);
  q += e >> 16;
}

// Converts the run of pairs at p (p[0] a lead byte, `row` its row) in place
// to q: up to the first byte that is no lead byte, or just past a lead byte
// that goes out alone (at the end of a text or, lines examined, before a line
// break: it never pairs across the break). Most of Japanese text runs here.
// Each result is looked up two pairs before it is stored: a store's address
// depends on the results before it, and reads behind a store whose address
// is not known yet would wait for it. Nothing is read past a NUL.
inline void HalfPairs(const HalfTables& T, const uint32_t* row, const uint8_t*& p, uint8_t*& q) {
  uint32_t e0 = row[p[1]];
  if (e0 == 0) [[unlikely]] {
    *q++ = *p++;
    return;
  }
  const uint32_t* row1 = T.row[p[2]];
  if (row1 == nullptr) {
    PutPair(q, e0);
    p += 2;
    return;
  }
  uint32_t e1 = row1[p[3]];
  for (;;) {
    // e0 is the pair at p, e1 the one at p + 2.
    if (e1 == 0) [[unlikely]] {
      PutPair(q, e0);
      p += 2;
      *q++ = *p++;
      return;
    }
    const uint32_t* row2 = T.row[p[4]];
    if (row2 == nullptr) {
      PutPair(q, e0);
      PutPair(q, e1);
      p += 4;
      return;
    }
    const uint32_t e2 = row2[p[5]];
    PutPair(q, e0);
    p += 2;
    e0 = e1;
    e1 = e2;
  }
}

// Converts the texts in t[0, n) in place, each NUL ending one (t[n] is 0).
// Returns the output length.
template <bool kSkip>
size_t HalfCore(const HalfTables& T, QuoteMarkList& marks, uint8_t* t, size_t n) {
  size_t r = 0;
  size_t w = 0;
  QuoteMarkSets sets;
  if (kSkip) marks.BuildSets(sets);
  for (;;) {
    // A line starts: at the start of a text or after line breaks.
    if (kSkip && !StartLine(sets, t, r, w, n)) {
      if (r >= n) return w;
      t[w++] = 0;
      ++r;
      continue;
    }
    for (;;) {
      const uint8_t c = t[r];
      if (const uint32_t* row = T.row[c]) {
        const uint8_t* p = t + r;
        uint8_t* q = t + w;
        HalfPairs(T, row, p, q);
        r = static_cast<size_t>(p - t);
        w = static_cast<size_t>(q - t);
        continue;
      }
      if (T.kind[c] == 0) {
        t[w++] = c;
        ++r;
        MovePlainChunks<kSkip, true>(t, t, r, w, n);
        continue;
      }
      if (c == 0) {
        if (r >= n) return w;
        t[w++] = 0;
        ++r;
      }
      break;  // a new line, or a new text on a fresh line
    }
  }
}

size_t HalfTexts(const ConversionOptions& o, QuoteMarkList& marks, uint8_t* t, size_t n) {
  const bool skip = !o.ProcessQuotedLine;
  const HalfTables tables(o, skip);
  return skip ? HalfCore<true>(tables, marks, t, n) : HalfCore<false>(tables, marks, t, n);
}

// --- half-width to full-width -----------------------------------------------

enum FullClass : uint8_t { kPlain, kNul, kBreak, kLead, kMapped };

struct FullTables {
  uint8_t cls[256] = {};
  uint8_t trail[256] = {};
  uint16_t full[256] = {};
  // The full-width code when the byte is followed by ﾞ (0xDE) or ﾟ (0xDF)
  // and joins with it; 0 when it does not.
  // join[0] stays zero: the next byte is no mark. join[1] for ﾞ, join[2] for ﾟ.
  uint16_t join[3][256] = {};
  uint8_t markIndex[256] = {};
  bool asciiPlain = true;  // no ASCII byte maps, so ASCII runs can be moved whole
  // For runs of single bytes, by byte and markIndex of the next byte: the
  // output in memory order, bit 24 set when the next byte joins.
  uint32_t run[256][4] = {};
  uint32_t taken[256] = {};  // 1 for the bytes such runs take: plain or mapped
  // Their output length, joined or not. By the byte alone, so that where the
  // next store goes is known before the run entry is read.
  uint32_t width[256] = {};

  FullTables(const ConversionOptions& o, bool breaks) {
    const WidthMaps maps(o);
    const auto& joinMap = maps.joinMap;
    const uint8_t joinLead = maps.joinLead;
    std::copy(std::begin(maps.full), std::end(maps.full), full);
    markIndex[0xDE] = 1;
    markIndex[0xDF] = 2;
    for (int i = 0; i < 256; ++i) {
      const auto c = static_cast<uint8_t>(i);
      trail[c] = sjis::IsTrail(c) ? 1 : 0;
      if (c == 0) {
        cls[c] = kNul;
      } else if (breaks && IsBreak(c)) {
        cls[c] = kBreak;
      } else if (sjis::IsLead(c)) {
        cls[c] = kLead;  // taken before any mapping, as the loop tests the pair first
      } else if (full[c] != 0) {
        cls[c] = kMapped;
        if (c < 0x80) asciiPlain = false;
      } else {
        cls[c] = kPlain;
      }
      const auto lead = static_cast<uint8_t>(full[c] >> 8);
      const auto t = static_cast<uint8_t>(full[c] & 0xFF);
      if (full[c] == 0 || joinLead == 0 || lead != joinLead) continue;
      for (const uint8_t mark : {uint8_t{0xDE}, uint8_t{0xDF}}) {
        if (joinMap[t] != mark && joinMap[t] != '+') continue;
        const auto joined = static_cast<uint8_t>(t == 0x45 ? 0x94 : t + (mark == 0xDE ? 1 : 2));
        join[mark == 0xDE ? 1 : 2][c] = static_cast<uint16_t>(lead << 8 | joined);
      }
    }
    for (int c = 0; c < 256; ++c) {
      const auto swap = [](uint16_t code) { return static_cast<uint32_t>(code & 0xFF) << 8 | (code >> 8); };
      taken[c] = cls[c] == kMapped || cls[c] == kPlain ? 1 : 0;
      width[c] = cls[c] == kMapped ? 2 : 1;
      const uint32_t alone = full[c] != 0 ? swap(full[c]) : static_cast<uint32_t>(c);
      for (int m = 0; m < 3; ++m) {
        run[c][m] = m != 0 && join[m][c] != 0 ? (1u << 24 | swap(join[m][c])) : alone;
      }
    }
  }
};

// Converts the input at b[r, end) (b[end] is 0, NULs inside end texts) into
// b from index 0; returns the output length. After k input bytes the output
// is at most 2k long while r is n + 2 + k, so it never reaches unread input,
// and a sixteen-byte store at w stays below r while r + 16 <= end.
// With kPairs (Normalize) runs of pairs go through the full-width to
// half-width loop instead, on `pairs`: what it writes is never longer.
template <bool kSkip, bool kAsciiPlain, bool kPairs = false>
size_t FullCore(const FullTables& T, const HalfTables* pairs, QuoteMarkList& marks, uint8_t* b, size_t r,
                size_t end) {
  size_t w = 0;
  QuoteMarkSets sets;
  if (kSkip) marks.BuildSets(sets);
  for (;;) {
    if (kSkip && !StartLine(sets, b, r, w, end)) {
      if (r >= end) return w;
      b[w++] = 0;
      ++r;
      continue;
    }
    for (;;) {
      const uint8_t c = b[r];
      const uint8_t cls = T.cls[c];
      if (kPairs && cls == kLead) {
        const uint8_t* p = b + r;
        uint8_t* q = b + w;
        HalfPairs(*pairs, pairs->row[c], p, q);
        r = static_cast<size_t>(p - b);
        w = static_cast<size_t>(q - b);
        continue;
      }
      if (cls == kLead) {
        // Pairs pass unchanged, on pointers: most of Japanese text.
        const uint8_t* p = b + r;
        uint8_t* q = b + w;
        do {
          if (!T.trail[p[1]]) {
            *q++ = *p++;  // a lead byte without its trail byte goes out alone
            break;
          }
          std::memcpy(q, p, 2);
          q += 2;
          p += 2;
        } while (T.cls[*p] == kLead);
        r = static_cast<size_t>(p - b);
        w = static_cast<size_t>(q - b);
        continue;
      }
      if (kAsciiPlain && cls == kPlain && c < 0x80) {
        b[w++] = c;
        ++r;
        MovePlainChunks<kSkip>(b, b, r, w, end);
        continue;
      }
      if (cls == kPlain) {
        b[w++] = c;
        ++r;
        continue;
      }
      if (cls == kMapped) {
        // A run of single bytes, one per pass and without a branch on whether
        // a mark follows and joins: a joined mark is still read in the next
        // pass, but its output is not kept (w does not move).
        uint32_t skip = 0;  // 1: this byte is a mark already joined
        // One byte, x at r: false when the run ends there (tested before
        // reading past a NUL). x becomes the next byte.
        const auto step = [&](uint8_t& x) {
          if ((skip | T.taken[x]) == 0) return false;
          const uint8_t y = b[r + 1];
          const uint32_t e = T.run[x][T.markIndex[y]];
          Store2(b + w, e);  // below r: never unread input
          // Masks rather than conditions: the compiler must not branch here.
          w += T.width[x] & (skip - 1);
          // A mark never takes a mark, so a joined mark never joins the next byte.
          skip = (e >> 24) & 1;
          ++r;
          x = y;
          return true;
        };
        for (uint8_t x = c; step(x) && step(x);) {
        }
        continue;
      }
      if (cls == kNul) {
        if (r >= end) return w;
        b[w++] = 0;
        ++r;
      }
      break;  // a line or a text starts
    }
  }
}

size_t FullTexts(const ConversionOptions& o, QuoteMarkList& marks, uint8_t* b, size_t n) {
  std::memmove(b + n + 2, b, n + 1);
  const bool skip = !o.ProcessQuotedLine;
  const FullTables tables(o, skip);
  const size_t r = n + 2;
  const size_t end = 2 * n + 2;
  if (o.Normalize) {  // no ASCII byte goes to full-width then
    const HalfTables pairs(o, skip);
    return skip ? FullCore<true, true, true>(tables, &pairs, marks, b, r, end)
                : FullCore<false, true, true>(tables, &pairs, marks, b, r, end);
  }
  if (skip) {
    return tables.asciiPlain ? FullCore<true, true>(tables, nullptr, marks, b, r, end)
                             : FullCore<true, false>(tables, nullptr, marks, b, r, end);
  }
  return tables.asciiPlain ? FullCore<false, true>(tables, nullptr, marks, b, r, end)
                           : FullCore<false, false>(tables, nullptr, marks, b, r, end);
}

}  // namespace

bool ConvertToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* text) {
  const size_t n = std::strlen(text);
  // Beyond the 32-bit positions of a text, or a conversion that may grow it.
  if (n >= UINT32_MAX || options.Normalize) return false;
  auto* t = reinterpret_cast<uint8_t*>(text);
  t[HalfTexts(options, marks, t, n)] = 0;
  return true;
}

bool ConvertTextsToHalf(const ConversionOptions& options, QuoteMarkList& marks, char* data, size_t n,
                        size_t* produced) {
  if (n >= UINT32_MAX || options.Normalize) return false;
  auto* t = reinterpret_cast<uint8_t*>(data);
  const size_t w = HalfTexts(options, marks, t, n);
  t[w] = 0;
  *produced = w;
  return true;
}

bool FullBlockSize(size_t n, size_t* bytes) {
  // 4 * (n + 1), within the texts' 32-bit positions.
  if (n > (UINT32_MAX / 4) - 1) return false;
  *bytes = 4 * (n + 1);
  return true;
}

bool ConvertToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n) {
  size_t produced = 0;
  return ConvertTextsToFullInBlock(options, marks, block, n, &produced);
}

bool ConvertTextsToFullInBlock(const ConversionOptions& options, QuoteMarkList& marks, char* block, size_t n,
                               size_t* produced) {
  size_t bytes = 0;
  if (!FullBlockSize(n, &bytes)) return false;
  auto* b = reinterpret_cast<uint8_t*>(block);
  const size_t w = FullTexts(options, marks, b, n);
  b[w] = 0;
  *produced = w;
  return true;
}

void ReplaceSpacesWithUnderbars(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') *p = '_';
  }
}

void ReplaceSpacesWithUnderbars(char* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (data[i] == ' ') data[i] = '_';
  }
}

}  // namespace qv
