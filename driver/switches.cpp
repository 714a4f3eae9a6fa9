#include "driver/switches.h"

#include <cstdio>

#include "driver/messages.h"

namespace qv {
namespace {

// The flag a switch letter sets (capital: 1, small: 0), or null.
uint8_t* FlagForLetter(char letter, ConversionOptions& o, uint8_t& showDialog) {
  switch (letter) {
    case 'D': case 'd': return &showDialog;
    case 'X': case 'x': return &o.ExchangeZenHan;
    case 'A': case 'a': return &o.ProcessAlphabet;
    case 'N': case 'n': return &o.ProcessNumber;
    case 'S': case 's': return &o.ProcessSpace;
    case 'P': case 'p': return &o.ProcessPunct;
    case 'J': case 'j': return &o.ProcessJPPunct;
    case 'K': case 'k': return &o.ProcessKatakana;
    case 'L': case 'l': return &o.ProcessQuotedLine;
    case 'U': case 'u': return &o.ReplaceSpaceToUnderbar;
    case 'R': case 'r': return &o.ProcessImpossibleReverse;
    case 'T': case 't': return &o.TransformHiraToKana;
    case 'V': case 'v': return &o.NoConnectVoiced;
    case 'M': case 'm': return &o.Normalize;
    case 'G': case 'g': return &o.ToHiragana;
    case 'C': case 'c': return &o.ToKatakana;
    default: return nullptr;
  }
}

}  // namespace

bool SetSwitchLetter(char letter, ConversionOptions& options, uint8_t& showDialog) {
  uint8_t* flag = FlagForLetter(letter, options, showDialog);
  if (flag == nullptr) return false;
  *flag = (letter >= 'A' && letter <= 'Z') ? 1 : 0;
  // One kana case at a time: the last one asked for.
  if (letter == 'G') options.ToKatakana = 0;
  if (letter == 'C') options.ToHiragana = 0;
  return true;
}

void SetDefaultOptions(ConversionOptions& options, uint8_t& showDialog) {
  options = ConversionOptions{};
  showDialog = 0;
}

bool ApplySwitchArguments(const ArgumentList& arguments, ConversionOptions& options, uint8_t& showDialog,
                          BadArgumentReporter report, void* context) {
  bool seen = false;
  bool error = false;
  for (int32_t i = 1; i < arguments.argc; ++i) {
    const char* arg = arguments.argv[i];
    if (arg == nullptr || arg[0] == '\0') continue;
    seen = true;
    if (arg[0] != '/' || arg[1] == '\0') {
      report(context, i, arg);
      error = true;
      continue;
    }
    for (const char* p = arg + 1; *p != '\0'; ++p) {
      if (!SetSwitchLetter(*p, options, showDialog)) {
        report(context, i, arg);
        error = true;
      }
    }
  }
  return seen && !error;
}

void ParseSwitches(const ArgumentList& arguments, ConversionOptions& options, uint8_t& showDialog,
                   BadArgumentReporter report, void* context) {
  SetDefaultOptions(options, showDialog);
  if (arguments.argc <= 1) {
    showDialog = 1;
    return;
  }
  if (!ApplySwitchArguments(arguments, options, showDialog, report, context)) showDialog = 1;
}

void FixUpOptions(ConversionOptions& options) {
  if (options.ProcessKatakana == 0) options.TransformHiraToKana = 0;
  // Normalize goes both ways: each of these applies to one of them.
  if (options.ExchangeZenHan == 1 && options.Normalize == 0) options.NoConnectVoiced = 0;
  if (options.ExchangeZenHan == 0 && options.Normalize == 0) options.ProcessImpossibleReverse = 0;
}

void FormatBadArgument(char* buffer, size_t size, int32_t index, const char* argument) {
  if (buffer == nullptr || size == 0) return;
  std::snprintf(buffer, size, kFmtBadArgument, static_cast<int>(index), argument != nullptr ? argument : "");
}

}  // namespace qv
