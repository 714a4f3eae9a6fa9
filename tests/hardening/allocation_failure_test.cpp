// Whole runs against the in-process host in which the k-th heap event fails,
// for every k until a run meets no failure: the run never leaks a heap, never
// alters the pane's text unless it reports success, and each failure site
// shows its own outcome.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "context/messages.h"
#include "driver/run.h"
#include "host/discovery.h"
#include "host/host_contract.h"
#include "tests/support/fake_os.h"

namespace qv {
namespace {

using ::testing::ElementsAre;
using testing::FakeOs;
using testing::HeapEvent;

constexpr char kExe[] = "C:\\Tools\\TeraPad.exe";
constexpr char kSharedIni[] = "C:\\Tools\\TeraPad.ini";  // beside the executable, for a host that does not name it

struct Scenario {
  const char* name;
  std::string commandLine, text;
  size_t selStart, selEnd;
  const char* version;   // null: the executable has no version
  bool exeNameWindow;    // the host names its executable in a child window
  std::string expected;  // the pane's text after a complete run
};

// By name: the raw-byte fallback would print the record's padding.
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

struct Outcome {
  int result;
  std::string pane;
  std::vector<std::string> messages, journal;
  std::vector<HeapEvent> heapLog;
  size_t liveHeaps;
  bool dialog;  // the options dialog was asked for (and cancelled)
};

Outcome RunOnce(const Scenario& s, uint64_t failAt) {
  FakeOs os;
  testing::FakeWindow* main = os.AddHost(s.text, s.selStart, s.selEnd);
  if (s.exeNameWindow) os.AddWindow(host::kExeNameClass, main, kExe);
  os.processExe = kExe;
  if (s.version != nullptr) os.SetFileVersion(kExe, s.version);
  os.commandLine = s.commandLine;
  os.managerAnswer = 2;
  os.failHeapEvent = failAt;
  Outcome o{Run(nullptr), os.Pane(main)->text, {}, os.journal, os.heapLog, os.LiveHeaps(), os.dialogTemplate != 0};
  for (const auto& box : os.messageBoxes) o.messages.push_back(box.text);
  return o;
}

bool Has(const std::vector<std::string>& journal, const std::string& entry) {
  return std::find(journal.begin(), journal.end(), entry) != journal.end();
}

// A half-width text converted to full width with letters and katakana; the
// selection covers all but the last byte.
const char kHalf[] = "ab \xB6\xDE\xC3\xDE\r\n> q\r\nZ";
const char kFull[] = "\x82\x81\x82\x82 \x83\x4B\x83\x66\r\n> q\r\n\x82\x79";  // ａｂ ガデ / > q / Ｚ

class AllocationFailure : public ::testing::TestWithParam<Scenario> {};

TEST_P(AllocationFailure, EverySiteFailsSafely) {
  const Scenario& s = GetParam();
  const Outcome clean = RunOnce(s, 0);
  ASSERT_EQ(clean.result, 0);
  ASSERT_EQ(clean.pane, s.expected);
  ASSERT_TRUE(clean.messages.empty());
  ASSERT_EQ(clean.liveHeaps, 0u);
  const std::vector<HeapEvent>& sites = clean.heapLog;
  // The argument list's heap is the last one the run makes (it is split after the attach).
  int argumentHeap = 0;
  for (const HeapEvent& e : sites) argumentHeap = e.call == "HeapCreate" ? e.heap : argumentHeap;
  for (uint64_t k = 1; k <= sites.size() + 1; ++k) {
    SCOPED_TRACE("failing heap event " + std::to_string(k));
    const Outcome o = RunOnce(s, k);
    EXPECT_EQ(o.liveHeaps, 0u) << "a heap leaked";
    if (k > sites.size()) {  // no failure met: the clean run
      EXPECT_EQ(o.result, 0);
      EXPECT_EQ(o.pane, s.expected);
      break;
    }
    ASSERT_TRUE(o.heapLog.size() >= k && o.heapLog[k - 1].failed);
    const HeapEvent& site = sites[k - 1];
    // Nothing is reported as done that was not, nor the text altered by a failed run.
    EXPECT_TRUE(o.result == 0 ? o.messages.empty() : o.pane == s.text) << o.result;
    EXPECT_TRUE(o.result == 0 || o.messages.size() == 1 || o.dialog) << "a failed run said nothing";
    const bool linkHeap = site.heap == 1;
    if (site.call == "HeapCreate" && linkHeap) {
      EXPECT_EQ(o.result, -1);
      EXPECT_THAT(o.messages, ElementsAre(kMsgAttachFailed));
    } else if (site.heap == argumentHeap && site.call != "HeapReAlloc") {
      // No argument list: the switches are as good as absent, so the dialog is asked.
      EXPECT_TRUE(o.dialog);
      EXPECT_EQ(o.result, -1);
      EXPECT_TRUE(o.messages.empty());
    } else if (site.heap == argumentHeap) {
      // The argument array could not grow: converting without the switches
      // that were lost would be a failure reported as success.
      EXPECT_FALSE(o.dialog);
      EXPECT_EQ(o.result, -1);
      EXPECT_THAT(o.messages, ElementsAre(kMsgOutOfMemory));
    } else if (linkHeap && site.call == "HeapAlloc" && site.bytes == kExePathBlockSize) {
      // No block for the executable path: the literal names stand in.
      EXPECT_EQ(o.result, 0);
      EXPECT_TRUE(Has(o.journal, "version TeraPad.exe"));
      EXPECT_TRUE(Has(o.journal, "read Inyouhu TeraPad.ini"));
    } else if (linkHeap && site.call == "HeapAlloc" && site.bytes == std::strlen(kSharedIni) + 5 && !s.exeNameWindow) {
      EXPECT_EQ(o.result, 0);  // no copy of the derived INI path: the literal name stands in
      EXPECT_TRUE(Has(o.journal, "read Inyouhu TeraPad.ini"));
    } else if (linkHeap && site.call == "HeapReAlloc" && s.commandLine.find("/x") != std::string::npos) {
      EXPECT_EQ(o.result, -1);  // the block for the full-width text cannot grow
      EXPECT_THAT(o.messages, ElementsAre(kMsgOutOfMemory));
    } else if (o.result == -1) {
      // Any other failure on the link's heap after the setup loses the text read, never the pane's text.
      EXPECT_THAT(o.messages, ::testing::AnyOf(ElementsAre(kMsgFetchFailed), ElementsAre(kMsgOutOfMemory)));
    } else {
      EXPECT_EQ(o.pane, s.expected);  // one the run could do without (version reader, transfer fallbacks)
    }
  }
}

std::vector<Scenario> Scenarios() {
  std::string manyArguments = "quorvel.exe /x";
  for (int i = 0; i < 40; ++i) manyArguments += " /A";
  return {
      {"mapping_selection", "quorvel.exe /xAK", kHalf, 0, sizeof kHalf - 2, "0.73.0.1", true,
       std::string(kFull, sizeof kFull - 3) + "Z"},
      {"messages_whole_text", "quorvel.exe /xAK", kHalf, 0, 0, nullptr, false, kFull},
      {"to_half_whole_text", "quorvel.exe /XAK", kFull, 0, 0, "0.70.0.0", false, kHalf},
      {"argument_growth", manyArguments + " /K", kHalf, 0, 0, nullptr, false, kFull},
      {"kana_case", "quorvel.exe /XAG", "\x83\x4B\x83\x66\x82\x81", 0, 0, nullptr, false, "\x82\xAA\x82\xC5" "a"},  // ガデａ
  };
}

INSTANTIATE_TEST_SUITE_P(Runs, AllocationFailure, ::testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qv
