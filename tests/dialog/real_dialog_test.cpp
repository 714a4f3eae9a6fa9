// The real dialog from template 101, under Windows (Wine in CI): the controls
// the template creates, and the dialog driven the way a user drives it.
// The test reaches the window manager directly to look at the dialog from
// outside; the tool itself goes through the platform layer only.
#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog/options_dialog.h"
#include "dialog/settings_file.h"
#include "context/run_context.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

struct ExpectedControl {
  int id;
  LONG kind;  // BS_* in the low bits
  bool tabStop;
  bool group;
  RECT units;  // x, y, width, height in dialog units
  const char* caption;
};

// Creation order; captions as code page 932 bytes.
const ExpectedControl kControls[] = {
    {1, BS_DEFPUSHBUTTON, true, false, {107, 11, 50, 14}, "OK"},
    {2, BS_PUSHBUTTON, true, false, {107, 30, 50, 14}, "\xB7\xAC\xDD\xBE\xD9"},  // ｷｬﾝｾﾙ
    {-1, BS_GROUPBOX, false, false, {7, 7, 93, 38}, "\x95\xCF\x8A\xB7\x95\xFB\x8C\xFC"},  // 変換方向
    {1001, BS_AUTORADIOBUTTON, false, true, {14, 18, 60, 12},
     "\x91\x53\x8A\x70 \x81\xA8 \x94\xBC\x8A\x70(&H)"},  // 全角 → 半角(&H)
    {1002, BS_AUTORADIOBUTTON, false, false, {14, 30, 62, 12},
     "\x94\xBC\x8A\x70 \x81\xA8 \x91\x53\x8A\x70(&Z)"},  // 半角 → 全角(&Z)
    {-1, BS_GROUPBOX, false, false, {7, 51, 153, 57}, "\x95\xCF\x8A\xB7\x91\xCE\x8F\xDB"},  // 変換対象
    {1003, BS_AUTOCHECKBOX, true, false, {14, 65, 64, 9}, "\x89\x70\x95\xB6\x8E\x9A(&A)"},  // 英文字(&A)
    {1006, BS_AUTOCHECKBOX, true, false, {14, 79, 64, 9}, "\x90\x94\x8E\x9A(&N)"},          // 数字(&N)
    {1004, BS_AUTOCHECKBOX, true, false, {14, 93, 64, 9},
     "\x83\x58\x83\x79\x81\x5B\x83\x58(&S)"},                                          // スペース(&S)
    {1007, BS_AUTOCHECKBOX, true, false, {81, 65, 71, 9}, "\x8B\x4C\x8D\x86(&P)"},  // 記号(&P)
    {1005, BS_AUTOCHECKBOX, true, false, {81, 78, 71, 9},
     "\x93\xFA\x96\x7B\x8C\xEA\x8B\x4C\x8D\x86(&J)"},  // 日本語記号(&J)
    {1008, BS_AUTOCHECKBOX, true, false, {81, 92, 71, 9},
     "\x83\x4A\x83\x5E\x83\x4A\x83\x69(&K)"},  // カタカナ(&K)
    {-1, BS_GROUPBOX, false, false, {7, 114, 153, 87},
     "\x95\xCF\x8A\xB7\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93"},  // 変換オプション
    {1009, BS_AUTOCHECKBOX, true, false, {13, 128, 140, 9},
     "\x88\xF8\x97\x70\x8D\x73\x82\xCC\x92\x86\x82\xE0\x8F\x88\x97\x9D\x82\xB7\x82\xE9(&L)"},  // 引用行の中も処理する(&L)
    {1010, BS_AUTOCHECKBOX, true, false, {13, 142, 140, 9},
     "\x94\xBC\x8A\x70\x83\x58\x83\x79\x81\x5B\x83\x58\x82\xF0\x83\x41\x83\x93\x83\x5F\x81\x5B\x83\x6F\x81\x5B"
     "\x82\xC9\x92\x75\x8A\xB7\x82\xB7\x82\xE9(&U)"},  // 半角スペースをアンダーバーに置換する(&U)
    {1011, BS_AUTOCHECKBOX, true, false, {13, 156, 140, 9},
     "\x95\x73\x89\xC2\x8B\x74\x8B\x4C\x8D\x86\x82\xE0\x8F\x88\x97\x9D\x82\xB7\x82\xE9(&R)"},  // 不可逆記号も処理する(&R)
    {1012, BS_AUTOCHECKBOX, true, false, {13, 169, 140, 9},
     "\x82\xD0\x82\xE7\x82\xAA\x82\xC8\x8F\x88\x97\x9D\x82\xF0\x82\xB7\x82\xE9(&T)"},  // ひらがな処理をする(&T)
    {1013, BS_AUTOCHECKBOX, true, false, {13, 183, 140, 9},
     "\x91\xF7\x93\x5F\x81\x45\x94\xBC\x91\xF7\x93\x5F\x82\xF0\x8C\x8B\x8D\x87\x82\xB5\x82\xC8\x82\xA2(&V)"},  // 濁点・半濁点を結合しない(&V)
};

constexpr char kTitle[] =
    "Quorvel \x91\x53\x8A\x70\x94\xBC\x8A\x70\x95\xCF\x8A\xB7\x82\xCC\x90\xDD\x92\xE8";  // Quorvel 全角半角変換の設定
constexpr char kFontFace[] = "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック
constexpr char kNeedTarget[] =
    "\x81\x75\x95\xCF\x8A\xB7\x91\xCE\x8F\xDB\x81\x76 \x82\xF0\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
    "\x82\xA2\x81\x42";  // 「変換対象」 を指定してください。

constexpr char kNotSaved[] =
    "\x90\xDD\x92\xE8\x82\xF0\x95\xDB\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
    "\x81\x42";  // 設定を保存できませんでした。

std::string Text(HWND w) {
  char buffer[512] = {};
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

std::string ClassOf(HWND w) {
  char buffer[64] = {};
  GetClassNameA(w, buffer, sizeof buffer);
  return buffer;
}

// The visible dialog windows of this thread with the given caption.
HWND FindThreadDialog(const char* caption) {
  struct Search {
    const char* caption;
    HWND found;
  } search{caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (ClassOf(w) == "#32770" && Text(w) == s->caption) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// One step per timer tick, run from inside the dialog's own modal loop. A
// step answers false to be tried again at the next tick. Steps only post, so
// that no step waits inside another modal loop.
using Step = std::function<bool()>;

struct Script {
  std::vector<Step> steps;
  size_t next = 0;
  int ticks = 0;
  bool timedOut = false;
};
Script* g_script = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script& s = *g_script;
  if (++s.ticks > 400) {  // the dialog does not react: end it, the test fails
    s.timedOut = true;
    if (HWND d = FindThreadDialog(kTitle)) EndDialog(d, 99);
    return;
  }
  if (s.next < s.steps.size() && s.steps[s.next]()) ++s.next;
}

intptr_t RunScripted(RunContext& ctx, std::vector<Step> steps, bool* timedOut) {
  Script script{std::move(steps)};
  g_script = &script;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, Tick);
  const intptr_t result = RunOptionsDialog(ctx, GetModuleHandleA(nullptr));
  KillTimer(nullptr, timer);
  g_script = nullptr;
  *timedOut = script.timedOut;
  return result;
}

class RealDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8: the captions are code page 932";
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    ini_ = fs::path(exe).replace_extension(".ini");
    RemoveIni();
  }
  void TearDown() override { RemoveIni(); }
  void RemoveIni() {
    SetFileAttributesA(ini_.string().c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only one cannot be deleted
    fs::remove(ini_);
  }

  static HWND Dialog() { return FindThreadDialog(kTitle); }
  static Step WaitForDialog() {
    return [] {
      HWND d = Dialog();
      return d != nullptr && IsWindowVisible(d);
    };
  }
  static Step Post(int id, UINT message, WPARAM wp = 0, LPARAM lp = 0) {
    return [=] {
      HWND d = Dialog();
      if (d == nullptr) return false;
      PostMessageA(id == 0 ? d : GetDlgItem(d, id), message, wp, lp);
      return true;
    };
  }
  static Step ClickOn(int id) { return Post(id, BM_CLICK); }
  static Step Check(std::function<void(HWND)> check) {
    return [check] {
      check(Dialog());
      return true;
    };
  }
  // A message box captioned "Quorvel" over the dialog: its text is kept, OK pressed.
  static Step TakeNotice(std::string* notice) {
    return [notice] {
      HWND box = FindThreadDialog("Quorvel");
      if (box == nullptr) return false;
      *notice = Text(GetDlgItem(box, 0xFFFF));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return true;
    };
  }

  std::string ReadIni() {
    std::ifstream in(ini_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path ini_;
  RunContext ctx_;
};

TEST_F(RealDialogTest, TemplateCreatesTheEighteenControls) {
  std::vector<std::string> failures;
  bool timedOut = false;
  const intptr_t result = RunScripted(
      ctx_,
      {WaitForDialog(), Check([&](HWND d) {
         const LONG style = GetWindowLongA(d, GWL_STYLE);
         EXPECT_EQ(Text(d), kTitle);
         EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
         EXPECT_TRUE(style & DS_MODALFRAME);
         EXPECT_FALSE(style & WS_THICKFRAME);
         EXPECT_NE(GetClassLongPtrA(d, GCLP_HICON), 0);

         LOGFONTA font{};
         ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(d, WM_GETFONT, 0, 0)), sizeof font, &font), 0);
         EXPECT_STREQ(font.lfFaceName, kFontFace);

         RECT client;
         GetClientRect(d, &client);
         RECT size{0, 0, 167, 211};
         MapDialogRect(d, &size);
         EXPECT_EQ(client.right, size.right);
         EXPECT_EQ(client.bottom, size.bottom);

         HWND child = GetWindow(d, GW_CHILD);
         for (const ExpectedControl& c : kControls) {
           SCOPED_TRACE(testing::Message() << "control " << c.id << " " << (&c - kControls));
           ASSERT_NE(child, nullptr);
           EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, c.id & 0xFFFF);
           EXPECT_STRCASEEQ(ClassOf(child).c_str(), "Button");
           EXPECT_EQ(Text(child), c.caption);
           const LONG s = GetWindowLongA(child, GWL_STYLE);
           EXPECT_EQ(s & BS_TYPEMASK, c.kind);
           // The template gives the radio buttons no tab stop (the resource
           // check reads that back from the executable); checking one gives
           // it the tab stop, so the group is reached at its checked button.
           const bool tabStop = c.kind == BS_AUTORADIOBUTTON ? IsDlgButtonChecked(d, c.id) == BST_CHECKED : c.tabStop;
           EXPECT_EQ((s & WS_TABSTOP) != 0, tabStop);
           EXPECT_EQ((s & WS_GROUP) != 0, c.group);
           EXPECT_EQ(s & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
           // The dialog manager converts position and size each on its own.
           RECT at{c.units.left, c.units.top, c.units.right, c.units.bottom};
           MapDialogRect(d, &at);
           RECT got;
           GetWindowRect(child, &got);
           MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&got), 2);
           EXPECT_EQ(got.left, at.left);
           EXPECT_EQ(got.top, at.top);
           EXPECT_EQ(got.right - got.left, at.right);
           EXPECT_EQ(got.bottom - got.top, at.bottom);
           child = GetWindow(child, GW_HWNDNEXT);
         }
         EXPECT_EQ(child, nullptr) << "more controls than expected";
       }),
       Post(0, WM_COMMAND, IDCANCEL)},
      &timedOut);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(result, 2);
}

TEST_F(RealDialogTest, OpensWithTheDefaultsAndTheEnablingRules) {
  bool timedOut = false;
  RunScripted(ctx_,
              {WaitForDialog(), Check([](HWND d) {
                 for (int id = 1001; id <= 1013; ++id) {
                   const UINT want = id == 1001 || id == 1003 ? BST_CHECKED : BST_UNCHECKED;
                   EXPECT_EQ(IsDlgButtonChecked(d, id), want) << id;
                 }
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, 1011)));
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, 1012)));
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, 1013)));
               }),
               ClickOn(1002), ClickOn(1008), Check([](HWND d) {
                 EXPECT_EQ(IsDlgButtonChecked(d, 1001), static_cast<UINT>(BST_UNCHECKED));
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, 1011)));
                 EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, 1012)));
                 EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, 1013)));
               }),
               ClickOn(1001), ClickOn(1007), Check([](HWND d) {
                 EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, 1011)));
                 EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, 1012)));
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, 1013)));
               }),
               Post(0, WM_COMMAND, IDCANCEL)},
              &timedOut);
  EXPECT_FALSE(timedOut);
}

TEST_F(RealDialogTest, OkWritesTheIniNextToTheExecutable) {
  bool timedOut = false;
  const intptr_t result =
      RunScripted(ctx_, {WaitForDialog(), ClickOn(1002), ClickOn(1008), ClickOn(1006), ClickOn(1)}, &timedOut);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ctx_.options.ExchangeZenHan, 0);
  EXPECT_EQ(ctx_.options.ProcessKatakana, 1);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  ASSERT_TRUE(fs::exists(ini_));
  const std::string text = ReadIni();
  size_t at = text.find("[Option]");
  ASSERT_NE(at, std::string::npos);
  // Every key once, in order.
  for (const SettingsKey& key : kSettingsKeys) {
    const size_t next = text.find(std::string(key.name) + "=", at);
    ASSERT_NE(next, std::string::npos) << key.name;
    EXPECT_GT(next, at) << key.name;
    at = next;
  }
  EXPECT_NE(text.find("ExchangeZenHan=0"), std::string::npos);
  EXPECT_NE(text.find("ProcessKatakana=1"), std::string::npos);
  EXPECT_NE(text.find("NoConnectVoiced=0"), std::string::npos);

  // The next dialog shows what was saved.
  RunContext again;
  RunScripted(again,
              {WaitForDialog(), Check([](HWND d) {
                 EXPECT_EQ(IsDlgButtonChecked(d, 1002), static_cast<UINT>(BST_CHECKED));
                 EXPECT_EQ(IsDlgButtonChecked(d, 1008), static_cast<UINT>(BST_CHECKED));
                 EXPECT_EQ(IsDlgButtonChecked(d, 1006), static_cast<UINT>(BST_CHECKED));
                 EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, 1013)));
               }),
               Post(0, WM_COMMAND, IDCANCEL)},
              &timedOut);
  EXPECT_FALSE(timedOut);
}

TEST_F(RealDialogTest, OkWithoutATargetShowsTheNoticeAndStaysOpen) {
  std::string notice;
  bool timedOut = false;
  const intptr_t result = RunScripted(
      ctx_,
      {WaitForDialog(), ClickOn(1003), ClickOn(1009), ClickOn(1), TakeNotice(&notice),
       [] { return FindThreadDialog("Quorvel") == nullptr; },
       Check([](HWND d) { EXPECT_NE(d, nullptr); }), Post(2, BM_CLICK)},
      &timedOut);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(notice, kNeedTarget);
  EXPECT_EQ(result, 2);
  EXPECT_FALSE(fs::exists(ini_));
}

// A read-only settings file: OK tells the user that the settings were not
// saved and where they belong, and the run goes on with the choice.
TEST_F(RealDialogTest, ReadOnlySettingsFileIsReportedAndTheChoiceHolds) {
  const std::string path = ini_.string();
  std::ofstream(ini_, std::ios::binary) << "[Option]\r\nProcessNumber=0\r\n";
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine keeps the attribute as the file's mode, which root ignores. Where
  // the write still goes through, the file is also held open without write
  // sharing, as another program may hold it: that refusal holds for anyone.
  HANDLE held = INVALID_HANDLE_VALUE;
  if (WritePrivateProfileStringA("Option", "Probe", "1", path.c_str())) {
    held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_FALSE(WritePrivateProfileStringA("Option", "Probe", "2", path.c_str())) << "nothing refuses the write";
  }
  const std::string before = ReadIni();
  std::string notice;
  bool timedOut = false;
  const intptr_t result =
      RunScripted(ctx_, {WaitForDialog(), ClickOn(1006), ClickOn(1), TakeNotice(&notice)}, &timedOut);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(notice, std::string(kNotSaved) + "\n" + ini_.string());
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  EXPECT_EQ(ReadIni(), before);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
}

TEST_F(RealDialogTest, CancelEscAndTheCloseBoxEndWithTwoAndWriteNothing) {
  const struct {
    const char* what;
    Step act;
  } cases[] = {
      {"cancel button", ClickOn(2)},
      {"Esc", Post(0, WM_KEYDOWN, VK_ESCAPE, 0x00010001)},
      {"close box", Post(0, WM_SYSCOMMAND, SC_CLOSE, 0)},
  };
  for (const auto& c : cases) {
    RunContext ctx;
    bool timedOut = false;
    const intptr_t result = RunScripted(ctx, {WaitForDialog(), ClickOn(1002), ClickOn(1006), c.act}, &timedOut);
    EXPECT_FALSE(timedOut) << c.what;
    EXPECT_EQ(result, 2) << c.what;
    EXPECT_FALSE(fs::exists(ini_)) << c.what;
    EXPECT_EQ(ctx.options, ConversionOptions{}) << c.what;
  }
}

}  // namespace
}  // namespace qv

#endif  // _WIN32
