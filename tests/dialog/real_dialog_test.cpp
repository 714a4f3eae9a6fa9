// The real dialog from template 101, under Windows (Wine in CI), driven the
// way a user drives it. Each control of the template (id, class, style, place,
// caption) is checked in the executable by tests/resources/check-resources.sh;
// here the dialog the dialog manager makes of it. The test reaches the window
// manager directly to look at the dialog from outside; the tool itself goes
// through the platform layer only.
#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog/options_dialog.h"
#include "dialog/settings_file.h"
#include "context/run_context.h"
#include "tests/support/temp_dir.h"

namespace qv {
namespace {

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

// The dialog window of this thread with the given caption.
HWND FindThreadDialog(const char* caption) {
  std::pair<const char*, HWND> search{caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<std::pair<const char*, HWND>*>(p);
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (std::string(cls) != "#32770" || Text(w) != s->first) return TRUE;
        s->second = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}
HWND Dialog() { return FindThreadDialog(kTitle); }

// One step per timer tick, run from inside the dialog's own modal loop; a
// step answers false to be tried again at the next tick. Steps only post, so
// that no step waits inside another modal loop.
using Step = std::function<bool()>;
struct Script {
  std::vector<Step> steps;
  size_t next = 0;
  int ticks = 0;
};
Script* g_script = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script& s = *g_script;
  if (++s.ticks > 400) {  // the dialog does not react: end it, the test fails
    if (HWND d = Dialog()) EndDialog(d, 99);
  } else if (s.next < s.steps.size() && s.steps[s.next]()) {
    ++s.next;
  }
}

intptr_t RunScripted(RunContext& ctx, std::vector<Step> steps) {
  Script script{std::move(steps)};
  g_script = &script;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, Tick);
  const intptr_t result = RunOptionsDialog(ctx, GetModuleHandleA(nullptr));
  KillTimer(nullptr, timer);
  EXPECT_LE(script.ticks, 400) << "the dialog did not react";
  return result;
}

Step Shown() {
  return [] { return Dialog() != nullptr && IsWindowVisible(Dialog()); };
}
Step Post(int id, UINT message, WPARAM wp = 0, LPARAM lp = 0) {
  return [=] { return Dialog() != nullptr && PostMessageA(id == 0 ? Dialog() : GetDlgItem(Dialog(), id), message, wp, lp); };
}
Step ClickOn(int id) { return Post(id, BM_CLICK); }
Step Check(std::function<void(HWND)> check) {
  return [check] {
    check(Dialog());
    return true;
  };
}
// A message box captioned "Quorvel" over the dialog: its text is kept, OK pressed.
Step TakeNotice(std::string* notice) {
  return [notice] {
    HWND box = FindThreadDialog("Quorvel");
    if (box == nullptr) return false;
    *notice = Text(GetDlgItem(box, 0xFFFF));
    return PostMessageA(box, WM_COMMAND, IDOK, 0) != FALSE;
  };
}
// The enabling of 1011, 1012 and 1013.
Step Enabled(bool e1011, bool e1012, bool e1013) {
  return Check([=](HWND d) {
    const bool want[] = {e1011, e1012, e1013};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(IsWindowEnabled(GetDlgItem(d, 1011 + i)) != FALSE, want[i]) << 1011 + i;
  });
}

class RealDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8: the captions are code page 932";
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    ini_ = std::filesystem::path(exe).replace_extension(".ini").string();
    RemoveIni();
  }
  void TearDown() override { RemoveIni(); }
  void RemoveIni() {
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only one cannot be deleted
    std::filesystem::remove(ini_);
  }
  std::string ini_;
  RunContext ctx_;
};

TEST_F(RealDialogTest, OpensWithTheDefaultsAndTheEnablingRules) {
  const intptr_t result = RunScripted(
      ctx_, {Shown(), Check([](HWND d) {
               const LONG style = GetWindowLongA(d, GWL_STYLE);
               EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME),
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
               EXPECT_NE(GetClassLongPtrA(d, GCLP_HICON), 0) << "icon group 102 on the dialog";
               LOGFONTA font{};
               ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(d, WM_GETFONT, 0, 0)), sizeof font, &font), 0);
               EXPECT_STREQ(font.lfFaceName, kFontFace);
               RECT client, size{0, 0, 167, 211};
               GetClientRect(d, &client);
               MapDialogRect(d, &size);
               EXPECT_EQ(client.right, size.right);
               EXPECT_EQ(client.bottom, size.bottom);
               int children = 0;
               for (HWND c = GetWindow(d, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) ++children;
               EXPECT_EQ(children, 18);
               for (int id = 1001; id <= 1013; ++id) {
                 EXPECT_EQ(IsDlgButtonChecked(d, id), UINT(id == 1001 || id == 1003 ? BST_CHECKED : BST_UNCHECKED)) << id;
               }
             }),
             Enabled(false, false, false), ClickOn(1002), ClickOn(1008), Enabled(false, true, true),
             Check([](HWND d) { EXPECT_EQ(IsDlgButtonChecked(d, 1001), UINT(BST_UNCHECKED)); }),
             ClickOn(1001), ClickOn(1007), Enabled(true, true, false), Post(0, WM_COMMAND, IDCANCEL)});
  EXPECT_EQ(result, 2);
}

// The file's keys are checked end to end (tests/e2e, dialog-ok), as are
// cancel, Esc and the close box; here the next dialog shows what OK saved.
TEST_F(RealDialogTest, TheNextDialogShowsWhatOkSaved) {
  EXPECT_EQ(RunScripted(ctx_, {Shown(), ClickOn(1002), ClickOn(1008), ClickOn(1006), ClickOn(1)}), 1);
  EXPECT_EQ(ctx_.options.ExchangeZenHan, 0);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  RunContext again;
  RunScripted(again, {Shown(), Check([](HWND d) {
                        for (int id : {1002, 1008, 1006}) EXPECT_EQ(IsDlgButtonChecked(d, id), UINT(BST_CHECKED)) << id;
                      }),
                      Enabled(false, true, true), Post(0, WM_COMMAND, IDCANCEL)});
}

TEST_F(RealDialogTest, OkWithoutATargetShowsTheNoticeAndStaysOpen) {
  std::string notice;
  EXPECT_EQ(RunScripted(ctx_, {Shown(), ClickOn(1003), ClickOn(1009), ClickOn(1), TakeNotice(&notice),
                               [] { return FindThreadDialog("Quorvel") == nullptr; },
                               Check([](HWND d) { EXPECT_NE(d, nullptr); }), ClickOn(2)}),
            2);
  EXPECT_EQ(notice, kNeedTarget);
  EXPECT_FALSE(std::filesystem::exists(ini_));
}

// A read-only settings file: OK tells the user that the settings were not
// saved and where they belong, and the run goes on with the choice.
TEST_F(RealDialogTest, ReadOnlySettingsFileIsReportedAndTheChoiceHolds) {
  testing::WriteFile(ini_, "[Option]\r\nProcessNumber=0\r\n");
  ASSERT_TRUE(SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine keeps the attribute as the file's mode, which root ignores. Where
  // the write still goes through, the file is also held open without write
  // sharing, as another program may hold it: that refusal holds for anyone.
  HANDLE held = INVALID_HANDLE_VALUE;
  if (WritePrivateProfileStringA("Option", "Probe", "1", ini_.c_str())) {
    held = CreateFileA(ini_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_FALSE(WritePrivateProfileStringA("Option", "Probe", "2", ini_.c_str())) << "nothing refuses the write";
  }
  const std::string before = testing::ReadFile(ini_);
  std::string notice;
  EXPECT_EQ(RunScripted(ctx_, {Shown(), ClickOn(1006), ClickOn(1), TakeNotice(&notice)}), 1);
  EXPECT_EQ(notice, std::string(kNotSaved) + "\n" + ini_);
  EXPECT_EQ(ctx_.options.ProcessNumber, 1);
  EXPECT_EQ(testing::ReadFile(ini_), before);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
}

}  // namespace
}  // namespace qv

#endif  // _WIN32
