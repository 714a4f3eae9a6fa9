// Command-line switches: letters, defaults, the bad-argument message and the
// options that do not apply to a direction.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/options.h"
#include "context/argument_list.h"
#include "context/messages.h"

namespace qv {


// Called once per bad argument and once per unrecognised letter, with the
// argument's index (1 = first after the program path) and its text.
using BadArgumentReporter = void (*)(void* context, int32_t index, const char* argument);

// ShowDialog 0, ExchangeZenHan 1, ProcessAlphabet 1, every other option 0.
void SetDefaultOptions(ConversionOptions& options, uint8_t& showDialog);

// Sets the option of one switch letter (capital: on, small: off); false for
// a letter that names none. `showDialog` null: the dialog's letter is taken
// and ignored.
bool SetSwitchLetter(char letter, ConversionOptions& options, uint8_t* showDialog);

// Applies arguments 1 .. argc-1 to the options. Returns true when at least one
// non-empty argument was seen and none was bad.
bool ApplySwitchArguments(const ArgumentList& arguments, ConversionOptions& options, uint8_t& showDialog,
                          BadArgumentReporter report, void* context);

// The whole switch parse of a run: defaults, arguments, and the dialog decision
// (no argument beyond the program path, none seen, or a bad one: ShowDialog 1).
void ParseSwitches(const ArgumentList& arguments, ConversionOptions& options, uint8_t& showDialog,
                   BadArgumentReporter report, void* context);

// Clears options that do not apply: TransformHiraToKana without katakana,
// NoConnectVoiced for full-width to half-width, ProcessImpossibleReverse for
// half-width to full-width (Normalize keeps both).
void FixUpOptions(ConversionOptions& options);

// "%d 番目の引数が認識できません： '%s'" in code page 932, cut to fit the buffer.
void FormatBadArgument(char* buffer, size_t size, int32_t index, const char* argument);

}  // namespace qv
