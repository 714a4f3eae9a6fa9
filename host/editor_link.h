// The tool's whole connection to one window of the host editor.
#pragma once

#include <cstdint>

#include "platform/owned.h"

namespace qv {

// GetSelectionState's answer when the host's answer is none of -1, 0, 1.
inline constexpr int32_t kSelectionStateUnknown = -99999;

// How a write-back ended.
enum class WriteResult : uint8_t {
  kWritten,      // the pane holds exactly the new text in the right place
  kRestored,     // failed; the pane was checked to hold its text as before
  kNotRestored,  // failed; the tool could not make sure the text is as before
};

// How a shared-memory transfer ended.
enum class TransferResult : uint8_t {
  kDone,
  kRefused,  // nothing was moved: edit-control messages may take over
  kWrong,    // the host answered but its text does not add up with the tool's measure
};

struct EditorLink {
  UniqueHeap heap;                // owns every text buffer of the run
  Window mainWindow = nullptr;    // "TTeraPadMainForm"; owner of every message box
  uint32_t HostVersion = 0;       // FileVersion a.b.c.d packed a<<24|b<<16|c<<8|d
  Window currentPane = nullptr;   // the window text operations address
  const char* hostExePath = nullptr;  // heap string or the literal "TeraPad.exe"
  const char* hostIniPath = nullptr;  // heap string or the literal "TeraPad.ini"
  uint8_t busy = 0;               // 1 while Attach runs: no shared-memory transfers
  // A copy of the last text fetched after Attach (null when it could not be
  // kept): what a failed write-back is checked against after it is undone.
  const char* fetched = nullptr;
  int32_t fetchedLength = 0;

  bool IsAttached() const { return currentPane != nullptr; }

  // Finds the host in front and fills the record.
  void Attach();

  // Text exchange. Returned texts live on `heap`; callers never free them.
  int32_t GetSelectionState();
  char* ReadAllText();
  char* ReadSelectedText();
  // Verified: anything but kWritten was undone as far as the pane allowed.
  WriteResult ReplaceAllText(const char* text);
  WriteResult ReplaceSelectedText(const char* text);
  void SetCaret(int32_t position);
  TransferResult TransferText(bool write, char** text, bool selectionOnly);
  int32_t GetSelectionStart();
  int32_t GetSelectionLength();
  int32_t GetTextLength();
};

}  // namespace qv
