// The host INI path derived from arbitrary executable paths: never longer than
// a path buffer, the directory kept whole, no two-byte character split, and
// the literal fallback when an allocation fails.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "convert/sjis.h"
#include "fuzz/fuzz_check.h"
#include "platform/owned.h"
#include "host/discovery.h"
#include "platform/platform.h"
#include "platform/portable_heap.h"

namespace {

// Positions where a character of `s` begins, and its end.
std::vector<bool> Boundaries(const std::string& s) {
  std::vector<bool> at(s.size() + 1, false);
  for (size_t i = 0; i < s.size();) {
    at[i] = true;
    i += qv::sjis::IsPair(reinterpret_cast<const uint8_t*>(s.c_str()) + i) ? 2 : 1;
  }
  at[s.size()] = true;
  return at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1024) return 0;
  const uint8_t failAt = data[0] % 4;  // 0: no allocation fails
  // Keep the lookups in the working directory's namespace: no '/' reaches the file system.
  std::string exe;
  for (size_t i = 1; i < size && data[i] != 0; ++i) exe.push_back(data[i] == '/' ? '\\' : static_cast<char>(data[i]));

  const qv::UniqueHeap heap(qv::Mem().HeapCreate(0, 0, 0));
  QV_FUZZ_CHECK(heap);
  if (failAt != 0) qv::portable::HeapFaults::Arm(failAt);
  const char* ini = qv::DeriveHostIniPath(heap.get(), exe.c_str());
  qv::portable::HeapFaults::Disarm();

  QV_FUZZ_CHECK(ini != nullptr);
  const std::string result(ini);
  QV_FUZZ_CHECK(result.size() < qv::kPathBufferSize);
  // The literal stands in only for a failed allocation or an overlong path.
  const bool composable = failAt == 0 && exe.size() + 4 < qv::kPathBufferSize;
  if (result != "TeraPad.ini" || composable) {
    // The directory of the executable comes first, cut after its backslash.
    const size_t nameStart = qv::FileNameStart(exe);
    QV_FUZZ_CHECK(result.compare(0, nameStart, exe, 0, nameStart) == 0);
    QV_FUZZ_CHECK(result.size() >= 4 && result.compare(result.size() - 4, 4, ".ini") == 0);
    // Where the result leaves the executable path, a character of it ends.
    size_t k = 0;
    while (k < result.size() && k < exe.size() && result[k] == exe[k]) ++k;
    QV_FUZZ_CHECK(Boundaries(exe)[k]);
  }
  return 0;
}
