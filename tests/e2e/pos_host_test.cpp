// The pos-host program, run as a user runs it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e_environment.h"
#include "platform/registry/registry.h"

namespace {

namespace reg = platform::registry;

struct ProgramRun {
  int status = -1;
  std::string output;  // standard output and error together
};

// Runs pos-host with `args` against the test's registry, without a display.
ProgramRun PosHost(const std::string& args) {
  std::string command =
      std::string("QT_QPA_PLATFORM=offscreen '") + POS_HOST_PROGRAM + "' " + args + " 2>&1";
  ProgramRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    run.output.append(buffer.data(), n);
  int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string Library() {
  return std::string("'") + NORVANE94_LIBRARY + "'";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class PosHostProgram : public e2e::FreshRegistry {};

TEST_F(PosHostProgram, RegisterDiscoverUnregister) {
  ProgramRun registered = PosHost("register " + Library());
  ASSERT_EQ(registered.status, 0) << registered.output;
  EXPECT_TRUE(Contains(registered.output, "DllRegisterServer(")) << registered.output;
  EXPECT_EQ(reg::SubKeyNames(reg::Root::ClassesRoot, "CLSID").size(), 9u);

  ProgramRun discovered = PosHost("discover " + Library());
  ASSERT_EQ(discovered.status, 0) << discovered.output;
  const std::string& out = discovered.output;
  for (const char* line : {
           "Interface version: 1.2.0",
           "Version text: \"1.0.0\"",
           "Plug-in list: 8 entries, bounds 1..8",
           "Plug-in 1: {14A47998-FAA1-40E6-A49E-083C5CE01ACB}",
           "Plug-in 8: {A3A70862-70B4-4E39-9D25-D53FE6C20E4B}",
           "  Interfaces: IPlugin IConfigurePlugin",
           "  Description: \"Norvane Values Server\"",
           "  Caption: \"Email Receipt\"",
           "  BitmapFile: \"veskPrinter.bmp\"",
           "  Adapter: the host's",
           "DllCanUnloadNow: S_OK",
           "Unloaded",
       }) {
    EXPECT_TRUE(Contains(out, line)) << "missing \"" << line << "\" in\n" << out;
  }
  EXPECT_FALSE(Contains(out, "failed")) << out;

  ProgramRun unregistered = PosHost("unregister " + Library());
  ASSERT_EQ(unregistered.status, 0) << unregistered.output;
  EXPECT_TRUE(reg::SubKeyNames(reg::Root::ClassesRoot, "CLSID").empty());
}

// The library starts the application log in the host's folder when it is
// loaded: the host is copied into a scratch folder so its logs land there.
TEST_F(PosHostProgram, ALoadWritesTheStartHeaderAndEnvironmentSummary) {
  namespace fs = std::filesystem;
  fs::path host = Scratch() / "pos-host";
  fs::copy_file(POS_HOST_PROGRAM, host);
  std::string command = "QT_QPA_PLATFORM=offscreen '" + host.string() + "' discover " + Library() +
                        " -loglevel=5 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::array<char, 4096> buffer{};
  std::string output;
  size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    output.append(buffer.data(), n);
  ASSERT_EQ(::pclose(pipe), 0) << output;

  std::vector<fs::path> logs;
  for (const auto& entry : fs::directory_iterator(Scratch() / "logs")) logs.push_back(entry.path());
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].filename().string().rfind("Norvane_", 0), 0u) << logs[0];
  std::ifstream in(logs[0]);
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* line : {"|  INFO    |", "START OF LOG", "LogLevel = 5",
                           "Computer : ", "VeskEngine plug-in version:1.0.0.0",
                           "MSXML versions: ", "LogLevel: 5", "Plug-in manifests:"}) {
    EXPECT_TRUE(Contains(log, line)) << "missing \"" << line << "\" in\n" << log;
  }
}

TEST_F(PosHostProgram, HelpAndUsageErrors) {
  ProgramRun help = PosHost("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(Contains(help.output, "Usage: pos-host COMMAND LIBRARY")) << help.output;
  for (const char* command : {"register", "unregister", "discover"}) {
    ProgramRun commandHelp = PosHost(std::string(command) + " --help");
    EXPECT_EQ(commandHelp.status, 0) << command;
    EXPECT_TRUE(Contains(commandHelp.output, std::string("Usage: pos-host ") + command))
        << commandHelp.output;
  }
  EXPECT_EQ(PosHost("").status, 2);
  EXPECT_EQ(PosHost("discover").status, 2);
  EXPECT_EQ(PosHost("discover x.so extra").status, 2) << "only switches may follow the library";
  ProgramRun unknown = PosHost("launch x");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(Contains(unknown.output, "unknown command \"launch\"")) << unknown.output;
}

TEST_F(PosHostProgram, ALibraryThatCannotBeLoadedIsReported) {
  ProgramRun missing = PosHost("discover '" + (Scratch() / "absent.so").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Contains(missing.output, "cannot load")) << missing.output;

  ProgramRun notAServer = PosHost("register '" + std::string(POS_HOST_PROGRAM) + "'");
  EXPECT_EQ(notAServer.status, 1);
  EXPECT_TRUE(reg::SubKeyNames(reg::Root::ClassesRoot, "CLSID").empty());
}

}  // namespace
