// Reads string fields of a module's version resource. The version functions
// are bound on first use and kept for the process; everything a reader
// allocates, returned strings included, lives on its private heap.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qv {

enum VersionStringField : uint32_t {
  kVersionComments = 0,
  kVersionCompanyName = 1,
  kVersionFileDescription = 2,
  kVersionFileVersion = 3,
  kVersionInternalName = 4,
  kVersionLegalCopyright = 5,
  kVersionLegalTrademarks = 6,
  kVersionOriginalFilename = 7,
  kVersionPrivateBuild = 8,
  kVersionProductName = 9,
  kVersionProductVersion = 10,
  kVersionSpecialBuild = 11,
};

// The name queried for a field, or null for an index past the table.
const char* VersionStringFieldName(uint32_t index);

class ModuleVersionInfo {
 public:
  // Null reads the tool's own executable.
  explicit ModuleVersionInfo(const char* path = nullptr);
  ~ModuleVersionInfo();
  ModuleVersionInfo(const ModuleVersionInfo&) = delete;
  ModuleVersionInfo& operator=(const ModuleVersionInfo&) = delete;

  void SetModulePath(const char* path);
  // Strings stay valid until the reader is destroyed; callers never free them.
  const char* GetStringField(uint32_t index);
  const char* QueryStringValue(const char* name);

 private:
  bool ReadVersionBlock();

  HeapHandle heap_ = nullptr;
  char* modulePath_ = nullptr;
  void* versionBlock_ = nullptr;
  uint32_t versionBlockSize_ = 0;
};

// Unbinds the version functions so that the next query binds them again.
void ResetVersionApiForTesting();

}  // namespace qv
