#include "tests/dialog/fake_dialog_platform.h"

#include <cstring>

namespace qv::testing {
namespace {

Window const kProcessModule = reinterpret_cast<Window>(0x400000);

}  // namespace

FakeDialogPlatform::FakeDialogPlatform() : previous_(&Os()) {
  for (int id = 1001; id <= 1013; ++id) buttons[id] = FakeButton{};
  SetPlatformForTesting(this);
}

// A fake made inside another test's fake hands the platform back to it.
FakeDialogPlatform::~FakeDialogPlatform() { SetPlatformForTesting(previous_ == &real_ ? nullptr : previous_); }

bool FakeDialogPlatform::Checked(int id) const {
  auto it = buttons.find(id);
  return it != buttons.end() && it->second.checked;
}

bool FakeDialogPlatform::Enabled(int id) const {
  auto it = buttons.find(id);
  return it != buttons.end() && it->second.enabled;
}

void FakeDialogPlatform::UserClick(int id) {
  auto it = buttons.find(id);
  if (it == buttons.end() || !it->second.enabled) return;  // a greyed box takes no click
  if (id == 1001 || id == 1002) {
    buttons[1001].checked = id == 1001;
    buttons[1002].checked = id == 1002;
  } else {
    it->second.checked = !it->second.checked;
  }
  // BN_CLICKED is 0 in the high word.
  proc_(kDialog, win::kWmCommand, static_cast<uintptr_t>(id), reinterpret_cast<intptr_t>(ItemHandle(id)));
}

ModuleHandle FakeDialogPlatform::GetModuleHandleA(const char* name) {
  return name == nullptr ? kProcessModule : real_.GetModuleHandleA(name);
}

uint32_t FakeDialogPlatform::GetModuleFileNameA(ModuleHandle module, char* buffer, uint32_t size) {
  if (!modulePath) return real_.GetModuleFileNameA(module, buffer, size);
  if (buffer == nullptr || size == 0) return 0;
  const auto n = static_cast<uint32_t>(modulePath->size());
  if (n < size) {
    std::memcpy(buffer, modulePath->c_str(), n + 1);
    return n;
  }
  // Cut short: size characters, terminated within the buffer, answer = size.
  std::memcpy(buffer, modulePath->data(), size - 1);
  buffer[size - 1] = '\0';
  return size;
}

bool FakeDialogPlatform::WritePrivateProfileStringA(const char* s, const char* k, const char* v, const char* f) {
  journal.push_back(std::string("write ") + k + "=" + v);
  if (refuseKey != nullptr && std::strcmp(k, refuseKey) == 0) return false;
  return real_.WritePrivateProfileStringA(s, k, v, f);
}

intptr_t FakeDialogPlatform::SendMessageA(Window w, uint32_t msg, uintptr_t wp, intptr_t lp) {
  if (w != kDialog || proc_ == nullptr) return 0;
  return proc_(w, msg, wp, lp);
}

int FakeDialogPlatform::MessageBoxA(Window owner, const char* text, const char* caption, uint32_t type) {
  boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
  journal.push_back("box");
  return win::kIdOk;
}

intptr_t FakeDialogPlatform::DialogBoxParamA(ModuleHandle instance, int templateId, Window owner, DialogProc proc,
                                             intptr_t param) {
  dialogInstance = instance;
  dialogTemplate = templateId;
  dialogOwner = owner;
  if (failCreate) return -1;
  proc_ = proc;
  ended_ = false;
  proc_(kDialog, win::kWmInitDialog, 0, param);
  if (afterOpen != nullptr) afterOpen(*this);
  if (!ended_) proc_(kDialog, win::kWmShowWindow, 1, 0);
  for (const UserAct& a : script) {
    if (ended_) {
      ++messagesAfterEnd;
      break;
    }
    switch (a.act) {
      case Act::kClick: UserClick(a.id); break;
      case Act::kOk: proc_(kDialog, win::kWmCommand, win::kIdOk, 0); break;
      // The cancel button, and Esc as the dialog manager turns it into IDCANCEL.
      case Act::kCancelButton:
      case Act::kEsc: proc_(kDialog, win::kWmCommand, win::kIdCancel, 0); break;
      case Act::kCloseBox: proc_(kDialog, win::kWmClose, 0, 0); break;
    }
  }
  proc_ = nullptr;
  if (managerAnswer) return *managerAnswer;
  return ended_ ? endValue_ : kStillOpen;
}

bool FakeDialogPlatform::EndDialog(Window dialog, intptr_t result) {
  if (dialog != kDialog) return false;
  journal.push_back("end " + std::to_string(result));
  endValues.push_back(result);
  if (!ended_) endValue_ = result;
  ended_ = true;
  return true;
}

bool FakeDialogPlatform::CheckDlgButton(Window dialog, int id, uint32_t state) {
  auto it = buttons.find(id);
  if (dialog != kDialog || it == buttons.end()) return false;
  it->second.checked = state == win::kBstChecked;
  return true;
}

uint32_t FakeDialogPlatform::IsDlgButtonChecked(Window dialog, int id) {
  return dialog == kDialog && Checked(id) ? win::kBstChecked : win::kBstUnchecked;
}

Window FakeDialogPlatform::GetDlgItem(Window dialog, int id) {
  return dialog == kDialog && buttons.count(id) != 0 ? ItemHandle(id) : nullptr;
}

bool FakeDialogPlatform::EnableWindow(Window window, bool enable) {
  const auto id = static_cast<int>(reinterpret_cast<uintptr_t>(window) - 0x70000);
  auto it = buttons.find(id);
  if (window == nullptr || it == buttons.end()) return false;
  const bool wasDisabled = !it->second.enabled;
  it->second.enabled = enable;
  return wasDisabled;
}

void FakeDialogPlatform::SetClassIconFromResource(Window, ModuleHandle instance, int id) {
  iconModule = instance;
  iconId = id;
}

bool FakeDialogPlatform::GetWindowRect(Window window, Rect* rect) {
  auto it = windowRects.find(window);
  if (rect == nullptr || it == windowRects.end()) return false;
  *rect = it->second;
  return true;
}

bool FakeDialogPlatform::GetWorkArea(Rect* rect) {
  if (rect == nullptr) return false;
  *rect = workArea;
  return true;
}

bool FakeDialogPlatform::MoveWindow(Window window, int x, int y, int width, int height, bool repaint) {
  moves.push_back({window, x, y, width, height, repaint});
  return true;
}

bool FakeDialogPlatform::AnimateWindowIfPresent(Window, uint32_t milliseconds, uint32_t flags) {
  if (!animateAvailable) return false;
  animations.push_back(flags);
  journal.push_back("animate " + std::to_string(flags) + " " + std::to_string(milliseconds));
  return true;
}

}  // namespace qv::testing
