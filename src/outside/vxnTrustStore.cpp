#include "vxnTrustStore.h"

#include "vxnNFeException.h"
#include "vxnOpenSsl.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace vxn::outside {

namespace {

// Adds every certificate of a PEM file; how many were added (0 when the file cannot be read or holds
// none). A certificate already in the store counts as added.
int AddPemFile(X509_STORE* store, const std::string& path) {
  BioPtr bio(BIO_new_file(path.c_str(), "r"));
  if (!bio)
    return 0;
  int added = 0;
  while (X509Ptr cert{PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)}) {
    if (X509_STORE_add_cert(store, cert.get()) == 1)
      ++added;
  }
  // The end of the file leaves a "no start line" error behind; it is no failure.
  OpenSslErrors();
  return added;
}

void AddRequiredFile(X509_STORE* store, const std::string& path, std::string_view logDir) {
  if (AddPemFile(store, path) == 0)
    throw EvxnSoapException("Arquivo de autoridades certificadoras confiáveis não pode ser lido ou não "
                            "contém certificados: %s",
                            {path}, logDir);
}

// The shipped roots in name order, so that the store is the same from run to run.
void AddShippedRoots(X509_STORE* store, const std::string& dir) {
  std::error_code ec;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.path().extension() == ".pem")
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  for (const std::string& f : files)
    AddPemFile(store, f);
}

} // namespace

TvxnTrustStore::TvxnTrustStore(TvxnTrustSources sources, std::string_view logDir)
    : sources_(std::move(sources)), store_(X509_STORE_new()) {
  X509_STORE* store = store_.get();
  if (!sources_.OnlyFile.empty()) {
    AddRequiredFile(store, sources_.OnlyFile, logDir);
    return;
  }
  // The system's bundle and hashed folder (Debian: /usr/lib/ssl, the ca-certificates package).
  if (!sources_.ShippedRootsOnly)
    X509_STORE_set_default_paths(store);
  if (!sources_.ShippedRootsDir.empty())
    AddShippedRoots(store, sources_.ShippedRootsDir);
  if (!sources_.AdditionalFile.empty())
    AddRequiredFile(store, sources_.AdditionalFile, logDir);
  OpenSslErrors();
}

void TvxnTrustStore::InstallInto(SSL_CTX* ctx) const {
  SSL_CTX_set1_cert_store(ctx, store_.get());
}

} // namespace vxn::outside
