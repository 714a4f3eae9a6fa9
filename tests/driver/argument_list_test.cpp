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
  EXPECT_EQ(list.argv, nullptr);
  EXPECT_EQ(list.charBuffer, nullptr);
  EXPECT_EQ(list.privateHeap, nullptr);
  EXPECT_EQ(list.argc, static_cast<int32_t>(args.size())) << "argc is left as it was";
  EXPECT_EQ(os.LiveHeaps(), 0u);
  return args;
}

TEST(ArgumentListTest, SplittingRules) {
  const struct {
    std::string line;
    std::vector<std::string> args;
  } cases[] = {
      {"", {}},
      {" \t  ", {}},
      {"t /X/A /N\t/K   \t", {"t", "/X", "/A", "/N", "/K"}},
      {"   t a/b //X", {"t", "a", "/b", "/", "/X"}},
      {"t \"\" /X \"\"/x \"\"", {"t", "", "/X", "/x"}},
      {"t \"/x /y\"", {"t", "/x ", "/y"}},
      {"\"C:\\Program Files\\tool.exe\" /X", {"C:\\Program Files\\tool.exe", "/X"}},
      {"t \"a b  ", {"t", "a b"}},
      {"t a\\ \"a\\", {"t", "a\\", "a\\"}},
      {"t \"a\\\"\" \"a\\\\b\" a\\\"b c\" \"a\\b\"", {"t", "a\"", "a\\b", "a\\b c", "a\\b"}},
      {"t \x95\x5C \x95\x5C\x95\x5C \"\x95\x5C\" x", {"t", "\x95\x5C", "\x95\x5C\x95\x5C", "\x95\x5C", "x"}},
      {"t \x81 x a\x81/b \x9F\x40\xE0\x40\xFC\xFC \x80/ \xFD/", {"t", "\x81", "x", "a\x81", "/b",
                                                               "\x9F\x40\xE0\x40\xFC\xFC", "\x80", "/", "\xFD", "/"}},
      {"t \x81\x7F/ \x81\x3F/", {"t", "\x81\x7F", "/", "\x81\x3F", "/"}},
      {"t \"\x81\\\" \"\x9F\\\" \"\xE0\\\" \"\xFC\\\" \"\xFD\\\" x\"", {"t", "\x81\\", "\x9F\\", "\xE0\\", "\xFC\\", "\xFD\" x"}},
      {"t \"\xDF\\\" x\" \"\xA0\\\" x\" \"\x80\\\" x\"", {"t", "\xDF\" x", "\xA0\" x", "\x80\" x"}},
      {"a" + std::string(200, '/'), [] {
         std::vector<std::string> v(201, "/");  // the worst case for the buffer
         v[0] = "a";
         return v;
       }()},
  };
  for (const auto& c : cases) {
    FakeOs os;
    EXPECT_EQ(Split(os, c.line), c.args) << c.line;
  }
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
    std::string line = "p";
    for (int i = 0; i < 39; ++i) line += " /X";
    EXPECT_EQ(Split(os, line), expected) << f.failing;
  }
}

}  // namespace
}  // namespace qv
