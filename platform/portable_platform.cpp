// The stand-in for Win32 on other systems: real private heaps and INI files,
// message boxes on stderr, named mappings inside the process, and a desktop
// on which no window exists.
#include "platform/portable_platform.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "convert/sjis.h"
#include "platform/ini_file.h"
#include "platform/platform.h"
#include "platform/portable_heap.h"
#include "platform/text_encoding.h"

namespace qv {
namespace {

std::string& CommandLine() {
  static std::string line;
  return line;
}

// Named sections shared by every handle and view of the same name while any
// of them is open.
struct Section {
  std::string name;
  std::vector<char> bytes;
};

struct Mappings {
  std::map<std::string, std::weak_ptr<Section>> byName;
  // Every view of a section has the section's address: one entry per view
  // mapped, so that each unmap releases one.
  std::map<void*, std::shared_ptr<Section>> handles;    // handle -> section
  std::multimap<void*, std::shared_ptr<Section>> views;  // view address -> section
};

Mappings& TheMappings() {
  static Mappings mappings;
  return mappings;
}

class PortablePlatform final : public Platform {
 public:
  HeapHandle HeapCreate(uint32_t, size_t, size_t) override { return portable::HeapCreate(); }
  void* HeapAlloc(HeapHandle heap, uint32_t flags, size_t bytes) override {
    return portable::HeapAlloc(heap, flags, bytes);
  }
  void* HeapReAlloc(HeapHandle heap, uint32_t flags, void* block, size_t bytes) override {
    return portable::HeapReAlloc(heap, flags, block, bytes);
  }
  bool HeapFree(HeapHandle heap, uint32_t, void* block) override { return portable::HeapFree(heap, block); }
  bool HeapDestroy(HeapHandle heap) override { return portable::HeapDestroy(heap); }

  const char* GetCommandLineA() override { return CommandLine().c_str(); }

  ModuleHandle GetModuleHandleA(const char* name) override {
    // Only the program itself is "loaded"; there is no user32 or psapi.
    static char self;
    return name == nullptr ? &self : nullptr;
  }

  uint32_t GetModuleFileNameA(ModuleHandle, char* buffer, uint32_t size) override {
    if (buffer == nullptr || size == 0) return 0;
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
      buffer[0] = '\0';
      return 0;
    }
    const auto length = static_cast<uint32_t>(n);
    const uint32_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, path, copied);
    buffer[copied] = '\0';
    return length < size ? copied : size;  // size on truncation, as Win32
  }

  void Sleep(uint32_t milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

  uint32_t GetFileAttributesA(const char* path) override {
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0) return win::kInvalidFileAttributes;
    return S_ISDIR(st.st_mode) ? win::kFileAttributeDirectory : win::kFileAttributeNormal;
  }

  bool GetUserNameA(char* buffer, uint32_t* size) override {
    if (buffer == nullptr || size == nullptr) return false;
    const passwd* pw = getpwuid(geteuid());
    if (pw == nullptr || pw->pw_name == nullptr) return false;
    const size_t length = std::strlen(pw->pw_name);
    if (length + 1 > *size) {
      *size = static_cast<uint32_t>(length + 1);
      return false;
    }
    std::memcpy(buffer, pw->pw_name, length + 1);
    *size = static_cast<uint32_t>(length + 1);
    return true;
  }

  uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                                 const char* file) override {
    return portable::IniGetInt(section, key, defaultValue, file);
  }
  uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                    uint32_t size, const char* file) override {
    return portable::IniGetString(section, key, defaultValue, buffer, size, file);
  }
  bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                  const char* file) override {
    return portable::IniWriteString(section, key, value, file);
  }

  KernelHandle CreateFileMappingA(uint32_t sizeLow, const char* name, bool* taken) override {
    *taken = false;
    if (sizeLow == 0) return nullptr;
    Mappings& m = TheMappings();
    std::shared_ptr<Section> section;
    if (name != nullptr) {
      if (auto it = m.byName.find(name); it != m.byName.end()) section = it->second.lock();
    }
    *taken = section != nullptr;
    if (!section) {
      section = std::make_shared<Section>();
      section->name = name != nullptr ? name : "";
      section->bytes.assign(sizeLow, 0);
      if (name != nullptr) m.byName[name] = section;
    }
    void* handle = new char;
    m.handles[handle] = section;
    return handle;
  }

  void* MapViewOfFile(KernelHandle mapping, uint32_t) override {
    Mappings& m = TheMappings();
    auto it = m.handles.find(mapping);
    if (it == m.handles.end()) return nullptr;
    void* view = it->second->bytes.data();
    m.views.emplace(view, it->second);
    return view;
  }

  bool UnmapViewOfFile(void* view) override { return Release(TheMappings().views, view, false); }

  bool CloseHandle(KernelHandle handle) override { return Release(TheMappings().handles, handle, true); }

  Window GetForegroundWindow() override { return nullptr; }
  int GetClassNameA(Window, char* buffer, int size) override {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return 0;
  }
  Window FindWindowA(const char*, const char*) override { return nullptr; }
  Window FindWindowExA(Window, Window, const char*, const char*) override { return nullptr; }
  bool IsWindow(Window) override { return false; }
  intptr_t SendMessageA(Window, uint32_t, uintptr_t, intptr_t) override { return 0; }

  int MessageBoxA(Window, const char* text, const char* caption, uint32_t) override {
    std::fprintf(stderr, "%s: %s\n", Cp932ToUtf8Lossy(caption != nullptr ? caption : "").c_str(),
                 Cp932ToUtf8Lossy(text != nullptr ? text : "").c_str());
    std::fflush(stderr);
    return win::kIdOk;
  }

  uint32_t GetWindowThreadProcessId(Window, uint32_t* processId) override {
    if (processId != nullptr) *processId = 0;
    return 0;
  }
  uint32_t GetVersionPlatformId() override { return win::kVerPlatformWin32Nt; }
  bool BindToolhelp() override { return false; }
  bool BindPsapi() override { return false; }
  bool FindProcessExeBySnapshot(uint32_t, char*, uint32_t) override { return false; }
  bool FindProcessExeByModules(uint32_t, char*, uint32_t) override { return false; }

  // There is no "Version" library on this platform.
  bool BindVersionApi() override { return false; }
  uint32_t GetFileVersionInfoSizeA(const char*, uint32_t* handle) override {
    if (handle != nullptr) *handle = 0;
    return 0;
  }
  bool GetFileVersionInfoA(const char*, uint32_t, uint32_t, void*) override { return false; }
  bool VerQueryValueA(const void*, const char*, void**, uint32_t*) override { return false; }

  // No dialogs can be created here.
  intptr_t DialogBoxParamA(ModuleHandle, int, Window, DialogProc, intptr_t) override { return -1; }
  bool EndDialog(Window, intptr_t) override { return false; }
  bool CheckDlgButton(Window, int, uint32_t) override { return false; }
  uint32_t IsDlgButtonChecked(Window, int) override { return win::kBstUnchecked; }
  Window GetDlgItem(Window, int) override { return nullptr; }
  bool EnableWindow(Window, bool) override { return false; }
  void SetClassIconFromResource(Window, ModuleHandle, int) override {}
  bool GetWindowRect(Window, Rect*) override { return false; }
  bool GetWorkArea(Rect* rect) override {
    if (rect == nullptr) return false;
    *rect = Rect{0, 0, 1024, 768};
    return true;
  }
  bool MoveWindow(Window, int, int, int, int, bool) override { return false; }
  bool AnimateWindowIfPresent(Window, uint32_t, uint32_t) override { return false; }

  [[noreturn]] void ExitProcess(int exitCode) override {
    std::fflush(nullptr);
    std::_Exit(exitCode);
  }

 private:
  template <typename Table>
  static bool Release(Table& table, void* key, bool ownsKey) {
    auto it = table.find(key);
    if (it == table.end()) return false;
    std::shared_ptr<Section> section = std::move(it->second);
    table.erase(it);
    if (ownsKey) delete static_cast<char*>(key);
    Mappings& m = TheMappings();
    if (section.use_count() == 1 && !section->name.empty()) m.byName.erase(section->name);
    return true;
  }
};

}  // namespace

Platform& NativePlatform() {
  static PortablePlatform platform;
  return platform;
}

namespace portable {

void SetCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (i > 0) line += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
      line += arg;
      continue;
    }
    // Inside quotes a backslash escapes only a backslash or a quote; the
    // second byte of a two-byte character is no backslash (表 is 0x95 0x5C).
    // After a lead byte standing alone, the backslash before a quote would
    // be read as its second byte: the quotes are closed and opened between.
    line += '"';
    bool loneLead = false;
    for (size_t j = 0; j < arg.size(); ++j) {
      const auto c = static_cast<uint8_t>(arg[j]);
      if (sjis::IsPair(reinterpret_cast<const uint8_t*>(arg.c_str()) + j)) {
        line.append(arg, j++, 2);
        loneLead = false;
        continue;
      }
      if (c == '"' && loneLead) line += "\"\"";
      if (c == '"' || c == '\\') line += '\\';
      line += static_cast<char>(c);
      loneLead = sjis::IsLead(c);
    }
    line += '"';
  }
  CommandLine() = line;
}

}  // namespace portable
}  // namespace qv
