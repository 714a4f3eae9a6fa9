// The build's own platform behind a class that tests derive from: every call
// goes through unchanged, so a fake overrides only what it stages or records.
#pragma once

#include <cstdlib>

#include "platform/platform.h"

namespace qv::testing {

class PassThroughPlatform : public Platform {
 public:
  PassThroughPlatform() : real_(NativePlatform()) {}

  HeapHandle HeapCreate(uint32_t o, size_t i, size_t m) override { return real_.HeapCreate(o, i, m); }
  void* HeapAlloc(HeapHandle h, uint32_t f, size_t n) override { return real_.HeapAlloc(h, f, n); }
  void* HeapReAlloc(HeapHandle h, uint32_t f, void* b, size_t n) override { return real_.HeapReAlloc(h, f, b, n); }
  bool HeapFree(HeapHandle h, uint32_t f, void* b) override { return real_.HeapFree(h, f, b); }
  bool HeapDestroy(HeapHandle h) override { return real_.HeapDestroy(h); }
  const char* GetCommandLineA() override { return real_.GetCommandLineA(); }
  ModuleHandle GetModuleHandleA(const char* n) override { return real_.GetModuleHandleA(n); }
  uint32_t GetModuleFileNameA(ModuleHandle m, char* b, uint32_t s) override { return real_.GetModuleFileNameA(m, b, s); }
  void Sleep(uint32_t ms) override { real_.Sleep(ms); }
  uint32_t GetFileAttributesA(const char* p) override { return real_.GetFileAttributesA(p); }
  bool GetUserNameA(char* b, uint32_t* s) override { return real_.GetUserNameA(b, s); }
  uint32_t GetPrivateProfileIntA(const char* s, const char* k, int32_t d, const char* f) override {
    return real_.GetPrivateProfileIntA(s, k, d, f);
  }
  uint32_t GetPrivateProfileStringA(const char* s, const char* k, const char* d, char* b, uint32_t n,
                                    const char* f) override {
    return real_.GetPrivateProfileStringA(s, k, d, b, n, f);
  }
  bool WritePrivateProfileStringA(const char* s, const char* k, const char* v, const char* f) override {
    return real_.WritePrivateProfileStringA(s, k, v, f);
  }
  KernelHandle CreateFileMappingA(uint32_t s, const char* n) override { return real_.CreateFileMappingA(s, n); }
  void* MapViewOfFile(KernelHandle m, uint32_t a) override { return real_.MapViewOfFile(m, a); }
  bool UnmapViewOfFile(void* v) override { return real_.UnmapViewOfFile(v); }
  bool CloseHandle(KernelHandle h) override { return real_.CloseHandle(h); }
  uint32_t GetLastError() override { return real_.GetLastError(); }
  Window GetForegroundWindow() override { return real_.GetForegroundWindow(); }
  int GetClassNameA(Window w, char* b, int s) override { return real_.GetClassNameA(w, b, s); }
  Window FindWindowA(const char* c, const char* t) override { return real_.FindWindowA(c, t); }
  Window FindWindowExA(Window p, Window a, const char* c, const char* t) override {
    return real_.FindWindowExA(p, a, c, t);
  }
  bool IsWindow(Window w) override { return real_.IsWindow(w); }
  intptr_t SendMessageA(Window w, uint32_t m, uintptr_t wp, intptr_t lp) override {
    return real_.SendMessageA(w, m, wp, lp);
  }
  int MessageBoxA(Window o, const char* t, const char* c, uint32_t y) override { return real_.MessageBoxA(o, t, c, y); }
  uint32_t GetWindowThreadProcessId(Window w, uint32_t* p) override { return real_.GetWindowThreadProcessId(w, p); }
  uint32_t GetVersionPlatformId() override { return real_.GetVersionPlatformId(); }
  bool BindToolhelp() override { return real_.BindToolhelp(); }
  bool BindPsapi() override { return real_.BindPsapi(); }
  bool FindProcessExeBySnapshot(uint32_t p, char* b, uint32_t s) override {
    return real_.FindProcessExeBySnapshot(p, b, s);
  }
  bool FindProcessExeByModules(uint32_t p, char* b, uint32_t s) override {
    return real_.FindProcessExeByModules(p, b, s);
  }
  bool BindVersionApi() override { return real_.BindVersionApi(); }
  uint32_t GetFileVersionInfoSizeA(const char* p, uint32_t* h) override { return real_.GetFileVersionInfoSizeA(p, h); }
  bool GetFileVersionInfoA(const char* p, uint32_t h, uint32_t s, void* b) override {
    return real_.GetFileVersionInfoA(p, h, s, b);
  }
  bool VerQueryValueA(const void* b, const char* s, void** v, uint32_t* l) override {
    return real_.VerQueryValueA(b, s, v, l);
  }
  intptr_t DialogBoxParamA(ModuleHandle i, int t, Window o, DialogProc p, intptr_t a) override {
    return real_.DialogBoxParamA(i, t, o, p, a);
  }
  bool EndDialog(Window d, intptr_t r) override { return real_.EndDialog(d, r); }
  bool CheckDlgButton(Window d, int i, uint32_t s) override { return real_.CheckDlgButton(d, i, s); }
  uint32_t IsDlgButtonChecked(Window d, int i) override { return real_.IsDlgButtonChecked(d, i); }
  Window GetDlgItem(Window d, int i) override { return real_.GetDlgItem(d, i); }
  bool EnableWindow(Window w, bool e) override { return real_.EnableWindow(w, e); }
  void SetClassIconFromResource(Window w, ModuleHandle m, int i) override { real_.SetClassIconFromResource(w, m, i); }
  bool GetWindowRect(Window w, Rect* r) override { return real_.GetWindowRect(w, r); }
  bool GetWorkArea(Rect* r) override { return real_.GetWorkArea(r); }
  bool MoveWindow(Window w, int x, int y, int cx, int cy, bool p) override { return real_.MoveWindow(w, x, y, cx, cy, p); }
  bool AnimateWindowIfPresent(Window w, uint32_t ms, uint32_t f) override { return real_.AnimateWindowIfPresent(w, ms, f); }
  bool RedrawWindow(Window w) override { return real_.RedrawWindow(w); }
  [[noreturn]] void ExitProcess(int code) override {
    real_.ExitProcess(code);
    std::abort();
  }

 protected:
  Platform& real_;
};

}  // namespace qv::testing
