// Base64, gzip, SHA-1 and the PIN cipher, checked against independent decoders (Debian's python3).
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <random>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::ReadFileOrEmpty;
using test::TempDir;

// Runs a python3 script (Debian's interpreter, not whatever is first on PATH) and returns its stdout.
std::string RunPython(const std::string& script) {
  const test::ProcessResult r = test::RunProcess({"/usr/bin/python3", "-c", script});
  return r.exitCode == 0 ? r.out : "python failed: " + r.err;
}

std::string SampleBytes(std::size_t size) {
  std::mt19937 rng(42);
  std::string s(size, '\0');
  for (char& c : s)
    c = static_cast<char>(rng() & 0xFF);
  return s;
}

const std::string kXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><nfeProc><xNome>José da Silva & Cia</xNome>"
    "<infCpl>Açúcar, café, pão</infCpl></nfeProc>";

TEST(GovUtilsEncoding, Base64MatchesPython) {
  TempDir dir;
  TvxnGovUtils u;
  for (std::size_t size : {0u, 1u, 2u, 3u, 4u, 5u, 1000u, 4u * 1024u * 1024u + 1u}) {
    const std::string data = SampleBytes(size);
    WriteFileAtomic(dir.File("data.bin"), data);
    const std::string mine = u.EncodeBase64(data);
    EXPECT_EQ(mine.find_first_of("\r\n"), std::string::npos);
    const std::string python = RunPython("import base64,sys\nsys.stdout.write(base64.b64encode(open('" +
                                         dir.File("data.bin") + "','rb').read()).decode())");
    EXPECT_EQ(mine, python) << "size " << size;
    EXPECT_EQ(u.DecodeBase64(mine), data) << "size " << size;
  }
  // Line breaks inside the text are ignored when decoding.
  EXPECT_EQ(u.DecodeBase64("SGVs\r\nbG8="), "Hello");
  EXPECT_THROW(u.DecodeBase64("SGVsbG8"), EvxnNFeException);
  EXPECT_THROW(u.DecodeBase64("SGV$bG8="), EvxnNFeException);
  EXPECT_THROW(u.DecodeBase64("SG=sbG8="), EvxnNFeException);
}

TEST(GovUtilsEncoding, GzipAndCompressBase64GzAreReadByPython) {
  TempDir dir;
  TvxnGovUtils u;
  std::string big;
  for (int i = 0; i < 2000; ++i)
    big += kXml;
  for (const std::string& text : {kXml, big, std::string()}) {
    WriteFileAtomic(dir.File("x.gz"), u.GZipString(text));
    WriteFileAtomic(dir.File("x.b64"), u.CompressBase64Gz(text));
    const std::string fromGzip = RunPython("import gzip,sys\nsys.stdout.buffer.write(gzip.decompress(open('" +
                                           dir.File("x.gz") + "','rb').read()))");
    EXPECT_EQ(fromGzip, text);
    const std::string fromB64 =
        RunPython("import gzip,base64,sys\nsys.stdout.buffer.write(gzip.decompress(base64.b64decode(open('" +
                  dir.File("x.b64") + "','rb').read(), validate=True)))");
    EXPECT_EQ(fromB64, text);
  }
  // The gzip magic and deflate method: what the tax authority expects in a compressed lot.
  const std::string gz = u.GZipString(kXml);
  ASSERT_GE(gz.size(), 18u);
  EXPECT_EQ(gz.substr(0, 3), std::string("\x1f\x8b\x08", 3));
  EXPECT_LT(u.GZipString(big).size(), big.size() / 10);
}

TEST(GovUtilsEncoding, DecompressBase64GzReadsPythonOutput) {
  TempDir dir;
  TvxnGovUtils u;
  WriteFileAtomic(dir.File("in.xml"), kXml);
  const std::string docZip =
      RunPython("import gzip,base64,sys\nsys.stdout.write(base64.b64encode(gzip.compress(open('" +
                dir.File("in.xml") + "','rb').read())).decode())");
  EXPECT_EQ(u.DecompressBase64Gz(docZip), kXml);
  EXPECT_EQ(u.DecompressBase64Gz("  " + docZip + "\r\n"), kXml);
  EXPECT_EQ(u.DecompressBase64Gz(u.CompressBase64Gz(kXml)), kXml);
}

TEST(GovUtilsEncoding, DecompressBase64GzGivesNothingForAnythingElse) {
  TvxnGovUtils u;
  const std::string good = u.CompressBase64Gz(kXml);
  const std::string gz = u.GZipString(kXml);
  EXPECT_EQ(u.DecompressBase64Gz(""), "");
  EXPECT_EQ(u.DecompressBase64Gz(kXml), "");                                        // plain XML
  EXPECT_EQ(u.DecompressBase64Gz(u.EncodeBase64(kXml)), "");                        // Base64 but not gzip
  EXPECT_EQ(u.DecompressBase64Gz(good.substr(0, good.size() / 2)), "");             // cut Base64
  EXPECT_EQ(u.DecompressBase64Gz(u.EncodeBase64(gz.substr(0, gz.size() - 6))), ""); // cut gzip stream
  std::string corrupt = gz;
  corrupt[gz.size() / 2] = static_cast<char>(corrupt[gz.size() / 2] ^ 0x55);
  EXPECT_EQ(u.DecompressBase64Gz(u.EncodeBase64(corrupt)), "");
  std::string badCrc = gz;
  badCrc[gz.size() - 8] = static_cast<char>(badCrc[gz.size() - 8] ^ 1);
  EXPECT_EQ(u.DecompressBase64Gz(u.EncodeBase64(badCrc)), "");
  // Random bytes of every length never crash.
  for (std::size_t n = 0; n < 200; ++n)
    EXPECT_EQ(u.DecompressBase64Gz(u.EncodeBase64(SampleBytes(n))), "");
}

TEST(GovUtilsEncoding, Sha1Base64) {
  TvxnGovUtils u;
  // FIPS 180 test vector "abc": a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d.
  EXPECT_EQ(u.HashSha1Base64("abc"), "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
  EXPECT_EQ(u.HashSha1Base64(""), "2jmj7l5rSw0yVb/vlWAYkK/YBwk=");
  // A CSRT followed by a key against the openssl command line: vxnNFeAssinaturaTest.
}

TEST(GovUtilsEncoding, PinCipherRoundTripsAndRefusesForeignText) {
  TempDir dir;
  TvxnGovUtils u;
  u.SetDiretorioLogErro(dir.Path());
  const std::string pin = "12345678";
  const std::string stored = u.Encrypt(pin);
  EXPECT_EQ(stored.find(pin), std::string::npos);
  EXPECT_NE(u.Encrypt(pin), stored); // a fresh nonce every time
  EXPECT_EQ(u.Decrypt(stored), pin);
  EXPECT_EQ(u.Decrypt(u.Encrypt("PIN com acentuação")), "PIN com acentuação");
  EXPECT_EQ(u.Encrypt(""), "");
  EXPECT_EQ(u.Decrypt(""), "");
  // Another object (another run of the program) reads what this one wrote.
  EXPECT_EQ(TvxnGovUtils().Decrypt(stored), pin);

  std::string altered = u.DecodeBase64(stored);
  altered[14] = static_cast<char>(altered[14] ^ 1);
  for (const std::string& bad :
       {u.EncodeBase64(altered), pin, std::string("não é base64"), u.EncodeBase64("curto")}) {
    EXPECT_EQ(RefusalOf([&] { u.Decrypt(bad); }),
              (Refusal{"EvxnNFeConfigException", "O PIN armazenado não pôde ser decifrado."}));
  }
  EXPECT_NE(ReadFileOrEmpty(dir.File("nfe_exception.log")).find("EvxnNFeConfigException"), std::string::npos);
}

} // namespace
} // namespace vxn
