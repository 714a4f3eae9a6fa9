// The options dialog under the scripted dialog manager, and its settings file.
#include "dialog/options_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "dialog/settings_file.h"
#include "tests/support/fake_os.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

using ::testing::ElementsAre;
using testing::Act;
using testing::Click;
using testing::FakeOs;
using testing::UserAct;

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

Window const kHostMain = reinterpret_cast<Window>(0x4242);
const std::string kShow = "animate " + std::to_string(win::kAwActivate | win::kAwCenter) + " 120";
const std::string kHide = "animate " + std::to_string(win::kAwHide | win::kAwCenter) + " 120";
const char* const kSaved[] = {"ExchangeZenHan", "ProcessAlphabet", "ProcessNumber", "ProcessSpace",
                              "ProcessPunct", "ProcessJPPunct", "ProcessKatakana", "ProcessQuotedLine",
                              "ReplaceSpaceToUnderbar", "ProcessImpossibleReverse", "TransformHiraToKana",
                              "NoConnectVoiced"};

// The settings file as the dialog writes it, keys in order, "1" for the bits of `on` (ExchangeZenHan first).
std::string File(unsigned on) {
  std::string file = "[Option]\r\n";
  for (unsigned i = 0; i < 12; ++i) file += std::string(kSaved[i]) + "=" + ((on >> i) & 1 ? "1" : "0") + "\r\n";
  return file;
}

ConversionOptions Options(unsigned on) {
  ConversionOptions o;
  for (unsigned i = 0; i < 12; ++i) o.*kSettingsOptions[i].member = (on >> i) & 1;
  return o;
}

// One dialog over the host's window, from a settings file (or none) to what it leaves.
struct Session {
  const char* name;
  std::string file;  // before and after; "": none
  std::vector<UserAct> script;
  intptr_t result;
  unsigned options;  // the context's options after, as bits
  std::string fileAfter;
  std::vector<std::string> journalEnd;  // the journal's last entries
  std::vector<std::string> boxes = {};
};

void Runs(const Session& c) {
  SCOPED_TRACE(c.name);
  FakeOs os;
  testing::TempDir dir;
  os.modulePath = dir / "Quorvel.exe";
  os.rects = {{FakeOs::kDialog, Rect{0, 0, 250, 340}}, {kHostMain, Rect{100, 50, 900, 650}}};
  os.script = c.script;
  if (!c.file.empty()) testing::WriteFile(dir / "Quorvel.ini", c.file);
  RunContext ctx;
  ctx.link.mainWindow = kHostMain;
  ctx.options.ProcessNumber = 1;  // as a switch had set it: the file decides where it has the key
  ModuleHandle const instance = reinterpret_cast<ModuleHandle>(0x10000000);
  EXPECT_EQ(RunOptionsDialog(ctx, instance), c.result);
  EXPECT_EQ(os.dialogTemplate, 101);
  EXPECT_EQ(os.dialogInstance, instance);
  EXPECT_EQ(os.dialogOwner, kHostMain);
  // (800 - 250) / 2 = 275, (600 - 340) / 3 = 86 from the host's corner.
  EXPECT_THAT(std::vector(os.journal.begin(), os.journal.begin() + 4),
              ElementsAre("icon 102", "move 375 136 250 340", kShow, "redraw"));
  EXPECT_EQ(std::vector(os.journal.end() - static_cast<long>(c.journalEnd.size()), os.journal.end()), c.journalEnd);
  EXPECT_EQ(ctx.options, Options(c.options));
  EXPECT_EQ(testing::ReadFile(dir / "Quorvel.ini"), c.fileAfter);
  EXPECT_EQ(os.BoxTexts(kHostMain, win::kMbIconInformation), c.boxes);
  EXPECT_EQ(std::string(OptionsSettingsPath()), dir / "Quorvel.ini");
}

const std::string kGreyed = "[Option]\r\nProcessImpossibleReverse=1\r\nTransformHiraToKana=1\r\nNoConnectVoiced=1\r\n";
const std::string kMixed = "[Option]\r\nExchangeZenHan=1\r\nProcessKatakana=2\r\nProcessAlphabet=0\r\n";

const Session kSessions[] = {
    {"CancelWritesNothing", "", {Click(1002), Click(1006), {Act::kCancel}}, 2, 0b111, "", {kHide, "end 2"}},
    {"CloseBox", kGreyed, {Click(1002), {Act::kClose}}, 2, 0b111000000111, kGreyed, {kHide, "end 2"}},
    {"OkWritesAllTwelveKeys", "", {Click(1002), Click(1008), Click(1013), Click(1006), {Act::kOk}}, 1,
     0b100001000010, File(0b100001000010), {"write NoConnectVoiced=1", kHide, "end 1"}},
    // The file wins over the switches; a value of 2 counts as 1 and is saved as 1.
    {"TheFileDecides", kMixed, {{Act::kOk}}, 1, 0b1000101,
     "[Option]\r\nExchangeZenHan=1\r\nProcessKatakana=1\r\nProcessAlphabet=0\r\nProcessNumber=1\r\nProcessSpace=0\r\n"
     "ProcessPunct=0\r\nProcessJPPunct=0\r\nProcessQuotedLine=0\r\nReplaceSpaceToUnderbar=0\r\n"
     "ProcessImpossibleReverse=0\r\nTransformHiraToKana=0\r\nNoConnectVoiced=0\r\n", {kHide, "end 1"}},
    // Greyed boxes keep their check, take no click and are stored as checked.
    {"GreyedBoxesAreStored", kGreyed, {Click(1002), Click(1001), Click(1011), {Act::kOk}}, 1, 0b111000000111,
     kGreyed + "ExchangeZenHan=1\r\nProcessAlphabet=1\r\nProcessNumber=1\r\nProcessSpace=0\r\nProcessPunct=0\r\n"
               "ProcessJPPunct=0\r\nProcessKatakana=0\r\nProcessQuotedLine=0\r\nReplaceSpaceToUnderbar=0\r\n",
     {kHide, "end 1"}},
    // OK stores the boxes, then wants a target, and the dialog stays open.
    {"OnlyOptionBoxesNeedATarget", "", {Click(1003), Click(1006), Click(1009), {Act::kOk}}, FakeOs::kStillOpen,
     0b10000001, "", {"box"}, {kNeedTarget}},
    {"AfterTheNoticeOkIsTaken", "", {Click(1003), Click(1006), {Act::kOk}, Click(1005), {Act::kOk}}, 1, 0b100001,
     File(0b100001), {kHide, "end 1"}, {kNeedTarget}},
    {"NoDirectionStoresNothing", "", {{Act::kUnset, 1001}, {Act::kSet, 1005}, {Act::kOk}}, FakeOs::kStillOpen, 0b111,
     "", {"box"}, {kNeedDirection}},
};

TEST(DialogTest, Sessions) {
  for (const Session& c : kSessions) Runs(c);
}

// The boxes 1011..1013 after each act: the rules are applied again after any
// notification of the direction, punctuation or katakana controls, and only then.
TEST(DialogTest, EnablingFollowsTheControls) {
  const struct {
    UserAct act;
    bool e1011, e1012, e1013;
  } steps[] = {
      {{Act::kShow}, false, false, false},  // as the dialog opens
      {Click(1007), true, false, false},  {Click(1002), false, false, false}, {Click(1008), false, true, true},
      {Click(1001), true, true, false},   {Click(1002), false, true, true},   {Click(1008), false, false, false},
      {Click(1001), true, false, false},  {Click(1007), false, false, false}, {{Act::kSet, 1008}, false, false, false},
      {{Act::kCommand, 1003}, false, false, false}, {{Act::kCommand, 0x1FFFF}, false, false, false},
      {{Act::kCommand, (5u << 16) | 1008}, false, true, false},
  };
  for (size_t n = 1; n <= std::size(steps); ++n) {
    FakeOs os;
    for (size_t i = 0; i < n; ++i) os.script.push_back(steps[i].act);
    RunContext ctx;
    RunOptionsDialog(ctx, nullptr);
    EXPECT_EQ(os.buttons[1011].enabled, steps[n - 1].e1011) << "after step " << n;
    EXPECT_EQ(os.buttons[1012].enabled, steps[n - 1].e1012) << "after step " << n;
    EXPECT_EQ(os.buttons[1013].enabled, steps[n - 1].e1013) << "after step " << n;
  }
}

// A settings file that cannot be written (its folder is gone: root may write
// to a read-only one), or whose path an executable path too long cannot give:
// the user is told which file, as far as known, before the dialog closes; the
// dialog ends as confirmed and the choice holds for the run.
TEST(DialogTest, SettingsThatCannotBeSavedAreReported) {
  testing::TempDir dir;
  const std::string a258(258, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {dir / "gone/Quorvel.exe", dir / "gone/Quorvel.ini"}, {a258 + "bc.exe", a258 + "b..."},
      {a258 + "\x95\x5C.exe", a258 + "..."}, {"ab", "ab"}};  // cut inside 表; whole, too short for "ini"
  for (const auto& [exe, named] : cases) {
    FakeOs os;
    os.modulePath = exe;
    os.cutUnterminated = true;
    os.script = {Click(1006), {Act::kOk}};
    os.animation = false;
    RunContext ctx;
    EXPECT_EQ(RunOptionsDialog(ctx, nullptr), 1);
    ASSERT_EQ(os.messageBoxes.size(), 1u);
    EXPECT_EQ(os.messageBoxes[0].text, std::string(kNotSaved) + "\n" + named);
    EXPECT_THAT(std::vector(os.journal.end() - 2, os.journal.end()), ElementsAre("box", "end 1"));
    EXPECT_EQ(ctx.options.ProcessNumber, 1);
  }
}

TEST(DialogTest, DialogManagerAnswers) {
  for (intptr_t answer : {-1, 0, 7, -2}) {
    FakeOs os;
    os.managerAnswer = answer;
    RunContext ctx;
    ctx.link.mainWindow = kHostMain;
    EXPECT_EQ(RunOptionsDialog(ctx, nullptr), answer == -1 ? 2 : answer);
    EXPECT_EQ(os.messageBoxes.size(), answer == -1 ? 1u : 0u);
    if (answer != -1) continue;
    EXPECT_EQ(os.messageBoxes[0].text, kDialogFailed);
    EXPECT_EQ(os.messageBoxes[0].owner, kHostMain);
    EXPECT_EQ(os.messageBoxes[0].type, win::kMbIconInformation);
  }
}

// The procedure keeps the context given with WM_INITDIALOG, answers 0 to
// everything, and ignores every message before it and after the dialog.
TEST(DialogTest, TheProcedure) {
  FakeOs os;
  os.script = {{Act::kShow}, {Act::kCancel}};
  RunContext ctx;
  RunOptionsDialog(ctx, nullptr);
  EXPECT_EQ(os.Count(kShow), 2u) << "the show flag is not looked at";
  const size_t before = os.journal.size();
  for (uint32_t message : {win::kWmCommand, win::kWmClose, win::kWmShowWindow}) {
    EXPECT_EQ(OptionsDialogProc(FakeOs::kDialog, message, win::kIdOk, 0), 0);
    EXPECT_EQ(HandleOptionsMessage(nullptr, FakeOs::kDialog, message, win::kIdOk, 0), 0);
  }
  EXPECT_EQ(os.journal.size(), before);
  for (uint32_t message : {win::kWmInitDialog, win::kWmShowWindow, win::kWmCommand, win::kWmClose, 0x0200u}) {
    const intptr_t lParam = message == win::kWmInitDialog ? reinterpret_cast<intptr_t>(&ctx) : 0;
    EXPECT_EQ(OptionsDialogProc(FakeOs::kDialog, message, message == win::kWmCommand ? 1003 : 0, lParam), 0) << message;
  }
  EXPECT_EQ(os.journal.back(), "end 2");
}

// Over the owner, else over the work area; nothing moves without both rectangles.
TEST(DialogTest, PlaceOverOwner) {
  Window const dialog = reinterpret_cast<Window>(0xD1), owner = reinterpret_cast<Window>(0x0E);
  FakeOs os;
  os.rects = {{dialog, Rect{10, 10, 210, 310}}, {owner, Rect{100, 50, 900, 650}}};
  os.workArea = Rect{0, 30, 1024, 768};
  PlaceOverOwner(dialog, owner, true);
  PlaceOverOwner(dialog, nullptr, false);
  PlaceOverOwner(dialog, reinterpret_cast<Window>(0xBAD), true);  // the owner is gone
  PlaceOverOwner(reinterpret_cast<Window>(0xBAD), owner, true);   // so is the window
  os.workArea.reset();
  PlaceOverOwner(dialog, nullptr, false);
  EXPECT_THAT(os.journal, ElementsAre("move other 400 150 200 300", "move other 412 249 200 300"));
}

// The executable's own path with its last three characters replaced by "ini";
// nothing when the path cannot be had whole.
TEST(SettingsFileTest, Path) {
  const struct {
    std::string exe, expected;
  } cases[] = {
      {"C:\\Tools\\CONV.EXE", "C:\\Tools\\CONV.ini"}, {"C:\\Tools\\quorvel", "C:\\Tools\\quorini"},
      {"abc", "ini"}, {"ab", ""}, {"", ""},
      {std::string(255, 'a') + ".exe", std::string(255, 'a') + ".ini"},  // 259 characters fit with their NUL
      {std::string(256, 'a') + ".exe", ""}, {std::string(400, 'a') + ".exe", ""},
  };
  for (const auto& c : cases) {
    for (bool xp : {false, true}) {
      FakeOs os;
      os.modulePath = c.exe;
      os.cutUnterminated = xp;
      std::array<char, kSettingsPathSize> path;
      path.fill('#');
      EXPECT_EQ(BuildSettingsPath(path), !c.expected.empty()) << c.exe;
      EXPECT_EQ(std::string(path.data(), strnlen(path.data(), path.size())), c.expected) << c.exe;
    }
  }
}

// The settings file's bytes and the reading of its values are seen in the sessions.
TEST(SettingsFileTest, FailedKeysAndNoPath) {
  FakeOs os;
  testing::TempDir dir;
  const std::string ini = dir / "Quorvel.ini";
  // A key that cannot be stored fails the save; the others are still written.
  for (const char* refused : {kSaved[0], kSaved[11]}) {
    std::remove(ini.c_str());
    os.refuseKey = refused;
    os.journal.clear();
    EXPECT_FALSE(SaveSettings(ini.c_str(), Options(0xFFF)));
    EXPECT_EQ(os.journal.size(), 12u);
  }
  ConversionOptions options = Options(0xFFF);
  LoadSettings("", options);
  LoadSettings(nullptr, options);
  EXPECT_EQ(options, Options(0xFFF));
  EXPECT_FALSE(SaveSettings("", options)) << "nothing is stored without a path";
  EXPECT_FALSE(SaveSettings(nullptr, options));
  EXPECT_EQ(os.journal.size(), 12u) << "nothing is read or written without a path";
}

}  // namespace
}  // namespace qv
