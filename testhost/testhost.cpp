// A small stand-in for the host editor, used by the end-to-end tests and the
// demo. It keeps raw code page 932 bytes per pane and answers the messages the
// tool sends, from another process, as the real editor does.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "host/host_contract.h"
#include "testhost/editor_model.h"

namespace {

// A pane: the model's bytes, selection and undo, in a window.
struct Pane : qv::editor::Pane {
  HWND hwnd = nullptr;
};

struct Options {
  std::string load, second, exeName, iniPath, ready, save, journal, hostile;
  size_t selStart = 0, selEnd = 0;
  int active = 1;
  bool noMapping = false, autoDismiss = false, hasSecond = false;
  long replaceLimit = -1, gettextLimit = -1;
};

Options g_opt;
HWND g_main = nullptr;
Pane g_panes[2];
FILE* g_journal = nullptr;
qv::editor::Quirks g_quirks;

const char kHelp[] =
    "quorvel-testhost [options]\n"
    "  --load PATH            initial bytes of the first pane\n"
    "  --select START,END     initial selection (default 0,0)\n"
    "  --second-pane PATH     a second pane with these bytes\n"
    "  --active 2             make the second pane active\n"
    "  --exe-name TEXT        child TTeraPadExeName with this text\n"
    "  --ini-path TEXT        child TTeraPadIniFilePath with this text\n"
    "  --no-mapping           refuse the mapping read/write messages (answer 0)\n"
    "  --replace-limit N      take at most N bytes per EM_REPLACESEL\n"
    "  --gettext-limit N      deliver at most N bytes per WM_GETTEXT\n"
    "  --ready PATH           create PATH once the window is shown in front\n"
    "  --save PATH            on close write pane bytes to PATH, selection to PATH.sel\n"
    "                         (second pane: PATH.2, PATH.2.sel)\n"
    "  --journal PATH         append one line per message and per owned message box\n"
    "  --auto-dismiss         press OK on message boxes captioned \"Quorvel\"\n"
    "  --hostile MODE[,MODE]  misbehave: sel-reversed (EM_GETSEL end before start),\n"
    "                         sel-beyond (positions past the text), grow (text gets\n"
    "                         longer after WM_GETTEXTLENGTH), gettext-short (delivers\n"
    "                         half of what was asked), gettext-none (delivers 0),\n"
    "                         length-short (WM_GETTEXTLENGTH answers one less),\n"
    "                         clear-short (WM_CLEAR deletes one byte less than selected),\n"
    "                         replace-none (EM_REPLACESEL takes nothing),\n"
    "                         replace-ignore (EM_REPLACESEL and HostMsgWriteText change\n"
    "                         nothing), replace-extra (both insert the text and \"+++\"),\n"
    "                         undo-ignore (EM_UNDO of an insertion does nothing),\n"
    "                         private-nonsense (private messages answer 12345)\n"
    "  --quit                 close the running host and wait until it has ended\n"
    "  --press TITLE ACTIONS  (alone) wait for a top-level window titled TITLE\n"
    "                         and act on it; ACTIONS is a comma list of control ids\n"
    "                         (clicked) and ok, cancel, esc, close. Prints the text\n"
    "                         of a message box first (text=...)\n";

// The limits and --hostile modes as the model's quirks; modes combine
// (--hostile replace-extra,undo-ignore). False for an unknown mode.
bool SetQuirks(qv::editor::Quirks& q) {
  q.replaceLimit = g_opt.replaceLimit;
  q.gettextLimit = g_opt.gettextLimit;
  q.refuseMapping = g_opt.noMapping;
  for (size_t at = 0; at < g_opt.hostile.size();) {
    const size_t comma = std::min(g_opt.hostile.find(',', at), g_opt.hostile.size());
    const std::string m = g_opt.hostile.substr(at, comma - at);
    at = comma + 1;
    if (m == "sel-reversed") q.reversedSelection = true;
    else if (m == "sel-beyond") q.selectionOffset = q.selectionEndExtra = 1000;
    else if (m == "grow") q.growOnRead = "grown";
    else if (m == "gettext-short") q.gettextHalf = true;
    else if (m == "gettext-none") q.gettextLimit = 0;
    else if (m == "length-short") q.lengthOffset = -1;
    else if (m == "clear-short") q.clearExtra = -1;
    else if (m == "replace-none") q.replaceLimit = 0;
    else if (m == "replace-ignore") q.replaceIgnored = q.mappingWriteIgnored = true;
    else if (m == "replace-extra") q.replaceExtra = q.mappingWriteExtra = 3;
    else if (m == "undo-ignore") q.undoIgnored = true;
    else if (m == "private-nonsense") q.privateAnswer = 12345;
    else return false;
  }
  return true;
}

std::string ReadFile(const std::string& path) {
  std::string out;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  fclose(f);
  return out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

std::string ToUtf8(const std::string& cp932) {
  int wn = MultiByteToWideChar(932, 0, cp932.data(), (int)cp932.size(), nullptr, 0);
  std::wstring w(wn, L'\0');
  MultiByteToWideChar(932, 0, cp932.data(), (int)cp932.size(), w.data(), wn);
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), wn, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wn, out.data(), n, nullptr, nullptr);
  return out;
}

const char* MessageName(UINT msg) {
  switch (msg) {
    case EM_GETSEL: return "EM_GETSEL";
    case EM_SETSEL: return "EM_SETSEL";
    case WM_GETTEXTLENGTH: return "WM_GETTEXTLENGTH";
    case WM_GETTEXT: return "WM_GETTEXT";
    case WM_CLEAR: return "WM_CLEAR";
    case EM_UNDO: return "EM_UNDO";
    case EM_REPLACESEL: return "EM_REPLACESEL";
    case qv::host::kMsgGetActiveEditor: return "HostMsgGetActiveEditor";
    case qv::host::kMsgGetSelectionState: return "HostMsgGetSelectionState";
    case qv::host::kMsgReadText: return "HostMsgReadText";
    case qv::host::kMsgWriteText: return "HostMsgWriteText";
  }
  return nullptr;
}

void Journal(const char* who, UINT msg, WPARAM w, LPARAM l, LRESULT r) {
  if (!g_journal) return;
  const char* name = MessageName(msg);
  if (!name) return;  // only the messages of the contract, not window chatter
  fprintf(g_journal, "%s %s %lld %lld %lld\n", who, name, (long long)w, (long long)l,
          (long long)r);
  fflush(g_journal);
}

Pane& ActivePane() { return g_panes[(g_opt.hasSecond && g_opt.active == 2) ? 1 : 0]; }

// What a paint shows of a pane. Every change of the bytes is an undo step or
// a grown text, so reads, which change none of these, need no repaint.
std::tuple<size_t, size_t, size_t, size_t> Shown(const Pane& p) {
  return {p.text.size(), p.undo.size(), p.selStart, p.selEnd};
}

size_t ViewSize(void* view) {
  MEMORY_BASIC_INFORMATION mbi{};
  if (!VirtualQuery(view, &mbi, sizeof mbi)) return 0;
  return (size_t)((char*)mbi.BaseAddress + mbi.RegionSize - (char*)view);
}

// A private message to the main window; transfers open the shared memory by its name.
LRESULT MainMessage(UINT msg, WPARAM w, LPARAM l, bool& handled) {
  Pane& p = ActivePane();
  HANDLE m = nullptr;
  if (qv::editor::IsTransfer(msg)) {
    m = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, qv::host::MappingNameOf(g_main).text);
  }
  char* view = m ? static_cast<char*>(MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
  intptr_t r = 0;
  const auto before = Shown(p);
  handled = qv::editor::MainMessage(p, (intptr_t)p.hwnd, g_quirks, msg, w, l, view, view ? ViewSize(view) : 0, &r);
  if (view) UnmapViewOfFile(view);
  if (m) CloseHandle(m);
  if (Shown(p) != before) InvalidateRect(p.hwnd, nullptr, TRUE);
  return r;
}

LRESULT CALLBACK PaneProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  Pane& p = (h == g_panes[1].hwnd) ? g_panes[1] : g_panes[0];
  intptr_t r = 0;
  const auto before = Shown(p);
  if (qv::editor::PaneMessage(p, g_quirks, msg, w, l, &r)) {
    if (Shown(p) != before) InvalidateRect(h, nullptr, TRUE);
    Journal(&p == &g_panes[0] ? "pane1" : "pane2", msg, w, l, r);
    return (LRESULT)r;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HFONT font = CreateFontA(-18, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                             "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");  // ＭＳ ゴシック
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    int x = 4, y = 4;
    size_t i = 0, shown = std::min<size_t>(p.text.size(), 8192);
    while (i < shown) {
      size_t len = 1;
      if (p.text[i] == '\r' || p.text[i] == '\n') {
        if (p.text[i] == '\r' && i + 1 < shown && p.text[i + 1] == '\n') len = 2;
        x = 4; y += tm.tmHeight + 2; i += len; continue;
      }
      if (IsDBCSLeadByteEx(932, (BYTE)p.text[i]) && i + 1 < shown) len = 2;
      bool sel = i >= p.selStart && i < p.selEnd;
      SetBkColor(dc, sel ? RGB(51, 102, 204) : RGB(255, 255, 255));
      SetTextColor(dc, sel ? RGB(255, 255, 255) : RGB(0, 0, 0));
      SIZE sz;
      GetTextExtentPoint32A(dc, p.text.data() + i, (int)len, &sz);
      TextOutA(dc, x, y, p.text.data() + i, (int)len);
      if (i == p.selStart && p.selStart == p.selEnd && &p == &ActivePane()) {
        RECT c{x, y, x + 2, y + tm.tmHeight}; FillRect(dc, &c, (HBRUSH)GetStockObject(BLACK_BRUSH));
      }
      x += sz.cx;
      i += len;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

void SavePanes() {
  if (g_opt.save.empty()) return;
  for (int i = 0; i < (g_opt.hasSecond ? 2 : 1); ++i) {
    std::string base = g_opt.save + (i ? ".2" : "");
    Pane& p = g_panes[i];
    WriteFile(base, p.text);
    char sel[64];
    snprintf(sel, sizeof sel, "%zu %zu\n", p.selStart, p.selEnd);
    WriteFile(base + ".sel", sel);
  }
}

// The text of a message box: its text control, else its first static with text.
std::string MessageText(HWND h) {
  char text[2048] = {};
  GetDlgItemTextA(h, 0xFFFF, text, sizeof text);
  if (!text[0]) {
    HWND s = FindWindowExA(h, nullptr, "Static", nullptr);
    while (s && !text[0]) { GetWindowTextA(s, text, sizeof text); s = FindWindowExA(h, s, "Static", nullptr); }
  }
  return text;
}

BOOL CALLBACK DismissOne(HWND h, LPARAM) {
  if (GetWindow(h, GW_OWNER) != g_main || !IsWindowVisible(h)) return TRUE;
  char cls[64] = {}, caption[256] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (strcmp(cls, "#32770") != 0) return TRUE;
  GetWindowTextA(h, caption, sizeof caption);
  if (GetPropA(h, "qv-journaled")) return TRUE;
  const std::string text = MessageText(h);
  bool isMessageBox = GetDlgItem(h, IDOK) && !GetDlgItem(h, 1001);
  if (!isMessageBox) return TRUE;  // the options dialog is not journaled nor touched
  SetPropA(h, "qv-journaled", (HANDLE)1);
  if (g_journal) {
    fprintf(g_journal, "messagebox caption=%s text=%s\n", ToUtf8(caption).c_str(),
            ToUtf8(text).c_str());
    fflush(g_journal);
  }
  if (g_opt.autoDismiss && strcmp(caption, "Quorvel") == 0 && isMessageBox)
    PostMessageA(h, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(h, IDOK));
  return TRUE;
}

void LayoutPanes(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  if (g_opt.hasSecond) {
    int half = (r.bottom - r.top) / 2;
    MoveWindow(g_panes[0].hwnd, 0, 0, r.right, half - 2, TRUE);
    MoveWindow(g_panes[1].hwnd, 0, half + 2, r.right, r.bottom - half - 2, TRUE);
  } else {
    MoveWindow(g_panes[0].hwnd, 0, 0, r.right, r.bottom, TRUE);
  }
}

LRESULT CALLBACK MainProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  bool priv = false;
  const LRESULT r = MainMessage(msg, w, l, priv);
  if (priv) {
    Journal("main", msg, w, l, r);
    return r;
  }
  switch (msg) {
    case WM_SIZE: LayoutPanes(h); return 0;
    case WM_TIMER: EnumWindows(DismissOne, 0); return 0;
    case WM_CLOSE: SavePanes(); DestroyWindow(h); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

int Quit() {
  HWND h = FindWindowA(qv::host::kMainWindowClass, nullptr);
  if (!h) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  HANDLE proc = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(h, WM_CLOSE, 0, 0);
  if (proc) {
    DWORD r = WaitForSingleObject(proc, 10000);
    CloseHandle(proc);
    return r == WAIT_OBJECT_0 ? 0 : 2;
  }
  for (int i = 0; i < 200 && IsWindow(h); ++i) Sleep(50);
  return IsWindow(h) ? 2 : 0;
}

// Drives a dialog of another process the way a user would: clicks on
// controls, then OK, Esc or the close box. Exit 1 when the window never came.
// The title arrives in the ANSI code page, as every argument does.
int Press(const std::string& title, const std::string& actions) {
  HWND h = nullptr;
  for (int i = 0; i < 200 && !(h = FindWindowA(nullptr, title.c_str())); ++i) Sleep(50);
  if (!h) return 1;
  Sleep(200);  // let the dialog finish its opening
  // A message box: say what it says, for the caller to check.
  const std::string text = MessageText(h);
  if (!text.empty() && GetDlgItem(h, IDOK) && !GetDlgItem(h, 1001)) printf("text=%s\n", ToUtf8(text).c_str());
  fflush(stdout);
  size_t at = 0;
  while (at <= actions.size()) {
    size_t comma = actions.find(',', at);
    std::string a = actions.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    at = comma == std::string::npos ? actions.size() + 1 : comma + 1;
    if (a == "ok") PostMessageA(h, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(h, IDOK));
    else if (a == "cancel") PostMessageA(h, WM_COMMAND, IDCANCEL, (LPARAM)GetDlgItem(h, IDCANCEL));
    else if (a == "esc") {
      HWND f = GetDlgItem(h, IDOK);
      PostMessageA(f ? f : h, WM_KEYDOWN, VK_ESCAPE, 1);
      PostMessageA(f ? f : h, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    }
    else if (a == "close") PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    else if (!a.empty()) {
      HWND c = GetDlgItem(h, atoi(a.c_str()));
      if (!c) return 3;
      SendMessageA(c, BM_CLICK, 0, 0);
    }
    Sleep(100);
  }
  for (int i = 0; i < 100 && IsWindow(h); ++i) Sleep(50);
  return IsWindow(h) ? 2 : 0;
}

bool ParseArgs(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& v) { if (i + 1 >= argc) return false; v = argv[++i]; return true; };
    std::string v;
    if (a == "--load") { if (!next(g_opt.load)) return false; }
    else if (a == "--second-pane") { if (!next(g_opt.second)) return false; g_opt.hasSecond = true; }
    else if (a == "--exe-name") { if (!next(g_opt.exeName)) return false; }
    else if (a == "--ini-path") { if (!next(g_opt.iniPath)) return false; }
    else if (a == "--ready") { if (!next(g_opt.ready)) return false; }
    else if (a == "--save") { if (!next(g_opt.save)) return false; }
    else if (a == "--journal") { if (!next(g_opt.journal)) return false; }
    else if (a == "--hostile") { if (!next(g_opt.hostile)) return false; }
    else if (a == "--select") {
      if (!next(v)) return false;
      unsigned long long s = 0, e = 0;
      if (sscanf(v.c_str(), "%llu,%llu", &s, &e) != 2) return false;
      g_opt.selStart = (size_t)s; g_opt.selEnd = (size_t)e;
    }
    else if (a == "--active") { if (!next(v)) return false; g_opt.active = atoi(v.c_str()); }
    else if (a == "--replace-limit") { if (!next(v)) return false; g_opt.replaceLimit = atol(v.c_str()); }
    else if (a == "--gettext-limit") { if (!next(v)) return false; g_opt.gettextLimit = atol(v.c_str()); }
    else if (a == "--no-mapping") g_opt.noMapping = true;
    else if (a == "--auto-dismiss") g_opt.autoDismiss = true;
    else return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--quit") == 0) return Quit();
  if (argc == 4 && strcmp(argv[1], "--press") == 0) return Press(argv[2], argv[3]);
  if (argc == 2 && strcmp(argv[1], "--help") == 0) { fputs(kHelp, stdout); return 0; }
  if (!ParseArgs(argc, argv) || !SetQuirks(g_quirks)) { fputs(kHelp, stderr); return 2; }
  if (!g_opt.journal.empty()) g_journal = fopen(g_opt.journal.c_str(), "ab");

  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA mc{}; mc.lpfnWndProc = MainProc; mc.hInstance = inst;
  mc.hCursor = LoadCursor(nullptr, IDC_ARROW); mc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  mc.lpszClassName = qv::host::kMainWindowClass;
  RegisterClassA(&mc);
  WNDCLASSA pc{}; pc.lpfnWndProc = PaneProc; pc.hInstance = inst;
  pc.hCursor = LoadCursor(nullptr, IDC_IBEAM); pc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  pc.lpszClassName = qv::host::kEditorPaneClass;
  RegisterClassA(&pc);
  WNDCLASSA sc{}; sc.lpfnWndProc = DefWindowProcA; sc.hInstance = inst;
  sc.lpszClassName = qv::host::kExeNameClass; RegisterClassA(&sc);
  sc.lpszClassName = qv::host::kIniFilePathClass; RegisterClassA(&sc);

  g_main = CreateWindowExA(0, qv::host::kMainWindowClass, "quorvel-testhost", WS_OVERLAPPEDWINDOW,
                           40, 40, 720, 480, nullptr, nullptr, inst, nullptr);
  g_panes[0].text = ReadFile(g_opt.load);
  g_panes[0].selStart = g_opt.selStart; g_panes[0].selEnd = g_opt.selEnd;
  qv::editor::Clamp(g_panes[0]);
  g_panes[0].hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, qv::host::kEditorPaneClass, "", WS_CHILD | WS_VISIBLE,
                                    0, 0, 10, 10, g_main, (HMENU)1, inst, nullptr);
  if (g_opt.hasSecond) {
    g_panes[1].text = ReadFile(g_opt.second);
    g_panes[1].hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, qv::host::kEditorPaneClass, "", WS_CHILD | WS_VISIBLE,
                                      0, 0, 10, 10, g_main, (HMENU)2, inst, nullptr);
  }
  if (!g_opt.exeName.empty())
    CreateWindowExA(0, qv::host::kExeNameClass, g_opt.exeName.c_str(), WS_CHILD, 0, 0, 0, 0, g_main, nullptr, inst, nullptr);
  if (!g_opt.iniPath.empty())
    CreateWindowExA(0, qv::host::kIniFilePathClass, g_opt.iniPath.c_str(), WS_CHILD, 0, 0, 0, 0, g_main, nullptr, inst, nullptr);
  LayoutPanes(g_main);
  ShowWindow(g_main, SW_SHOW);
  SetForegroundWindow(g_main);
  SetFocus(ActivePane().hwnd);
  UpdateWindow(g_main);
  SetTimer(g_main, 1, 50, nullptr);
  if (!g_opt.ready.empty()) WriteFile(g_opt.ready, "ready\n");

  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  if (g_journal) fclose(g_journal);
  return 0;
}
