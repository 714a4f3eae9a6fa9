// Writes a benchmark corpus to standard output: quorvel-corpus mixed|ascii|kana MEGABYTES
#include <cstdio>
#include <cstdlib>

#include "bench/corpus.h"

int main(int argc, char** argv) {
  qv::bench::Corpus corpus;
  if (argc != 3 || !qv::bench::CorpusFromName(argv[1], &corpus)) {
    std::fprintf(stderr, "usage: quorvel-corpus mixed|ascii|kana MEGABYTES\n");
    return 2;
  }
  const std::string text = qv::bench::MakeCorpus(corpus, std::strtoul(argv[2], nullptr, 10) << 20);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) return 1;
  return 0;
}
