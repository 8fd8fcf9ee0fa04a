#include "SoftHsmToken.h"

#include "support/Process.h"
#include "vxnFiles.h"
#include "vxnOpenSsl.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vxn::test {

namespace {

namespace fs = std::filesystem;

void Run(const std::vector<std::string>& argv) {
  ProcessResult r = RunProcess(argv);
  if (r.exitCode != 0)
    throw std::runtime_error(argv.front() + " failed (" + std::to_string(r.exitCode) + "): " + r.out + r.err);
}

std::string Der(const std::string& pem) {
  outside::X509Ptr cert = outside::X509FromPem(pem);
  unsigned char* der = nullptr;
  const int len = cert ? i2d_X509(cert.get(), &der) : -1;
  if (len <= 0)
    throw std::runtime_error("not a PEM certificate");
  std::string out(reinterpret_cast<const char*>(der), static_cast<std::size_t>(len));
  OPENSSL_free(der);
  return out;
}

void WriteCertificate(const std::string& file, const std::string& pem, const std::string& label,
                      const std::string& id) {
  WriteFileAtomic(file, Der(pem));
  Run({"/usr/bin/pkcs11-tool", "--module", SoftHsmToken::kModule, "--token-label", SoftHsmToken::kLabel, "--login",
       "--pin", SoftHsmToken::kPin, "--write-object", file, "--type", "cert", "--label", label, "--id", id});
}

} // namespace

SoftHsmToken::SoftHsmToken() {
  if (const char* c = std::getenv("SOFTHSM2_CONF")) {
    hadPreviousConf_ = true;
    previousConf_ = c;
  }
  fs::create_directories(dir_.Path() + "tokens");
  conf_ = dir_.File("softhsm2.conf");
  WriteFileAtomic(conf_, "directories.tokendir = " + dir_.Path() +
                             "tokens\nobjectstore.backend = file\n"
                             "log.level = ERROR\nslots.removable = false\n");
  ::setenv("SOFTHSM2_CONF", conf_.c_str(), 1);
}

SoftHsmToken::SoftHsmToken(const dev::TvxnDevIdentity& holder, const std::string& authorityPem)
    : SoftHsmToken() {
  Run({"/usr/bin/softhsm2-util", "--init-token", "--free", "--label", kLabel, "--so-pin", "12345678", "--pin", kPin});
  const std::string key = dir_.File("empresa.key.pem");
  WriteFileAtomic(key, holder.PrivateKeyPem);
  Run({"/usr/bin/softhsm2-util", "--import", key, "--token", kLabel, "--label", "empresa", "--id", "01", "--pin",
       kPin});
  fs::remove(key);
  WriteCertificate(dir_.File("empresa.der"), holder.CertificatePem, "empresa", "01");
  if (!authorityPem.empty())
    WriteCertificate(dir_.File("autoridade.der"), authorityPem, "autoridade", "02");
}

SoftHsmToken::~SoftHsmToken() {
  if (hadPreviousConf_)
    ::setenv("SOFTHSM2_CONF", previousConf_.c_str(), 1);
  else
    ::unsetenv("SOFTHSM2_CONF");
}

void SoftHsmToken::ChangePin(const std::string& pin) const {
  Run({"/usr/bin/pkcs11-tool", "--module", kModule, "--token-label", kLabel, "--login", "--pin", kPin, "--change-pin",
       "--new-pin", pin});
}

void SoftHsmToken::LockUserPin() const {
  // The token file stores attributes as (type, kind, value) in big-endian 64-bit words; the token flags
  // are SoftHSM2's vendor attribute 0x8000534B, of the unsigned-long kind (2).
  constexpr unsigned char kFlagsAttribute[] = {0, 0, 0, 0, 0x80, 0, 0x53, 0x4B, 0, 0, 0, 0, 0, 0, 0, 2};
  constexpr unsigned long kUserPinLocked = 0x00040000; // CKF_USER_PIN_LOCKED
  for (const auto& entry : fs::recursive_directory_iterator(dir_.Path() + "tokens")) {
    if (entry.path().filename() != "token.object")
      continue;
    std::string bytes = ReadWholeFile(entry.path().string());
    const std::string marker(reinterpret_cast<const char*>(kFlagsAttribute), sizeof kFlagsAttribute);
    const std::size_t at = bytes.find(marker);
    if (at == std::string::npos || at + marker.size() + 8 > bytes.size())
      throw std::runtime_error("SoftHSM2 token file without token flags");
    // The flag's byte: the third from the end of the 64-bit value.
    bytes[at + marker.size() + 5] = static_cast<char>(bytes[at + marker.size() + 5] | (kUserPinLocked >> 16));
    std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << bytes;
    return;
  }
  throw std::runtime_error("no SoftHSM2 token file");
}

} // namespace vxn::test
