#include "host/module_version_info.h"

#include <cstdio>
#include <cstring>

#include "host/discovery.h"

namespace qv {
namespace {

constexpr const char* kFieldNames[] = {
    "Comments",         "CompanyName",     "FileDescription", "FileVersion",  "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "PrivateBuild",    "ProductName", "ProductVersion", "SpecialBuild",
};

// What a string query adds to the field's name: "\StringFileInfo\" and the
// eight hex digits of language and code page, a backslash, the NUL.
constexpr char kStringQueryPrefix[] = "\\StringFileInfo\\xxxxxxxx\\";

// The bytes from `value` to the end of the block, or 0 when `value` is not in
// it: the version functions' answers are only trusted inside the block.
uint32_t BytesLeftInBlock(const void* block, uint32_t blockSize, const void* value) {
  const auto* begin = static_cast<const char*>(block);
  const auto* at = static_cast<const char*>(value);
  if (at < begin || at >= begin + blockSize) return 0;
  return static_cast<uint32_t>(begin + blockSize - at);
}

}  // namespace

const char* VersionStringFieldName(uint32_t index) {
  return index < sizeof kFieldNames / sizeof kFieldNames[0] ? kFieldNames[index] : nullptr;
}

ModuleVersionInfo::ModuleVersionInfo(const char* path) : heap_(Mem().HeapCreate(0, 0, 0)) { SetModulePath(path); }

void ModuleVersionInfo::SetModulePath(const char* path) {
  if (!heap_) return;
  if (modulePath_ != nullptr) Mem().HeapFree(heap_.get(), 0, modulePath_);
  if (versionBlock_ != nullptr) Mem().HeapFree(heap_.get(), 0, versionBlock_);
  modulePath_ = nullptr;
  versionBlock_ = nullptr;
  versionBlockSize_ = 0;

  char own[kPathBufferSize] = {};
  if (path == nullptr) {
    const uint32_t n = Sys().GetModuleFileNameA(Sys().GetModuleHandleA(nullptr), own, sizeof own);
    if (n == 0 || n >= sizeof own) return;  // none, or cut short
    path = own;
  }
  const size_t length = std::strlen(path);
  modulePath_ = static_cast<char*>(Mem().HeapAlloc(heap_.get(), win::kHeapZeroMemory, length + 1));
  if (modulePath_ != nullptr) std::memcpy(modulePath_, path, length);
}

const char* ModuleVersionInfo::GetStringField(uint32_t index) {
  const char* name = VersionStringFieldName(index);
  return name != nullptr ? QueryStringValue(name) : nullptr;
}

bool ModuleVersionInfo::ReadVersionBlock() {
  uint32_t handle = 0;
  const uint32_t size = Sys().GetFileVersionInfoSizeA(modulePath_, &handle);
  if (size == 0) return false;
  void* block = Mem().HeapAlloc(heap_.get(), win::kHeapZeroMemory, size);
  if (block == nullptr) return false;
  if (!Sys().GetFileVersionInfoA(modulePath_, handle, size, block)) {
    Mem().HeapFree(heap_.get(), 0, block);
    return false;
  }
  versionBlock_ = block;
  versionBlockSize_ = size;
  return true;
}

const char* ModuleVersionInfo::QueryStringValue(const char* name) {
  if (name == nullptr || modulePath_ == nullptr) return nullptr;
  if (!Sys().BindVersionApi()) return nullptr;  // bound once, at the first query that can
  if (versionBlock_ == nullptr && !ReadVersionBlock()) return nullptr;

  void* table = nullptr;
  uint32_t tableLength = 0;
  if (!Sys().VerQueryValueA(versionBlock_, "\\VarFileInfo\\Translation", &table, &tableLength)) return nullptr;
  const uint32_t tableRoom = BytesLeftInBlock(versionBlock_, versionBlockSize_, table);
  if (tableLength > tableRoom) tableLength = tableRoom;

  const size_t pathSize = std::strlen(name) + sizeof kStringQueryPrefix;
  auto* queryPath = static_cast<char*>(Mem().HeapAlloc(heap_.get(), win::kHeapZeroMemory, pathSize));
  if (queryPath == nullptr) return nullptr;

  char* result = nullptr;
  const auto* entries = static_cast<const unsigned char*>(table);
  for (uint32_t i = 0; i + 4 <= tableLength && result == nullptr; i += 4) {
    const unsigned language = entries[i] | entries[i + 1] << 8;
    const unsigned codePage = entries[i + 2] | entries[i + 3] << 8;
    std::snprintf(queryPath, pathSize, "\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
    void* value = nullptr;
    uint32_t length = 0;
    if (!Sys().VerQueryValueA(versionBlock_, queryPath, &value, &length)) continue;
    const uint32_t room = BytesLeftInBlock(versionBlock_, versionBlockSize_, value);
    if (room == 0) continue;
    if (length > room) length = room;
    auto* copy = static_cast<char*>(Mem().HeapAlloc(heap_.get(), win::kHeapZeroMemory, size_t{length} + 1));
    if (copy == nullptr) continue;
    std::memcpy(copy, value, length);
    result = copy;
  }
  Mem().HeapFree(heap_.get(), 0, queryPath);
  return result;
}

}  // namespace qv
