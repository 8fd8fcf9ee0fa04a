#include "sefaz-sim/SimReplySigner.h"

#include "vxnDevCertificates.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vxn::sim {

namespace {

constexpr const char* kPassword = "sefaz-sim";

} // namespace

TSimReplySigner::TSimReplySigner(const dev::TvxnDevAuthority& authority) : authority_(authority) {}

TSimReplySigner::~TSimReplySigner() {
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
}

void TSimReplySigner::Prepare() {
  if (gov_)
    return;
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "sefaz-sim-signer-XXXXXX").string();
  if (ec || ::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("sefaz-sim: cannot create a folder for the reply signer");
  folder_ = pattern;
  dev::TvxnDevClientOptions options;
  options.CompanyName = "SECRETARIA DA FAZENDA SIMULADA";
  options.Cnpj = "99999999000191";
  options.Password = kPassword;
  const std::string path = folder_ + "/signer.pfx";
  WriteFileAtomic(path, authority_.IssueClientPkcs12(options));
  auto gov = std::make_unique<TvxnGovX>();
  TvxnSignerSettings& s = gov->Get_SignerSettings();
  s.CertificateKind = ckFile;
  s.CertificatePath = path;
  s.CertificatePassword = kPassword;
  gov_ = std::move(gov);
}

std::string TSimReplySigner::Sign(std::string_view xml, std::string_view elementName, std::string_view id) {
  std::lock_guard lock(mutex_);
  Prepare();
  gov_->Get_SignerSettings().ElementName = std::string(elementName);
  return gov_->SignXmlById(xml, id);
}

} // namespace vxn::sim
