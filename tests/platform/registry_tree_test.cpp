#include <gtest/gtest.h>

#include "platform/registry/tree.h"

namespace {

using platform::registry::RegistryError;
using platform::registry::Root;
using platform::registry::RootFromName;
using platform::registry::Tree;
using Names = std::vector<std::string>;

TEST(RegistryRoots, AreKnownByFullAndShortNames) {
  EXPECT_EQ(RootFromName("HKEY_LOCAL_MACHINE"), Root::LocalMachine);
  EXPECT_EQ(RootFromName("hklm"), Root::LocalMachine);
  EXPECT_EQ(RootFromName("HKCU"), Root::CurrentUser);
  EXPECT_EQ(RootFromName("HKEY_CLASSES_ROOT"), Root::ClassesRoot);
  EXPECT_EQ(RootFromName("HKEY_USERS"), std::nullopt);
  EXPECT_EQ(RootFromName(""), std::nullopt);
}

TEST(RegistryTree, CreatesReadsEnumeratesAndDeletes) {
  Tree t;
  EXPECT_TRUE(t.KeyExists(Root::LocalMachine, ""));
  EXPECT_FALSE(t.KeyExists(Root::LocalMachine, "SOFTWARE\\ORACLE"));

  t.CreateKey(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_TRUE(t.KeyExists(Root::LocalMachine, "SOFTWARE\\ORACLE"));  // parents made too
  EXPECT_FALSE(t.KeyExists(Root::CurrentUser, "SOFTWARE\\ORACLE"));  // roots are separate
  t.WriteString(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME", "/opt/oracle");
  t.WriteString(Root::LocalMachine, "SOFTWARE\\ORACLE\\KEY_Client", "ORACLE_HOME", "/opt/c");
  t.WriteDword(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", 2);

  EXPECT_EQ(t.ReadString(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME"),
            "/opt/oracle");
  EXPECT_EQ(t.ReadDword(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER"), 2u);
  EXPECT_EQ(t.ReadString(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0", "missing"), std::nullopt);
  EXPECT_EQ(t.ReadString(Root::LocalMachine, "SOFTWARE\\NONE", "x"), std::nullopt);
  EXPECT_EQ(t.SubKeyNames(Root::LocalMachine, "SOFTWARE\\ORACLE"),
            (Names{"ALL_HOMES", "HOME0", "KEY_Client"}));
  EXPECT_EQ(t.SubKeyNames(Root::LocalMachine, ""), (Names{"SOFTWARE"}));
  EXPECT_EQ(t.SubKeyNames(Root::LocalMachine, "SOFTWARE\\NONE"), Names{});

  t.DeleteValue(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME");
  t.DeleteValue(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0", "ORACLE_HOME");  // again: harmless
  EXPECT_EQ(t.ValueNames(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0"), Names{});
  EXPECT_TRUE(t.KeyExists(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0"));

  t.DeleteKey(Root::LocalMachine, "SOFTWARE\\ORACLE");
  EXPECT_FALSE(t.KeyExists(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES"));
  EXPECT_TRUE(t.KeyExists(Root::LocalMachine, "SOFTWARE"));
  t.DeleteKey(Root::LocalMachine, "SOFTWARE\\ORACLE");  // missing: no error
  EXPECT_THROW(t.DeleteKey(Root::LocalMachine, ""), RegistryError);
}

TEST(RegistryTree, DeletingAKeyLeavesKeysThatOnlyShareItsPrefix) {
  Tree t;
  for (const char* key : {"App", "App\\Sub\\Deep", "App2", "Apple", "App Data", "App!"}) {
    t.CreateKey(Root::ClassesRoot, key);
  }
  t.DeleteKey(Root::ClassesRoot, "app");
  EXPECT_EQ(t.SubKeyNames(Root::ClassesRoot, ""), (Names{"App Data", "App!", "App2", "Apple"}));
}

TEST(RegistryTree, IgnoresCaseButKeepsTheFirstSpelling) {
  Tree t;
  t.WriteString(Root::CurrentUser, "Software\\Pellworth", "Name", "one");
  t.WriteString(Root::CurrentUser, "SOFTWARE\\PELLWORTH\\KEL", "NAME", "two");
  t.WriteString(Root::CurrentUser, "software\\pellworth", "name", "three");
  EXPECT_EQ(t.ReadString(Root::CurrentUser, "SOFTWARE\\pellWORTH", "nAmE"), "three");
  EXPECT_EQ(t.ValueNames(Root::CurrentUser, "Software\\Pellworth"), (Names{"Name"}));
  EXPECT_EQ(t.SubKeyNames(Root::CurrentUser, "software"), (Names{"Pellworth"}));
  // One leading or trailing backslash is ignored.
  EXPECT_TRUE(t.KeyExists(Root::CurrentUser, "\\Software\\Pellworth\\KEL\\"));
}

TEST(RegistryTree, DefaultValueAndTypesAreKeptApart) {
  Tree t;
  t.WriteString(Root::ClassesRoot, "Norvane94.plugin_discover", "", "plugin_discover");
  t.WriteDword(Root::ClassesRoot, "Norvane94.plugin_discover", "Flags", 7);
  EXPECT_EQ(t.ReadString(Root::ClassesRoot, "Norvane94.plugin_discover", ""), "plugin_discover");
  EXPECT_EQ(t.ValueNames(Root::ClassesRoot, "Norvane94.plugin_discover"), (Names{"", "Flags"}));
  EXPECT_THROW(t.ReadString(Root::ClassesRoot, "Norvane94.plugin_discover", "Flags"),
               RegistryError);
  EXPECT_THROW(t.ReadDword(Root::ClassesRoot, "Norvane94.plugin_discover", ""), RegistryError);
  // Writing the other type replaces the value.
  t.WriteString(Root::ClassesRoot, "Norvane94.plugin_discover", "Flags", "seven");
  EXPECT_EQ(t.ReadString(Root::ClassesRoot, "Norvane94.plugin_discover", "Flags"), "seven");
}

TEST(RegistryTree, RefusesMalformedKeyPaths) {
  Tree t;
  for (const char* bad : {"A\\\\B", "\\\\A", "A\nB", "A\\B\x01"}) {
    EXPECT_THROW(t.CreateKey(Root::LocalMachine, bad), RegistryError) << bad;
    EXPECT_THROW(t.KeyExists(Root::LocalMachine, bad), RegistryError) << bad;
  }
  EXPECT_THROW(t.CreateKey(Root::LocalMachine, std::string(256, 'k')), RegistryError);
  t.CreateKey(Root::LocalMachine, std::string(255, 'k'));
  EXPECT_EQ(t, [] {
    Tree expected;
    expected.CreateKey(Root::LocalMachine, std::string(255, 'k'));
    return expected;
  }()) << "only the valid key was created";
}

TEST(RegistryText, RoundTripsAwkwardNamesValuesAndEmptyKeys) {
  Tree t;
  t.CreateKey(Root::LocalMachine, "SOFTWARE\\Empty\\Leaf");
  t.WriteString(Root::LocalMachine, "SOFTWARE\\Odd ]Key[", "quote\"back\\slash",
                "line\nbreak\ttab\r");
  t.WriteString(Root::LocalMachine, "SOFTWARE\\Odd ]Key[", "", std::string("nul\0bell\x07", 9));
  t.WriteString(Root::CurrentUser, "", "at root", "Grüße 😀");
  t.WriteDword(Root::ClassesRoot, "CLSID\\{2933BF90-7B36-11D2-B20E-00C04F983E60}\\VersionList",
               "6.0", 0xFFFFFFFF);
  std::string text = t.ToText();
  Tree back = Tree::FromText(text, "test");
  EXPECT_EQ(back, t);
  EXPECT_EQ(back.ToText(), text);
  EXPECT_TRUE(back.KeyExists(Root::LocalMachine, "SOFTWARE\\Empty\\Leaf"));
  EXPECT_EQ(Tree::FromText(Tree().ToText(), "empty"), Tree());
}

TEST(RegistryText, ReportsEveryCutOfAValidFile) {
  Tree t;
  t.WriteString(Root::LocalMachine, "SOFTWARE\\A", "one", "1");
  t.WriteDword(Root::LocalMachine, "SOFTWARE\\B", "two", 2);
  t.CreateKey(Root::CurrentUser, "Empty");
  std::string text = t.ToText();
  for (size_t cut = 0; cut < text.size(); ++cut) {
    EXPECT_THROW(Tree::FromText(text.substr(0, cut), "reg"), RegistryError) << "cut at " << cut;
  }
  // A whole line missing from the middle is caught by the end marker's counts.
  size_t line = text.find("\"two\"");
  std::string missing = text.substr(0, line) + text.substr(text.find('\n', line) + 1);
  EXPECT_THROW(Tree::FromText(missing, "reg"), RegistryError);
}

TEST(RegistryText, NamesTheFileAndLineOfDamage) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::string head = "NORVANE-REGISTRY 1\n";
  const Case cases[] = {
      {"", "reg: empty file"},
      {"REGEDIT4\n", "reg:1: not a registry file"},
      {head + "\"v\"=sz:\"x\"\nEND 0 1\n", "reg:2: value before the first key"},
      {head + "[HKEY_NOWHERE\\A]\nEND 1 0\n", "reg:2: unknown root key"},
      {head + "[HKLM\\A]\nEND 1 0\n", "reg:2: unknown root key"},
      {head + "[HKEY_LOCAL_MACHINE\\A\\\\B]\nEND 1 0\n", "reg:2: invalid registry key path"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n[HKEY_LOCAL_MACHINE\\a]\nEND 2 0\n",
       "reg:3: key listed twice"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=sz:\"x\"\n\"V\"=dword:00000001\nEND 1 2\n",
       "reg:4: value listed twice"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:123\nEND 1 1\n", "reg:3: a DWORD has eight"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=sz:\"x\\q\"\nEND 1 1\n", "reg:3: unknown escape"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=sz:\"x\nEND 1 1\n", "reg:3: unterminated"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=binary:00\nEND 1 1\n", "reg:3: malformed value"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\"v\"=sz:\"x\" \nEND 1 1\n", "reg:3: text after"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n\n", "reg:3: expected a quoted text"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\nEND 1 0\n[HKEY_LOCAL_MACHINE\\B]\n",
       "reg:4: text after the end marker"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\nEND 2 0\n", "reg:3: end marker counts"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\nEND x\n", "reg:3: malformed end marker"},
      {head + "[HKEY_LOCAL_MACHINE\\A]\n", "reg:3: truncated: the end marker is missing"},
      {head + "[HKEY_LOCAL_MACHINE\\A]", "reg:2: truncated: the last line is incomplete"},
  };
  for (const Case& c : cases) {
    try {
      Tree::FromText(c.text, "reg");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const RegistryError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos)
          << "got \"" << e.what() << "\" for: " << c.text;
    }
  }
}

}  // namespace
