// The packer: fills the package block of a built Quenzar.exe from a release description.
// usage: quenzar-pack EXE RELEASE.json [OUT] [--sign CERT.pfx [--password-file FILE]
//        [--timestamp URL]]   (without OUT the executable is edited in place)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/packer/code_signing.hpp"
#include "tools/packer/packer.hpp"
#include "tools/packer/pe_signature.hpp"

namespace {

struct Arguments {
  std::vector<std::string> files;  // EXE, RELEASE.json and maybe OUT
  qz::packer::SigningOptions signing;
  bool sign = false;
};

bool ParseArguments(int argc, char** argv, Arguments& a) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    std::string* value = nullptr;
    if (word == "--sign") {
      value = &a.signing.certificate;
      a.sign = true;
    } else if (word == "--password-file") {
      value = &a.signing.passwordFile;
    } else if (word == "--timestamp") {
      value = &a.signing.timestampUrl;
    } else if (word.rfind("--", 0) == 0) {
      return false;
    } else {
      a.files.push_back(word);
      continue;
    }
    if (++i == argc || argv[i][0] == '\0') return false;
    *value = argv[i];
  }
  const bool signingWithoutSign = !a.signing.passwordFile.empty() || !a.signing.timestampUrl.empty();
  return a.files.size() >= 2 && a.files.size() <= 3 && (a.sign || !signingWithoutSign);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quenzar-pack: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!ParseArguments(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: %s EXE RELEASE.json [OUT] [--sign CERT.pfx [--password-file FILE] "
                 "[--timestamp URL]]\n",
                 argv[0]);
    return 2;
  }
  const std::string exePath = args.files[0], releasePath = args.files[1];
  const std::string outPath = args.files.size() == 3 ? args.files[2] : exePath;

  std::string error;
  auto release = qz::packer::LoadRelease(releasePath, error);
  if (!release) return Fail(error);
  std::ifstream in(exePath, std::ios::binary);
  if (!in) return Fail("can't read " + exePath);
  std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
  in.close();

  // The copy helpers are written out and started by the updater: signed before they are placed.
  if (args.sign) {
    for (std::size_t c = 0; c < release->copyHelpers.size(); ++c) {
      auto& helper = release->copyHelpers[c];
      if (!helper || helper->empty()) continue;
      const std::string name = std::string("copy_helpers.") + qz::packer::kCopyHelperNames[c];
      if (!qz::packer::SignImage(args.signing, name, *helper, error)) {
        return Fail(error + "; " + outPath + " left unchanged");
      }
    }
  }

  // A signature covers the bytes that packing rewrites: it could only ever fail to verify.
  if (qz::packer::DropCertificateTable(file)) {
    std::fprintf(stderr, "quenzar-pack: warning: %s was signed; packing changes it, so %s\n",
                 exePath.c_str(),
                 args.sign ? "its signature is dropped and the packed program signed anew"
                           : "the packed program carries no signature (sign it with --sign)");
  }

  const qz::packer::PackResult result = qz::packer::Pack(file, *release);
  for (const std::string& warning : result.warnings) {
    std::fprintf(stderr, "quenzar-pack: warning: %s\n", warning.c_str());
  }
  if (!result.ok) {
    for (const std::string& e : result.errors) std::fprintf(stderr, "quenzar-pack: %s\n", e.c_str());
    std::fprintf(stderr, "quenzar-pack: %s left unchanged\n", outPath.c_str());
    return 1;
  }

  // Write beside the target and rename, so that a failed write leaves no half-packed program.
  const std::string temp = outPath + ".packing";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temp);
      return Fail("can't write " + temp);
    }
  }
  // Signed last: nothing may change the program after its signature.
  std::string ready = temp;
  if (args.sign) {
    ready = outPath + ".signing";
    const bool signedOk = qz::packer::SignFile(args.signing, temp, ready, error);
    std::filesystem::remove(temp);
    if (!signedOk) return Fail(error + "; " + outPath + " left unchanged");
  }
  std::error_code ec;
  std::filesystem::permissions(ready, std::filesystem::status(exePath).permissions(), ec);
  std::filesystem::rename(ready, outPath, ec);
  if (ec) {
    std::filesystem::remove(ready);
    return Fail("can't replace " + outPath + ": " + ec.message());
  }
  return 0;
}
