// A platform for driver tests: the build's own, except that it supplies the
// command line, records message boxes, counts heaps, can fail the k-th heap
// operation, and shows no host and no dialog.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/pass_through_platform.h"

namespace qv::testing {

struct RecordedMessageBox {
  Window owner;
  std::string text;
  std::string caption;
  uint32_t type;
};

class RecordingPlatform : public PassThroughPlatform {
 public:
  RecordingPlatform() { SetPlatformForTesting(this); }
  ~RecordingPlatform() override { SetPlatformForTesting(nullptr); }

  std::string commandLine;
  std::vector<RecordedMessageBox> messageBoxes;
  int heapsCreated = 0;
  int heapsDestroyed = 0;
  // Heap operations (create, alloc, realloc) are numbered from 1; this one fails.
  int failHeapOperation = 0;
  int heapOperations = 0;
  std::vector<uint32_t> sleeps;

  HeapHandle HeapCreate(uint32_t o, size_t i, size_t m) override {
    if (Fails()) return nullptr;
    HeapHandle h = real_.HeapCreate(o, i, m);
    if (h != nullptr) ++heapsCreated;
    return h;
  }
  void* HeapAlloc(HeapHandle h, uint32_t f, size_t n) override { return Fails() ? nullptr : real_.HeapAlloc(h, f, n); }
  void* HeapReAlloc(HeapHandle h, uint32_t f, void* b, size_t n) override {
    return Fails() ? nullptr : real_.HeapReAlloc(h, f, b, n);
  }
  bool HeapDestroy(HeapHandle h) override {
    const bool ok = real_.HeapDestroy(h);
    if (ok) ++heapsDestroyed;
    return ok;
  }
  const char* GetCommandLineA() override { return commandLine.c_str(); }
  int MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) override {
    messageBoxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
    return win::kIdOk;
  }
  // Waits are counted, not slept.
  void Sleep(uint32_t ms) override { sleeps.push_back(ms); }
  // A desktop without the host, whatever the machine shows, and no dialog.
  Window GetForegroundWindow() override { return nullptr; }
  Window FindWindowA(const char*, const char*) override { return nullptr; }
  Window FindWindowExA(Window, Window, const char*, const char*) override { return nullptr; }
  intptr_t SendMessageA(Window, uint32_t, uintptr_t, intptr_t) override { return 0; }
  intptr_t DialogBoxParamA(ModuleHandle, int, Window, DialogProc, intptr_t) override { return -1; }

 private:
  bool Fails() { return ++heapOperations == failHeapOperation; }
};

}  // namespace qv::testing
