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

using HalfFn = bool (*)(const ConversionOptions&, QuoteMarkList&, char*);
using FullFn = bool (*)(const ConversionOptions&, QuoteMarkList&, char*, size_t);

void BenchHalf(benchmark::State& state, Corpus corpus, ConversionOptions o, HalfFn convert) {
  const std::string& text = CorpusText(corpus);
  std::vector<char> buffer(text.size() + 1);
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

void BenchFull(benchmark::State& state, Corpus corpus, ConversionOptions o, FullFn convert) {
  const std::string& text = CorpusText(corpus);
  size_t bytes = 0;
  FullBlockSize(text.size(), &bytes);
  std::vector<char> block(bytes);
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
      const qv::ConversionOptions half = Options(true, all), full = Options(false, all);
      benchmark::RegisterBenchmark(("ToHalf/" + suffix + "/fast").c_str(), BenchHalf, corpus, half, qv::ConvertToHalf)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ToHalf/" + suffix + "/reference").c_str(), BenchHalf, corpus, half,
                                   qv::reference::ConvertToHalf)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ToFull/" + suffix + "/fast").c_str(), BenchFull, corpus, full,
                                   qv::ConvertToFullInBlock)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ToFull/" + suffix + "/reference").c_str(), BenchFull, corpus, full,
                                   qv::reference::ConvertToFullInBlock)
          ->Unit(benchmark::kMillisecond);
    }
  }
  // The one-pass normalisation beside the two conversions it replaces,
  // /XANSP and then /xaKJ.
  qv::ConversionOptions ansp, kj, normalize;
  ansp.ProcessNumber = ansp.ProcessSpace = ansp.ProcessPunct = 1;
  kj.ExchangeZenHan = kj.ProcessAlphabet = 0;
  kj.ProcessJPPunct = kj.ProcessKatakana = 1;
  normalize = ansp;
  normalize.Normalize = normalize.ProcessJPPunct = normalize.ProcessKatakana = 1;
  for (const auto& [name, corpus] : corpora) {
    const std::string prefix = std::string("OnePass/") + name;
    benchmark::RegisterBenchmark((prefix + "/ToHalfANSP").c_str(), BenchHalf, corpus, ansp, qv::ConvertToHalf)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "/ToFullKJ").c_str(), BenchFull, corpus, kj, qv::ConvertToFullInBlock)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "/Normalize").c_str(), BenchFull, corpus, normalize,
                                 qv::ConvertToFullInBlock)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
