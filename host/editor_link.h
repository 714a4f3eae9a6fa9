// The tool's whole connection to one window of the host editor.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace qv {

struct EditorLink {
  HeapHandle heap = nullptr;      // owns every text buffer of the run
  Window mainWindow = nullptr;    // "TTeraPadMainForm"; owner of every message box
  uint32_t HostVersion = 0;       // FileVersion a.b.c.d packed a<<24|b<<16|c<<8|d
  Window currentPane = nullptr;   // the window text operations address
  const char* hostExePath = nullptr;  // heap string or the literal "TeraPad.exe"
  const char* hostIniPath = nullptr;  // heap string or the literal "TeraPad.ini"
  uint8_t busy = 0;               // 1 while Attach runs: no shared-memory transfers

  bool IsAttached() const { return currentPane != nullptr; }
  // Destroys the heap (and with it every text of the run) and resets the record.
  void Detach();

  // Finds the host in front and fills the record.
  void Attach();

  // Text exchange. Returned texts live on `heap`; callers never free them.
  int32_t GetSelectionState();
  char* ReadAllText();
  char* ReadSelectedText();
  // False when the pane did not take the whole text.
  bool ReplaceAllText(const char* text);
  bool ReplaceSelectedText(const char* text);
  void SetCaret(int32_t position);
  bool TransferText(bool write, char** text, bool selectionOnly);
  int32_t GetSelectionStart();
  int32_t GetSelectionLength();
  int32_t GetTextLength();
};

}  // namespace qv
