// The options dialog's decisions, kept apart from the dialog manager: which
// boxes are enabled, what OK stores and which notice it shows, where the
// dialog goes. The dialog procedure reads the buttons into a ControlView,
// asks these functions and applies the answers.
#pragma once

#include <array>
#include <cstdint>

#include "convert/options.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"

namespace qv {

inline constexpr int kFirstButtonId = kIdFullToHalf;
inline constexpr int kLastButtonId = kIdNoConnectVoiced;

// The check state of the buttons 1001..1013 as the dialog shows them.
struct ControlView {
  std::array<bool, kLastButtonId - kFirstButtonId + 1> checked{};

  bool IsChecked(int id) const { return InRange(id) && checked[id - kFirstButtonId]; }
  void SetChecked(int id, bool on) {
    if (InRange(id)) checked[id - kFirstButtonId] = on;
  }
  static bool InRange(int id) { return id >= kFirstButtonId && id <= kLastButtonId; }
};

// The three boxes whose use depends on the others.
struct Enabling {
  bool impossibleReverse = false;  // 1011
  bool hiraToKana = false;         // 1012
  bool noConnectVoiced = false;    // 1013

  friend bool operator==(const Enabling&, const Enabling&) = default;
};

Enabling EnablingRules(const ControlView& view);

// Commands from these controls re-apply the enabling rules.
bool TriggersEnabling(int controlId);

// How the dialog shows the options when it opens: the radio button of the
// direction and each box checked for 1.
ControlView ViewOfOptions(const ConversionOptions& options);

enum class OkOutcome { kNeedDirection, kNeedTarget, kConfirmed };

// OK in order: the direction (nothing else is stored without one), then all
// eleven boxes as checked, disabled ones included, then the check that at
// least one of the six target classes is on.
OkOutcome StoreOnOk(const ControlView& view, ConversionOptions& options);

// The notice for an OK that cannot be taken; null for kConfirmed.
const char* OkNotice(OkOutcome outcome);

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Top-left corner that centres `window` horizontally on `reference` with a
// third (or a half) of the free height above it. Signed, truncating
// divisions; not clamped, so a larger window overhangs on both sides.
Point PlaceOver(const Rect& window, const Rect& reference, bool upperThird);

}  // namespace qv
