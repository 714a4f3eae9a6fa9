// The fuzz targets' independent checks as regression cases: each target's
// seed corpus and a fixed set of inputs made from it by a seeded mutator, so
// that every native run meets those checks (a failed check aborts).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>

#include "tests/support/temp_dir.h"

#define QV_FUZZ_TARGET(name) extern "C" int QvFuzz_##name(const uint8_t* data, size_t size);
QV_FUZZ_TARGETS
#undef QV_FUZZ_TARGET

namespace qv {
namespace {

struct Target {
  const char* name;
  int (*run)(const uint8_t*, size_t);
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, SeedsAndTheirVariants) {
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(QV_FUZZ_CORPUS) + "/" + GetParam().name)) {
    seeds.push_back(testing::ReadFile(entry.path().string()));
  }
  ASSERT_FALSE(seeds.empty());
  std::mt19937 rng(1);
  for (int i = 0; i < 400; ++i) {
    std::string input = seeds[i % seeds.size()];
    // Past the seeds themselves: a few bytes changed, some cut off or added.
    for (int n = i < static_cast<int>(seeds.size()) ? 0 : 1 + rng() % 4; n > 0 && !input.empty(); --n) {
      input[rng() % input.size()] = static_cast<char>(rng());
    }
    if (i >= static_cast<int>(seeds.size()) && rng() % 4 == 0) input.resize(rng() % (input.size() + 8), 'a');
    GetParam().run(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
}

#define QV_FUZZ_TARGET(name) Target{#name, QvFuzz_##name},
const Target kTargets[] = {QV_FUZZ_TARGETS};
#undef QV_FUZZ_TARGET
INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv
