#include "foundation/short_version.h"

#include <gtest/gtest.h>

#include "foundation/file_version.h"

namespace {

using foundation::GetFileVersionShort;
using foundation::ShortVersionFromText;

TEST(ShortVersion, MajorAndMinorOfAFullVersionOrOfAFilesRecord) {
  EXPECT_EQ(ShortVersionFromText("1.0.0.0"), "v1.0");
  EXPECT_EQ(ShortVersionFromText("12.34.5.678"), "v12.34");
  EXPECT_EQ(ShortVersionFromText(""), "");
  EXPECT_EQ(ShortVersionFromText("1.2.3"), "");
  EXPECT_EQ(ShortVersionFromText("1.2.3.4.5"), "");
  EXPECT_EQ(ShortVersionFromText("a.b.c.d"), "");
  // From the version record of a file.
  EXPECT_EQ(GetFileVersionShort(foundation::OwnLibraryPath()), "v1.0");
  EXPECT_EQ(GetFileVersionShort("/nonexistent/file.so"), "");
}

}  // namespace
