// The version reader against version resources whose every answer points
// into the block, as the real functions' answers do.
#include "host/module_version_info.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_os.h"

namespace qv {
namespace {

using testing::FakeOs;

TEST(VersionStringFieldNameTest, NamesTheTwelveFieldsInOrder) {
  const char* const names[] = {"Comments",        "CompanyName",      "FileDescription", "FileVersion",
                               "InternalName",    "LegalCopyright",   "LegalTrademarks", "OriginalFilename",
                               "PrivateBuild",    "ProductName",      "ProductVersion",  "SpecialBuild"};
  for (uint32_t i = 0; i < 12; ++i) EXPECT_STREQ(VersionStringFieldName(i), names[i]);
  EXPECT_EQ(VersionStringFieldName(12), nullptr);
  EXPECT_EQ(VersionStringFieldName(0xFFFFFFFF), nullptr);
}

TEST(ModuleVersionInfoTest, TheFirstTranslationThatHasTheFieldWins) {
  FakeOs os;
  os.versions["a.exe"] = {{{0x0409, 0x04E4}, {0x0411, 0x03A4}, {0x0409, 0x04B0}},
                          {{"040904e4\\CompanyName", "Maker"}, {"041103a4\\FileVersion", "0.73.0.1"},
                           {"040904b0\\FileVersion", "2.0"}, {"040904b0\\ProductName", "Last"}}};
  ModuleVersionInfo info("a.exe");
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "0.73.0.1");
  EXPECT_STREQ(info.GetStringField(kVersionCompanyName), "Maker");
  EXPECT_STREQ(info.GetStringField(kVersionProductName), "Last");
  EXPECT_EQ(info.GetStringField(kVersionComments), nullptr);
  EXPECT_EQ(info.QueryStringValue(nullptr), nullptr);
  EXPECT_EQ(info.GetStringField(12), nullptr);
  EXPECT_EQ(os.Count("GetFileVersionInfoA"), 1u) << "the block is read once";
  EXPECT_EQ(os.Count("BindVersionApi"), 1u);
}

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

TEST(ModuleVersionInfoTest, NothingToReadYieldsNone) {
  FakeOs os;
  os.versions["bare.exe"] = {{}, {{"041103a4\\FileVersion", "1.0"}}};  // no translation table
  for (const char* path : {"missing.exe", "bare.exe"}) {
    ModuleVersionInfo info(path);
    for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(info.GetStringField(i), nullptr) << path;
  }
  EXPECT_EQ(os.Count("GetFileVersionInfoA"), 1u) << "no block is read for a size of 0";
}

// The library and the block are tried again after they failed; the library is
// bound once for the process.
TEST(ModuleVersionInfoTest, FailuresAreTriedAgain) {
  FakeOs os;
  os.SetFileVersion("a.exe", "1.0");
  ModuleVersionInfo info("a.exe");
  os.versionApi = false;
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  os.versionApi = true;
  os.versionReadFails = true;
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  os.versionReadFails = false;
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "1.0");
  EXPECT_STREQ(info.GetStringField(kVersionFileVersion), "1.0");
  EXPECT_EQ(os.Count("BindVersionApi"), 2u);
  EXPECT_EQ(os.Count("GetFileVersionInfoA"), 2u);
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

TEST(ModuleVersionInfoTest, NoMemoryYieldsNone) {
  FakeOs os;
  os.SetFileVersion("a.exe", "1.0");
  os.failHeapEvent = 3;  // the version block
  EXPECT_EQ(ModuleVersionInfo("a.exe").GetStringField(kVersionFileVersion), nullptr);
  os.failHeapEvent = os.heapLog.size() + 1;  // the reader's heap
  ModuleVersionInfo info("a.exe");
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  info.SetModulePath("a.exe");
  EXPECT_EQ(info.GetStringField(kVersionFileVersion), nullptr);
  EXPECT_EQ(os.Count("GetFileVersionInfoA"), 0u);
}

}  // namespace
}  // namespace qv
