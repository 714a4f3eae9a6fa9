// The substitute editor's model, shared by the substitute host program and the
// tests' in-process fake: panes of raw code page 932 bytes with a selection
// and undo, their answers to the edit-control messages, the main window's
// private messages and the host's side of the shared-memory transfer, each
// with the misbehaviours a hostile host may show. No window system here: the
// callers own the windows and the shared memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::editor {

struct UndoStep {
  size_t pos = 0;
  std::string removed, inserted;
  size_t selStart = 0, selEnd = 0;
};

struct Pane {
  std::string text;
  size_t selStart = 0, selEnd = 0;
  std::vector<UndoStep> undo;
  bool measured = false;  // a length was asked since the last WM_GETTEXT
};

// What the host answers beyond the plain contract.
struct Quirks {
  int64_t replaceLimit = -1;    // EM_REPLACESEL takes at most this many bytes
  int64_t replaceExtra = 0;     // EM_REPLACESEL inserts this many "+" after what it takes
  bool replaceIgnored = false;  // EM_REPLACESEL changes nothing
  int64_t gettextLimit = -1;    // WM_GETTEXT delivers at most this many bytes
  bool gettextHalf = false;     // WM_GETTEXT delivers half of what it would
  bool reversedSelection = false;  // EM_GETSEL reports end before start
  int64_t selectionOffset = 0;     // added to both EM_GETSEL positions
  int64_t selectionEndExtra = 0;   // added to EM_GETSEL's end on top of that
  int64_t lengthOffset = 0;        // added to WM_GETTEXTLENGTH
  std::string growOnRead = {};     // the first WM_GETTEXT after a length query finds this appended
  bool clearIgnored = false;       // WM_CLEAR deletes nothing
  int64_t clearExtra = 0;          // WM_CLEAR deletes this many bytes more (negative: fewer)
  bool undoIgnored = false;        // EM_UNDO of an insertion does nothing
  bool refuseMapping = false;      // HostMsgReadText/HostMsgWriteText answer 0
  bool refuseMappingWrite = false;   // HostMsgWriteText answers 0
  bool mappingWriteIgnored = false;  // HostMsgWriteText answers 1 and changes nothing
  int64_t mappingReadExtra = 0;    // HostMsgReadText writes this many bytes ("+") more (negative: fewer)
  int64_t mappingWriteExtra = 0;   // HostMsgWriteText puts this many bytes ("+") more (negative: fewer) in place
  intptr_t selectionStateAnswer = 0;  // non-zero: HostMsgGetSelectionState answers this
  intptr_t privateAnswer = 0;         // non-zero: every private message answers this, after acting
  bool operator==(const Quirks&) const = default;  // equal to Quirks{}: an honest host
};

// Keeps the selection inside the text, start first.
void Clamp(Pane& p);
// Replaces the selection as one undo step; the caret goes after the insertion.
void ReplaceSelection(Pane& p, const std::string& bytes);

// The pane's answer to `message`; false when it is none of the contract's.
bool PaneMessage(Pane& p, const Quirks& q, uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* answer);

// The main window's answer to a private message about its active pane, whose
// handle is `activeHandle`; false when it is none of them. `view` is the
// shared memory of a transfer as the host opened it (null: it could not), of
// `room` bytes.
bool MainMessage(Pane& active, intptr_t activeHandle, const Quirks& q, uint32_t message, uintptr_t wParam,
                 intptr_t lParam, char* view, size_t room, intptr_t* answer);

// Whether a main window message is a transfer, for which the caller opens the view.
bool IsTransfer(uint32_t message);

}  // namespace qv::editor
