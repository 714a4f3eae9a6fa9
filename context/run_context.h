// Every piece of state of one run, and the caption of every message the run
// shows. Below both the run sequence and the options dialog, which share them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "context/argument_list.h"
#include "context/messages.h"
#include "convert/options.h"
#include "convert/quote_marks.h"
#include "host/editor_link.h"

namespace qv {

inline constexpr size_t kKeepCharsSize = 1024;  // the settings file's KeepChars, NUL included

struct RunContext {
  char message[kMessageBufferSize] = {};  // scratch buffer for formatted messages
  EditorLink link;
  ArgumentList arguments;
  uint8_t ShowDialog = 0;
  uint8_t HasSelection = 0;  // set when the text is fetched
  ConversionOptions options;
  QuoteMarkList quoteMarks;  // the host's, read at their first use
  char keepChars[kKeepCharsSize] = {};  // characters no conversion touches (code page 932)
};

}  // namespace qv
