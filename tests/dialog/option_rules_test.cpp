#include "dialog/option_rules.h"

#include <gtest/gtest.h>

#include "dialog/settings_file.h"

namespace qv {
namespace {

ControlView Checked(std::initializer_list<int> ids) {
  ControlView view;
  for (int id : ids) view.SetChecked(id, true);
  return view;
}

// The box of each flag; the direction shows in one of the two radio buttons.
TEST(OptionRulesTest, ViewOfOptionsAndStoreOnOk) {
  const std::pair<uint8_t ConversionOptions::*, int> boxes[] = {
      {&ConversionOptions::ProcessAlphabet, 1003},          {&ConversionOptions::ProcessNumber, 1006},
      {&ConversionOptions::ProcessSpace, 1004},             {&ConversionOptions::ProcessPunct, 1007},
      {&ConversionOptions::ProcessJPPunct, 1005},           {&ConversionOptions::ProcessKatakana, 1008},
      {&ConversionOptions::ProcessQuotedLine, 1009},        {&ConversionOptions::ReplaceSpaceToUnderbar, 1010},
      {&ConversionOptions::ProcessImpossibleReverse, 1011}, {&ConversionOptions::TransformHiraToKana, 1012},
      {&ConversionOptions::NoConnectVoiced, 1013},
  };
  for (const auto& [flag, id] : boxes) {
    for (uint8_t direction : {0, 1}) {
      ConversionOptions options{};
      options.ExchangeZenHan = direction;
      options.ProcessAlphabet = 0;
      options.*flag = 1;
      const int radio = direction == 1 ? 1001 : 1002;
      for (int other = 1000; other <= 1014; ++other) {
        EXPECT_EQ(ViewOfOptions(options).IsChecked(other), other == id || other == radio) << id << " " << other;
      }
      // OK stores every box as checked, and needs one of the six targets.
      ConversionOptions stored{};
      stored.ExchangeZenHan = 1 - direction;
      const OkOutcome outcome = StoreOnOk(Checked({radio, id}), stored);
      EXPECT_EQ(outcome, id <= 1008 ? OkOutcome::kConfirmed : OkOutcome::kNeedTarget) << id;
      EXPECT_EQ(stored, options) << id;
    }
  }
  // A view holds the buttons 1001..1013 only. (Without a direction nothing is stored: see the dialog sessions.)
  for (int id = 1000; id <= 1014; ++id) EXPECT_EQ(Checked({id}).IsChecked(id), id >= 1001 && id <= 1013) << id;
}

// Centred horizontally, a third (or half) of the free height above; signed,
// truncating divisions on 64 bits, not clamped.
TEST(OptionRulesTest, PlaceOver) {
  const struct {
    Rect window, reference;
    bool upperThird;
    Point expected;
  } cases[] = {
      {{0, 0, 200, 300}, {100, 50, 900, 650}, true, {400, 150}},
      {{0, 0, 200, 300}, {100, 50, 900, 650}, false, {400, 200}},
      {{-500, 9000, -300, 9300}, {100, 50, 900, 650}, true, {400, 150}},
      {{0, 0, 200, 300}, {0, 0, 801, 602}, true, {300, 100}},
      {{0, 0, 203, 302}, {10, 20, 110, 120}, true, {-41, -47}},
      {{0, 0, 203, 303}, {10, 20, 110, 120}, false, {-41, -81}},
      {{0, 0, 100, 100}, {-1280, -200, 0, 824}, true, {-690, 108}},
      {{5, 5, 5, 5}, {0, 0, 10, 9}, true, {5, 3}},
      {{0, 0, 10, 10}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, false, {-6, -6}},
  };
  for (const auto& c : cases) EXPECT_EQ(PlaceOver(c.window, c.reference, c.upperThird), c.expected);
}

}  // namespace
}  // namespace qv
