#include "platform/platform.h"

namespace qv {
namespace {

// The replacement a test installed, per group.
template <typename Group>
Group*& Override() {
  static Group* group = nullptr;
  return group;
}

template <typename Group>
Group& InUse() {
  Group* group = Override<Group>();
  return group != nullptr ? *group : static_cast<Group&>(NativePlatform());
}

}  // namespace

Heaps& Mem() { return InUse<Heaps>(); }
HostWindows& Desktop() { return InUse<HostWindows>(); }
SharedMemory& Shared() { return InUse<SharedMemory>(); }
System& Sys() { return InUse<System>(); }
Ui& Gui() { return InUse<Ui>(); }

void SetForTesting(Heaps* group) { Override<Heaps>() = group; }
void SetForTesting(HostWindows* group) { Override<HostWindows>() = group; }
void SetForTesting(SharedMemory* group) { Override<SharedMemory>() = group; }
void SetForTesting(System* group) { Override<System>() = group; }
void SetForTesting(Ui* group) { Override<Ui>() = group; }

}  // namespace qv
