// MB/s of both conversions, fast and reference side by side, on the three
// generated corpora of 50 MiB each.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/corpus.h"
#include "convert/convert.h"
#include "convert/reference.h"

namespace qv::bench {
namespace {

constexpr size_t kCorpusBytes = size_t{50} << 20;

const std::string& CorpusText(Corpus corpus) {
  static std::map<Corpus, std::string> cache;
  auto it = cache.find(corpus);
  if (it == cache.end()) it = cache.emplace(corpus, MakeCorpus(corpus, kCorpusBytes)).first;
  return it->second;
}

ConversionOptions Options(bool toHalf, bool all) {
  ConversionOptions o;
  o.ExchangeZenHan = toHalf ? 1 : 0;
  if (all) {
    o.ProcessNumber = o.ProcessSpace = o.ProcessPunct = o.ProcessJPPunct = o.ProcessKatakana = 1;
  }
  return o;
}

// The one-pass normalisation and the two conversions it replaces (/XANSP
// then /xaKJ), fast only, on the same corpus.
void BenchOnePass(benchmark::State& state, Corpus corpus, int which) {
  const std::string& text = CorpusText(corpus);
  size_t bytes = 0;
  FullBlockSize(text.size(), &bytes);
  std::vector<char> block(bytes);
  ConversionOptions o;
  o.ExchangeZenHan = which == 1 ? 0 : 1;
  o.Normalize = which == 2 ? 1 : 0;
  o.ProcessAlphabet = o.ProcessNumber = o.ProcessSpace = o.ProcessPunct = which != 1 ? 1 : 0;
  o.ProcessJPPunct = o.ProcessKatakana = which != 0 ? 1 : 0;
  QuoteMarkList marks;
  marks.Set(kDefaultQuoteMarks);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(block.data(), text.c_str(), text.size() + 1);
    state.ResumeTiming();
    if (which == 0) {
      ConvertToHalf(o, marks, block.data());
    } else {
      ConvertToFullInBlock(o, marks, block.data(), text.size());
    }
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

using HalfFn = bool (*)(const ConversionOptions&, QuoteMarkList&, char*);
using FullFn = bool (*)(const ConversionOptions&, QuoteMarkList&, char*, size_t);

void BenchHalf(benchmark::State& state, Corpus corpus, bool all, HalfFn convert) {
  const std::string& text = CorpusText(corpus);
  std::vector<char> buffer(text.size() + 1);
  const ConversionOptions o = Options(true, all);
  QuoteMarkList marks;
  marks.Set(kDefaultQuoteMarks);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    state.ResumeTiming();
    convert(o, marks, buffer.data());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BenchFull(benchmark::State& state, Corpus corpus, bool all, FullFn convert) {
  const std::string& text = CorpusText(corpus);
  size_t bytes = 0;
  FullBlockSize(text.size(), &bytes);
  std::vector<char> block(bytes);
  const ConversionOptions o = Options(false, all);
  QuoteMarkList marks;
  marks.Set(kDefaultQuoteMarks);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(block.data(), text.c_str(), text.size() + 1);
    state.ResumeTiming();
    convert(o, marks, block.data(), text.size());
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

}  // namespace
}  // namespace qv::bench

int main(int argc, char** argv) {
  using namespace qv::bench;
  const std::pair<const char*, Corpus> corpora[] = {
      {"mixed", Corpus::kMixed}, {"ascii", Corpus::kAscii}, {"kana", Corpus::kKana}};
  for (const auto& [name, corpus] : corpora) {
    for (const bool all : {false, true}) {
      const std::string options = all ? "all" : "letters";
      const std::string suffix = std::string(name) + "/" + options;
      benchmark::RegisterBenchmark(("ToHalf/" + suffix + "/fast").c_str(), BenchHalf, corpus, all, qv::ConvertToHalf)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ToHalf/" + suffix + "/reference").c_str(), BenchHalf, corpus, all,
                                   qv::reference::ConvertToHalf)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ToFull/" + suffix + "/fast").c_str(), BenchFull, corpus, all,
                                   qv::ConvertToFullInBlock)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ToFull/" + suffix + "/reference").c_str(), BenchFull, corpus, all,
                                   qv::reference::ConvertToFullInBlock)
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (const auto& [name, corpus] : corpora) {
    const char* const which[] = {"ToHalfANSP", "ToFullKJ", "Normalize"};
    for (int w = 0; w < 3; ++w) {
      benchmark::RegisterBenchmark((std::string("OnePass/") + name + "/" + which[w]).c_str(), BenchOnePass, corpus, w)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
