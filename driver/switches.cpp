#include "driver/switches.h"

#include <cstdio>

#include "convert/option_table.h"
#include "context/messages.h"

namespace qv {
bool SetSwitchLetter(char letter, ConversionOptions& options, uint8_t* showDialog) {
  const OptionEntry* entry = FindOption(letter);
  if (entry == nullptr) return false;
  const uint8_t on = letter == entry->letter ? 1 : 0;
  if (entry->member != nullptr) {
    options.*entry->member = on;
  } else if (showDialog != nullptr) {
    *showDialog = on;
  }
  if (on && entry->clears != nullptr) options.*entry->clears = 0;  // one kana case at a time: the last one asked for
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
  for (int32_t i = 1; i < arguments.argc(); ++i) {
    const char* arg = arguments[i];
    if (arg[0] == '\0') continue;
    seen = true;
    if (arg[0] != '/' || arg[1] == '\0') {
      report(context, i, arg);
      error = true;
      continue;
    }
    for (const char* p = arg + 1; *p != '\0'; ++p) {
      if (!SetSwitchLetter(*p, options, &showDialog)) {
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
  if (arguments.argc() <= 1) {
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
