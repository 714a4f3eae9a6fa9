#include "context/argument_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/recording_platform.h"

namespace qv {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::string> Split(const std::string& line) {
  testing::RecordingPlatform os;
  os.commandLine = line;
  ArgumentList list;
  list.Construct();
  std::vector<std::string> args;
  for (int32_t i = 0; i < list.argc; ++i) args.emplace_back(list.argv[i]);
  if (list.argv != nullptr) {
    EXPECT_EQ(list.argv[list.argc], nullptr) << "null entry after the last argument";
  }
  list.Destroy();
  EXPECT_EQ(os.heapsCreated, os.heapsDestroyed);
  return args;
}

struct SplitCase {
  const char* name;
  std::string line;
  std::vector<std::string> args;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesTheArguments) { EXPECT_THAT(Split(GetParam().line), ElementsAreArray(GetParam().args)); }

const SplitCase kSplitCases[] = {
    {"Empty", "", {}},
    {"BlanksOnly", " \t  ", {}},
    {"ProgramOnly", "tool.exe", {"tool.exe"}},
    {"SlashesSplit", "t /X/A/N", {"t", "/X", "/A", "/N"}},
    {"BlanksSplit", "t /X /A /N", {"t", "/X", "/A", "/N"}},
    {"TrailingBlanksIgnored", "t /X   \t", {"t", "/X"}},
    {"LeadingBlanks", "   t /X", {"t", "/X"}},
    {"SlashAfterText", "t a/b", {"t", "a", "/b"}},
    {"EmptyQuotedArgument", "t \"\" /X", {"t", "", "/X"}},
    {"EmptyQuotesAtEnd", "t \"\"", {"t"}},
    {"EmptyQuotesThenSlash", "t \"\"/x", {"t", "/x"}},
    {"QuotedBlankKeptBeforeSlash", "t \"/x /y\"", {"t", "/x ", "/y"}},
    {"QuotedPathWithBackslashes", "\"C:\\Program Files\\tool.exe\" /X", {"C:\\Program Files\\tool.exe", "/X"}},
    {"ForwardSlashPath", "C:/t/tool.exe /X", {"C:", "/t", "/tool.exe", "/X"}},
    {"UnclosedQuote", "t \"a b  ", {"t", "a b"}},
    {"TrailingBackslashUnquoted", "t a\\", {"t", "a\\"}},
    {"TrailingBackslashQuoted", "t \"a\\", {"t", "a\\"}},
    {"BackslashQuoteAtEndOfQuotes", "t \"a\\\"", {"t", "a\""}},
    {"DoubleBackslashInQuotes", "t \"a\\\\b\"", {"t", "a\\b"}},
    {"BackslashLiteralOutsideQuotes", "t a\\\"b c\"", {"t", "a\\b c"}},
    {"BackslashBeforeOrdinaryInQuotes", "t \"a\\b\"", {"t", "a\\b"}},
    {"TwoByteWithBackslashTrail", "t \x95\x5C \x95\x5C\x95\x5C", {"t", "\x95\x5C", "\x95\x5C\x95\x5C"}},
    {"TwoByteWithBackslashTrailInQuotes", "t \"\x95\x5C\" x", {"t", "\x95\x5C", "x"}},
    {"LoneLeadByteThenBlank", "t \x81 x", {"t", "\x81", "x"}},
    {"LeadByteBeforeSlashIsNotPaired", "t a\x81/b", {"t", "a\x81", "/b"}},
    {"TabSeparates", "t\t/X\t/A", {"t", "/X", "/A"}},
    {"LoneSlashes", "t //X", {"t", "/", "/X"}},
};

INSTANTIATE_TEST_SUITE_P(Rules, SplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ArgumentListTest, ArgumentsLieBackToBackInOneBuffer) {
  testing::RecordingPlatform os;
  os.commandLine = "tool /X/A \"b c\"";
  ArgumentList list;
  list.Construct();
  ASSERT_EQ(list.argc, 4);
  EXPECT_EQ(list.argv[0], list.charBuffer);
  for (int32_t i = 1; i < list.argc; ++i) {
    EXPECT_EQ(list.argv[i], list.argv[i - 1] + std::string(list.argv[i - 1]).size() + 1);
  }
  list.Destroy();
  EXPECT_EQ(list.argv, nullptr);
  EXPECT_EQ(list.charBuffer, nullptr);
  EXPECT_EQ(list.privateHeap, nullptr);
  EXPECT_EQ(list.argc, 4) << "argc is left as it was";
}

// 31, 32 and 33 arguments: the pointer array grows from 32 to 64 entries
// and every pointer into the buffer survives.
TEST(ArgumentListTest, PointersSurviveGrowth) {
  for (int count : {31, 32, 33, 64, 65}) {
    std::string line = "p";
    std::vector<std::string> expected = {"p"};
    for (int i = 1; i < count; ++i) {
      line += " a" + std::to_string(i);
      expected.push_back("a" + std::to_string(i));
    }
    EXPECT_THAT(Split(line), ElementsAreArray(expected)) << count << " arguments";
  }
}

// The worst case for the buffer: a first byte, then slashes only.
TEST(ArgumentListTest, SlashesOnlyFitTheBuffer) {
  const std::string line = "a" + std::string(200, '/');
  std::vector<std::string> expected = {"a"};
  for (int i = 0; i < 200; ++i) expected.push_back("/");
  EXPECT_THAT(Split(line), ElementsAreArray(expected));
}

struct FailureCase {
  const char* name;
  int failingOperation;  // 1 heap, 2 buffer, 3 pointer array, 4 first growth
  int32_t argc;
  bool hasArgv;
  bool hasBuffer;
};

class ArgumentListFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ArgumentListFailureTest, LeavesTheDocumentedState) {
  const FailureCase& c = GetParam();
  testing::RecordingPlatform os;
  os.failHeapOperation = c.failingOperation;
  std::string line = "p";
  for (int i = 1; i < 40; ++i) line += " /X";
  os.commandLine = line;
  ArgumentList list;
  list.Construct();
  EXPECT_EQ(list.argc, c.argc);
  EXPECT_EQ(list.argv != nullptr, c.hasArgv);
  EXPECT_EQ(list.charBuffer != nullptr, c.hasBuffer);
  for (int32_t i = 1; i < list.argc; ++i) EXPECT_STREQ(list.argv[i], "/X");
  list.Destroy();
  list.Destroy();  // harmless twice
  EXPECT_EQ(os.heapsCreated, os.heapsDestroyed);
}

const FailureCase kFailureCases[] = {
    {"HeapCannotBeCreated", 1, 0, false, false},
    {"BufferCannotBeAllocated", 2, 0, false, false},
    {"PointerArrayCannotBeAllocated", 3, 0, false, false},
    // Growth is needed when the 32nd argument ends: 31 arguments are kept.
    {"PointerArrayCannotGrow", 4, 31, true, true},
};

INSTANTIATE_TEST_SUITE_P(Failures, ArgumentListFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv
