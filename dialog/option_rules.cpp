#include "dialog/option_rules.h"

#include "context/messages.h"
#include "dialog/settings_file.h"

namespace qv {

Enabling EnablingRules(const ControlView& view) {
  const bool katakana = view.IsChecked(kIdKatakana);
  return Enabling{
      .impossibleReverse = view.IsChecked(kIdFullToHalf) && view.IsChecked(kIdPunct),
      .hiraToKana = katakana,
      .noConnectVoiced = view.IsChecked(kIdHalfToFull) && katakana,
  };
}

bool TriggersEnabling(int controlId) {
  return controlId == kIdFullToHalf || controlId == kIdHalfToFull || controlId == kIdPunct ||
         controlId == kIdKatakana;
}

ControlView ViewOfOptions(const ConversionOptions& options) {
  ControlView view;
  view.SetChecked(options.ExchangeZenHan != 0 ? kIdFullToHalf : kIdHalfToFull, true);
  for (const OptionEntry& key : kOptionBoxes) view.SetChecked(key.control, options.*key.member != 0);
  return view;
}

OkOutcome StoreOnOk(const ControlView& view, ConversionOptions& options) {
  if (view.IsChecked(kIdFullToHalf)) {
    options.ExchangeZenHan = 1;
  } else if (view.IsChecked(kIdHalfToFull)) {
    options.ExchangeZenHan = 0;
  } else {
    return OkOutcome::kNeedDirection;
  }
  for (const OptionEntry& key : kOptionBoxes) options.*key.member = view.IsChecked(key.control) ? 1 : 0;
  const bool anyTarget = options.ProcessAlphabet || options.ProcessNumber || options.ProcessPunct ||
                         options.ProcessSpace || options.ProcessKatakana || options.ProcessJPPunct;
  return anyTarget ? OkOutcome::kConfirmed : OkOutcome::kNeedTarget;
}

const char* OkNotice(OkOutcome outcome) {
  switch (outcome) {
    case OkOutcome::kNeedDirection: return kMsgNeedDirection;
    case OkOutcome::kNeedTarget: return kMsgNeedTarget;
    case OkOutcome::kConfirmed: break;
  }
  return nullptr;
}

Point PlaceOver(const Rect& window, const Rect& reference, bool upperThird) {
  // 64-bit intermediates: rectangles from outside may be anything, and the
  // differences must not overflow; the result is cut back to 32 bits.
  const int64_t w = int64_t{window.right} - window.left;
  const int64_t h = int64_t{window.bottom} - window.top;
  const int64_t x = reference.left + ((int64_t{reference.right} - reference.left) - w) / 2;
  const int64_t y = reference.top + ((int64_t{reference.bottom} - reference.top) - h) / (upperThird ? 3 : 2);
  return Point{static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

}  // namespace qv
