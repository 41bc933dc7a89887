#include "tools/packer/code_signing.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

namespace qz::packer {

std::vector<std::string> SigningCommand(const SigningOptions& o, const std::string& in,
                                        const std::string& out) {
  std::vector<std::string> command = {"osslsigncode", "sign", "-pkcs12", o.certificate, "-h", "sha256"};
  if (!o.passwordFile.empty()) command.insert(command.end(), {"-readpass", o.passwordFile});
  if (!o.timestampUrl.empty()) command.insert(command.end(), {"-ts", o.timestampUrl});
  command.insert(command.end(), {"-in", in, "-out", out});
  return command;
}

bool SignFile(const SigningOptions& options, const std::string& in, const std::string& out,
              std::string& error) {
  const std::vector<std::string> command = SigningCommand(options, in, out);
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  // The tool refuses to overwrite; a stale output from an earlier run must not stand in.
  std::filesystem::remove(out);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (spawned != 0) {
    error = "can't run osslsigncode: " + std::string(std::strerror(spawned));
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      error = "osslsigncode: lost track of it";
      return false;
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !std::filesystem::exists(out)) {
    error = "osslsigncode could not sign " + in;
    std::filesystem::remove(out);
    return false;
  }
  return true;
}

bool SignImage(const SigningOptions& options, const std::string& name,
               std::vector<std::uint8_t>& image, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "quenzar-pack.XXXXXX").string();
  const char* dir = mkdtemp(pattern.data());
  if (dir == nullptr) {
    error = name + ": can't make a folder to sign it in";
    return false;
  }
  const std::string in = std::string(dir) + "/unsigned.exe", out = std::string(dir) + "/signed.exe";
  bool ok = false;
  {
    std::ofstream file(in, std::ios::binary);
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    ok = static_cast<bool>(file);
  }
  if (!ok) {
    error = name + ": can't write it to sign it";
  } else if (!SignFile(options, in, out, error)) {
    error = name + ": " + error;
    ok = false;
  } else {
    std::ifstream file(out, std::ios::binary);
    std::vector<std::uint8_t> signedImage{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    ok = !signedImage.empty();
    if (ok) image = std::move(signedImage);
    else error = name + ": the signed copy can't be read";
  }
  fs::remove_all(dir, ec);
  return ok;
}

}  // namespace qz::packer
