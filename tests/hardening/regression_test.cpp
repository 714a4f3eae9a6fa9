// Faults found by the fuzz targets, kept as cases.
#include <gtest/gtest.h>

#include <string>

#include "host/discovery.h"
#include "platform/platform.h"

namespace qv {
namespace {

// An executable name whose last four bytes begin inside a two-byte character
// (表 is 0x95 0x5C): the INI name must not keep the lone lead byte.
// Off until host/discovery.cpp cuts the extension at a character boundary.
TEST(IniPathRegression, ExtensionCutNeverSplitsATwoByteCharacter) {
  HeapHandle heap = Os().HeapCreate(0, 0, 0);
  ASSERT_NE(heap, nullptr);
  const std::string ini = DeriveHostIniPath(heap, "C:\\x\\a\x95\x5cxyz");
  EXPECT_EQ(ini.find("\x95."), std::string::npos) << ini;
  EXPECT_EQ(ini.compare(0, 5, "C:\\x\\"), 0);
  EXPECT_EQ(ini.substr(ini.size() - 4), ".ini");
  Os().HeapDestroy(heap);
}

}  // namespace
}  // namespace qv
