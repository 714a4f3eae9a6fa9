// Checks the substitute host from another process: sends it the messages the
// tool sends and prints each answer, one per line, for a test script to compare.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/host_contract.h"

int main(int argc, char** argv) {
  HWND main = FindWindowA(qv::host::kMainWindowClass, nullptr);
  if (!main) { puts("no host"); return 1; }
  HWND pane = (HWND)SendMessageA(main, qv::host::kMsgGetActiveEditor, 0, 0);
  printf("active-is-first %d\n", pane == FindWindowExA(main, nullptr, qv::host::kEditorPaneClass, nullptr));
  DWORD s = 0, e = 0;
  SendMessageA(pane, EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
  printf("sel %lu %lu\n", s, e);
  printf("state %lld\n", (long long)SendMessageA(main, qv::host::kMsgGetSelectionState, 0, 0));
  LRESULT len = SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0);
  printf("length %lld\n", (long long)len);
  std::string buf(len + 1, '\0');
  LRESULT got = SendMessageA(pane, WM_GETTEXT, buf.size(), (LPARAM)buf.data());
  printf("gettext %lld %s\n", (long long)got, buf.c_str());
  // Read the selection through the mapping.
  DWORD L = e - s;
  HANDLE m = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, L + qv::host::kMappingSlack,
                                qv::host::MappingNameOf(main).text);
  char* view = (char*)MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  LRESULT r = SendMessageA(main, qv::host::kMsgReadText, 1, 0);
  printf("mapread %lld %.*s\n", (long long)r, (int)L, view);
  const char* repl = argc > 1 ? argv[1] : "XY";
  strcpy(view, repl);
  r = SendMessageA(main, qv::host::kMsgWriteText, 1, (LPARAM)strlen(repl));
  printf("mapwrite %lld\n", (long long)r);
  UnmapViewOfFile(view);
  CloseHandle(m);
  SendMessageA(pane, EM_SETSEL, 0, 1);
  SendMessageA(pane, WM_CLEAR, 0, 0);
  SendMessageA(pane, EM_UNDO, 0, 0);
  SendMessageA(pane, EM_SETSEL, 0, 0);
  SendMessageA(pane, EM_REPLACESEL, 0, (LPARAM)"<");
  SendMessageA(pane, EM_GETSEL, (WPARAM)&s, (LPARAM)&e);
  printf("after-replace %lu %lu\n", s, e);
  if (argc > 2) MessageBoxA(main, argv[2], "Quorvel", MB_OK);
  return 0;
}
