// Command-line splitting and switch parsing against a plain model of the
// rules, on arbitrary command lines.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "context/argument_list.h"
#include "driver/switches.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// The splitting rules written out on std::string, one rule per branch.
std::vector<std::string> ModelSplit(const std::string& line) {
  enum { kBetween, kUnquoted, kQuoted } state = kBetween;
  std::vector<std::string> args;
  std::string current;
  bool empty = true;
  const auto at = [&](size_t i) { return i < line.size() ? static_cast<unsigned char>(line[i]) : 0; };
  const auto store = [&](unsigned char b) {
    current.push_back(static_cast<char>(b));
    empty = false;
  };
  const auto end = [&] {
    args.push_back(current);
    current.clear();
    empty = true;
  };
  size_t r = 0;
  while (at(r) != 0) {
    if (state == kBetween) {
      empty = true;
      while (IsBlank(at(r))) ++r;
      if (at(r) == 0) break;
      state = kUnquoted;
    }
    const unsigned char b = at(r);
    if (IsLead(b) && IsTrail(at(r + 1))) {
      store(b);
      store(at(r + 1));
      r += 2;
    } else if (IsBlank(b)) {
      size_t j = r;
      while (IsBlank(at(j))) ++j;
      if (at(j) == 0) break;
      if (state == kUnquoted) {
        end();
        state = kBetween;
      } else {
        store(b);
      }
      ++r;
    } else if (b == '"') {
      state = state == kQuoted ? kUnquoted : kQuoted;
      ++r;
    } else if (b == '/') {
      if (!empty) end();
      store(b);
      ++r;
    } else if (b == '\\' && state == kQuoted && (at(r + 1) == '\\' || at(r + 1) == '"')) {
      store(at(r + 1));
      r += 2;
    } else {
      store(b);
      ++r;
    }
  }
  if (!empty) args.push_back(current);
  return args;
}

struct Reports {
  std::vector<std::pair<int32_t, std::string>> seen;
};

void Record(void* context, int32_t index, const char* argument) {
  static_cast<Reports*>(context)->seen.emplace_back(index, argument);
}

uint8_t* FlagFor(char letter, qv::ConversionOptions& o, uint8_t& showDialog) {
  switch (letter) {
    case 'd': return &showDialog;
    case 'x': return &o.ExchangeZenHan;
    case 'a': return &o.ProcessAlphabet;
    case 'n': return &o.ProcessNumber;
    case 's': return &o.ProcessSpace;
    case 'p': return &o.ProcessPunct;
    case 'j': return &o.ProcessJPPunct;
    case 'k': return &o.ProcessKatakana;
    case 'l': return &o.ProcessQuotedLine;
    case 'u': return &o.ReplaceSpaceToUnderbar;
    case 'r': return &o.ProcessImpossibleReverse;
    case 't': return &o.TransformHiraToKana;
    case 'v': return &o.NoConnectVoiced;
    default: return nullptr;
  }
}

// The switch rules on the model's argument strings.
void ModelSwitches(const std::vector<std::string>& args, qv::ConversionOptions& o, uint8_t& showDialog,
                   Reports& reports) {
  o = qv::ConversionOptions{};
  showDialog = 0;
  if (args.size() <= 1) {
    showDialog = 1;
    return;
  }
  bool seen = false;
  bool bad = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.empty()) continue;
    seen = true;
    if (a[0] == '/' && a.size() > 1) {
      for (size_t k = 1; k < a.size(); ++k) {
        const char c = a[k];
        const bool capital = c >= 'A' && c <= 'Z';
        const char lower = capital ? static_cast<char>(c - 'A' + 'a') : c;
        uint8_t* flag = (capital || (c >= 'a' && c <= 'z')) ? FlagFor(lower, o, showDialog) : nullptr;
        if (flag == nullptr) {
          reports.seen.emplace_back(static_cast<int32_t>(i), a);
          bad = true;
        } else {
          *flag = capital ? 1 : 0;
        }
      }
    } else {
      reports.seen.emplace_back(static_cast<int32_t>(i), a);
      bad = true;
    }
  }
  if (!seen || bad) showDialog = 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  // The first byte sizes the message buffer of the format check.
  const size_t messageSize = size > 0 ? 1 + data[0] : 1;
  const std::string line(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0),
                         strnlen(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0));

  qv::ArgumentList list;
  list.ConstructFrom(line.c_str());
  const std::vector<std::string> expected = ModelSplit(line);

  QV_FUZZ_CHECK(list.argc >= 0);
  QV_FUZZ_CHECK(static_cast<size_t>(list.argc) == expected.size());
  QV_FUZZ_CHECK(list.argv != nullptr && list.charBuffer != nullptr);
  QV_FUZZ_CHECK(list.argv[list.argc] == nullptr);
  const char* cursor = list.charBuffer;
  const char* limit = list.charBuffer + 2 * line.size() + 1;
  for (int32_t i = 0; i < list.argc; ++i) {
    // Back to back in command-line order, each inside the 2L+1 buffer.
    QV_FUZZ_CHECK(list.argv[i] == cursor);
    const size_t n = strnlen(list.argv[i], static_cast<size_t>(limit - list.argv[i]));
    QV_FUZZ_CHECK(list.argv[i] + n < limit);
    QV_FUZZ_CHECK(std::string(list.argv[i], n) == expected[static_cast<size_t>(i)]);
    cursor = list.argv[i] + n + 1;
  }

  qv::ConversionOptions options;
  uint8_t showDialog = 9;
  Reports got;
  qv::ParseSwitches(list, options, showDialog, Record, &got);
  qv::ConversionOptions wantOptions;
  uint8_t wantDialog = 9;
  Reports want;
  ModelSwitches(expected, wantOptions, wantDialog, want);
  QV_FUZZ_CHECK(options == wantOptions);
  QV_FUZZ_CHECK(showDialog == wantDialog);
  QV_FUZZ_CHECK(got.seen == want.seen);

  qv::FixUpOptions(options);
  if (!options.ProcessKatakana) QV_FUZZ_CHECK(options.TransformHiraToKana == 0);
  if (options.ExchangeZenHan) QV_FUZZ_CHECK(options.NoConnectVoiced == 0);
  if (!options.ExchangeZenHan) QV_FUZZ_CHECK(options.ProcessImpossibleReverse == 0);

  // The message of each bad argument fits whatever buffer it is given.
  for (const auto& [index, text] : got.seen) {
    std::vector<char> buffer(messageSize);
    qv::FormatBadArgument(buffer.data(), buffer.size(), index, text.c_str());
    QV_FUZZ_CHECK(std::memchr(buffer.data(), 0, buffer.size()) != nullptr);
    std::vector<char> full(qv::kMessageBufferSize);
    qv::FormatBadArgument(full.data(), full.size(), index, text.c_str());
    QV_FUZZ_CHECK(std::memchr(full.data(), 0, full.size()) != nullptr);
  }
  list.Destroy();
  QV_FUZZ_CHECK(list.argv == nullptr && list.charBuffer == nullptr && list.privateHeap == nullptr);
  return 0;
}
