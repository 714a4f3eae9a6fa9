#include "dialog/option_rules.h"
#include "dialog/settings_file.h"

#include <string_view>

#include <gtest/gtest.h>

namespace qv {
namespace {

enum class Dir { kFullToHalf, kHalfToFull, kNone };

ControlView ViewWith(Dir dir, bool punct, bool katakana) {
  ControlView view;
  view.SetChecked(kIdFullToHalf, dir == Dir::kFullToHalf);
  view.SetChecked(kIdHalfToFull, dir == Dir::kHalfToFull);
  view.SetChecked(kIdPunct, punct);
  view.SetChecked(kIdKatakana, katakana);
  return view;
}

struct EnablingCase {
  Dir dir;
  bool punct;
  bool katakana;
  Enabling expected;  // 1011, 1012, 1013
};

TEST(EnablingRulesTest, EveryCombinationOfDirectionPunctuationAndKatakana) {
  const EnablingCase cases[] = {
      {Dir::kFullToHalf, false, false, {false, false, false}},
      {Dir::kFullToHalf, true, false, {true, false, false}},
      {Dir::kFullToHalf, false, true, {false, true, false}},
      {Dir::kFullToHalf, true, true, {true, true, false}},
      {Dir::kHalfToFull, false, false, {false, false, false}},
      {Dir::kHalfToFull, true, false, {false, false, false}},
      {Dir::kHalfToFull, false, true, {false, true, true}},
      {Dir::kHalfToFull, true, true, {false, true, true}},
      {Dir::kNone, false, false, {false, false, false}},
      {Dir::kNone, true, false, {false, false, false}},
      {Dir::kNone, false, true, {false, true, false}},
      {Dir::kNone, true, true, {false, true, false}},
  };
  for (const EnablingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "dir=" << static_cast<int>(c.dir) << " punct=" << c.punct
                                    << " katakana=" << c.katakana);
    const Enabling got = EnablingRules(ViewWith(c.dir, c.punct, c.katakana));
    EXPECT_EQ(got.impossibleReverse, c.expected.impossibleReverse);
    EXPECT_EQ(got.hiraToKana, c.expected.hiraToKana);
    EXPECT_EQ(got.noConnectVoiced, c.expected.noConnectVoiced);
  }
}

TEST(EnablingRulesTest, OtherBoxesDoNotMatter) {
  ControlView view = ViewWith(Dir::kFullToHalf, false, false);
  for (int id = kIdAlphabet; id <= kLastButtonId; ++id) {
    if (id != kIdPunct && id != kIdKatakana) view.SetChecked(id, true);
  }
  EXPECT_EQ(EnablingRules(view), (Enabling{false, false, false}));
}

TEST(EnablingRulesTest, OnlyDirectionPunctuationAndKatakanaTrigger) {
  const struct {
    int id;
    bool triggers;
  } cases[] = {
      {1001, true},  {1002, true},  {1007, true},  {1008, true},  {1, false},    {2, false},
      {1003, false}, {1004, false}, {1005, false}, {1006, false}, {1009, false}, {1010, false},
      {1011, false}, {1012, false}, {1013, false}, {0, false},    {-1, false},   {1000, false},
  };
  for (const auto& c : cases) EXPECT_EQ(TriggersEnabling(c.id), c.triggers) << c.id;
}

TEST(ControlViewTest, IdsOutsideTheButtonsAreNeverChecked) {
  ControlView view;
  view.SetChecked(1000, true);
  view.SetChecked(1014, true);
  view.SetChecked(-1, true);
  for (int id = kFirstButtonId; id <= kLastButtonId; ++id) EXPECT_FALSE(view.IsChecked(id)) << id;
  EXPECT_FALSE(view.IsChecked(1000));
  EXPECT_FALSE(view.IsChecked(1014));
}

TEST(ViewOfOptionsTest, DefaultsShowFullToHalfAndLettersOnly) {
  const ControlView view = ViewOfOptions(ConversionOptions{});
  for (int id = kFirstButtonId; id <= kLastButtonId; ++id) {
    EXPECT_EQ(view.IsChecked(id), id == kIdFullToHalf || id == kIdAlphabet) << id;
  }
}

TEST(ViewOfOptionsTest, EachFlagShowsInItsOwnBox) {
  const struct {
    uint8_t ConversionOptions::*flag;
    int id;
  } cases[] = {
      {&ConversionOptions::ProcessAlphabet, 1003},        {&ConversionOptions::ProcessNumber, 1006},
      {&ConversionOptions::ProcessSpace, 1004},           {&ConversionOptions::ProcessPunct, 1007},
      {&ConversionOptions::ProcessJPPunct, 1005},         {&ConversionOptions::ProcessKatakana, 1008},
      {&ConversionOptions::ProcessQuotedLine, 1009},      {&ConversionOptions::ReplaceSpaceToUnderbar, 1010},
      {&ConversionOptions::ProcessImpossibleReverse, 1011}, {&ConversionOptions::TransformHiraToKana, 1012},
      {&ConversionOptions::NoConnectVoiced, 1013},
  };
  for (const auto& c : cases) {
    ConversionOptions options{};
    options.ExchangeZenHan = 0;
    options.ProcessAlphabet = 0;
    options.*c.flag = 1;
    const ControlView view = ViewOfOptions(options);
    for (int id = kFirstButtonId; id <= kLastButtonId; ++id) {
      EXPECT_EQ(view.IsChecked(id), id == c.id || id == kIdHalfToFull) << "flag box " << c.id << ", id " << id;
    }
  }
}

TEST(StoreOnOkTest, WithoutDirectionNothingIsStored) {
  ControlView view;
  for (int id = kIdAlphabet; id <= kLastButtonId; ++id) view.SetChecked(id, true);
  ConversionOptions options{};
  options.ExchangeZenHan = 0;
  const ConversionOptions before = options;
  EXPECT_EQ(StoreOnOk(view, options), OkOutcome::kNeedDirection);
  EXPECT_EQ(options, before);
}

TEST(StoreOnOkTest, DirectionFromTheRadioButtons) {
  ControlView view = ViewWith(Dir::kHalfToFull, false, true);
  ConversionOptions options{};
  EXPECT_EQ(StoreOnOk(view, options), OkOutcome::kConfirmed);
  EXPECT_EQ(options.ExchangeZenHan, 0);
  view = ViewWith(Dir::kFullToHalf, false, true);
  EXPECT_EQ(StoreOnOk(view, options), OkOutcome::kConfirmed);
  EXPECT_EQ(options.ExchangeZenHan, 1);
}

TEST(StoreOnOkTest, OnlyOptionBoxesCheckedNeedsATarget) {
  ControlView view = ViewWith(Dir::kFullToHalf, false, false);
  for (int id : {1009, 1010, 1011, 1012, 1013}) view.SetChecked(id, true);
  ConversionOptions options{};  // ProcessAlphabet is on before OK
  EXPECT_EQ(StoreOnOk(view, options), OkOutcome::kNeedTarget);
  EXPECT_EQ(options.ProcessAlphabet, 0);
}

TEST(StoreOnOkTest, AnyOneTargetIsEnough) {
  for (int target : {1003, 1004, 1005, 1006, 1007, 1008}) {
    ControlView view = ViewWith(Dir::kHalfToFull, false, false);
    view.SetChecked(target, true);
    ConversionOptions options{};
    options.ProcessAlphabet = 0;
    EXPECT_EQ(StoreOnOk(view, options), OkOutcome::kConfirmed) << target;
  }
}

TEST(StoreOnOkTest, EveryBoxIsStoredAsChecked) {
  // Each box alone, next to letters so that the OK is taken.
  for (const SettingsKey& key : OptionBoxKeys()) {
    ControlView view = ViewWith(Dir::kFullToHalf, false, false);
    view.SetChecked(kIdAlphabet, true);
    view.SetChecked(key.controlId, true);
    ConversionOptions options{};
    options.ProcessAlphabet = 0;
    ASSERT_EQ(StoreOnOk(view, options), OkOutcome::kConfirmed);
    for (const SettingsKey& other : OptionBoxKeys()) {
      const bool on = other.controlId == key.controlId || other.controlId == kIdAlphabet;
      EXPECT_EQ(options.*other.flag, on ? 1 : 0) << key.name << " / " << other.name;
    }
  }
}

TEST(StoreOnOkTest, BoxesTheRulesWouldDisableAreStoredToo) {
  // Half-width to full-width without katakana: 1011, 1012 and 1013 are all greyed.
  ControlView view = ViewWith(Dir::kHalfToFull, false, false);
  view.SetChecked(kIdNumber, true);
  for (int id : {1011, 1012, 1013}) view.SetChecked(id, true);
  ASSERT_EQ(EnablingRules(view), (Enabling{false, false, false}));
  ConversionOptions options{};
  ASSERT_EQ(StoreOnOk(view, options), OkOutcome::kConfirmed);
  EXPECT_EQ(options.ProcessImpossibleReverse, 1);
  EXPECT_EQ(options.TransformHiraToKana, 1);
  EXPECT_EQ(options.NoConnectVoiced, 1);
}

TEST(OkNoticeTest, TheTwoNoticesInCodePage932) {
  EXPECT_EQ(std::string_view(OkNotice(OkOutcome::kNeedDirection)),
            "\x81\x75\x95\xCF\x8A\xB7\x95\xFB\x8C\xFC\x81\x76\x20\x82\xF0\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x82\xAD"
            "\x82\xBE\x82\xB3\x82\xA2\x81\x42");  // 「変換方向」 を指定してください。
  EXPECT_EQ(std::string_view(OkNotice(OkOutcome::kNeedTarget)),
            "\x81\x75\x95\xCF\x8A\xB7\x91\xCE\x8F\xDB\x81\x76\x20\x82\xF0\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x82\xAD"
            "\x82\xBE\x82\xB3\x82\xA2\x81\x42");  // 「変換対象」 を指定してください。
  EXPECT_EQ(OkNotice(OkOutcome::kConfirmed), nullptr);
}

struct PlaceCase {
  const char* what;
  Rect window;
  Rect reference;
  bool upperThird;
  Point expected;
};

TEST(PlaceOverTest, Arithmetic) {
  const PlaceCase cases[] = {
      {"upper third", {0, 0, 200, 300}, {100, 50, 900, 650}, true, {400, 150}},
      {"half", {0, 0, 200, 300}, {100, 50, 900, 650}, false, {400, 200}},
      {"window's own position is irrelevant", {-500, 9000, -300, 9300}, {100, 50, 900, 650}, true, {400, 150}},
      // (801 - 200) / 2 = 300 and (602 - 300) / 3 = 100, remainders dropped.
      {"truncating", {0, 0, 200, 300}, {0, 0, 801, 602}, true, {300, 100}},
      // Larger than the reference: (100 - 203) / 2 = -51 (not -52), (100 - 302) / 3 = -67 (not -68).
      {"negative offsets truncate toward zero", {0, 0, 203, 302}, {10, 20, 110, 120}, true, {-41, -47}},
      {"negative offsets, half", {0, 0, 203, 303}, {10, 20, 110, 120}, false, {-41, -81}},
      {"reference left of the primary display", {0, 0, 100, 100}, {-1280, -200, 0, 824}, true, {-690, 108}},
      {"empty window", {5, 5, 5, 5}, {0, 0, 10, 9}, true, {5, 3}},
  };
  for (const PlaceCase& c : cases) {
    EXPECT_EQ(PlaceOver(c.window, c.reference, c.upperThird), c.expected) << c.what;
  }
}

TEST(PlaceOverTest, ExtremeRectanglesDoNotOverflow) {
  const Rect huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  const Point p = PlaceOver(Rect{0, 0, 10, 10}, huge, true);
  // (2^32 - 1 - 10) / 2 = 2147483642 past INT32_MIN: 2147483642 - 2147483648.
  EXPECT_EQ(p.x, -6);
}

}  // namespace
}  // namespace qv
