// Every piece of state of one run.
#pragma once

#include <cstdint>

#include "convert/options.h"
#include "driver/argument_list.h"
#include "host/editor_link.h"

namespace qv {

struct RunContext {
  char message[4096] = {};  // scratch buffer for formatted messages
  EditorLink link;
  ArgumentList arguments;
  uint8_t ShowDialog = 0;
  uint8_t HasSelection = 0;  // set when the text is fetched
  ConversionOptions options;
};

}  // namespace qv
