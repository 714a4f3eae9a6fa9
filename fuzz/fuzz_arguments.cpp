// Command-line splitting and switch parsing against a plain model of the
// rules, on arbitrary command lines; and the portable entry's joining of its
// arguments against the splitting.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "context/argument_list.h"
#include "driver/switches.h"
#include "fuzz/fuzz_check.h"
#include "platform/portable_platform.h"

namespace {

// The model's own byte classes, kept apart from the tool's on purpose.
bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// The splitting rules written out on std::string, one rule per branch.
std::vector<std::string> ModelSplit(const std::string& line) {
  enum { kBetween, kUnquoted, kQuoted } state = kBetween;
  std::vector<std::string> args(1);
  bool empty = true;
  const auto at = [&](size_t i) { return i < line.size() ? static_cast<unsigned char>(line[i]) : 0; };
  const auto store = [&](unsigned char b) {
    args.back().push_back(static_cast<char>(b));
    empty = false;
  };
  for (size_t r = 0; at(r) != 0;) {
    if (state == kBetween) {
      empty = true;
      while (IsBlank(at(r))) ++r;
      if (at(r) == 0) break;
      state = kUnquoted;
    }
    const unsigned char b = at(r);
    size_t rest = r;
    while (IsBlank(at(rest))) ++rest;
    if (IsLead(b) && IsTrail(at(r + 1))) {
      store(b);
      store(at(++r));
    } else if (IsBlank(b) && at(rest) == 0) {
      break;  // trailing blanks are never stored
    } else if (IsBlank(b) && state == kUnquoted) {
      args.emplace_back();
      state = kBetween;
    } else if (b == '"') {
      state = state == kQuoted ? kUnquoted : kQuoted;
    } else if (b == '/') {
      if (!empty) args.emplace_back();
      store(b);
    } else if (b == '\\' && state == kQuoted && (at(r + 1) == '\\' || at(r + 1) == '"')) {
      store(at(++r));
    } else {
      store(b);
    }
    ++r;
  }
  if (empty) args.pop_back();
  return args;
}

using Reports = std::vector<std::pair<int32_t, std::string>>;

void Record(void* context, int32_t index, const char* argument) {
  static_cast<Reports*>(context)->emplace_back(index, argument);
}

// The switch rules on the model's argument strings.
void ModelSwitches(const std::vector<std::string>& args, qv::ConversionOptions& o, uint8_t& showDialog,
                   Reports& reports) {
  constexpr char kLetters[] = "dxanspjklurtvmgc";
  uint8_t* flags[] = {&showDialog,         &o.ExchangeZenHan,         &o.ProcessAlphabet,          &o.ProcessNumber,
                      &o.ProcessSpace,     &o.ProcessPunct,           &o.ProcessJPPunct,           &o.ProcessKatakana,
                      &o.ProcessQuotedLine, &o.ReplaceSpaceToUnderbar, &o.ProcessImpossibleReverse,
                      &o.TransformHiraToKana, &o.NoConnectVoiced,  &o.Normalize,
                      &o.ToHiragana,        &o.ToKatakana};
  o = qv::ConversionOptions{};
  showDialog = 0;
  bool seen = false;
  bool bad = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    seen = seen || !a.empty();
    for (size_t k = 1; k < a.size() || (k == 1 && !a.empty()); ++k) {
      const char c = a.size() > 1 && a[0] == '/' ? a[k] : '\0';
      const bool capital = c >= 'A' && c <= 'Z';
      const char* letter = c == '\0' ? nullptr : std::strchr(kLetters, capital ? c - 'A' + 'a' : c);
      if (letter == nullptr) {
        reports.emplace_back(static_cast<int32_t>(i), a);
        bad = true;
        if (c == '\0') break;
      } else {
        *flags[letter - kLetters] = capital ? 1 : 0;
        if (c == 'G') o.ToKatakana = 0;  // one kana case at a time
        if (c == 'C') o.ToHiragana = 0;
      }
    }
  }
  if (args.size() <= 1 || !seen || bad) showDialog = 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  // The first byte sizes the message buffer of the format check.
  const size_t messageSize = 1 + data[0];
  const std::string line(reinterpret_cast<const char*>(data) + 1, strnlen(reinterpret_cast<const char*>(data) + 1, size - 1));

  qv::ArgumentList list;
  list.ConstructFrom(line.c_str());
  const std::vector<std::string> expected = ModelSplit(line);
  QV_FUZZ_CHECK(list.argc >= 0 && static_cast<size_t>(list.argc) == expected.size());
  QV_FUZZ_CHECK(list.argv != nullptr && list.charBuffer != nullptr && list.argv[list.argc] == nullptr);
  const char* cursor = list.charBuffer;
  const char* limit = list.charBuffer + 2 * line.size() + 1;
  for (int32_t i = 0; i < list.argc; ++i) {
    // Back to back in command-line order, each inside the 2L+1 buffer.
    QV_FUZZ_CHECK(list.argv[i] == cursor);
    const size_t n = strnlen(list.argv[i], static_cast<size_t>(limit - list.argv[i]));
    QV_FUZZ_CHECK(list.argv[i] + n < limit && std::string(list.argv[i], n) == expected[static_cast<size_t>(i)]);
    cursor = list.argv[i] + n + 1;
  }

  qv::ConversionOptions options, wantOptions;
  options.ExchangeZenHan = options.ProcessAlphabet = options.ProcessNumber = 7;  // the parse starts from the defaults
  uint8_t showDialog = 9, wantDialog = 9;
  Reports got, want;
  qv::ParseSwitches(list, options, showDialog, Record, &got);
  ModelSwitches(expected, wantOptions, wantDialog, want);
  QV_FUZZ_CHECK(options == wantOptions && showDialog == wantDialog && got == want);

  qv::FixUpOptions(options);
  QV_FUZZ_CHECK(options.ProcessKatakana || options.TransformHiraToKana == 0);
  QV_FUZZ_CHECK(!options.ExchangeZenHan || options.Normalize || options.NoConnectVoiced == 0);
  QV_FUZZ_CHECK(options.ExchangeZenHan || options.Normalize || options.ProcessImpossibleReverse == 0);
  QV_FUZZ_CHECK(!(options.ToHiragana && options.ToKatakana));

  // The message of each bad argument fits whatever buffer it is given.
  for (const auto& [index, text] : got) {
    for (const size_t bytes : {messageSize, qv::kMessageBufferSize}) {
      std::vector<char> buffer(bytes);
      qv::FormatBadArgument(buffer.data(), buffer.size(), index, text.c_str());
      QV_FUZZ_CHECK(std::memchr(buffer.data(), 0, buffer.size()) != nullptr);
    }
  }
  list.Destroy();
  QV_FUZZ_CHECK(list.argv == nullptr && list.charBuffer == nullptr && list.privateHeap == nullptr);

  // The portable entry joins its arguments into a line that splits back into
  // them, but for an empty last one, which no line can hold.
  std::vector<const char*> argv;
  for (const std::string& a : expected) argv.push_back(a.c_str());
  qv::portable::SetCommandLine(static_cast<int>(argv.size()), argv.data());
  list.Construct();
  const size_t kept = expected.size() - (!expected.empty() && expected.back().empty() ? 1 : 0);
  QV_FUZZ_CHECK(std::vector<std::string>(list.argv, list.argv + list.argc) ==
                std::vector<std::string>(expected.begin(), expected.begin() + static_cast<long>(kept)));
  list.Destroy();
  return 0;
}
