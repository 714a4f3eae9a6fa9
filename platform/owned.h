// One owner per resource: a handle released by `Release` when its owner goes
// (WIL's unique_any in small). Owners move, never copy; the tool calls no
// release function anywhere else (tests/build/check-ownership.sh).
#pragma once

#include <utility>

#include "platform/platform.h"

namespace qv {

template <typename Handle, auto Release>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  // Releases what it holds and takes `handle` instead.
  void reset(Handle handle = Handle{}) {
    if (handle_ != Handle{}) Release(handle_);
    handle_ = handle;
  }
  Handle release() { return std::exchange(handle_, Handle{}); }

 private:
  Handle handle_ = Handle{};
};

namespace owned_detail {
inline void DestroyHeap(HeapHandle heap) { Mem().HeapDestroy(heap); }
inline void CloseSection(KernelHandle section) { Shared().CloseHandle(section); }
inline void UnmapView(void* view) { Shared().UnmapViewOfFile(view); }
}  // namespace owned_detail

// A private heap: every block on it goes with it.
using UniqueHeap = Owned<HeapHandle, &owned_detail::DestroyHeap>;
// A named section of shared memory, and a view of one.
using UniqueSection = Owned<KernelHandle, &owned_detail::CloseSection>;
using UniqueView = Owned<void*, &owned_detail::UnmapView>;

}  // namespace qv
