// The stand-in profile functions on arbitrary files: a write then a read gives
// the value back, everything else in the file reads as before, and a read
// never passes the buffer it is given.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/ini_file.h"

namespace {

using qv::portable::IniGetInt;
using qv::portable::IniGetString;
using qv::portable::IniWriteString;

const std::string& WorkFile() {
  static const std::string path = [] {
    char dir[] = "/tmp/qv-fuzz-ini-XXXXXX";
    QV_FUZZ_CHECK(mkdtemp(dir) != nullptr);
    return std::string(dir) + "/settings.ini";
  }();
  return path;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(std::string s) {
  while (!s.empty() && Blank(s.front())) s.erase(s.begin());
  while (!s.empty() && Blank(s.back())) s.pop_back();
  return s;
}

std::string Without(std::string s, std::string_view banned) {
  std::string out;
  for (char c : s) {
    if (banned.find(c) == std::string_view::npos) out.push_back(c);
  }
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

// (section, key) pairs named in the file, by a rough reading of its lines.
std::vector<std::pair<std::string, std::string>> Probes(const std::string& content) {
  std::vector<std::pair<std::string, std::string>> probes;
  std::string section;
  size_t pos = 0;
  while (pos < content.size() && probes.size() < 32) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    const std::string line = Trimmed(content.substr(pos, end - pos));
    pos = end + 1;
    if (!line.empty() && line[0] == '[') {
      const size_t close = line.find(']');
      section = Trimmed(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      probes.emplace_back(section, Trimmed(line.substr(0, eq)));
    }
  }
  return probes;
}

std::string Read(const std::string& section, const std::string& key, const std::string& file) {
  std::vector<char> buffer(4096);
  const uint32_t n = IniGetString(section.c_str(), key.c_str(), "\x01missing", buffer.data(),
                                  static_cast<uint32_t>(buffer.size()), file.c_str());
  QV_FUZZ_CHECK(n < buffer.size() && buffer[n] == '\0');
  return std::string(buffer.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 14) return 0;
  // byte 0: read buffer size; then content, section, key, value split at NULs.
  const size_t readSize = 1 + data[0] % 64;
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0 && parts.size() < 4) {
      parts.emplace_back();
    } else {
      parts.back().push_back(static_cast<char>(data[i]));
    }
  }
  parts.resize(4);
  const std::string& content = parts[0];
  std::string section = Trimmed(Without(parts[1], std::string_view("[]\r\n\0", 5)));
  std::string key = Trimmed(Without(parts[2], std::string_view("=\r\n\0", 4)));
  const std::string value = Trimmed(Without(parts[3], std::string_view("\r\n\0", 3)));
  if (section.empty()) section = "Option";
  if (key.empty() || key[0] == '[') key = "Key" + key;
  const std::string& file = WorkFile();

  {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    QV_FUZZ_CHECK(f != nullptr);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
  }

  // A read into a small exact buffer stays inside it.
  {
    std::vector<char> small(readSize);
    const uint32_t n = IniGetString(section.c_str(), key.c_str(), value.c_str(), small.data(),
                                    static_cast<uint32_t>(small.size()), file.c_str());
    QV_FUZZ_CHECK(n < small.size() && small[n] == '\0');
    (void)IniGetInt(section.c_str(), key.c_str(), -1, file.c_str());
  }

  const auto probes = Probes(content);
  std::vector<std::string> before;
  for (const auto& [s, k] : probes) before.push_back(Read(s, k, file));

  QV_FUZZ_CHECK(IniWriteString(section.c_str(), key.c_str(), value.c_str(), file.c_str()));

  std::string expected = value;
  if (expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'') &&
      expected.back() == expected.front()) {
    expected = expected.substr(1, expected.size() - 2);
  }
  QV_FUZZ_CHECK(Read(section, key, file) == expected);
  for (size_t i = 0; i < probes.size(); ++i) {
    const auto& [s, k] = probes[i];
    if (SameName(s, section) && SameName(k, key)) continue;
    QV_FUZZ_CHECK(Read(s, k, file) == before[i]);
  }
  return 0;
}
