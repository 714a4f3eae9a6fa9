#include "dialog/options_dialog.h"

#include <array>
#include <cstdio>

#include "context/messages.h"
#include "dialog/option_rules.h"
#include "dialog/settings_file.h"

namespace qv {
namespace {

// One dialog at a time, on the run's only thread.
std::array<char, kSettingsPathSize> g_settingsPath{};
RunContext* g_context = nullptr;

ControlView ReadControls(Window dialog) {
  ControlView view;
  for (int id = kFirstButtonId; id <= kLastButtonId; ++id) {
    view.SetChecked(id, Gui().IsDlgButtonChecked(dialog, id) == win::kBstChecked);
  }
  return view;
}

void ApplyEnabling(Window dialog) {
  const Enabling on = EnablingRules(ReadControls(dialog));
  Gui().EnableWindow(Gui().GetDlgItem(dialog, kIdImpossibleReverse), on.impossibleReverse);
  Gui().EnableWindow(Gui().GetDlgItem(dialog, kIdHiraToKana), on.hiraToKana);
  Gui().EnableWindow(Gui().GetDlgItem(dialog, kIdNoConnectVoiced), on.noConnectVoiced);
}

void Open(RunContext& ctx, Window dialog) {
  Gui().SetClassIconFromResource(dialog, Sys().GetModuleHandleA(nullptr), kOptionsIconGroup);
  PlaceOverOwner(dialog, ctx.link.mainWindow, true);
  BuildSettingsPath(g_settingsPath);
  LoadSettings(g_settingsPath.data(), ctx.options);
  const ControlView view = ViewOfOptions(ctx.options);
  // Only the radio button of the direction is touched.
  Gui().CheckDlgButton(dialog, ctx.options.ExchangeZenHan != 0 ? kIdFullToHalf : kIdHalfToFull, win::kBstChecked);
  for (const OptionEntry& key : kOptionBoxes) {
    Gui().CheckDlgButton(dialog, key.control, view.IsChecked(key.control) ? win::kBstChecked : win::kBstUnchecked);
  }
  ApplyEnabling(dialog);
}

int Confirm(RunContext& ctx, Window dialog) {
  const OkOutcome outcome = StoreOnOk(ReadControls(dialog), ctx.options);
  if (outcome != OkOutcome::kConfirmed) {
    Gui().MessageBoxA(ctx.link.mainWindow, OkNotice(outcome), kCaption, win::kMbIconInformation);
    return 0;
  }
  if (!SaveSettings(g_settingsPath.data(), ctx.options)) {
    // A folder the user cannot write to (under Program Files, say), or a
    // path too long to build: the choice still holds for this run, but the
    // user must know that the next run will not remember it, and which file
    // is at fault.
    std::array<char, kSettingsPathSize + 3> named;
    DescribeSettingsPath(g_settingsPath.data(), named);
    std::snprintf(ctx.message, sizeof ctx.message, "%s%s%s", kMsgSettingsNotSaved, named[0] != '\0' ? "\n" : "",
                  named.data());
    Gui().MessageBoxA(ctx.link.mainWindow, ctx.message, kCaption, win::kMbIconInformation);
  }
  AnimateIfAvailable(dialog, kDialogAnimationMs, win::kAwHide | win::kAwCenter);
  return kDialogConfirmed;
}

}  // namespace

int HandleOptionsMessage(RunContext* ctx, Window dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  if (ctx == nullptr) return 0;
  switch (message) {
    case win::kWmInitDialog:
      Open(*ctx, dialog);
      return 0;
    case win::kWmCommand: {
      const int id = static_cast<int>(wParam & 0xFFFF);
      if (id == win::kIdOk) return Confirm(*ctx, dialog);
      if (id == win::kIdCancel) {
        Gui().SendMessageA(dialog, win::kWmClose, 0, 0);
        return 0;
      }
      if (TriggersEnabling(id)) ApplyEnabling(dialog);
      return 0;
    }
    case win::kWmClose:
      AnimateIfAvailable(dialog, kDialogAnimationMs, win::kAwHide | win::kAwCenter);
      return kDialogCancelled;
    case win::kWmShowWindow:
      AnimateIfAvailable(dialog, kDialogAnimationMs, win::kAwActivate | win::kAwCenter);
      // Some AnimateWindow implementations show the window without painting
      // it, which leaves the dialog black until something covers it.
      Gui().RedrawWindow(dialog);
      return 0;
    default:
      return 0;
  }
}

intptr_t OptionsDialogProc(Window dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == win::kWmInitDialog) g_context = reinterpret_cast<RunContext*>(lParam);
  const int result = HandleOptionsMessage(g_context, dialog, message, wParam, lParam);
  if (result == kDialogConfirmed || result == kDialogCancelled) Gui().EndDialog(dialog, result);
  return 0;
}

intptr_t RunOptionsDialog(RunContext& ctx, ModuleHandle instance) {
  g_context = nullptr;
  const intptr_t result = Gui().DialogBoxParamA(instance, kOptionsDialogTemplate, ctx.link.mainWindow,
                                               OptionsDialogProc, reinterpret_cast<intptr_t>(&ctx));
  // The context lives on the caller's stack; keep no pointer to it.
  g_context = nullptr;
  if (result == -1) {
    Gui().MessageBoxA(ctx.link.mainWindow, kMsgDialogFailed, kCaption, win::kMbIconInformation);
    return kDialogCancelled;
  }
  return result;
}

const char* OptionsSettingsPath() { return g_settingsPath.data(); }

void PlaceOverOwner(Window window, Window owner, bool upperThird) {
  Rect own;
  Rect reference;
  if (!Gui().GetWindowRect(window, &own)) return;
  const bool haveReference = owner != nullptr ? Gui().GetWindowRect(owner, &reference) : Gui().GetWorkArea(&reference);
  if (!haveReference) return;
  const Point at = PlaceOver(own, reference, upperThird);
  const auto w = static_cast<int32_t>(int64_t{own.right} - own.left);
  const auto h = static_cast<int32_t>(int64_t{own.bottom} - own.top);
  Gui().MoveWindow(window, at.x, at.y, w, h, false);
}

void AnimateIfAvailable(Window window, uint32_t milliseconds, uint32_t flags) {
  Gui().AnimateWindowIfPresent(window, milliseconds, flags);
}

}  // namespace qv
