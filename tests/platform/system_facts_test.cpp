// Raw system facts: processor and mount-table texts, volumes, os-release
// fields, the version record and the process's working folders.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/scoped_env.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_facts/machine.h"
#include "platform/system_facts/os_release.h"
#include "platform/system_facts/volumes.h"
#include "platform/version_record.h"

namespace {

namespace fs = std::filesystem;
namespace sf = platform::system_facts;

TEST(CpuInfo, FirstProcessorsFieldsUntouched) {
  const std::string name = "Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz with a long tail of words";
  auto cpu = sf::ParseCpuInfo(
      "\n\nprocessor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\n"
      "model\t\t: 85\nmodel name\t: " +
      name +
      "\nstepping\t: 4\nflags\t\t: fpu vme\n\n"
      "processor\t: 1\nvendor_id\t: AuthenticAMD\nmodel name\t: other\n");
  EXPECT_EQ(cpu.vendorId, "GenuineIntel");
  EXPECT_EQ(cpu.family, "6");
  EXPECT_EQ(cpu.model, "85");
  EXPECT_EQ(cpu.stepping, "4");
  EXPECT_EQ(cpu.modelName, name);  // the full name; cutting it is the caller's business

  auto arm = sf::ParseCpuInfo("processor : 0\nCPU implementer : 0x41\nno colon here\n");
  EXPECT_EQ(arm.vendorId, "");
  EXPECT_EQ(arm.modelName, "");
  EXPECT_EQ(sf::ParseCpuInfo("").vendorId, "");
}

TEST(MountTable, FieldsEscapesAndReadOnlyOption) {
  auto mounts = sf::ParseMountTable(
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "/dev/sdb1 /data\\134x\\011y xfs rw,noatime,ro 0 0\n"
      "/dev/sdc1 /r ext4 ro 0 0\n"
      "/dev/sdd1 /rox ext4 rw,rootcontext=x 0 0\n"
      "/dev/sde1 /bad\\9 ext4 rw 0 0\n"
      "short line\n"
      "\n"
      "last /no-newline vfat ro,nosuid");
  ASSERT_EQ(mounts.size(), 6u);
  EXPECT_EQ(mounts[0].device, "/dev/sda1");
  EXPECT_EQ(mounts[0].fsType, "ext4");
  EXPECT_FALSE(mounts[0].readOnlyMount);
  EXPECT_EQ(mounts[1].mountPoint, "/data\\x\ty");
  EXPECT_TRUE(mounts[1].readOnlyMount);
  EXPECT_TRUE(mounts[2].readOnlyMount);
  EXPECT_FALSE(mounts[3].readOnlyMount);       // an option that merely begins with "ro"
  EXPECT_EQ(mounts[4].mountPoint, "/bad\\9");  // not an octal escape: kept as written
  EXPECT_EQ(mounts[5].mountPoint, "/no-newline");
  EXPECT_TRUE(mounts[5].readOnlyMount);
}

TEST(Volumes, RootAnswersAndAMissingMountDoesNot) {
  auto root = sf::QueryVolume("/");
  ASSERT_TRUE(root.has_value());
  EXPECT_GT(root->size, 0u);
  EXPECT_LE(root->free, root->size);
  EXPECT_FALSE(sf::QueryVolume("/no/such/mount").has_value());
  EXPECT_FALSE(sf::QueryVolume("").has_value());

  bool rootListed = false;
  for (const auto& m : sf::MountedVolumes()) rootListed = rootListed || m.mountPoint == "/";
  EXPECT_TRUE(rootListed);

  EXPECT_EQ(sf::VolumeLabel(""), "");
  EXPECT_EQ(sf::VolumeLabel("overlay"), "");
  EXPECT_EQ(sf::VolumeLabel("/dev/no-such-device"), "");
}

TEST(NetworkAdapters, LoopbackIsLeftOut) {
  for (const auto& adapter : sf::NetworkAdapters()) {
    EXPECT_NE(adapter.name, "lo");
    EXPECT_LE(adapter.hardwareAddress.size(), 8u);
  }
}

TEST(OsRelease, FieldsUnquotedAndTheLastOneWins) {
  auto fields = sf::ParseOsRelease(
      "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME='Debian 12'\nID=debian\n# comment\n"
      "VERSION=\"unbalanced\nID=second\nEMPTY=\nEQ=a=b");
  EXPECT_EQ(fields["NAME"], "Debian GNU/Linux");
  EXPECT_EQ(fields["PRETTY_NAME"], "Debian 12");
  EXPECT_EQ(fields["VERSION"], "\"unbalanced");
  EXPECT_EQ(fields["ID"], "second");
  EXPECT_EQ(fields["EMPTY"], "");
  EXPECT_EQ(fields["EQ"], "a=b");
  EXPECT_EQ(fields.count("# comment"), 0u);
  EXPECT_TRUE(sf::ParseOsRelease("").empty());

  EXPECT_FALSE(sf::RunningKernel().release.empty());
}

TEST(VersionRecord, OurOwnModuleCarriesTheProjectVersionByAnyName) {
  const std::string own = platform::OwnModulePath();
  ASSERT_TRUE(fs::exists(own)) << own;
  // Linked statically into this test program, the module is the program.
  EXPECT_TRUE(fs::equivalent(own, platform::ExecutablePath()));

  auto record = platform::VersionRecordOf(own);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->major, 1);
  EXPECT_EQ(record->minor, 0);
  EXPECT_EQ(record->release, 0);
  EXPECT_EQ(record->build, 0);

  const fs::path link = fs::temp_directory_path() / "norvane_own_module_link";
  fs::remove(link);
  fs::create_symlink(own, link);
  EXPECT_TRUE(platform::VersionRecordOf(link.string()).has_value());
  fs::remove(link);

  const fs::path other = fs::temp_directory_path() / "norvane_other_module.so";
  std::ofstream(other) << "no version record";
  EXPECT_FALSE(platform::VersionRecordOf(other.string()).has_value());
  fs::remove(other);
  EXPECT_FALSE(platform::VersionRecordOf("/no/such/file.so").has_value());
  EXPECT_FALSE(platform::VersionRecordOf("").has_value());
}

TEST(Paths, TemporaryAndCurrentFoldersAndCreatingOne) {
  {
    testsupport::ScopedEnv tmpdir("TMPDIR", "/var/tmp/mine");
    EXPECT_EQ(platform::TemporaryFolder(), "/var/tmp/mine");
    tmpdir.Set("");
    EXPECT_EQ(platform::TemporaryFolder(), "/tmp");
    tmpdir.Set(nullptr);
    EXPECT_EQ(platform::TemporaryFolder(), "/tmp");
  }

  EXPECT_EQ(platform::CurrentFolder(), fs::current_path().string());

  const fs::path dir = fs::temp_directory_path() / "norvane_created_folder";
  fs::remove_all(dir);
  EXPECT_TRUE(platform::CreateFolder(dir.string()));
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_FALSE(platform::CreateFolder(dir.string()));  // already there
  EXPECT_FALSE(platform::CreateFolder((dir / "a" / "b").string()));
  fs::remove_all(dir);
}

}  // namespace
