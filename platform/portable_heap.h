// Private heaps for builds without Win32: every block belongs to its heap,
// destroying the heap releases them all at once, and reallocation may move a
// block (it always does here, so that stale pointers show up in tests).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::portable {

void* HeapCreate();
void* HeapAlloc(void* heap, uint32_t flags, size_t bytes);
void* HeapReAlloc(void* heap, uint32_t flags, void* block, size_t bytes);
bool HeapFree(void* heap, void* block);
bool HeapDestroy(void* heap);

// Allocation-failure injection for tests. Every heap creation, allocation and
// reallocation is one "allocation event", counted from 1 after Arm(). The
// event whose number is `failAt` fails (0: none fails).
struct HeapFaults {
  static void Arm(uint64_t failAt);
  static void Disarm();
  static uint64_t Events();  // events since the last Arm()
};

}  // namespace qv::portable
