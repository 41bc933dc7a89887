#pragma once
// Authenticode signing (SHA-256) of the programs a release carries and of the packed updater,
// by the osslsigncode tool.
#include <cstdint>
#include <string>
#include <vector>

namespace qz::packer {

struct SigningOptions {
  std::string certificate;   // PKCS#12 file with the certificate and its key
  std::string passwordFile;  // the key's password, when it has one
  std::string timestampUrl;  // an RFC 3161 time-stamp server, when wanted
};

// The tool's command line that signs `in` into `out`.
std::vector<std::string> SigningCommand(const SigningOptions& options, const std::string& in,
                                        const std::string& out);

// Signs the file `in` into `out` (a new file). False with the reason in `error`.
bool SignFile(const SigningOptions& options, const std::string& in, const std::string& out,
              std::string& error);

// Signs a program held in memory; `name` is for messages. False with the reason in `error`,
// `image` then unchanged.
bool SignImage(const SigningOptions& options, const std::string& name,
               std::vector<std::uint8_t>& image, std::string& error);

}  // namespace qz::packer
