// Command-line splitting and switch parsing on arbitrary command lines,
// checked by what holds whatever the line: the arguments lie back to back in
// the buffer of 2L + 1 bytes and the array ends with a null entry; arguments
// without blanks, quotes or backslashes split back into themselves when
// joined with blanks, and the portable entry's joining of any arguments
// splits back into them; the switches give flags of 0 or 1, ask for the
// dialog exactly when nothing or something bad was given, report only
// arguments that are there, and the fix-up leaves no option where it does not
// apply; every message fits its buffer. (tests/driver holds the rules by
// example.)
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "context/argument_list.h"
#include "convert/option_table.h"
#include "driver/switches.h"
#include "fuzz/fuzz_check.h"
#include "platform/portable_platform.h"

namespace {

using Reports = std::vector<std::pair<int32_t, std::string>>;

void Record(void* context, int32_t index, const char* argument) {
  static_cast<Reports*>(context)->emplace_back(index, argument);
}

std::vector<std::string> Arguments(const qv::ArgumentList& list, size_t lineLength) {
  QV_FUZZ_CHECK(list.argc() >= 0 && list.charBuffer() != nullptr && list[list.argc()] == nullptr);
  std::vector<std::string> args;
  const char* cursor = list.charBuffer();
  const char* limit = list.charBuffer() + 2 * lineLength + 1;
  for (int32_t i = 0; i < list.argc(); ++i) {
    QV_FUZZ_CHECK(list[i] == cursor);
    const size_t n = strnlen(list[i], static_cast<size_t>(limit - list[i]));
    QV_FUZZ_CHECK(list[i] + n < limit);
    args.emplace_back(list[i], n);
    cursor = list[i] + n + 1;
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  // The first byte sizes the message buffer of the format check.
  const size_t messageSize = 1 + data[0];
  const std::string line(reinterpret_cast<const char*>(data) + 1, strnlen(reinterpret_cast<const char*>(data) + 1, size - 1));

  const qv::ArgumentList list(line.c_str());
  const std::vector<std::string> args = Arguments(list, line.size());
  std::string simple;  // the arguments that no quote, blank or backslash shaped
  std::vector<std::string> simpleArgs;
  for (const std::string& a : args) {
    if (a.empty() || a.find_first_of(" \t\"\\") != std::string::npos) continue;
    simple += a + " ";
    simpleArgs.push_back(a);
  }
  QV_FUZZ_CHECK(Arguments(qv::ArgumentList(simple.c_str()), simple.size()) == simpleArgs);

  qv::ConversionOptions options;
  uint8_t showDialog = 9;
  Reports reports;
  qv::ParseSwitches(list, options, showDialog, Record, &reports);
  bool given = false;
  for (size_t i = 1; i < args.size(); ++i) given = given || !args[i].empty();
  // The dialog when nothing was given or something was bad; else only for /D.
  QV_FUZZ_CHECK(showDialog <= 1 && (given && reports.empty() ? true : showDialog == 1));
  for (const auto& [index, text] : reports) {
    QV_FUZZ_CHECK(index >= 1 && static_cast<size_t>(index) < args.size() && text == args[static_cast<size_t>(index)]);
  }
  for (const qv::OptionEntry& entry : qv::kOptionTable) {
    if (entry.member != nullptr) QV_FUZZ_CHECK(options.*entry.member <= 1);
  }
  qv::FixUpOptions(options);
  QV_FUZZ_CHECK(options.ProcessKatakana || options.TransformHiraToKana == 0);
  QV_FUZZ_CHECK(!options.ExchangeZenHan || options.Normalize || options.NoConnectVoiced == 0);
  QV_FUZZ_CHECK(options.ExchangeZenHan || options.Normalize || options.ProcessImpossibleReverse == 0);
  QV_FUZZ_CHECK(!(options.ToHiragana && options.ToKatakana));

  // The message of each bad argument fits whatever buffer it is given.
  for (const auto& [index, text] : reports) {
    for (const size_t bytes : {messageSize, qv::kMessageBufferSize}) {
      std::vector<char> buffer(bytes);
      qv::FormatBadArgument(buffer.data(), buffer.size(), index, text.c_str());
      QV_FUZZ_CHECK(std::memchr(buffer.data(), 0, buffer.size()) != nullptr);
    }
  }

  // The portable entry joins its arguments into a line that splits back into
  // them, but for an empty last one, which no line can hold.
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  qv::portable::SetCommandLine(static_cast<int>(argv.size()), argv.data());
  const qv::ArgumentList again = qv::ArgumentList::OfProcess();
  const size_t kept = args.size() - (!args.empty() && args.back().empty() ? 1 : 0);
  QV_FUZZ_CHECK(Arguments(again, std::strlen(qv::Sys().GetCommandLineA())) ==
                std::vector<std::string>(args.begin(), args.begin() + static_cast<long>(kept)));
  return 0;
}
