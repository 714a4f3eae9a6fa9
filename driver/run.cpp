#include "driver/run.h"

#include <cstring>

#include "convert/convert.h"
#include "convert/quote_marks.h"
#include "convert/text_converter.h"
#include "dialog/options_dialog.h"
#include "dialog/settings_file.h"
#include "context/messages.h"
#include "driver/switches.h"
#include "host/host_contract.h"

namespace qv {
namespace {

void ShowError(RunContext& ctx, const char* text) {
  Gui().MessageBoxA(ctx.link.mainWindow, text, kCaption, win::kMbIconError);
}

void ReportBadArgument(void* context, int32_t index, const char* argument) {
  auto& ctx = *static_cast<RunContext*>(context);
  FormatBadArgument(ctx.message, sizeof ctx.message, index, argument);
  ShowError(ctx, ctx.message);
}

// The host's quote marks, read from its INI file at their first use in the run.
void LoadHostQuoteMarks(void* context, char* buffer, size_t size) {
  const auto& link = *static_cast<const EditorLink*>(context);
  Sys().GetPrivateProfileStringA(host::kOptionSection, host::kQuoteMarkKey, kDefaultQuoteMarks, buffer,
                                static_cast<uint32_t>(size), link.hostIniPath);
}

QuoteMarkList& HostQuoteMarks(RunContext& ctx) {
  ctx.quoteMarks.SetLoader(LoadHostQuoteMarks, &ctx.link);
  return ctx.quoteMarks;
}

// The settings file's KeepChars into the context; false after telling the
// user that it cannot be used.
bool LoadKeepChars(RunContext& ctx) {
  char path[kSettingsPathSize];
  BuildSettingsPath(path);
  switch (ReadKeepChars(path, ctx.keepChars)) {
    case KeepCharsRead::kNone:
    case KeepCharsRead::kRead:
      return true;
    case KeepCharsRead::kEmpty:
      ShowError(ctx, kMsgKeepCharsEmpty);
      return false;
    case KeepCharsRead::kBroken:
      break;
  }
  ShowError(ctx, kMsgKeepCharsBroken);
  return false;
}

// The kana case and the keep list: the character converter, into a new
// block on the link's heap.
bool ConvertCharacters(RunContext& ctx, char** text) {
  const size_t n = std::strlen(*text);
  auto* out = static_cast<char*>(Mem().HeapAlloc(ctx.link.heap.get(), 0, TextConverter::MaxOutput(n) + 1));
  if (out == nullptr) {
    ShowError(ctx, kMsgOutOfMemory);
    return false;
  }
  const TextConverter converter(ctx.options, Encoding::kShiftJis, HostQuoteMarks(ctx).Value(), ctx.keepChars);
  auto at = LinePosition::kLineStart;
  out[converter.Convert(reinterpret_cast<const uint8_t*>(*text), n, reinterpret_cast<uint8_t*>(out), at)] = '\0';
  *text = out;
  return true;
}

// Fetches the text (selection or whole) as the host reports; null on failure.
char* FetchText(RunContext& ctx, RunServices& services) {
  const int32_t state = services.GetSelectionState(ctx.link);
  ctx.HasSelection = state == -1 ? 0 : 1;
  return ctx.HasSelection ? services.ReadSelectedText(ctx.link) : services.ReadAllText(ctx.link);
}

// The converted text is byte for byte the text fetched: writing it back would
// change nothing but still move the caret, and in the editor add an undo
// step and mark the document modified.
bool Unchanged(const EditorLink& link, const char* text) {
  return link.fetched != nullptr && std::strcmp(text, link.fetched) == 0;
}

// Writes the converted text back; the caret goes to the start only after a
// whole text was written, so that a failure leaves the selection as it was.
WriteResult WriteBack(RunContext& ctx, RunServices& services, const char* text) {
  if (ctx.HasSelection) return services.ReplaceSelectedText(ctx.link, text);
  const WriteResult result = services.ReplaceAllText(ctx.link, text);
  if (result == WriteResult::kWritten) services.SetCaret(ctx.link, 0);
  return result;
}

int RunSequence(RunContext& ctx, RunServices& services, ModuleHandle instance) {
  services.Attach(ctx.link);
  ctx.arguments = ArgumentList::OfProcess();
  if (!ctx.link.IsAttached()) {
    ShowError(ctx, kMsgAttachFailed);
    return -1;
  }
  if (ctx.arguments.incomplete()) {
    ShowError(ctx, kMsgOutOfMemory);
    return -1;
  }
  ParseSwitches(ctx.arguments, ctx.options, ctx.ShowDialog, ReportBadArgument, &ctx);
  if (ctx.ShowDialog && services.RunOptionsDialog(ctx, instance) == kDialogCancelled) return -1;
  FixUpOptions(ctx.options);
  if (!LoadKeepChars(ctx)) return -1;

  char* text = FetchText(ctx, services);
  if (text == nullptr) {
    ShowError(ctx, kMsgFetchFailed);
    return -1;
  }
  if (!ConvertText(ctx, services, &text)) return -1;
  if (Unchanged(ctx.link, text)) return 0;
  switch (WriteBack(ctx, services, text)) {
    case WriteResult::kWritten:
      return 0;
    case WriteResult::kRestored:
      ShowError(ctx, kMsgWriteBackFailedRestored);
      return -1;
    case WriteResult::kNotRestored:
      break;
  }
  ShowError(ctx, kMsgWriteBackFailedUndo);
  return -1;
}

}  // namespace

bool RunServices::ConvertToHalf(RunContext& ctx, char* text) { return qv::ConvertToHalf(ctx, text); }
bool RunServices::ConvertToFull(RunContext& ctx, char** text) { return qv::ConvertToFull(ctx, text); }
intptr_t RunServices::RunOptionsDialog(RunContext& ctx, ModuleHandle instance) {
  return qv::RunOptionsDialog(ctx, instance);
}

bool ConvertToHalf(RunContext& ctx, char* text) {
  return qv::ConvertToHalf(ctx.options, HostQuoteMarks(ctx), text);
}

bool ConvertToFull(RunContext& ctx, char** text) {
  const size_t n = std::strlen(*text);
  size_t bytes = 0;
  // A size that cannot be expressed is as good as memory that is not there.
  *text = FullBlockSize(n, &bytes)
              ? static_cast<char*>(Mem().HeapReAlloc(ctx.link.heap.get(), win::kHeapNoSerialize, *text, bytes))
              : nullptr;
  if (*text == nullptr) {
    ShowError(ctx, kMsgOutOfMemory);
    return false;
  }
  return ConvertToFullInBlock(ctx.options, HostQuoteMarks(ctx), *text, n);
}

bool ConvertText(RunContext& ctx, RunServices& services, char** text) {
  const std::string_view keep = ctx.keepChars;
  const bool converted = !FastLoopsCover(ctx.options, keep)   ? ConvertCharacters(ctx, text)
                         : ConvertsInPlace(ctx.options) ? services.ConvertToHalf(ctx, *text)
                                                        : services.ConvertToFull(ctx, text);
  if (!converted) return false;
  if (ReplacesSpaces(ctx.options, keep)) ReplaceSpacesWithUnderbars(*text);
  return true;
}

int Run(ModuleHandle instance, RunServices& services) {
  RunContext ctx;  // owns the link's and the arguments' heaps until the run ends
  return RunSequence(ctx, services, instance);
}

int Run(ModuleHandle instance) {
  RunServices services;
  return Run(instance, services);
}

}  // namespace qv
