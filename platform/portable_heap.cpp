#include "platform/portable_heap.h"

#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "platform/platform.h"

namespace qv::portable {
namespace {

struct alignas(std::max_align_t) BlockHeader {
  BlockHeader* prev;
  BlockHeader* next;
  size_t size;
};

struct Heap {
  BlockHeader* first = nullptr;
};

std::unordered_set<Heap*>& LiveHeaps() {
  static std::unordered_set<Heap*> heaps;
  return heaps;
}

uint64_t g_faultAt = 0;
uint64_t g_events = 0;

bool NextEventFails() {
  ++g_events;
  return g_faultAt != 0 && g_events == g_faultAt;
}

Heap* Checked(void* handle) {
  auto* heap = static_cast<Heap*>(handle);
  return heap != nullptr && LiveHeaps().count(heap) != 0 ? heap : nullptr;
}

BlockHeader* HeaderOf(void* block) { return static_cast<BlockHeader*>(block) - 1; }

void Link(Heap* heap, BlockHeader* header) {
  header->prev = nullptr;
  header->next = heap->first;
  if (heap->first != nullptr) heap->first->prev = header;
  heap->first = header;
}

void Unlink(Heap* heap, BlockHeader* header) {
  if (header->prev != nullptr) header->prev->next = header->next;
  else heap->first = header->next;
  if (header->next != nullptr) header->next->prev = header->prev;
}

BlockHeader* NewBlock(size_t bytes) {
  if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  // Exactly the size asked for, so that the sanitizers see a write past a block even of zero bytes.
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + bytes));
  if (header != nullptr) header->size = bytes;
  return header;
}

}  // namespace

void* HeapCreate() {
  if (NextEventFails()) return nullptr;
  auto* heap = new Heap;
  LiveHeaps().insert(heap);
  return heap;
}

void* HeapAlloc(void* handle, uint32_t flags, size_t bytes) {
  Heap* heap = Checked(handle);
  if (heap == nullptr || NextEventFails()) return nullptr;
  BlockHeader* header = NewBlock(bytes);
  if (header == nullptr) return nullptr;
  if ((flags & win::kHeapZeroMemory) != 0) std::memset(header + 1, 0, bytes);
  Link(heap, header);
  return header + 1;
}

void* HeapReAlloc(void* handle, uint32_t flags, void* block, size_t bytes) {
  Heap* heap = Checked(handle);
  if (heap == nullptr || block == nullptr || NextEventFails()) return nullptr;
  BlockHeader* old = HeaderOf(block);
  BlockHeader* moved = NewBlock(bytes);
  if (moved == nullptr) return nullptr;
  const size_t kept = old->size < bytes ? old->size : bytes;
  std::memcpy(moved + 1, block, kept);
  if ((flags & win::kHeapZeroMemory) != 0 && bytes > kept) {
    std::memset(reinterpret_cast<char*>(moved + 1) + kept, 0, bytes - kept);
  }
  Unlink(heap, old);
  std::free(old);
  Link(heap, moved);
  return moved + 1;
}

bool HeapFree(void* handle, void* block) {
  Heap* heap = Checked(handle);
  if (heap == nullptr) return false;
  if (block == nullptr) return true;
  BlockHeader* header = HeaderOf(block);
  Unlink(heap, header);
  std::free(header);
  return true;
}

bool HeapDestroy(void* handle) {
  Heap* heap = Checked(handle);
  if (heap == nullptr) return false;
  for (BlockHeader* header = heap->first; header != nullptr;) {
    BlockHeader* next = header->next;
    std::free(header);
    header = next;
  }
  LiveHeaps().erase(heap);
  delete heap;
  return true;
}


void HeapFaults::Arm(uint64_t failAt) {
  g_faultAt = failAt;
  g_events = 0;
}

void HeapFaults::Disarm() { g_faultAt = 0; }

uint64_t HeapFaults::Events() { return g_events; }

}  // namespace qv::portable
