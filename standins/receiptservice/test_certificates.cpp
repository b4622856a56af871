#include "test_certificates.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern char** environ;

namespace receiptservice {

namespace {

namespace fs = std::filesystem;

// A minimal request configuration, so that the system's openssl.cnf adds no
// extensions of its own.
constexpr const char* kRequestConfig =
    "[req]\n"
    "distinguished_name = dn\n"
    "prompt = no\n"
    "[dn]\n"
    "CN = unused\n";

constexpr const char* kCaExtensions =
    "basicConstraints = critical,CA:TRUE\n"
    "keyUsage = critical,keyCertSign,cRLSign\n"
    "subjectKeyIdentifier = hash\n";

std::string LeafExtensions(const std::string& altNames) {
  return "basicConstraints = critical,CA:FALSE\n"
         "keyUsage = critical,digitalSignature,keyEncipherment\n"
         "extendedKeyUsage = serverAuth\n"
         "subjectAltName = " +
         altNames + "\n";
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush()) throw CertificateError("Cannot write " + path.string());
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs `openssl` with `args`, its output going to `logPath`.
void RunOpenssl(const std::vector<std::string>& args, const fs::path& logPath) {
  std::vector<std::string> all{"openssl"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "openssl", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    throw CertificateError(std::string("Cannot run the openssl tool: ") + std::strerror(rc));
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw CertificateError("Lost the openssl tool");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw CertificateError("openssl " + args.front() + " failed:\n" + ReadText(logPath));
  }
}

std::vector<std::string> NewKeyArgs(const std::string& keyPath) {
  return {"-newkey", "ec",      "-pkeyopt", "ec_paramgen_curve:prime256v1",
          "-nodes",  "-keyout", keyPath};
}

// A leaf key and certificate for `commonName`, signed by the authority.
void MakeSignedLeaf(const fs::path& dir, const TestCertificates& set, const std::string& name,
                    const std::string& commonName, const std::string& altNames,
                    const std::string& serial, const fs::path& log) {
  const fs::path csr = dir / (name + ".csr");
  const fs::path ext = dir / (name + ".ext");
  WriteText(ext, LeafExtensions(altNames));
  std::vector<std::string> req{"req", "-new", "-config", (dir / "req.cnf").string()};
  for (auto& a : NewKeyArgs((dir / (name + ".key")).string())) req.push_back(a);
  req.insert(req.end(), {"-subj", "/CN=" + commonName, "-out", csr.string()});
  RunOpenssl(req, log);
  RunOpenssl({"x509", "-req", "-in", csr.string(), "-CA", set.caCert, "-CAkey",
              (dir / "ca.key").string(), "-set_serial", serial, "-days", "2", "-sha256", "-extfile",
              ext.string(), "-out", (dir / (name + ".pem")).string()},
             log);
  fs::remove(csr);
  fs::remove(ext);
}

}  // namespace

TestCertificates CertificatePaths(const std::string& folder) {
  const fs::path dir(folder);
  TestCertificates set;
  set.folder = folder;
  set.caCert = (dir / "ca.pem").string();
  set.serverCert = (dir / "server.pem").string();
  set.serverKey = (dir / "server.key").string();
  set.wrongHostCert = (dir / "wronghost.pem").string();
  set.wrongHostKey = (dir / "wronghost.key").string();
  set.untrustedCert = (dir / "untrusted.pem").string();
  set.untrustedKey = (dir / "untrusted.key").string();
  return set;
}

TestCertificates MakeTestCertificates(const std::string& folder) {
  const fs::path dir(folder);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw CertificateError("Cannot create " + folder + ": " + ec.message());
  const TestCertificates set = CertificatePaths(folder);
  const fs::path log = dir / "openssl.log";
  fs::remove(log, ec);
  // Keys are written owner-only.
  const mode_t oldMask = ::umask(077);
  try {
    // The authority's extensions come from their own section.
    WriteText(dir / "req.cnf", std::string(kRequestConfig) + "[v3]\n" + kCaExtensions);
    std::vector<std::string> ca{"req", "-x509", "-config", (dir / "req.cnf").string()};
    for (auto& a : NewKeyArgs((dir / "ca.key").string())) ca.push_back(a);
    ca.insert(ca.end(), {"-subj", "/CN=Norvane Test Authority", "-days", "2", "-sha256",
                         "-extensions", "v3", "-out", set.caCert});
    RunOpenssl(ca, log);

    MakeSignedLeaf(dir, set, "server", "localhost", "DNS:localhost,IP:127.0.0.1", "2", log);
    MakeSignedLeaf(dir, set, "wronghost", "wrong-host.invalid", "DNS:wrong-host.invalid", "3", log);

    WriteText(dir / "untrusted.cnf", std::string(kRequestConfig) + "[v3]\n" +
                                         LeafExtensions("DNS:localhost,IP:127.0.0.1"));
    std::vector<std::string> self{"req", "-x509", "-config", (dir / "untrusted.cnf").string()};
    for (auto& a : NewKeyArgs(set.untrustedKey)) self.push_back(a);
    self.insert(self.end(), {"-subj", "/CN=localhost", "-days", "2", "-sha256", "-extensions", "v3",
                             "-out", set.untrustedCert});
    RunOpenssl(self, log);
    fs::remove(dir / "untrusted.cnf", ec);
    fs::remove(dir / "req.cnf", ec);
    fs::remove(log, ec);
  } catch (...) {
    ::umask(oldMask);
    throw;
  }
  ::umask(oldMask);
  return set;
}

}  // namespace receiptservice
