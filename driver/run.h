// One run of the tool: attach, split the command line, parse the switches,
// maybe ask in the options dialog, fetch, convert, write back, release.
#pragma once

#include <cstdint>

#include "context/run_context.h"
#include "platform/platform.h"

namespace qv {

// The collaborators of the run sequence. The defaults are the real ones;
// tests replace them to watch the sequence.
class RunServices {
 public:
  virtual ~RunServices() = default;
  virtual void Attach(EditorLink& link) { link.Attach(); }
  virtual int32_t GetSelectionState(EditorLink& link) { return link.GetSelectionState(); }
  virtual char* ReadAllText(EditorLink& link) { return link.ReadAllText(); }
  virtual char* ReadSelectedText(EditorLink& link) { return link.ReadSelectedText(); }
  virtual WriteResult ReplaceAllText(EditorLink& link, const char* text) { return link.ReplaceAllText(text); }
  virtual WriteResult ReplaceSelectedText(EditorLink& link, const char* text) {
    return link.ReplaceSelectedText(text);
  }
  virtual void SetCaret(EditorLink& link, int32_t position) { link.SetCaret(position); }
  virtual bool ConvertToHalf(RunContext& ctx, char* text);
  virtual bool ConvertToFull(RunContext& ctx, char** text);
  virtual intptr_t RunOptionsDialog(RunContext& ctx, ModuleHandle instance);
};

// The run function: 0 when the text was converted and written back, or
// converting changed nothing and nothing was written; else -1.
int Run(ModuleHandle instance, RunServices& services);
int Run(ModuleHandle instance);

// The half-width to full-width conversion of the run: enlarges the text's
// block on the link's heap, converts, and reports "メモリが足りません。" when
// the block cannot be enlarged (then *text is null).
bool ConvertToFull(RunContext& ctx, char** text);
bool ConvertToHalf(RunContext& ctx, char* text);

// Chooses the direction, converts, then applies ReplaceSpaceToUnderbar.
bool ConvertText(RunContext& ctx, RunServices& services, char** text);

}  // namespace qv
