#include "platform/ini_file.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::portable {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::optional<std::string> ReadFile(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return std::nullopt;
  std::string data;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, got);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  return data;
}

// One line of the file, without its line break.
struct Line {
  size_t begin;      // offset of the line in the file
  size_t end;        // offset of its line break (or the end of the file)
  size_t next;       // offset of the following line
};

std::vector<Line> SplitLines(const std::string& data) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t end = data.find('\n', pos);
    size_t next = end == std::string::npos ? data.size() : end + 1;
    if (end == std::string::npos) end = data.size();
    size_t contentEnd = end;
    if (contentEnd > pos && data[contentEnd - 1] == '\r') --contentEnd;
    lines.push_back({pos, contentEnd, next});
    pos = next;
  }
  return lines;
}

// "[name]" gives name; anything else gives nullopt.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) close = line.size();
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Finds the key's value in the file's contents.
std::optional<std::string> Lookup(const std::string& data, std::string_view section, std::string_view key) {
  bool inSection = false;
  for (const Line& line : SplitLines(data)) {
    std::string_view text(data.data() + line.begin, line.end - line.begin);
    if (auto name = SectionName(text)) {
      inSection = SameName(*name, section);
      continue;
    }
    if (!inSection) continue;
    if (auto kv = ParseKeyLine(text); kv && SameName(kv->key, key)) {
      std::string_view value = kv->value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

bool WriteFileReplacing(const char* path, const std::string& data) {
  const std::string temp = std::string(path) + ".tmp~";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed || std::rename(temp.c_str(), path) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> IniLookup(const std::string& data, std::string_view section, std::string_view key) {
  return Lookup(data, section, key);
}

uint32_t IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer, uint32_t size,
                      const char* file) {
  if (buffer == nullptr || size == 0) return 0;
  std::string value;
  std::optional<std::string> found;
  if (section != nullptr && key != nullptr && file != nullptr) {
    if (auto data = ReadFile(file)) found = Lookup(*data, section, key);
  }
  if (found) {
    value = *found;
  } else {
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    value = std::string(fallback);
  }
  const size_t copied = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(buffer, value.data(), copied);
  buffer[copied] = '\0';
  return static_cast<uint32_t>(copied);
}

uint32_t IniGetInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
  if (section == nullptr || key == nullptr || file == nullptr) return static_cast<uint32_t>(defaultValue);
  auto data = ReadFile(file);
  if (!data) return static_cast<uint32_t>(defaultValue);
  auto value = Lookup(*data, section, key);
  if (!value || value->empty()) return static_cast<uint32_t>(defaultValue);
  std::string_view s = *value;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  uint32_t result = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    result = result * 10 + static_cast<uint32_t>(c - '0');
  }
  return negative ? 0u - result : result;
}

bool IniWriteString(const char* section, const char* key, const char* value, const char* file) {
  if (section == nullptr || key == nullptr || value == nullptr || file == nullptr) return false;
  std::string data = ReadFile(file).value_or(std::string());
  const std::string entry = std::string(key) + "=" + value;
  const std::vector<Line> lines = SplitLines(data);

  bool inSection = false;
  std::optional<size_t> insertAt;  // after the last non-blank line of the section
  for (const Line& line : lines) {
    std::string_view text(data.data() + line.begin, line.end - line.begin);
    if (auto name = SectionName(text)) {
      if (inSection) break;
      inSection = SameName(*name, section);
      if (inSection) insertAt = line.next;
      continue;
    }
    if (!inSection) continue;
    if (auto kv = ParseKeyLine(text); kv && SameName(kv->key, key)) {
      data.replace(line.begin, line.end - line.begin, entry);
      return WriteFileReplacing(file, data);
    }
    if (!Trim(text).empty()) insertAt = line.next;
  }

  if (insertAt) {
    size_t at = *insertAt;
    std::string addition = entry + "\r\n";
    if (at > 0 && data[at - 1] != '\n') addition = "\r\n" + addition;  // section line without a line break
    data.insert(at, addition);
  } else {
    if (!data.empty() && data.back() != '\n') data += "\r\n";
    data.append("[").append(section).append("]\r\n").append(entry).append("\r\n");
  }
  return WriteFileReplacing(file, data);
}

}  // namespace qv::portable
