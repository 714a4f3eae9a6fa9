// The modal options dialog and the two window routines it uses.
#pragma once

#include <cstdint>

#include "driver/run_context.h"
#include "platform/platform.h"

namespace qv {

inline constexpr int kOptionsDialogTemplate = 101;

// 1: confirmed (options stored and saved); 2: cancelled, closed, or the
// dialog could not be created (after telling the user).
intptr_t RunOptionsDialog(RunContext& ctx, ModuleHandle instance);

// Moves the window, keeping its size, over its owner (or the work area):
// centred horizontally, a third (or half) of the free height above it.
void PlaceOverOwner(Window window, Window owner, bool upperThird);

// Plays AnimateWindow where the platform has it.
void AnimateIfAvailable(Window window, uint32_t milliseconds, uint32_t flags);

}  // namespace qv
