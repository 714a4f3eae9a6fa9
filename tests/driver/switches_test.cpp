// What the switches make of a command line, by example: the options, the
// dialog decision, the arguments reported bad and what the fix-up clears;
// then the message of a bad argument.
#include "driver/switches.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "convert/option_table.h"

namespace qv {
namespace {

// The options whose letters `on` holds, every other one off.
ConversionOptions With(std::string_view on) {
  ConversionOptions o;
  for (const OptionEntry& entry : kOptionTable) {
    if (entry.member != nullptr) o.*entry.member = on.find(entry.letter) != std::string_view::npos ? 1 : 0;
  }
  return o;
}

using Reports = std::vector<std::pair<int32_t, std::string>>;

void Record(void* context, int32_t index, const char* argument) {
  static_cast<Reports*>(context)->emplace_back(index, argument);
}

TEST(SwitchTest, CommandLinesGiveOptions) {
  const struct {
    const char* line;
    const char* options;  // the letters of the options on after the fix-up
    bool dialog;
    Reports bad;
  } cases[] = {
      {"q", "XA", true, {}},  // no switches: the dialog, on the defaults
      {"q /X", "XA", false, {}},
      {"q /xKJ", "AKJ", false, {}},
      {"q /x/a /N", "N", false, {}},
      {"q /XaNSPJKLURTV", "XNSPJKLURT", false, {}},  // V only to full-width
      {"q /xNR", "AN", false, {}},                   // R only to half-width
      {"q /XT", "XA", false, {}},                    // T only with K
      {"q /MRVK", "XAMRVK", false, {}},              // Normalize goes both ways
      {"q /Mm", "XA", false, {}},
      {"q /GC", "XAC", false, {}},  // one kana case: the last
      {"q /Cg", "XAC", false, {}},
      {"q /D", "XA", true, {}},
      {"q \"\"", "XA", true, {}},  // nothing but an empty argument
      {"q /XAq hello /", "XA", true, {{1, "/XAq"}, {2, "hello"}, {3, "/"}}},
      {"q /QQ", "XA", true, {{1, "/QQ"}, {1, "/QQ"}}},  // once for each letter it does not know
  };
  for (const auto& c : cases) {
    const ArgumentList arguments(c.line);
    ConversionOptions options;
    uint8_t dialog = 9;
    Reports reports;
    ParseSwitches(arguments, options, dialog, Record, &reports);
    FixUpOptions(options);
    EXPECT_EQ(options, With(c.options)) << c.line;
    EXPECT_EQ(dialog, c.dialog ? 1 : 0) << c.line;
    EXPECT_EQ(reports, c.bad) << c.line;
  }
}

TEST(SwitchTest, BadArgumentMessageInCodePage932CutToTheBuffer) {
  char buffer[kMessageBufferSize];
  FormatBadArgument(buffer, sizeof buffer, 1, "hello");
  // "1 番目の引数が認識できません： 'hello'"
  EXPECT_EQ(std::string(buffer), "1 \x94\xD4\x96\xDA\x82\xCC\x88\xF8\x90\x94\x82\xAA\x94\x46\x8E\xAF\x82\xC5\x82\xAB"
                                 "\x82\xDC\x82\xB9\x82\xF1\x81\x46 'hello'");
  FormatBadArgument(nullptr, sizeof buffer, 1, "x");  // nothing to write into
  FormatBadArgument(buffer, 1, 1, "x");
  EXPECT_STREQ(buffer, "");
  FormatBadArgument(buffer, sizeof buffer, 12, std::string(10000, 'z').c_str());
  EXPECT_EQ(std::string(buffer).size(), kMessageBufferSize - 1);
  EXPECT_EQ(std::string(buffer).substr(0, 3), "12 ");
}

}  // namespace
}  // namespace qv
