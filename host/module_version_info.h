// Reads string fields of a module's version resource. The version functions
// are bound on first use and kept for the process; everything a reader
// allocates, returned strings included, lives on its private heap.
#pragma once

#include <cstdint>

#include "platform/owned.h"

namespace qv {

// The index of a standard version string name (0 "Comments" .. 11
// "SpecialBuild"); the tool reads FileVersion.
inline constexpr uint32_t kVersionFileVersion = 3;

// The name queried for a field, or null for an index past the table.
const char* VersionStringFieldName(uint32_t index);

class ModuleVersionInfo {
 public:
  // Null reads the tool's own executable.
  explicit ModuleVersionInfo(const char* path = nullptr);

  void SetModulePath(const char* path);
  // Strings stay valid until the reader is destroyed; callers never free them.
  const char* GetStringField(uint32_t index);
  const char* QueryStringValue(const char* name);

 private:
  bool ReadVersionBlock();

  UniqueHeap heap_;
  char* modulePath_ = nullptr;
  void* versionBlock_ = nullptr;
  uint32_t versionBlockSize_ = 0;
};

}  // namespace qv
