// How the tool splits its command line, by example; then the growth of the
// pointer array and the heap's failures.
#include "context/argument_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_os.h"

namespace qv {
namespace {

using testing::FakeOs;

// The arguments of a split; they lie back to back in one buffer, and a
// complete split ends the array with a null entry.
std::vector<std::string> Arguments(const ArgumentList& list, bool complete = true) {
  std::vector<std::string> args;
  for (int32_t i = 0; i < list.argc(); ++i) {
    args.emplace_back(list[i]);
    EXPECT_EQ(list[i], i == 0 ? list.charBuffer() : list[i - 1] + args[i - 1].size() + 1);
  }
  if (complete && list.argc() > 0) {
    EXPECT_EQ(list[list.argc()], nullptr);
  }
  return args;
}

TEST(ArgumentListTest, SplitsAsTheSwitchesNeed) {
  const struct {
    std::string line;
    std::vector<std::string> args;
  } cases[] = {
      {"p /X/A/N", {"p", "/X", "/A", "/N"}},
      {"p /X /A /N  ", {"p", "/X", "/A", "/N"}},
      {"p a/b", {"p", "a", "/b"}},
      {"p \"\" /X", {"p", "", "/X"}},
      {"p /X \"\"", {"p", "/X"}},  // an empty last argument is removed
      {"p \"\"/x", {"p", "/x"}},   // a slash does not split an argument still empty
      {"p \"/x /y\"", {"p", "/x ", "/y"}},
      {"\"C:\\Program Files\\q.exe\" /X", {"C:\\Program Files\\q.exe", "/X"}},
      {"C:/t/tool.exe /X", {"C:", "/t", "/tool.exe", "/X"}},
      {"p \"a b  ", {"p", "a b"}},                   // an unclosed quote, without its trailing blanks
      {"p a\\ \"b\\\\c\\\"", {"p", "a\\", "b\\c\""}},  // outside quotes a backslash is literal
      {"p \x95\x5C \x95\x5C\x95\x5C", {"p", "\x95\x5C", "\x95\x5C\x95\x5C"}},  // 表: its 0x5C is no backslash
      {"p \x81 x", {"p", "\x81", "x"}},               // a lead byte before a blank stands alone
      {"", {}},
      {"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Arguments(ArgumentList(c.line.c_str())), c.args) << c.line;
  FakeOs os;
  os.commandLine = "q.exe /xKJ";
  EXPECT_EQ(Arguments(ArgumentList::OfProcess()), (std::vector<std::string>{"q.exe", "/xKJ"}));
}

// The pointer array grows from 32 to 64 entries and beyond, every pointer into
// the buffer surviving; when it cannot grow, the arguments ended so far stay.
TEST(ArgumentListTest, GrowthAndFailures) {
  for (int count : {31, 32, 33, 64, 65}) {
    std::vector<std::string> expected = {"p"};
    for (int i = 1; i < count; ++i) expected.push_back(std::to_string(i));
    std::string line;
    for (const std::string& a : expected) line += a + " ";
    EXPECT_EQ(Arguments(ArgumentList(line.c_str())), expected) << count;
  }
  const struct {
    uint64_t failing;  // 1 heap, 2 buffer, 3 pointer array, 4 first growth
    int32_t argc;
  } failures[] = {{1, 0}, {2, 0}, {3, 0}, {4, 31}};
  for (const auto& f : failures) {
    FakeOs os(FakeOs::kHeaps);
    os.failHeapEvent = f.failing;
    std::vector<std::string> expected(static_cast<size_t>(f.argc), "/X");
    if (f.argc > 0) expected[0] = "p";
    std::string line = "p";  // the first growth comes at a slash
    for (int i = 0; i < 39; ++i) line += i < 20 ? " /X" : "/X";
    {
      const ArgumentList list(line.c_str());
      EXPECT_EQ(Arguments(list, false), expected) << f.failing;
      EXPECT_EQ(list.incomplete(), f.failing == 4);
    }
    EXPECT_EQ(os.LiveHeaps(), 0u);
  }
}

}  // namespace
}  // namespace qv
