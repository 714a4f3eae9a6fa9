// Whole runs against an in-process host in which the k-th allocation fails,
// for every k until a run meets no failure: the run never crashes, never
// leaks a heap, never alters the pane's text unless it reports success, and
// each failure site shows its own outcome.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "convert/quote_marks.h"
#include "driver/messages.h"
#include "driver/run.h"
#include "host/discovery.h"
#include "host/host_contract.h"
#include "host/module_version_info.h"
#include "platform/portable_heap.h"
#include "tests/support/fake_desktop.h"

namespace qv {
namespace {

using portable::HeapFaults;
using portable::LiveHeapCount;
using testing::FakeDesktop;
using testing::FakeWindow;

const char kExe[] = "C:\\Tools\\TeraPad.exe";

// One heap event of a run, as the run asked for it.
struct HeapEvent {
  std::string call;  // HeapCreate, HeapAlloc, HeapReAlloc
  size_t bytes = 0;
  int heap = 0;      // 1, 2, ... in order of creation within the run; 0: unknown
  bool failed = false;
};

// The fake host, also noting every heap event and the paths the run used.
class WatchedDesktop : public FakeDesktop {
 public:
  std::vector<HeapEvent> events;
  std::vector<std::string> versionPaths;  // paths whose version was asked for
  std::vector<std::string> markFiles;     // INI files the quote marks were read from

  HeapHandle HeapCreate(uint32_t o, size_t i, size_t m) override {
    const int index = static_cast<int>(heaps_.size()) + 1;
    HeapHandle h = FakeDesktop::HeapCreate(o, i, m);
    events.push_back({"HeapCreate", 0, index, h == nullptr});
    heaps_.push_back(h);
    return h;
  }
  void* HeapAlloc(HeapHandle h, uint32_t f, size_t n) override {
    void* p = FakeDesktop::HeapAlloc(h, f, n);
    events.push_back({"HeapAlloc", n, IndexOf(h), p == nullptr});
    return p;
  }
  void* HeapReAlloc(HeapHandle h, uint32_t f, void* b, size_t n) override {
    void* p = FakeDesktop::HeapReAlloc(h, f, b, n);
    events.push_back({"HeapReAlloc", n, IndexOf(h), p == nullptr});
    return p;
  }
  uint32_t GetFileVersionInfoSizeA(const char* path, uint32_t* handle) override {
    versionPaths.emplace_back(path != nullptr ? path : "(null)");
    return FakeDesktop::GetFileVersionInfoSizeA(path, handle);
  }
  uint32_t GetPrivateProfileStringA(const char* s, const char* k, const char* d, char* b, uint32_t n,
                                    const char* f) override {
    if (k != nullptr && std::strcmp(k, host::kQuoteMarkKey) == 0) markFiles.emplace_back(f != nullptr ? f : "(null)");
    return FakeDesktop::GetPrivateProfileStringA(s, k, d, b, n, f);
  }

 private:
  int IndexOf(HeapHandle h) const {
    for (size_t i = 0; i < heaps_.size(); ++i) {
      if (heaps_[i] == h && h != nullptr) return static_cast<int>(i) + 1;
    }
    return 0;
  }
  std::vector<HeapHandle> heaps_;
};

// The real collaborators, except that the options dialog is only noted and
// cancelled: a failed argument list must lead to it.
class Services : public RunServices {
 public:
  int dialogs = 0;
  intptr_t RunOptionsDialog(RunContext&, ModuleHandle) override {
    ++dialogs;
    return 2;
  }
};

struct Scenario {
  const char* name;
  std::string commandLine;
  std::string text;
  size_t selStart, selEnd;
  const char* version;   // null: the executable has no version
  bool exeNameWindow;    // the host names its executable in a child window
  std::string expected;  // the pane's text after a complete run
};

// By name: the raw-byte fallback would print the record's padding.
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

struct Outcome {
  int result = 0;
  std::string pane;
  std::vector<std::string> messages;
  int dialogs = 0;
  std::vector<HeapEvent> events;
  std::vector<std::string> versionPaths, markFiles;
  uint64_t eventsSinceArm = 0;
};

Outcome RunOnce(const Scenario& s, uint64_t failAt) {
  WatchedDesktop d;
  SetPlatformForTesting(&d);
  ResetProcessExeLookupForTesting();
  ResetVersionApiForTesting();
  QuoteMarkList::Process().ResetForTesting();
  FakeWindow* main = d.AddHost(s.text, s.selStart, s.selEnd);
  if (s.exeNameWindow) {
    d.AddWindow(host::kExeNameClass, main, kExe);
  } else {
    d.SetProcessExe(kExe);
  }
  if (s.version != nullptr) d.SetFileVersion(kExe, s.version);
  d.commandLine = s.commandLine;

  Services services;
  HeapFaults::Arm(failAt);
  Outcome o;
  o.result = qv::Run(nullptr, services);
  o.eventsSinceArm = HeapFaults::Events();
  HeapFaults::Disarm();
  o.pane = d.Pane(main)->text;
  for (const auto& box : d.messageBoxes) o.messages.push_back(box.text);
  o.dialogs = services.dialogs;
  o.events = d.events;
  o.versionPaths = d.versionPaths;
  o.markFiles = d.markFiles;
  SetPlatformForTesting(nullptr);
  QuoteMarkList::Process().ResetForTesting();
  return o;
}

std::string Describe(const HeapEvent& e) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s heap#%d %zu bytes", e.call.c_str(), e.heap, e.bytes);
  return buffer;
}

std::string DescribeOutcome(const Outcome& o) {
  std::string s = "result " + std::to_string(o.result);
  for (const auto& m : o.messages) {
    if (m == kMsgAttachFailed) s += ", attach-failed message";
    else if (m == kMsgFetchFailed) s += ", fetch-failed message";
    else if (m == kMsgOutOfMemory) s += ", out-of-memory message";
    else if (m == kMsgWriteBackFailedRestored || m == kMsgWriteBackFailedUndo) s += ", write-back-failed message";
    else s += ", other message";
  }
  if (o.dialogs) s += ", options dialog";
  if (!o.versionPaths.empty() && o.versionPaths.back() != kExe) s += ", version read from " + o.versionPaths.back();
  if (!o.markFiles.empty()) s += ", marks from " + o.markFiles.back();
  return s;
}

// A plain half-width text in the pane, converted to full width with letters
// and katakana; the selection covers all but the last byte.
const char kHalf[] = "ab \xB6\xDE\xC3\xDE\r\n> q\r\nZ";
const char kFullOfHalf[] = "\x82\x81\x82\x82 \x83\x4B\x83\x66\r\n> q\r\n\x82\x79";  // ａｂ ガデ / > q / Ｚ

// The INI beside the executable, for a host that does not name it.
const char kSharedIni[] = "C:\\Tools\\TeraPad.ini";

std::vector<Scenario> Scenarios() {
  std::string manyArguments = "quorvel.exe /x";
  for (int i = 0; i < 40; ++i) manyArguments += " /A";
  manyArguments += " /K";
  return {
      {"mapping_selection", "quorvel.exe /xAK", kHalf, 0, sizeof kHalf - 2, "0.73.0.1", true,
       std::string(kFullOfHalf, sizeof kFullOfHalf - 3) + "Z"},
      {"messages_whole_text", "quorvel.exe /xAK", kHalf, 0, 0, nullptr, false, kFullOfHalf},
      {"to_half_whole_text", "quorvel.exe /XAK", kFullOfHalf, 0, 0, "0.70.0.0", false, "ab \xB6\xDE\xC3\xDE\r\n> q\r\nZ"},
      {"argument_growth", manyArguments, kHalf, 0, 0, nullptr, false, kFullOfHalf},
  };
}

class AllocationFailure : public ::testing::TestWithParam<Scenario> {};

TEST_P(AllocationFailure, EverySiteFailsSafely) {
  const Scenario& s = GetParam();
  const size_t heapsBefore = LiveHeapCount();
  const Outcome clean = RunOnce(s, 0);
  ASSERT_EQ(clean.result, 0);
  ASSERT_EQ(clean.pane, s.expected);
  ASSERT_TRUE(clean.messages.empty());
  ASSERT_EQ(LiveHeapCount(), heapsBefore);
  const std::vector<HeapEvent> sites = clean.events;
  ASSERT_FALSE(sites.empty());

  std::printf("[ sites    ] %s: %zu allocation events\n", s.name, sites.size());
  uint64_t k = 1;
  for (;; ++k) {
    SCOPED_TRACE("failing allocation " + std::to_string(k));
    const Outcome o = RunOnce(s, k);
    EXPECT_EQ(LiveHeapCount(), heapsBefore) << "a heap leaked";
    if (o.eventsSinceArm < k) {
      // No failure met: the run is the clean one.
      EXPECT_EQ(o.result, 0);
      EXPECT_EQ(o.pane, s.expected);
      break;
    }
    ASSERT_LE(k, sites.size()) << "more allocation events than the clean run had";
    const HeapEvent& site = sites[k - 1];
    std::printf("[ site %2llu  ] %-34s -> %s\n", static_cast<unsigned long long>(k), Describe(site).c_str(),
                DescribeOutcome(o).c_str());
    // Nothing is ever reported as done that was not, nor the text altered by a failed run.
    EXPECT_TRUE(o.result == 0 || o.result == -1);
    if (o.result == 0) {
      EXPECT_TRUE(o.messages.empty());
    } else {
      EXPECT_EQ(o.pane, s.text) << "a failed run left the pane changed";
      EXPECT_TRUE(o.messages.size() == 1 || o.dialogs == 1) << "a failed run said nothing";
    }

    // The outcome of each kind of site.
    const bool linkHeap = site.heap == 1;
    // The argument list's heap is the last one the run creates (it is split after the attach).
    int argumentHeapIndex = 0;
    for (const HeapEvent& e : sites) {
      if (e.call == "HeapCreate") argumentHeapIndex = e.heap;
    }
    const bool argumentHeap = !linkHeap && site.heap == argumentHeapIndex;
    if (site.call == "HeapCreate" && linkHeap) {
      EXPECT_EQ(o.result, -1);
      EXPECT_THAT(o.messages, ::testing::ElementsAre(kMsgAttachFailed));
    } else if (argumentHeap && site.call != "HeapReAlloc") {
      // No argument list: the switches are as good as absent, so the dialog is asked.
      EXPECT_EQ(o.dialogs, 1);
      EXPECT_EQ(o.result, -1);
      EXPECT_TRUE(o.messages.empty());
    } else if (argumentHeap && site.call == "HeapReAlloc") {
      // The argument array could not grow: the arguments split so far count,
      // the later /K is lost, so katakana stays half-width.
      EXPECT_EQ(o.dialogs, 0);
      EXPECT_EQ(o.result, 0);
      EXPECT_EQ(o.pane, std::string("\x82\x81\x82\x82 \xB6\xDE\xC3\xDE\r\n> q\r\n\x82\x79"));
    } else if (linkHeap && site.call == "HeapAlloc" && site.bytes == kExePathBlockSize) {
      // No block for the executable path: the literal name stands in.
      EXPECT_EQ(o.result, 0);
      ASSERT_FALSE(o.versionPaths.empty());
      EXPECT_EQ(o.versionPaths.back(), "TeraPad.exe");
      ASSERT_FALSE(o.markFiles.empty());
      EXPECT_EQ(o.markFiles.back(), "TeraPad.ini");
    } else if (linkHeap && site.call == "HeapAlloc" && site.bytes == std::strlen(kSharedIni) + 5 &&
               !s.exeNameWindow) {
      // No copy of the derived INI path: the literal name stands in.
      EXPECT_EQ(o.result, 0);
      ASSERT_FALSE(o.markFiles.empty());
      EXPECT_EQ(o.markFiles.back(), "TeraPad.ini");
    } else if (linkHeap && site.call == "HeapReAlloc" && s.commandLine.find("/x") != std::string::npos) {
      // The block for the full-width text cannot grow.
      EXPECT_EQ(o.result, -1);
      EXPECT_THAT(o.messages, ::testing::ElementsAre(kMsgOutOfMemory));
    } else if (o.result == -1) {
      // Any other failure on the link's heap after the setup loses the text
      // read, never the pane's text.
      EXPECT_THAT(o.messages, ::testing::AnyOf(::testing::ElementsAre(kMsgFetchFailed),
                                               ::testing::ElementsAre(kMsgOutOfMemory)));
    } else {
      // A failure the run could do without (version reader, transfer
      // fallbacks): the text is converted all the same.
      EXPECT_EQ(o.pane, s.expected);
    }
  }
  std::printf("[ sites    ] %s: %llu sites exercised\n", s.name, static_cast<unsigned long long>(k - 1));
  EXPECT_EQ(k - 1, sites.size());
}

INSTANTIATE_TEST_SUITE_P(Runs, AllocationFailure, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// No host at all: only the link heap and the argument list allocate, and each
// failure still ends in the attach message without a leak.
TEST(AllocationFailureNoHost, EachSiteEndsInTheAttachMessage) {
  const size_t heapsBefore = LiveHeapCount();
  for (uint64_t k = 1;; ++k) {
    FakeDesktop d;
    SetPlatformForTesting(&d);
    d.commandLine = "quorvel.exe /xA";
    Services services;
    HeapFaults::Arm(k);
    const int result = qv::Run(nullptr, services);
    const uint64_t events = HeapFaults::Events();
    HeapFaults::Disarm();
    SetPlatformForTesting(nullptr);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(d.messageBoxes.size(), 1u);
    EXPECT_EQ(d.messageBoxes[0].text, kMsgAttachFailed);
    EXPECT_EQ(services.dialogs, 0);
    EXPECT_EQ(LiveHeapCount(), heapsBefore);
    if (events < k) break;
    ASSERT_LT(k, 16u);
  }
}

}  // namespace
}  // namespace qv
