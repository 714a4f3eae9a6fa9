// The version reader against version resources whose every answer points
// into the block, as the real functions' answers do. Translations and modules
// without a version are read from real modules in the Wine suite.
#include "host/module_version_info.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_os.h"

namespace qv {
namespace {

using testing::FakeOs;

// Each answer is a copy of its own that outlives later queries and paths.
// The version functions' answers are trusted only inside the block.
TEST(ModuleVersionInfoTest, CopiesStayValidAndAnswersPastTheBlockAreCut) {
  FakeOs os;
  os.SetFileVersion("a.exe", "1.0");
  os.SetFileVersion("b.exe", "2.0");
  ModuleVersionInfo info("a.exe");
  const char* first = info.GetStringField(kVersionFileVersion);
  const char* second = info.GetStringField(kVersionFileVersion);
  EXPECT_NE(first, second);
  info.SetModulePath("b.exe");
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "2.0");
  EXPECT_STREQ(first, "1.0");
  EXPECT_STREQ(second, "1.0");
  EXPECT_EQ(os.Count("GetFileVersionInfoA"), 2u);
  os.lengthSurplus = 1u << 20;
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "2.0") << "a length past its end is cut there";
  os.lengthSurplus = -1;
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "2.0") << "a length without the NUL";
  os.valueOutside = true;
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
}

TEST(ModuleVersionInfoTest, NoPathReadsTheOwnExecutable) {
  FakeOs os;
  os.modulePath = "q";
  os.SetFileVersion(*os.modulePath, "9.8.7.6");
  EXPECT_STREQ(ModuleVersionInfo().GetStringField(kVersionFileVersion), "9.8.7.6");
  os.modulePath = std::string(259, 'q');
  os.SetFileVersion(*os.modulePath, "1.1");
  EXPECT_STREQ(ModuleVersionInfo().GetStringField(kVersionFileVersion), "1.1");
  os.modulePath = std::string(260, 'q');  // cut short
  os.SetFileVersion(os.modulePath->substr(0, 259), "1.2");
  EXPECT_EQ(ModuleVersionInfo().GetStringField(kVersionFileVersion), nullptr);
}

}  // namespace
}  // namespace qv
