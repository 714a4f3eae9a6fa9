#include "host/editor_link.h"

#include <algorithm>
#include <cstring>

#include "host/discovery.h"
#include "host/host_contract.h"
#include "host/module_version_info.h"

namespace qv {
namespace {

constexpr uint32_t kPollInterval = 50;  // ms between two looks
constexpr uint32_t kPollLimit = 2500;   // ms before giving up
constexpr int32_t kPiece = host::kReadPieceSize;
constexpr int64_t kMaxTextLength = INT32_MAX;  // positions are 32-bit

intptr_t Send(Window window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
  return Desktop().SendMessageA(window, message, wParam, lParam);
}

// Positions go to the pane as 32-bit values; sign-extended like the host's own.
uintptr_t AsWParam(int64_t value) { return static_cast<uintptr_t>(static_cast<intptr_t>(value)); }

int64_t ClampPosition(int64_t value) { return std::clamp<int64_t>(value, INT32_MIN, INT32_MAX); }

void SelectRange(Window pane, int64_t start, int64_t end) {
  Send(pane, win::kEmSetSel, AsWParam(ClampPosition(start)), static_cast<intptr_t>(ClampPosition(end)));
}

// The host main window in front: polled 50 times, 50 ms apart.
Window FindHostMainWindow() {
  for (uint32_t waited = 0; waited < kPollLimit; waited += kPollInterval) {
    Window w = Desktop().GetForegroundWindow();
    char className[kPathBufferSize];
    std::memset(className, 0, sizeof className);
    Desktop().GetClassNameA(w, className, sizeof className - 1);
    if (std::strcmp(className, host::kMainWindowClass) == 0) return w;
    if (std::strcmp(className, host::kOniWindowClass) == 0) return Desktop().FindWindowA(host::kMainWindowClass, nullptr);
    Desktop().Sleep(kPollInterval);
  }
  return nullptr;
}

Window WaitForPane(Window main) {
  for (uint32_t waited = 0; waited < kPollLimit; waited += kPollInterval) {
    Window pane = Desktop().FindWindowExA(main, nullptr, host::kEditorPaneClass, nullptr);
    if (pane != nullptr) return pane;
    Desktop().Sleep(kPollInterval);
  }
  return nullptr;
}

// A child window's text used as a path: only when it fits the path buffers.
bool UsablePath(const char* text) { return text != nullptr && std::strlen(text) < kPathBufferSize; }

// The host's transfers work on its active pane, so the link follows it there.
Window ChooseEditPane(Window main) {
  Window first = Desktop().FindWindowExA(main, nullptr, host::kEditorPaneClass, nullptr);
  if (first == nullptr) return nullptr;
  Window second = Desktop().FindWindowExA(main, first, host::kEditorPaneClass, nullptr);
  if (second == nullptr) return first;
  const intptr_t active = Send(main, host::kMsgGetActiveEditor);
  return reinterpret_cast<Window>(active) == second ? second : first;
}

// One WM_GETTEXT of at most `want` bytes into `at` (which has room for them
// and a NUL). The count reported is trusted only as far as the bytes agree.
// Returns the bytes delivered, or -1 when the answer does not add up.
int32_t ReadPiece(Window pane, char* at, int32_t want) {
  const intptr_t reported = Send(pane, win::kWmGetText, static_cast<uintptr_t>(want) + 1, reinterpret_cast<intptr_t>(at));
  at[want] = '\0';
  if (reported < 0 || reported > want) return -1;
  const auto got = static_cast<int32_t>(reported);
  if (static_cast<int32_t>(strnlen(at, static_cast<size_t>(got))) != got) return -1;
  at[got] = '\0';
  return got;
}

// The whole text through the mapping or, failing that, edit-control messages.
char* ReadWholeText(EditorLink& link, int32_t* length);

}  // namespace

void EditorLink::Attach() {
  *this = EditorLink{};
  busy = 1;
  Window main = FindHostMainWindow();
  if (main == nullptr) return;
  heap.reset(Mem().HeapCreate(0, 0, 0));
  if (!heap) return;
  currentPane = WaitForPane(main);
  if (currentPane == nullptr) {
    *this = EditorLink{};  // not attached: the heap goes
    return;
  }
  mainWindow = main;

  // The host's executable: its own child window says, else the process behind it.
  const char* exePath = nullptr;
  if (Window exeChild = Desktop().FindWindowExA(main, nullptr, host::kExeNameClass, nullptr); exeChild != nullptr) {
    currentPane = exeChild;
    const char* text = ReadAllText();
    if (UsablePath(text)) exePath = text;
  }
  if (exePath == nullptr) {
    auto* block = static_cast<char*>(Mem().HeapAlloc(heap.get(), win::kHeapZeroMemory, kExePathBlockSize));
    if (block == nullptr) {
      exePath = host::kDefaultExeName;
    } else {
      if (GetWindowProcessExePath(main, block, kExePathBlockSize) == 0) {
        std::memcpy(block, host::kDefaultExeName, sizeof host::kDefaultExeName);
      }
      exePath = block;
    }
  }
  hostExePath = exePath;

  const char* iniPath = nullptr;
  currentPane = Desktop().FindWindowExA(main, nullptr, host::kIniFilePathClass, nullptr);
  if (currentPane != nullptr) {
    const char* text = ReadAllText();
    if (UsablePath(text) && text[0] != '\0') iniPath = text;
  }
  hostIniPath = iniPath != nullptr ? iniPath : DeriveHostIniPath(heap.get(), hostExePath);

  {
    ModuleVersionInfo version(hostExePath);
    HostVersion = PackHostVersion(version.GetStringField(kVersionFileVersion));
  }

  currentPane = ChooseEditPane(main);
  busy = 0;
}

int32_t EditorLink::GetSelectionState() {
  if (HostVersion < host::kVersionSelectionState) return GetSelectionLength() == 0 ? -1 : 0;
  const intptr_t r = Send(mainWindow, host::kMsgGetSelectionState);
  return r < -1 || r > 1 ? kSelectionStateUnknown : static_cast<int32_t>(r);
}

int32_t EditorLink::GetSelectionStart() {
  uint32_t start = 0;
  Send(currentPane, win::kEmGetSel, reinterpret_cast<uintptr_t>(&start), 0);
  return static_cast<int32_t>(start);
}

int32_t EditorLink::GetSelectionLength() {
  uint32_t start = 0;
  uint32_t end = 0;
  Send(currentPane, win::kEmGetSel, reinterpret_cast<uintptr_t>(&start), reinterpret_cast<intptr_t>(&end));
  return static_cast<int32_t>(ClampPosition(int64_t{static_cast<int32_t>(end)} - static_cast<int32_t>(start)));
}

int32_t EditorLink::GetTextLength() {
  const intptr_t r = Send(currentPane, win::kWmGetTextLength);
  // Anything outside the 32-bit positions is no length at all.
  return r < 0 || r > kMaxTextLength ? -1 : static_cast<int32_t>(r);
}

void EditorLink::SetCaret(int32_t position) { SelectRange(currentPane, position, position); }

TransferResult EditorLink::TransferText(bool write, char** text, bool selectionOnly) {
  if (busy != 0 || HostVersion < host::kVersionTransferMapping) return TransferResult::kRefused;
  if (text == nullptr || (write && *text == nullptr)) return TransferResult::kRefused;
  const int64_t length = write ? static_cast<int64_t>(std::strlen(*text))
                               : (selectionOnly ? GetSelectionLength() : GetTextLength());
  if (length < 0 || length > kMaxTextLength) return TransferResult::kRefused;

  bool taken = false;
  const UniqueSection section(
      Shared().CreateFileMappingA(static_cast<uint32_t>(length) + host::kMappingSlack, host::MappingNameOf(mainWindow).text,
                                  &taken));
  // A section of that name made by someone else may be smaller than asked.
  if (!section || taken) return TransferResult::kRefused;
  const auto bytes = static_cast<size_t>(length);
  if (write) {
    const UniqueView view(Shared().MapViewOfFile(section.get(), win::kFileMapWrite));  // unmapped before the host maps it
    if (!view) return TransferResult::kRefused;
    std::memcpy(view.get(), *text, bytes + 1);
  }
  const intptr_t r = Send(mainWindow, write ? host::kMsgWriteText : host::kMsgReadText, selectionOnly ? 1 : 0,
                          write ? static_cast<intptr_t>(length) : 0);
  if (r == 0) return TransferResult::kRefused;
  if (write) return TransferResult::kDone;
  const UniqueView view(Shared().MapViewOfFile(section.get(), win::kFileMapRead));
  const auto* mapped = static_cast<const char*>(view.get());
  if (mapped == nullptr) return TransferResult::kRefused;
  // Exactly L bytes and the NUL right after them (the section is zero-filled
  // and longer): a host that wrote more or less measured the text otherwise
  // than the tool, and a write-back would not cover what the pane holds.
  if (mapped[bytes] != '\0' || strnlen(mapped, bytes) != bytes) return TransferResult::kWrong;
  auto* block = static_cast<char*>(Mem().HeapAlloc(heap.get(), win::kHeapZeroMemory, bytes + 1));
  if (block == nullptr) return TransferResult::kRefused;
  std::memcpy(block, mapped, bytes);
  *text = block;
  return TransferResult::kDone;
}

namespace {

// Edit-control read: pieces of at most 32760 bytes; each piece after the first
// is reached by deleting what was read, and the deletions are undone at the
// end. The block grows with what the pane delivers, not with what it claims.
char* ReadTextByMessages(EditorLink& link, int32_t* length) {
  Window pane = link.currentPane;
  const int32_t selectionStart = link.GetSelectionStart();
  const int32_t selectionLength = link.GetSelectionLength();
  const int64_t total = link.GetTextLength();
  if (total < 0) return nullptr;

  // Room for one byte beyond a piece: see `probe` below.
  size_t capacity = static_cast<size_t>(std::min<int64_t>(total, kPiece)) + 2;
  auto* block = static_cast<char*>(Mem().HeapAlloc(link.heap.get(), win::kHeapZeroMemory, capacity));
  if (block == nullptr) return nullptr;

  bool failed = false;
  bool moved = false;  // the selection was changed to delete a piece
  int deletions = 0;
  int64_t pos = 0;
  int64_t piece = std::min<int64_t>(total, kPiece);
  int64_t held = total;  // what the pane holds now, as it last said
  for (;;) {
    // The last piece asks for one byte more than is left (where a request
    // may be that long): a pane that has it holds more than it announced.
    const int64_t probe = pos + piece == total && piece < kPiece ? 1 : 0;
    const int32_t got = ReadPiece(pane, block + pos, static_cast<int32_t>(piece + probe));
    if (got < 0 || got > piece) {
      failed = true;
      break;
    }
    pos += got;
    if (pos >= total || got == 0) break;
    piece = got;
    SelectRange(pane, 0, piece);
    moved = true;
    Send(pane, win::kWmClear);
    // Exactly the piece must go: reading on after any other change would
    // take wrong bytes. Only a deletion the answer shows is undone; undoing
    // a step that did not happen (which an answer that is no length at all
    // cannot rule out) would undo the user's own edit.
    const int32_t left = link.GetTextLength();
    if (left != held - piece) {
      if (left >= 0 && left < held) ++deletions;
      failed = true;
      break;
    }
    ++deletions;
    held = left;
    if (pos + piece > total) piece = total - pos;
    if (static_cast<size_t>(pos + piece) + 2 > capacity) {
      const size_t wanted = std::max(capacity * 2, static_cast<size_t>(pos + piece) + 2);
      const size_t grown = std::min(wanted, static_cast<size_t>(total) + 2);
      auto* bigger = static_cast<char*>(Mem().HeapReAlloc(link.heap.get(), win::kHeapZeroMemory, block, grown));
      if (bigger == nullptr) {
        failed = true;
        break;
      }
      block = bigger;
      capacity = grown;
    }
  }
  block[pos] = '\0';
  for (int i = 0; i < deletions; ++i) Send(pane, win::kEmUndo);
  if (moved) SelectRange(pane, selectionStart, int64_t{selectionStart} + selectionLength);
  // Less than announced, or a text that changed while it was read: writing
  // such a read back over the whole text (or selection) would lose the rest.
  if (!failed && (pos != total || link.GetTextLength() != total)) failed = true;
  if (failed) {
    Mem().HeapFree(link.heap.get(), 0, block);
    return nullptr;
  }
  *length = static_cast<int32_t>(pos);
  return block;
}

// The whole text through the mapping or, where the host refuses it, through
// edit-control messages. A mapping answer that does not add up fails the
// read: the messages would measure the text the same way.
char* ReadWholeText(EditorLink& link, int32_t* length) {
  char* text = nullptr;
  switch (link.TransferText(false, &text, false)) {
    case TransferResult::kDone:
      *length = static_cast<int32_t>(std::strlen(text));
      return text;
    case TransferResult::kWrong:
      return nullptr;
    case TransferResult::kRefused:
      break;
  }
  return ReadTextByMessages(link, length);
}

// A copy of a text fetched for the run, for checking a failed write-back
// (not while attaching: those texts are never written back).
char* KeepFetched(EditorLink& link, char* text, int64_t length) {
  if (text == nullptr || link.busy != 0) return text;
  auto* copy = static_cast<char*>(Mem().HeapAlloc(link.heap.get(), win::kHeapZeroMemory, static_cast<size_t>(length) + 1));
  if (copy != nullptr) std::memcpy(copy, text, static_cast<size_t>(length));
  link.fetched = copy;
  link.fetchedLength = static_cast<int32_t>(length);
  return text;
}

// True when EM_GETSEL reports exactly start..end.
bool SelectionIs(Window pane, int64_t start, int64_t end) {
  uint32_t s = 0;
  uint32_t e = 0;
  Send(pane, win::kEmGetSel, reinterpret_cast<uintptr_t>(&s), reinterpret_cast<intptr_t>(&e));
  return int64_t{static_cast<int32_t>(s)} == start && int64_t{static_cast<int32_t>(e)} == end;
}

// What a write-back works on: the pane's length before it, the range it
// replaces, and the selection to put back should it fail.
struct WriteScene {
  int64_t before;
  int64_t rangeStart, rangeLength;
  int64_t selectionStart, selectionLength;
};

// True when the pane, `total` bytes long, holds the n bytes at `start`, as
// far as one read can tell (the mapping, or one WM_GETTEXT of the whole text
// or, for a longer one, up to the range's end; a read cut inside a character
// may come back short where texts cross processes as Unicode).
bool RangeHolds(EditorLink& link, int64_t total, int64_t start, const char* bytes, int64_t n) {
  const auto end = static_cast<size_t>(start + n);
  char* whole = nullptr;
  switch (link.TransferText(false, &whole, false)) {
    case TransferResult::kDone:
      break;
    case TransferResult::kWrong:
      return false;
    case TransferResult::kRefused: {
      const size_t want = total <= kPiece ? static_cast<size_t>(total) : end;
      if (want > static_cast<size_t>(kPiece)) return false;
      whole = static_cast<char*>(Mem().HeapAlloc(link.heap.get(), win::kHeapZeroMemory, want + 1));
      if (whole == nullptr) return false;
      if (ReadPiece(link.currentPane, whole, static_cast<int32_t>(want)) != static_cast<int32_t>(want)) {
        Mem().HeapFree(link.heap.get(), 0, whole);
        return false;
      }
      break;
    }
  }
  const bool same = std::strlen(whole) >= end && std::memcmp(whole + start, bytes, static_cast<size_t>(n)) == 0;
  Mem().HeapFree(link.heap.get(), 0, whole);
  return same;
}

// True when the pane holds as many bytes as before the write and the
// replaced range holds the fetched bytes again.
bool HoldsFetched(EditorLink& link, const WriteScene& w) {
  if (link.fetched == nullptr || link.fetchedLength != w.rangeLength) return false;
  if (link.GetTextLength() != w.before) return false;
  return RangeHolds(link, w.before, w.rangeStart, link.fetched, w.rangeLength);
}

// After a failed write: undoes each insertion the pane took, puts the old
// selection back and tells whether the old text is verifiably there again.
// A pane that already holds its old text (a write it ignored) gets no undo,
// which would take the user's own last edit.
WriteResult UndoFailedWrite(EditorLink& link, int insertions, const WriteScene& w) {
  bool restored = HoldsFetched(link, w);
  if (!restored && insertions > 0) {
    for (int i = 0; i < insertions; ++i) Send(link.currentPane, win::kEmUndo);
    restored = HoldsFetched(link, w);
  }
  SelectRange(link.currentPane, w.selectionStart, w.selectionStart + w.selectionLength);
  return restored ? WriteResult::kRestored : WriteResult::kNotRestored;
}

// Puts `text` in place of the range with EM_REPLACESEL and sends the rest
// while the pane takes more. Written only when the pane then holds exactly
// before - range + L bytes and the caret stands right after the new text.
WriteResult ReplaceByMessages(EditorLink& link, const char* text, int64_t length, bool whole, const WriteScene& w) {
  Window pane = link.currentPane;
  const int64_t base = w.before - w.rangeLength;
  const int64_t caret = w.rangeStart + length;
  if (whole) SelectRange(pane, 0, -1);
  Send(pane, win::kEmReplaceSel, 0, reinterpret_cast<intptr_t>(text));
  int64_t measured = link.GetTextLength();
  // Taken: the length changed, or it did not (as many bytes went in as the
  // range held) and the caret stands right after them. Not taken, the range
  // is still there and its length would pass for bytes inserted; only
  // nothing in place of nothing needs no taking.
  const int64_t rangeEnd = w.rangeStart + w.rangeLength;
  const bool taken = measured != w.before || (w.rangeLength > 0 && SelectionIs(pane, rangeEnd, rangeEnd));
  int insertions = taken ? 1 : 0;
  const bool nothingToDo = length == 0 && w.rangeLength == 0;
  int64_t got = (!taken && !nothingToDo) || measured < 0 ? -1 : measured - base;
  int64_t previous = 0;
  while (got > previous && got < length) {
    Send(pane, win::kEmReplaceSel, 0, reinterpret_cast<intptr_t>(text + got));
    previous = got;
    const int64_t now = link.GetTextLength();
    if (now != measured) ++insertions;
    measured = now;
    got = measured < 0 ? -1 : measured - base;
  }
  if (got == length && SelectionIs(pane, caret, caret)) {
    if (!whole) SelectRange(pane, w.rangeStart, caret);
    return WriteResult::kWritten;
  }
  return UndoFailedWrite(link, insertions, w);
}

}  // namespace

char* EditorLink::ReadAllText() {
  int32_t length = 0;
  char* text = ReadWholeText(*this, &length);
  return KeepFetched(*this, text, length);
}

char* EditorLink::ReadSelectedText() {
  char* text = nullptr;
  switch (TransferText(false, &text, true)) {
    case TransferResult::kDone:
      return KeepFetched(*this, text, static_cast<int64_t>(std::strlen(text)));
    case TransferResult::kWrong:
      return nullptr;
    case TransferResult::kRefused:
      break;
  }
  const int32_t start = GetSelectionStart();
  const int32_t length = GetSelectionLength();
  int32_t total = 0;
  char* whole = ReadWholeText(*this, &total);
  if (whole == nullptr) return nullptr;
  // The selection must lie inside the text the pane delivered: a selection
  // that does not would have the write-back replace text never read.
  if (start < 0 || length < 0 || int64_t{start} + length > total) return nullptr;
  std::memmove(whole, whole + start, static_cast<size_t>(length));
  whole[length] = '\0';
  auto* shrunk = static_cast<char*>(Mem().HeapReAlloc(heap.get(), win::kHeapZeroMemory, whole, static_cast<size_t>(length) + 1));
  return KeepFetched(*this, shrunk != nullptr ? shrunk : whole, length);
}

// Without sound measures a result could not be checked: then nothing is
// written and the text is as it was.
WriteResult EditorLink::ReplaceAllText(const char* text) {
  if (text == nullptr) return WriteResult::kRestored;
  const auto length = static_cast<int64_t>(std::strlen(text));
  if (length > kMaxTextLength) return WriteResult::kRestored;
  const int32_t start = GetSelectionStart();
  const int32_t selected = GetSelectionLength();
  char* writable = const_cast<char*>(text);  // a write transfer only reads it
  if (TransferText(true, &writable, false) == TransferResult::kDone) {
    // A new text as long as the old one (voiced kana, many mixes) has the
    // length of a written one whether the host wrote it or ignored it: then
    // its bytes must be read back. The shared memory makes that one copy.
    if (GetTextLength() == length && (length != fetchedLength || RangeHolds(*this, length, 0, text, length))) {
      return WriteResult::kWritten;
    }
    // What the pane held is the text fetched just before; measuring it
    // again would cost the host another pass over a long text.
    return UndoFailedWrite(*this, 1, {fetchedLength, 0, fetchedLength, start, selected});
  }
  const int32_t before = GetTextLength();
  if (before < 0) return WriteResult::kRestored;
  return ReplaceByMessages(*this, text, length, true, {before, 0, before, start, selected});
}

WriteResult EditorLink::ReplaceSelectedText(const char* text) {
  if (text == nullptr) return WriteResult::kRestored;
  const auto length = static_cast<int64_t>(std::strlen(text));
  const int32_t start = GetSelectionStart();
  const int32_t selected = GetSelectionLength();
  const int32_t before = GetTextLength();
  if (length > kMaxTextLength || before < 0 || start < 0 || selected < 0 || int64_t{start} + selected > before) {
    return WriteResult::kRestored;
  }
  const WriteScene w{before, start, selected, start, selected};
  const int64_t caret = int64_t{start} + length;
  char* writable = const_cast<char*>(text);  // a write transfer only reads it
  if (TransferText(true, &writable, true) != TransferResult::kDone) {
    return ReplaceByMessages(*this, text, length, false, w);
  }
  if (GetTextLength() != before - selected + length || !SelectionIs(currentPane, caret, caret)) {
    return UndoFailedWrite(*this, 1, w);
  }
  SelectRange(currentPane, start, caret);
  return WriteResult::kWritten;
}

}  // namespace qv
