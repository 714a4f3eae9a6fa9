// The modal options dialog and the two window routines it uses.
#pragma once

#include <cstdint>

#include "context/run_context.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"

namespace qv {

inline constexpr uint32_t kDialogAnimationMs = 120;

// How the dialog ends.
inline constexpr int kDialogConfirmed = 1;  // options stored and saved
inline constexpr int kDialogCancelled = 2;  // cancelled, closed, or not created (the user was told)

// kDialogConfirmed or kDialogCancelled; any other value the dialog manager
// reports is passed on.
intptr_t RunOptionsDialog(RunContext& ctx, ModuleHandle instance);

// The dialog procedure: keeps the context given with WM_INITDIALOG, hands
// every message to the handler and ends the dialog when it says so. Always 0.
intptr_t OptionsDialogProc(Window dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The per-message work: kDialogConfirmed or kDialogCancelled ends the dialog,
// 0 carries on. Without a context every message is ignored.
int HandleOptionsMessage(RunContext* ctx, Window dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The settings path the dialog built when it last opened (empty before).
const char* OptionsSettingsPath();

// Moves the window, keeping its size, over its owner (or the work area):
// centred horizontally, a third (or half) of the free height above it.
void PlaceOverOwner(Window window, Window owner, bool upperThird);

// Plays AnimateWindow where the platform has it; looked up at every call.
void AnimateIfAvailable(Window window, uint32_t milliseconds, uint32_t flags);

}  // namespace qv
