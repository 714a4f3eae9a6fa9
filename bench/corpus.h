// Generated benchmark texts in code page 932, the same for every run (fixed
// seeds): Japanese prose, pure ASCII, and half-width kana with sound marks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::bench {

enum class Corpus { kMixed, kAscii, kKana };

// False for an unknown name.
bool CorpusFromName(std::string_view name, Corpus* corpus);
// At least `bytes` bytes of whole CR LF lines.
std::string MakeCorpus(Corpus corpus, size_t bytes);

}  // namespace qv::bench
