// Facts about the machine for the log header: operating-system line,
// processor, adapters, firmware date and mounted file systems.

#include <gtest/gtest.h>

#include "foundation/drives.h"
#include "foundation/machine_info.h"
#include "foundation/os_version.h"

namespace {

using foundation::OsVersionFacts;

TEST(OsVersion, KernelReleaseAndNameMakeTheVersionLine) {
  OsVersionFacts f;
  f.name = foundation::OsNameFromOsRelease(
      "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n");
  EXPECT_EQ(f.name, "Debian GNU/Linux 12 (bookworm)");
  foundation::ParseKernelRelease("6.1.0-18-amd64", f);
  EXPECT_EQ(foundation::FormatVersionText(f),
            "Debian GNU/Linux 12 (bookworm) 6.1 (Build 0: 18-amd64)");
  foundation::ParseKernelRelease("6.18.44", f);
  EXPECT_EQ(foundation::FormatVersionText(f), "Debian GNU/Linux 12 (bookworm) 6.18 (Build 44)");
  foundation::ParseKernelRelease("5.10", f);
  EXPECT_EQ(foundation::FormatVersionText(f), "Debian GNU/Linux 12 (bookworm) 5.10");
  f.name = foundation::OsNameFromOsRelease("NAME=Alpine\n");
  foundation::ParseKernelRelease("6.6.7-lts", f);
  EXPECT_EQ(foundation::FormatVersionText(f), "Alpine 6.6 (Build 7: lts)");
  f.name.clear();
  EXPECT_EQ(foundation::FormatVersionText(f), "Linux? 6.6");
  EXPECT_FALSE(foundation::GetWindowsVersionText().empty());
}

TEST(MachineFacts, FirstProcessorOfCpuinfo) {
  auto cpu = foundation::ParseCpuInfo(
      "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
      "model name\t: Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz with a long tail of words\n"
      "stepping\t: 4\n\nprocessor\t: 1\nvendor_id\t: AuthenticAMD\n");
  EXPECT_EQ(cpu.vendorClass, 1);
  EXPECT_EQ(cpu.vendor, "GenuineIntel");
  EXPECT_EQ(cpu.manufacturer, "Intel");
  EXPECT_EQ(cpu.step, "4");  // the fields themselves: the platform's reader test
  EXPECT_EQ(cpu.name.size(), 47u);
  EXPECT_EQ(foundation::ParseCpuInfo("vendor_id : AuthenticAMD\n").vendorClass, 3);
  EXPECT_EQ(foundation::ParseCpuInfo("vendor_id : CentaurHauls\n").manufacturer, "VIA");
  EXPECT_EQ(foundation::ParseCpuInfo("CPU implementer : 0x41\n").vendorClass, 0);
}

TEST(MachineFacts, MacAndFirmwareDateForms) {
  const unsigned char mac[] = {0x00, 0x1a, 0x2b, 0xc3, 0xd4, 0xef};
  EXPECT_EQ(foundation::FormatMacAddress(mac, 6), "00-1a-2b-c3-d4-ef");
  EXPECT_EQ(foundation::FormatMacAddress(mac, 4), "");
  EXPECT_EQ(foundation::FormatBiosDate("04/01/2014"), "04/01/2014 00:00:00");
  EXPECT_EQ(foundation::FormatBiosDate("2014-04-01"), "");
  EXPECT_EQ(foundation::FormatBiosDate(""), "");
}

TEST(MachineFacts, BlockHasItsSectionsInOrder) {
  auto lines = foundation::MachineBlockLines();
  auto index = [&lines](const std::string& prefix) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
    }
    return -1L;
  };
  EXPECT_EQ(index("CPU      : "), 0);
  EXPECT_EQ(index("     Name         : "), 7);
  EXPECT_EQ(index("BIOS     : "), 8);
  EXPECT_EQ(index("     Date         : "), 11);
  EXPECT_EQ(index("Windows  : "), 12);
  EXPECT_EQ(index("     Registered to: "), 15);
  EXPECT_EQ(index("MAC addresses:"), 16);
  for (size_t i = 17; i < lines.size() && lines[i].rfind("     ", 0) == 0; ++i) {
    EXPECT_EQ(lines[i].size(), 5u + 17u) << lines[i];
  }
}

// The mount table itself is read by the platform (its own test); here, the
// types the log names.
TEST(Drives, TypesOfFileSystems) {
  using foundation::DriveTypeOfFileSystem;
  using foundation::GetDriveTypeText;
  EXPECT_EQ(GetDriveTypeText(DriveTypeOfFileSystem("ext4")), "Fixed");
  EXPECT_EQ(GetDriveTypeText(DriveTypeOfFileSystem("nfs4")), "Network");
  EXPECT_EQ(GetDriveTypeText(DriveTypeOfFileSystem("iso9660")), "CDROM");
  EXPECT_EQ(GetDriveTypeText(DriveTypeOfFileSystem("tmpfs")), "RAM");
  EXPECT_EQ(GetDriveTypeText(DriveTypeOfFileSystem("proc")), "Unknown");
  EXPECT_EQ(GetDriveTypeText(foundation::DriveType::Floppy), "Floppy");
}

TEST(Drives, InfoOfAReadyAndAMissingMount) {
  foundation::DriveInfo info;
  ASSERT_TRUE(foundation::GetDriveInfoText({"/dev/root", "/", "ext4", false}, info));
  EXPECT_EQ(info.typeText, "Fixed");
  EXPECT_GT(info.size, 0u);
  EXPECT_LE(info.free, info.size);
  EXPECT_EQ(info.serialNo.size(), 8u);
  EXPECT_NE(info.readWrite, "n/a");
  EXPECT_TRUE(foundation::IsDriveReady("/"));

  EXPECT_FALSE(foundation::GetDriveInfoText({"none", "/no/such/mount", "nfs", false}, info));
  EXPECT_EQ(info.typeText, "Network");
  EXPECT_EQ(info.readWrite, "n/a");
  EXPECT_FALSE(foundation::IsDriveReady("/no/such/mount"));
}

}  // namespace
