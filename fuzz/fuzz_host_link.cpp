// Whole runs of the tool against the in-process host, whose answers come from
// the input: its version, the document and selection, the switches, a length
// answer off by a fixed amount (then WM_GETTEXT and the transfers move what
// they should: a pane off in both ways could hide bytes from every check),
// and per message how much WM_GETTEXT delivers,
// how much EM_REPLACESEL takes (or adds), whether WM_CLEAR and the undo of an
// insertion act, whether the mapping messages are refused or move more or
// fewer bytes (or a write is acknowledged and ignored), what the selection
// state answers. After each run the promise is checked against a conversion
// made apart from the link: exit 0 only with exactly the converted text in
// place and the new text selected, or the caret at the start after a whole
// text (the selection as it was, where nothing changed and so nothing was
// written); exit -1 only with the text and selection as before, or the
// message that says how to get the text back; and against a host that
// answered honestly throughout, exit 0.
//
// Input: 12 bytes of settings, a script length byte and that many script
// bytes (one is drawn per message of the kinds above), then the document.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/convert.h"
#include "convert/quote_marks.h"
#include "context/messages.h"
#include "driver/run.h"
#include "driver/switches.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_conversion.h"
#include "host/host_contract.h"
#include "tests/support/fake_os.h"

namespace {

using qv::testing::FakeOs;
using qv::testing::Quirks;

constexpr char kExe[] = "C:\\Tools\\TeraPad.exe";
const char* const kVersions[] = {nullptr, "0.72.0.5", "0.72.0.6", "0.73.0.0", "0.73.0.1"};
constexpr uint32_t kPacked[] = {0, 0x00480005, 0x00480006, 0x00490000, 0x00490001};
constexpr char kLetters[] = "XANSPJKLURTV";  // in the order of the option bits
constexpr size_t kSettings = 12;

// The per-message answers, drawn from the script.
struct Script {
  const uint8_t* next;
  const uint8_t* end;
  bool honest = true;  // every answer so far as the contract has it
  uint8_t Draw() { return next < end ? *next++ : 0; }
};

void BeforeMessage(void* context, Quirks& q, uint32_t message) {
  auto& script = *static_cast<Script*>(context);
  switch (message) {
    case qv::win::kWmGetText: {
      // A pane whose length is off delivers what is asked: one that did
      // both could hide bytes from every read and check.
      const uint8_t v = q.lengthOffset != 0 ? 0 : script.Draw();
      q.gettextLimit = v % 4 == 1 ? 0 : v % 4 == 2 ? (v >> 2) * 37 : -1;
      break;
    }
    case qv::win::kEmReplaceSel: {
      const uint8_t v = script.Draw();
      q.replaceLimit = v % 6 == 1 ? 0 : v % 6 == 2 ? (v >> 3) * 50 : -1;
      q.replaceIgnored = v % 6 == 3;
      q.replaceExtra = v % 6 == 4 ? (v >> 3) % 4 + 1 : 0;
      break;
    }
    case qv::win::kWmClear: {
      const uint8_t v = script.Draw();
      q.clearIgnored = v % 5 == 1;
      q.clearExtra = v % 5 == 2 ? -1 : v % 5 == 3 ? 1 : 0;
      break;
    }
    case qv::win::kEmUndo:
      q.undoIgnored = script.Draw() % 3 == 1;
      break;
    case qv::host::kMsgReadText:
    case qv::host::kMsgWriteText: {
      const uint8_t v = script.Draw();
      q.refuseMapping = v % 5 == 1;
      // Off by as much as the length answers, a transfer would look right.
      const int64_t extra = q.lengthOffset != 0 ? 0 : v % 5 == 2 ? 1 : v % 5 == 3 ? -1 : 0;
      (message == qv::host::kMsgReadText ? q.mappingReadExtra : q.mappingWriteExtra) = extra;
      // Answered 1 with nothing done: a new text as long as the old looks written by its length.
      q.mappingWriteIgnored = message == qv::host::kMsgWriteText && v % 5 == 4;
      break;
    }
    default:
      break;
  }
  script.honest = script.honest && q == Quirks{};
}

// The text as the engine's plain reference converts it.
std::string Converted(const qv::ConversionOptions& o, const std::string& in) {
  qv::QuoteMarkList marks;
  marks.Set(qv::kDefaultQuoteMarks);
  std::string out = ReferenceConversion(o, marks, in);
  if (o.ReplaceSpaceToUnderbar) std::replace(out.begin(), out.end(), ' ', '_');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kSettings + 1) return 0;
  const uint8_t* s = data;
  const size_t version = s[0] % std::size(kVersions);
  const uint16_t bits = static_cast<uint16_t>(s[1] | s[2] << 8);
  const int64_t lengthOffset = static_cast<int64_t>(s[3] % 5) - 2;
  const intptr_t stateAnswers[] = {0, 0, 0, -1, 1, 2, -2, 12345};
  const intptr_t stateAnswer = stateAnswers[s[4] % std::size(stateAnswers)];
  const bool reversed = s[5] % 8 == 1;
  const size_t scriptLength = std::min<size_t>(s[kSettings], size - kSettings - 1);
  Script script{data + kSettings + 1, data + kSettings + 1 + scriptLength};
  std::string body(reinterpret_cast<const char*>(script.end), data + size - script.end);
  body.erase(std::remove(body.begin(), body.end(), '\0'), body.end());
  // Long documents (read in pieces) from a short input: the body repeated.
  std::string text = body;
  if ((s[6] & 0x80) != 0 && !body.empty()) {
    const size_t want = static_cast<size_t>(s[6] & 0x7F) % 80 * 1024 + s[7];
    while (text.size() < want) text += body;
    text.resize(want);
  }
  const auto at = [&](uint8_t hi, uint8_t lo) { return text.empty() ? 0 : (hi << 8 | lo) % (text.size() + 1); };
  size_t selStart = at(s[8], s[9]);
  size_t selEnd = at(s[10], s[11]);
  if (selStart > selEnd) std::swap(selStart, selEnd);

  qv::ConversionOptions options;
  std::string commandLine = "quorvel.exe /";
  for (size_t i = 0; i < sizeof kLetters - 1; ++i) {
    const bool on = (bits >> i) & 1;
    commandLine += static_cast<char>(on ? kLetters[i] : kLetters[i] + ('a' - 'A'));
  }
  {
    // The options the switches give: set directly, in the order of the letters.
    uint8_t* flags[] = {&options.ExchangeZenHan,   &options.ProcessAlphabet,      &options.ProcessNumber,
                        &options.ProcessSpace,     &options.ProcessPunct,         &options.ProcessJPPunct,
                        &options.ProcessKatakana,  &options.ProcessQuotedLine,    &options.ReplaceSpaceToUnderbar,
                        &options.ProcessImpossibleReverse, &options.TransformHiraToKana, &options.NoConnectVoiced};
    for (size_t i = 0; i < std::size(flags); ++i) *flags[i] = (bits >> i) & 1;
    qv::FixUpOptions(options);
  }

  FakeOs d;  // the platform while it lives
  qv::testing::FakeWindow* main = d.AddHost(text, selStart, selEnd);
  d.AddWindow(qv::host::kExeNameClass, main, kExe);
  if (kVersions[version] != nullptr) d.SetFileVersion(kExe, kVersions[version]);
  d.commandLine = commandLine;
  qv::testing::FakeWindow* pane = d.Pane(main);
  // The user's own last edit: undoing it would put a "?" in front.
  pane->undo.push_back({0, "?", "", 0, 0});

  // The attach reads the host's child windows honestly; the quirks start with the run's text.
  struct Staged : qv::RunServices {
    FakeOs* desktop;
    Script* script;
    Quirks quirks;
    void Attach(qv::EditorLink& link) override {
      link.Attach();
      desktop->quirks = quirks;
      desktop->beforeMessage = BeforeMessage;
      desktop->beforeMessageContext = script;
    }
  } staged;
  staged.desktop = &d;
  staged.script = &script;
  staged.quirks.lengthOffset = lengthOffset;
  staged.quirks.selectionStateAnswer = stateAnswer;
  staged.quirks.reversedSelection = reversed;
  const int result = qv::Run(nullptr, staged);

  // What the run should have chosen: the selection or the whole text.
  const size_t selected = selEnd - selStart;
  bool hasSelection = selected != 0;
  if (kPacked[version] >= qv::host::kVersionSelectionState) {
    const intptr_t answer = stateAnswer != 0 ? stateAnswer : (selected == 0 ? -1 : 1);
    hasSelection = answer != -1;
  }
  QV_FUZZ_CHECK(result == 0 || result == -1);
  // An honest host is always served.
  QV_FUZZ_CHECK(result == 0 || !script.honest || !(staged.quirks == Quirks{}));
  if (result == 0) {
    QV_FUZZ_CHECK(d.messageBoxes.empty());
    if (hasSelection) {
      const std::string converted = Converted(options, text.substr(selStart, selected));
      QV_FUZZ_CHECK(pane->text == text.substr(0, selStart) + converted + text.substr(selEnd));
      QV_FUZZ_CHECK(pane->selStart == selStart && pane->selEnd == selStart + converted.size());
    } else {
      const std::string converted = Converted(options, text);
      QV_FUZZ_CHECK(pane->text == converted);
      const bool same = converted == text;
      QV_FUZZ_CHECK(pane->selStart == (same ? selStart : 0) && pane->selEnd == (same ? selEnd : 0));
    }
  } else {
    QV_FUZZ_CHECK(d.messageBoxes.size() == 1);
    const bool toldToUndo = d.messageBoxes[0].text == qv::kMsgWriteBackFailedUndo;
    QV_FUZZ_CHECK(toldToUndo || pane->text == text);
    QV_FUZZ_CHECK(toldToUndo || (pane->selStart == selStart && pane->selEnd == selEnd));
  }
  return 0;
}
