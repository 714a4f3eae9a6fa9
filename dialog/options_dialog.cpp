#include "dialog/options_dialog.h"

#include "driver/messages.h"

namespace qv {
namespace {

inline constexpr char kMsgDialogFailed[] =
    "\x83_\x83\x43\x83\x41\x83\x8D\x83O\x82\xCC\x8BN\x93\xAE\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // ダイアログの起動に失敗しました。

}  // namespace

// The dialog template and its procedure are not part of this build yet, so
// the dialog cannot be created: the user is told and the run ends.
intptr_t RunOptionsDialog(RunContext& ctx, ModuleHandle) {
  Os().MessageBoxA(ctx.link.mainWindow, kMsgDialogFailed, kCaption, win::kMbIconInformation);
  return 2;
}

void PlaceOverOwner(Window window, Window owner, bool upperThird) {
  Rect own;
  Rect reference;
  if (!Os().GetWindowRect(window, &own)) return;
  const bool haveReference = owner != nullptr ? Os().GetWindowRect(owner, &reference) : Os().GetWorkArea(&reference);
  if (!haveReference) return;
  const int32_t w = own.right - own.left;
  const int32_t h = own.bottom - own.top;
  // Signed divisions that truncate toward zero; not clamped to the screen.
  const int32_t x = reference.left + ((reference.right - reference.left) - w) / 2;
  const int32_t y = reference.top + ((reference.bottom - reference.top) - h) / (upperThird ? 3 : 2);
  Os().MoveWindow(window, x, y, w, h, false);
}

void AnimateIfAvailable(Window window, uint32_t milliseconds, uint32_t flags) {
  Os().AnimateWindowIfPresent(window, milliseconds, flags);
}

}  // namespace qv
