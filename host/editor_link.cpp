#include "host/editor_link.h"

#include <cstring>

#include "host/host_contract.h"

namespace qv {
namespace {

constexpr uint32_t kPollInterval = 50;  // ms between two looks
constexpr uint32_t kPollLimit = 2500;   // ms before giving up

// The host main window in front: polled 50 times, 50 ms apart.
Window FindHostMainWindow() {
  for (uint32_t waited = 0; waited < kPollLimit; waited += kPollInterval) {
    Window w = Os().GetForegroundWindow();
    char className[260];
    std::memset(className, 0, sizeof className);
    Os().GetClassNameA(w, className, sizeof className);
    if (std::strcmp(className, host::kMainWindowClass) == 0) return w;
    if (std::strcmp(className, host::kOniWindowClass) == 0) return Os().FindWindowA(host::kMainWindowClass, nullptr);
    Os().Sleep(kPollInterval);
  }
  return nullptr;
}

}  // namespace

void EditorLink::Detach() {
  if (heap != nullptr) Os().HeapDestroy(heap);
  *this = EditorLink{};
}

void EditorLink::Attach() {
  *this = EditorLink{};
  busy = 1;
  Window main = FindHostMainWindow();
  if (main == nullptr) return;
  heap = Os().HeapCreate(0, 0, 0);
  if (heap == nullptr) return;
  Window pane = nullptr;
  for (uint32_t waited = 0; waited < kPollLimit && pane == nullptr; waited += kPollInterval) {
    pane = Os().FindWindowExA(main, nullptr, host::kEditorPaneClass, nullptr);
    if (pane == nullptr) Os().Sleep(kPollInterval);
  }
  // The rest of the setup (host paths, version) and the text exchange are not
  // part of this build yet, so the link never reports itself attached: the
  // run ends with the attach failure rather than touching the host's text.
  Detach();
}

// Text exchange is not available in this build; every operation fails.
int32_t EditorLink::GetSelectionState() { return -1; }
char* EditorLink::ReadAllText() { return nullptr; }
char* EditorLink::ReadSelectedText() { return nullptr; }
bool EditorLink::ReplaceAllText(const char*) { return false; }
bool EditorLink::ReplaceSelectedText(const char*) { return false; }
void EditorLink::SetCaret(int32_t) {}
bool EditorLink::TransferText(bool, char**, bool) { return false; }
int32_t EditorLink::GetSelectionStart() { return 0; }
int32_t EditorLink::GetSelectionLength() { return 0; }
int32_t EditorLink::GetTextLength() { return 0; }

}  // namespace qv
