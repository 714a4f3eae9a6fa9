// The stand-in profile functions on arbitrary files: a write then a read gives
// the value back, everything else in the file reads as before, and a read
// never passes the buffer it is given.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/ini_file.h"

namespace {

using qv::portable::IniGetString;

// Without the bytes of `banned`, and without blanks at either end.
std::string Cleaned(const std::string& s, std::string_view banned) {
  std::string out;
  for (char c : s) {
    if (banned.find(c) == std::string_view::npos) out.push_back(c);
  }
  const size_t first = out.find_first_not_of(" \t\r\n");
  return first == std::string::npos ? "" : out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  const auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return up(x) == up(y); });
}

// (section, key) pairs named in the file, by a rough reading of its lines.
std::vector<std::pair<std::string, std::string>> Probes(const std::string& content) {
  std::vector<std::pair<std::string, std::string>> probes;
  std::string section;
  for (size_t pos = 0; pos < content.size() && probes.size() < 32;) {
    const size_t end = std::min(content.find('\n', pos), content.size());
    const std::string line = Cleaned(content.substr(pos, end - pos), "");
    pos = end + 1;
    if (!line.empty() && line[0] == '[') {
      section = Cleaned(line.substr(1, line.find(']') - 1), "");
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      probes.emplace_back(section, Cleaned(line.substr(0, eq), ""));
    }
  }
  return probes;
}

// What the file holds for the key; a small buffer of `size` bytes holds a
// NUL-terminated cut of it.
std::string Read(const std::string& section, const std::string& key, const std::string& file, size_t size = 4096) {
  std::vector<char> buffer(size);
  const uint32_t n = IniGetString(section.c_str(), key.c_str(), "\x01missing", buffer.data(),
                                  static_cast<uint32_t>(buffer.size()), file.c_str());
  QV_FUZZ_CHECK(n < buffer.size() && buffer[n] == '\0');
  return std::string(buffer.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 14) return 0;
  static const std::string file = [] {
    char dir[] = "/tmp/qv-fuzz-ini-XXXXXX";
    QV_FUZZ_CHECK(mkdtemp(dir) != nullptr);
    return std::string(dir) + "/settings.ini";
  }();
  // byte 0: read buffer size; then content, section, key, value split at NULs.
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0 && parts.size() < 4) {
      parts.emplace_back();
    } else {
      parts.back().push_back(static_cast<char>(data[i]));
    }
  }
  parts.resize(4);
  std::string section = Cleaned(parts[1], std::string_view("[]\r\n\0", 5));
  std::string key = Cleaned(parts[2], std::string_view("=\r\n\0", 4));
  const std::string value = Cleaned(parts[3], std::string_view("\r\n\0", 3));
  if (section.empty()) section = "Option";
  if (key.empty() || key[0] == '[') key = "Key" + key;
  std::FILE* f = std::fopen(file.c_str(), "wb");
  QV_FUZZ_CHECK(f != nullptr);
  std::fwrite(parts[0].data(), 1, parts[0].size(), f);
  std::fclose(f);

  Read(section, key, file, 1 + data[0] % 64);
  (void)qv::portable::IniGetInt(section.c_str(), key.c_str(), -1, file.c_str());
  const auto probes = Probes(parts[0]);
  std::vector<std::string> before;
  for (const auto& [s, k] : probes) before.push_back(Read(s, k, file));

  QV_FUZZ_CHECK(qv::portable::IniWriteString(section.c_str(), key.c_str(), value.c_str(), file.c_str()));
  std::string expected = value;
  if (expected.size() >= 2 && (expected[0] == '"' || expected[0] == '\'') && expected.back() == expected[0]) {
    expected = expected.substr(1, expected.size() - 2);
  }
  QV_FUZZ_CHECK(Read(section, key, file) == expected);
  for (size_t i = 0; i < probes.size(); ++i) {
    const auto& [s, k] = probes[i];
    QV_FUZZ_CHECK((SameName(s, section) && SameName(k, key)) || Read(s, k, file) == before[i]);
  }
  return 0;
}
