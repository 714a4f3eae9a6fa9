#include "testhost/editor_model.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "convert/sjis.h"
#include "host/host_contract.h"
#include "platform/platform.h"

namespace qv::editor {
namespace {

// The text with `extra` bytes "+" more, or -extra bytes fewer at its end.
std::string Resized(std::string t, int64_t extra) {
  if (extra >= 0) return t + std::string(static_cast<size_t>(extra), '+');
  t.resize(t.size() - std::min(t.size(), static_cast<size_t>(-extra)));
  return t;
}

// Messages of the contract without parameters are not answered when given any.
bool Bare(uint32_t message) {
  return message == win::kWmGetTextLength || message == win::kWmClear || message == win::kEmUndo ||
         message == host::kMsgGetActiveEditor || message == host::kMsgGetSelectionState;
}

intptr_t Transfer(Pane& p, const Quirks& q, bool write, bool selectionOnly, intptr_t length, char* view, size_t room) {
  if (q.refuseMapping || (write && q.refuseMappingWrite) || view == nullptr) return 0;
  const auto n = static_cast<size_t>(length);
  if (write) {
    if (length < 0 || n >= room || view[n] != '\0') return 0;
    if (!selectionOnly) p.selStart = 0, p.selEnd = p.text.size();
    if (!q.mappingWriteIgnored) ReplaceSelection(p, Resized(std::string(view, n), q.mappingWriteExtra));
    return 1;
  }
  const std::string t = Resized(selectionOnly ? p.text.substr(p.selStart, p.selEnd - p.selStart) : p.text,
                                q.mappingReadExtra);
  if (t.size() >= room) return 0;
  std::memcpy(view, t.c_str(), t.size() + 1);
  return 1;
}

}  // namespace

void Clamp(Pane& p) {
  p.selStart = std::min(p.selStart, p.text.size());
  p.selEnd = std::min(p.selEnd, p.text.size());
  if (p.selEnd < p.selStart) std::swap(p.selStart, p.selEnd);
}

void ReplaceSelection(Pane& p, const std::string& bytes) {
  Clamp(p);
  UndoStep step{p.selStart, p.text.substr(p.selStart, p.selEnd - p.selStart), bytes, p.selStart, p.selEnd};
  p.text.replace(p.selStart, p.selEnd - p.selStart, bytes);
  p.selStart = p.selEnd = step.pos + bytes.size();
  p.undo.push_back(std::move(step));
}

bool IsTransfer(uint32_t message) { return message == host::kMsgReadText || message == host::kMsgWriteText; }

bool PaneMessage(Pane& p, const Quirks& q, uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* answer) {
  *answer = 0;
  if (Bare(message) && (wParam != 0 || lParam != 0)) return true;
  Clamp(p);
  switch (message) {
    case win::kEmGetSel: {
      auto s = static_cast<uint32_t>(static_cast<int64_t>(p.selStart) + q.selectionOffset);
      auto e = static_cast<uint32_t>(static_cast<int64_t>(p.selEnd) + q.selectionOffset + q.selectionEndExtra);
      if (q.reversedSelection) std::swap(s, e);
      if (wParam != 0) *reinterpret_cast<uint32_t*>(wParam) = s;
      if (lParam != 0) *reinterpret_cast<uint32_t*>(lParam) = e;
      *answer = static_cast<intptr_t>(std::min<uint32_t>(s, 0xFFFF) | std::min<uint32_t>(e, 0xFFFF) << 16);
      return true;
    }
    case win::kEmSetSel: {  // a start of -1 puts the caret at the end; an end of -1 or past it means the end
      const auto n = static_cast<int64_t>(p.text.size());
      int64_t s = static_cast<int32_t>(wParam), e = static_cast<int32_t>(lParam);
      if (s < 0) s = e = n;
      if (e < 0 || e > n) e = n;
      s = std::min(s, n);
      p.selStart = static_cast<size_t>(std::min(s, e));
      p.selEnd = static_cast<size_t>(std::max(s, e));
      return true;
    }
    case win::kWmGetTextLength:
      p.measured = true;
      *answer = static_cast<intptr_t>(p.text.size()) + q.lengthOffset;
      return true;
    case win::kWmGetText: {
      if (p.measured) p.text += q.growOnRead;
      p.measured = false;
      if (wParam == 0 || lParam == 0) return true;
      size_t n = std::min<size_t>(wParam - 1, p.text.size());
      if (q.gettextLimit >= 0) n = std::min<size_t>(n, static_cast<size_t>(q.gettextLimit));
      if (q.gettextHalf) n /= 2;
      std::memcpy(reinterpret_cast<char*>(lParam), p.text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      *answer = static_cast<intptr_t>(n);
      return true;
    }
    case win::kWmClear:
      if (q.clearIgnored) return true;
      p.selEnd = static_cast<size_t>(std::clamp<int64_t>(static_cast<int64_t>(p.selEnd) + q.clearExtra,
                                                         static_cast<int64_t>(p.selStart),
                                                         static_cast<int64_t>(p.text.size())));
      if (p.selStart != p.selEnd) ReplaceSelection(p, std::string());
      return true;
    case win::kEmUndo: {
      if (p.undo.empty() || (q.undoIgnored && !p.undo.back().inserted.empty())) return true;
      const UndoStep s = p.undo.back();
      p.undo.pop_back();
      p.text.replace(s.pos, s.inserted.size(), s.removed);
      p.selStart = s.selStart;
      p.selEnd = s.selEnd;
      *answer = 1;
      return true;
    }
    case win::kEmReplaceSel: {
      if (lParam == 0) return true;
      std::string t(reinterpret_cast<const char*>(lParam));
      size_t keep = 0;  // never splits a two-byte character
      for (size_t step = 1; q.replaceLimit >= 0 && keep < t.size(); keep += step) {
        step = sjis::IsLead(static_cast<uint8_t>(t[keep])) && keep + 1 < t.size() ? 2 : 1;
        if (keep + step > static_cast<size_t>(q.replaceLimit)) break;
      }
      if (q.replaceLimit >= 0) t.resize(keep);
      if (q.replaceIgnored) return true;
      ReplaceSelection(p, Resized(t, q.replaceExtra));
      return true;
    }
  }
  return false;
}

bool MainMessage(Pane& active, intptr_t activeHandle, const Quirks& q, uint32_t message, uintptr_t wParam,
                 intptr_t lParam, char* view, size_t room, intptr_t* answer) {
  *answer = 0;
  if (Bare(message) && (wParam != 0 || lParam != 0)) return true;
  Clamp(active);
  if (message == host::kMsgGetActiveEditor) {
    *answer = activeHandle;
  } else if (message == host::kMsgGetSelectionState) {
    *answer = q.selectionStateAnswer != 0 ? q.selectionStateAnswer : active.selStart == active.selEnd ? -1 : 1;
  } else if (IsTransfer(message)) {
    *answer = wParam > 1 ? 0 : Transfer(active, q, message == host::kMsgWriteText, wParam != 0, lParam, view, room);
  } else {
    return false;
  }
  if (q.privateAnswer != 0) *answer = q.privateAnswer;
  return true;
}

}  // namespace qv::editor
