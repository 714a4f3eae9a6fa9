#include "dialog/options_dialog.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dialog/option_rules.h"
#include "dialog/settings_file.h"
#include "tests/dialog/fake_dialog_platform.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::Click;
using testing::FakeDialogPlatform;
using testing::kPressCancel;
using testing::kPressClose;
using testing::kPressEsc;
using testing::kPressOk;

constexpr char kNeedTarget[] =
    "\x81\x75\x95\xCF\x8A\xB7\x91\xCE\x8F\xDB\x81\x76\x20\x82\xF0\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2\x81\x42";  // 「変換対象」 を指定してください。
constexpr char kNeedDirection[] =
    "\x81\x75\x95\xCF\x8A\xB7\x95\xFB\x8C\xFC\x81\x76\x20\x82\xF0\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2\x81\x42";  // 「変換方向」 を指定してください。
constexpr char kNotSaved[] =
    "\x90\xDD\x92\xE8\x82\xF0\x95\xDB\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
    "\x81\x42";  // 設定を保存できませんでした。
constexpr char kDialogFailed[] =
    "\x83\x5F\x83\x43\x83\x41\x83\x8D\x83\x4F\x82\xCC\x8B\x4E\x93\xAE\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
    "\x82\xB5\x82\xBD\x81\x42";  // ダイアログの起動に失敗しました。

constexpr uint32_t kHideCenter = win::kAwHide | win::kAwCenter;
constexpr uint32_t kShowCenter = win::kAwActivate | win::kAwCenter;

Window const kHostMain = reinterpret_cast<Window>(0x4242);
ModuleHandle const kInstance = reinterpret_cast<ModuleHandle>(0x10000000);

std::string Animate(uint32_t flags) { return "animate " + std::to_string(flags) + " 120"; }

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qv-dialog-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    os_.modulePath = (dir_ / "Quorvel.exe").string();
    ini_ = dir_ / "Quorvel.ini";
    os_.windowRects[FakeDialogPlatform::kDialog] = Rect{0, 0, 250, 340};
    os_.windowRects[kHostMain] = Rect{100, 50, 900, 650};
    ctx_.link.mainWindow = kHostMain;
  }
  void TearDown() override { fs::remove_all(dir_); }

  intptr_t Run() { return RunOptionsDialog(ctx_, kInstance); }

  void WriteIni(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  std::string ReadIni() {
    std::ifstream in(ini_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Writes() const {
    std::vector<std::string> w;
    for (const std::string& j : os_.journal) {
      if (j.rfind("write ", 0) == 0) w.push_back(j);
    }
    return w;
  }

  FakeDialogPlatform os_;
  RunContext ctx_;
  fs::path dir_;
  fs::path ini_;
};

TEST_F(OptionsDialogTest, RunsTemplate101OwnedByTheHost) {
  os_.script = {kPressCancel};
  Run();
  EXPECT_EQ(os_.dialogTemplate, 101);
  EXPECT_EQ(os_.dialogInstance, kInstance);
  EXPECT_EQ(os_.dialogOwner, kHostMain);
}

TEST_F(OptionsDialogTest, OpeningSetsTheIconAndPlacesOverTheHost) {
  os_.script = {kPressCancel};
  Run();
  EXPECT_EQ(os_.iconId, 102);
  EXPECT_EQ(os_.iconModule, os_.GetModuleHandleA(nullptr));
  ASSERT_EQ(os_.moves.size(), 1u);
  const testing::RecordedMove& m = os_.moves[0];
  EXPECT_EQ(m.window, FakeDialogPlatform::kDialog);
  // (800 - 250) / 2 = 275, (600 - 340) / 3 = 86.
  EXPECT_EQ(m.x, 375);
  EXPECT_EQ(m.y, 136);
  EXPECT_EQ(m.width, 250);
  EXPECT_EQ(m.height, 340);
  EXPECT_FALSE(m.repaint);
}

TEST_F(OptionsDialogTest, WithoutAFileShowsTheDefaults) {
  os_.script = {kPressCancel};
  Run();
  for (int id = 1001; id <= 1013; ++id) EXPECT_EQ(os_.Checked(id), id == 1001 || id == 1003) << id;
  // Neither punctuation nor katakana: all three dependent boxes greyed.
  EXPECT_FALSE(os_.Enabled(1011));
  EXPECT_FALSE(os_.Enabled(1012));
  EXPECT_FALSE(os_.Enabled(1013));
  EXPECT_EQ(OptionsSettingsPath(), (dir_ / "Quorvel.ini").string());
}

TEST_F(OptionsDialogTest, OpeningTouchesOnlyTheRadioButtonOfTheDirection) {
  os_.buttons[1002].checked = true;  // as if the template had it checked
  os_.script = {kPressCancel};
  Run();
  EXPECT_TRUE(os_.Checked(1001));
  EXPECT_TRUE(os_.Checked(1002));
}

TEST_F(OptionsDialogTest, TheFileWinsOverTheSwitches) {
  WriteIni("[Option]\r\nExchangeZenHan=1\r\nProcessKatakana=1\r\nProcessAlphabet=0\r\n");
  ctx_.options.ExchangeZenHan = 0;  // /x
  ctx_.options.ProcessNumber = 1;   // /N, not in the file
  os_.script = {kPressCancel};
  Run();
  EXPECT_TRUE(os_.Checked(1001));
  EXPECT_FALSE(os_.Checked(1002));
  EXPECT_FALSE(os_.Checked(1003));
  EXPECT_TRUE(os_.Checked(1006));
  EXPECT_TRUE(os_.Checked(1008));
  EXPECT_TRUE(os_.Enabled(1012));
  EXPECT_FALSE(os_.Enabled(1013));
  // Opening loads the file into the context whatever way the dialog ends.
  EXPECT_EQ(ctx_.options.ExchangeZenHan, 1);
  EXPECT_EQ(ctx_.options.ProcessAlphabet, 0);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  EXPECT_EQ(ctx_.options.ProcessKatakana, 1);
}

TEST_F(OptionsDialogTest, AValueOfTwoShowsCheckedAndIsSavedAsOne) {
  WriteIni("[Option]\r\nProcessNumber=2\r\n");
  os_.script = {kPressOk};
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(os_.Checked(1006));
  EXPECT_NE(ReadIni().find("ProcessNumber=1"), std::string::npos);
  EXPECT_EQ(ReadIni().find("ProcessNumber=2"), std::string::npos);
}

TEST_F(OptionsDialogTest, EnablingFollowsTheClicks) {
  os_.script = {Click(1007)};  // punctuation on, full-width to half-width
  Run();
  EXPECT_TRUE(os_.Enabled(1011));

  const struct {
    int click;
    bool e1011, e1012, e1013;
  } steps[] = {
      {1002, false, false, false},  // half-width to full-width
      {1008, false, true, true},    // katakana on
      {1001, true, true, false},    // back to full-width to half-width
      {1002, false, true, true},
      {1008, false, false, false},  // katakana off
      {1001, true, false, false},
      {1007, false, false, false},  // punctuation off
  };
  for (size_t n = 1; n <= std::size(steps); ++n) {
    FakeDialogPlatform os;
    os.modulePath = os_.modulePath;
    os.script = {Click(1007)};
    for (size_t i = 0; i < n; ++i) os.script.push_back(Click(steps[i].click));
    RunContext ctx;
    RunOptionsDialog(ctx, kInstance);
    const auto& s = steps[n - 1];
    EXPECT_EQ(os.Enabled(1011), s.e1011) << "after step " << n;
    EXPECT_EQ(os.Enabled(1012), s.e1012) << "after step " << n;
    EXPECT_EQ(os.Enabled(1013), s.e1013) << "after step " << n;
  }
}

TEST_F(OptionsDialogTest, EnablingNeverChangesACheckState) {
  WriteIni("[Option]\r\nProcessImpossibleReverse=1\r\nTransformHiraToKana=1\r\nNoConnectVoiced=1\r\n");
  os_.script = {Click(1002), Click(1001)};
  Run();
  for (int id : {1011, 1012, 1013}) {
    EXPECT_TRUE(os_.Checked(id)) << id;
    EXPECT_FALSE(os_.Enabled(id)) << id;
  }
}

TEST_F(OptionsDialogTest, AnyNotificationFromTheTriggerControlsReappliesTheRules) {
  os_.afterOpen = [](FakeDialogPlatform& os) {
    os.buttons[1008].checked = true;  // changed behind the dialog's back
    os.SendMessageA(FakeDialogPlatform::kDialog, win::kWmCommand, (5u << 16) | 1008, 0);
  };
  os_.script = {kPressCancel};
  Run();
  EXPECT_TRUE(os_.Enabled(1012));
}

TEST_F(OptionsDialogTest, OtherControlsDoNotReapplyTheRules) {
  os_.afterOpen = [](FakeDialogPlatform& os) {
    os.buttons[1008].checked = true;
    for (int id : {1003, 1004, 1005, 1006, 1009, 1010, 1011, 1012, 1013, 0xFFFF}) {
      os.SendMessageA(FakeDialogPlatform::kDialog, win::kWmCommand, static_cast<uintptr_t>(id), 0);
    }
  };
  os_.script = {kPressCancel};
  Run();
  EXPECT_FALSE(os_.Enabled(1012));
}

TEST_F(OptionsDialogTest, OkStoresWritesAllTwelveKeysAnimatesAndEndsWithOne) {
  os_.script = {Click(1002), Click(1008), Click(1013), Click(1006), kPressOk};
  EXPECT_EQ(Run(), 1);
  std::vector<std::string> expected = {
      "write ExchangeZenHan=0",         "write ProcessAlphabet=1",
      "write ProcessNumber=1",          "write ProcessSpace=0",
      "write ProcessPunct=0",           "write ProcessJPPunct=0",
      "write ProcessKatakana=1",        "write ProcessQuotedLine=0",
      "write ReplaceSpaceToUnderbar=0", "write ProcessImpossibleReverse=0",
      "write TransformHiraToKana=0",    "write NoConnectVoiced=1",
  };
  expected.push_back(Animate(kHideCenter));
  expected.push_back("end 1");
  std::vector<std::string> tail(os_.journal.end() - static_cast<long>(expected.size()), os_.journal.end());
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(os_.endValues, std::vector<intptr_t>{1});
  ConversionOptions want{};
  want.ExchangeZenHan = 0;
  want.ProcessNumber = 1;
  want.ProcessKatakana = 1;
  want.NoConnectVoiced = 1;
  EXPECT_EQ(ctx_.options, want);
  EXPECT_TRUE(fs::exists(ini_));
  EXPECT_TRUE(os_.boxes.empty());
}

// The settings file cannot be made (its folder is gone: root can write to a
// read-only folder, so that is no test here): the user is told which file, the
// dialog ends as confirmed and the run goes on with the choice.
TEST_F(OptionsDialogTest, SettingsThatCannotBeSavedAreReportedWithTheFileAndTheChoiceHolds) {
  os_.modulePath = (dir_ / "gone" / "Quorvel.exe").string();
  os_.script = {Click(1006), kPressOk};
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(os_.boxes.size(), 1u);
  EXPECT_EQ(os_.boxes[0].text, std::string(kNotSaved) + "\n" + (dir_ / "gone" / "Quorvel.ini").string());
  EXPECT_EQ(os_.boxes[0].caption, "Quorvel");
  EXPECT_EQ(os_.boxes[0].owner, kHostMain);
  EXPECT_EQ(os_.boxes[0].type, win::kMbIconInformation);
  EXPECT_EQ(Writes().size(), 12u);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  // Told before the dialog closes.
  EXPECT_THAT(std::vector<std::string>(os_.journal.end() - 3, os_.journal.end()),
              ElementsAre("box", Animate(kHideCenter), "end 1"));
}

TEST_F(OptionsDialogTest, OkWritesEveryKeyEvenWhenNothingChanged) {
  os_.script = {kPressOk};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Writes().size(), 12u);
  ConversionOptions read;
  read.ExchangeZenHan = 0;
  read.ProcessAlphabet = 0;
  LoadSettings(ini_.string().c_str(), read);
  EXPECT_EQ(read, ConversionOptions{});
}

TEST_F(OptionsDialogTest, ADisabledButCheckedBoxIsStoredAndSaved) {
  os_.afterOpen = [](FakeDialogPlatform& os) {
    os.buttons[1013].checked = true;  // greyed: full-width to half-width
    os.buttons[1011].checked = true;  // greyed: no punctuation
  };
  os_.script = {kPressOk};
  EXPECT_EQ(Run(), 1);
  EXPECT_FALSE(os_.Enabled(1013));
  EXPECT_EQ(ctx_.options.NoConnectVoiced, 1);
  EXPECT_EQ(ctx_.options.ProcessImpossibleReverse, 1);
  const std::vector<std::string> w = Writes();
  EXPECT_THAT(w, ::testing::Contains("write NoConnectVoiced=1"));
  EXPECT_THAT(w, ::testing::Contains("write ProcessImpossibleReverse=1"));
}

TEST_F(OptionsDialogTest, OnlyOptionBoxesCheckedShowsTheTargetNoticeAndStaysOpen) {
  os_.script = {Click(1003), Click(1009), Click(1010), kPressOk};
  EXPECT_EQ(Run(), FakeDialogPlatform::kStillOpen);
  ASSERT_EQ(os_.boxes.size(), 1u);
  EXPECT_EQ(os_.boxes[0].text, kNeedTarget);
  EXPECT_EQ(os_.boxes[0].caption, "Quorvel");
  EXPECT_EQ(os_.boxes[0].owner, kHostMain);
  EXPECT_EQ(os_.boxes[0].type, win::kMbIconInformation);
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(os_.endValues.empty());
  EXPECT_FALSE(fs::exists(ini_));
}

TEST_F(OptionsDialogTest, AfterTheNoticeTheUserCanStillConfirm) {
  os_.script = {Click(1003), kPressOk, Click(1005), kPressOk};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(os_.boxes.size(), 1u);
  EXPECT_EQ(Writes().size(), 12u);
  EXPECT_EQ(ctx_.options.ProcessJPPunct, 1);
  EXPECT_EQ(ctx_.options.ProcessAlphabet, 0);
}

TEST_F(OptionsDialogTest, NoDirectionShowsTheDirectionNoticeAndStoresNothing) {
  os_.afterOpen = [](FakeDialogPlatform& os) {
    os.buttons[1001].checked = false;
    os.buttons[1006].checked = true;
  };
  os_.script = {kPressOk};
  EXPECT_EQ(Run(), FakeDialogPlatform::kStillOpen);
  ASSERT_EQ(os_.boxes.size(), 1u);
  EXPECT_EQ(os_.boxes[0].text, kNeedDirection);
  EXPECT_EQ(os_.boxes[0].type, win::kMbIconInformation);
  EXPECT_EQ(ctx_.options.ProcessNumber, 0);
  EXPECT_TRUE(Writes().empty());
}

TEST_F(OptionsDialogTest, CancelEscAndTheCloseBoxEndWithTwoAndWriteNothing) {
  const struct {
    const char* what;
    testing::UserAct act;
  } cases[] = {{"cancel button", kPressCancel}, {"Esc", kPressEsc}, {"close box", kPressClose}};
  for (const auto& c : cases) {
    FakeDialogPlatform os;
    os.modulePath = os_.modulePath;
    os.script = {Click(1002), Click(1006), c.act};
    RunContext ctx;
    EXPECT_EQ(RunOptionsDialog(ctx, kInstance), 2) << c.what;
    EXPECT_EQ(os.endValues, std::vector<intptr_t>{2}) << c.what;
    EXPECT_EQ(os.journal.back(), "end 2") << c.what;
    EXPECT_EQ(os.journal[os.journal.size() - 2], Animate(kHideCenter)) << c.what;
    EXPECT_FALSE(fs::exists(ini_)) << c.what;
    // The choice is not stored; the context holds what opening loaded.
    EXPECT_EQ(ctx.options, ConversionOptions{}) << c.what;
  }
}

TEST_F(OptionsDialogTest, ShowingPlaysTheOpeningAnimation) {
  os_.script = {kPressCancel};
  Run();
  ASSERT_GE(os_.animations.size(), 1u);
  EXPECT_EQ(os_.animations[0], kShowCenter);
}

TEST_F(OptionsDialogTest, TheDialogIsRepaintedAfterTheOpeningAnimation) {
  os_.script = {kPressCancel};
  Run();
  const auto& j = os_.journal;
  const auto animate = std::find_if(j.begin(), j.end(), [](const std::string& e) { return e.rfind("animate", 0) == 0; });
  ASSERT_NE(animate, j.end());
  ASSERT_NE(animate + 1, j.end());
  EXPECT_EQ(*(animate + 1), "redraw");
}

TEST_F(OptionsDialogTest, TheShowFlagIsNotExamined) {
  os_.afterOpen = [](FakeDialogPlatform& os) {
    os.SendMessageA(FakeDialogPlatform::kDialog, win::kWmShowWindow, 0, 0);
  };
  os_.script = {kPressCancel};
  Run();
  EXPECT_THAT(os_.animations, ElementsAre(kShowCenter, kShowCenter, kHideCenter));
}

TEST_F(OptionsDialogTest, WithoutAnimationEverythingElseIsTheSame) {
  os_.animateAvailable = false;
  os_.script = {Click(1006), kPressOk};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Writes().size(), 12u);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
}

TEST_F(OptionsDialogTest, CreationFailureTellsTheUserAndEndsWithTwo) {
  os_.failCreate = true;
  EXPECT_EQ(Run(), 2);
  ASSERT_EQ(os_.boxes.size(), 1u);
  EXPECT_EQ(os_.boxes[0].text, kDialogFailed);
  EXPECT_EQ(os_.boxes[0].caption, "Quorvel");
  EXPECT_EQ(os_.boxes[0].owner, kHostMain);
  EXPECT_EQ(os_.boxes[0].type, win::kMbIconInformation);
}

TEST_F(OptionsDialogTest, OtherAnswersOfTheDialogManagerArePassedOn) {
  for (intptr_t answer : {intptr_t{0}, intptr_t{7}, intptr_t{-2}}) {
    FakeDialogPlatform os;
    os.modulePath = os_.modulePath;
    os.managerAnswer = answer;
    RunContext ctx;
    EXPECT_EQ(RunOptionsDialog(ctx, kInstance), answer);
    EXPECT_TRUE(os.boxes.empty());
  }
}

TEST_F(OptionsDialogTest, MessagesWithoutAContextAreIgnored) {
  // Before WM_INITDIALOG, and after the dialog has ended.
  os_.script = {kPressCancel};
  Run();
  const size_t before = os_.journal.size();
  EXPECT_EQ(OptionsDialogProc(FakeDialogPlatform::kDialog, win::kWmCommand, win::kIdOk, 0), 0);
  EXPECT_EQ(OptionsDialogProc(FakeDialogPlatform::kDialog, win::kWmClose, 0, 0), 0);
  EXPECT_EQ(os_.journal.size(), before);
  EXPECT_EQ(HandleOptionsMessage(nullptr, FakeDialogPlatform::kDialog, win::kWmClose, 0, 0), 0);
}

TEST_F(OptionsDialogTest, TheProcedureAlwaysAnswersZero) {
  os_.script = {kPressCancel};
  Run();  // leaves the settings path built
  RunContext ctx;
  const struct {
    uint32_t message;
    uintptr_t wParam;
  } messages[] = {{win::kWmInitDialog, 0}, {win::kWmShowWindow, 1}, {win::kWmCommand, 1003},
                  {win::kWmCommand, win::kIdOk}, {win::kWmClose, 0}, {0x0200, 0}};
  for (const auto& m : messages) {
    const intptr_t lParam = m.message == win::kWmInitDialog ? reinterpret_cast<intptr_t>(&ctx) : 0;
    EXPECT_EQ(OptionsDialogProc(FakeDialogPlatform::kDialog, m.message, m.wParam, lParam), 0) << m.message;
  }
}

TEST_F(OptionsDialogTest, UnreadableOwnPathNeitherReadsNorWritesButStillWorks) {
  os_.modulePath = std::string(300, 'x');
  ctx_.options.ProcessNumber = 1;
  os_.script = {kPressOk};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  EXPECT_TRUE(Writes().empty());
}

struct PlaceOwnerCase {
  const char* what;
  bool withOwner;
  Rect window;
  Rect owner;
  Rect workArea;
  bool upperThird;
  int x, y;
};

TEST(PlaceOverOwnerTest, OwnerOrWorkArea) {
  Window const dialog = reinterpret_cast<Window>(0xD1);
  Window const owner = reinterpret_cast<Window>(0x0E);
  const PlaceOwnerCase cases[] = {
      {"owner", true, {10, 10, 210, 310}, {100, 50, 900, 650}, {0, 0, 1, 1}, true, 400, 150},
      {"owner, half", true, {10, 10, 210, 310}, {100, 50, 900, 650}, {0, 0, 1, 1}, false, 400, 200},
      {"no owner: work area", false, {10, 10, 210, 310}, {0, 0, 1, 1}, {0, 30, 1024, 768}, true, 412, 176},
      {"no owner, half", false, {10, 10, 210, 310}, {0, 0, 1, 1}, {0, 30, 1024, 768}, false, 412, 249},
      {"larger than the owner", true, {0, 0, 500, 400}, {300, 300, 400, 350}, {0, 0, 1, 1}, true, 100, 184},
  };
  for (const PlaceOwnerCase& c : cases) {
    FakeDialogPlatform os;
    os.windowRects[dialog] = c.window;
    if (c.withOwner) os.windowRects[owner] = c.owner;
    os.workArea = c.workArea;
    PlaceOverOwner(dialog, c.withOwner ? owner : nullptr, c.upperThird);
    ASSERT_EQ(os.moves.size(), 1u) << c.what;
    EXPECT_EQ(os.moves[0].window, dialog) << c.what;
    EXPECT_EQ(os.moves[0].x, c.x) << c.what;
    EXPECT_EQ(os.moves[0].y, c.y) << c.what;
    EXPECT_EQ(os.moves[0].width, c.window.right - c.window.left) << c.what;
    EXPECT_EQ(os.moves[0].height, c.window.bottom - c.window.top) << c.what;
    EXPECT_FALSE(os.moves[0].repaint) << c.what;
  }
}

TEST(PlaceOverOwnerTest, UnknownWindowsAreNotMoved) {
  FakeDialogPlatform os;
  Window const dialog = reinterpret_cast<Window>(0xD1);
  PlaceOverOwner(dialog, nullptr, true);  // no rectangle for the window itself
  os.windowRects[dialog] = Rect{0, 0, 10, 10};
  PlaceOverOwner(dialog, reinterpret_cast<Window>(0xBAD), true);  // owner gone
  EXPECT_TRUE(os.moves.empty());
}

TEST(AnimateIfAvailableTest, LookedUpAtEveryCall) {
  FakeDialogPlatform os;
  Window const w = reinterpret_cast<Window>(0xD1);
  AnimateIfAvailable(w, 120, kShowCenter);
  os.animateAvailable = false;
  AnimateIfAvailable(w, 120, kHideCenter);
  os.animateAvailable = true;
  AnimateIfAvailable(w, 80, kHideCenter);
  EXPECT_THAT(os.journal, ElementsAre(Animate(kShowCenter), "animate " + std::to_string(kHideCenter) + " 80"));
}

}  // namespace
}  // namespace qv
