// Makes the RSA-2048 keys the tests hand out (support/TestKeys.h): MakeTestKeys FILE COUNT writes COUNT
// PEM private keys to FILE, whole or not at all (a temporary file renamed over it).
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: MakeTestKeys FILE COUNT\n");
    return 2;
  }
  const std::string file = argv[1];
  const std::string temporary = file + ".tmp" + std::to_string(::getpid());
  std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(temporary.c_str(), "w"), BIO_free);
  for (int i = 0, n = std::atoi(argv[2]); out && i < n; ++i) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(2048), EVP_PKEY_free);
    if (!key || PEM_write_bio_PrivateKey(out.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
      std::fprintf(stderr, "MakeTestKeys: cannot make key %d\n", i + 1);
      return 1;
    }
  }
  if (!out || BIO_flush(out.get()) != 1) {
    std::fprintf(stderr, "MakeTestKeys: cannot write %s\n", temporary.c_str());
    return 1;
  }
  out.reset();
  std::filesystem::rename(temporary, file);
  return 0;
}
