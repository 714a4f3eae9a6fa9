// The splitting rules are checked against a model of them by the argument fuzz
// target on its corpus (replayed by qv_test_hardening); here the growth of the
// pointer array and the heap's failures.
#include "context/argument_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_os.h"

namespace qv {
namespace {

using testing::FakeOs;

// The process command line split; the arguments lie back to back in one buffer.
std::vector<std::string> Split(FakeOs& os, const std::string& line) {
  os.commandLine = line;
  ArgumentList list;
  list.Construct();
  std::vector<std::string> args;
  for (int32_t i = 0; i < list.argc; ++i) {
    args.emplace_back(list.argv[i]);
    EXPECT_EQ(list.argv[i], i == 0 ? list.charBuffer : list.argv[i - 1] + args[i - 1].size() + 1);
  }
  // A complete split ends the array with a null entry.
  EXPECT_TRUE(os.failHeapEvent != 0 || list.argv[list.argc] == nullptr);
  list.Destroy();
  EXPECT_EQ(list.argc, static_cast<int32_t>(args.size())) << "argc is left as it was";
  EXPECT_EQ(os.LiveHeaps(), 0u);
  return args;
}

// The pointer array grows from 32 to 64 entries and beyond, every pointer into
// the buffer surviving; when it cannot grow, the arguments ended so far stay.
TEST(ArgumentListTest, GrowthAndFailures) {
  for (int count : {31, 32, 33, 64, 65}) {
    FakeOs os;
    std::vector<std::string> expected = {"p"};
    for (int i = 1; i < count; ++i) expected.push_back(std::to_string(i));
    std::string line;
    for (const std::string& a : expected) line += a + " ";
    EXPECT_EQ(Split(os, line), expected) << count;
  }
  const struct {
    uint64_t failing;  // 1 heap, 2 buffer, 3 pointer array, 4 first growth
    int32_t argc;
  } failures[] = {{1, 0}, {2, 0}, {3, 0}, {4, 31}};
  for (const auto& f : failures) {
    FakeOs os;
    os.failHeapEvent = f.failing;
    std::vector<std::string> expected(static_cast<size_t>(f.argc), "/X");
    if (f.argc > 0) expected[0] = "p";
    std::string line = "p";  // the first growth comes at a slash
    for (int i = 0; i < 39; ++i) line += i < 20 ? " /X" : "/X";
    EXPECT_EQ(Split(os, line), expected) << f.failing;
  }
}

}  // namespace
}  // namespace qv
