#include "SmtpTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vxn::test {
namespace {

std::string Ler(const std::filesystem::path& p) {
  return ReadFileOrEmpty(p.string());
}

} // namespace

SmtpTestServer::SmtpTestServer(const SmtpTestOptions& options) {
  std::string cert, key;
  if (!options.CertificatePem.empty()) {
    cert = dir_.File("server.pem");
    key = dir_.File("server.key");
    std::FILE* f = std::fopen(cert.c_str(), "wb");
    std::fwrite(options.CertificatePem.data(), 1, options.CertificatePem.size(), f);
    std::fclose(f);
    f = std::fopen(key.c_str(), "wb");
    std::fwrite(options.PrivateKeyPem.data(), 1, options.PrivateKeyPem.size(), f);
    std::fclose(f);
  }
  std::filesystem::create_directories(dir_.File("out"));
  std::string refused;
  for (const std::string& r : options.RefusedRecipients)
    refused += (refused.empty() ? "" : ",") + r;
  ProcessOptions p;
  p.stdinPipe = true;
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{
          "/usr/bin/python3", std::string(QVX_SOURCE_DIR) + "/tests/support/SmtpTestServer.py",
          dir_.File("out"), options.User, options.Password, cert, key,
          options.ImplicitTls ? "implicit" : "starttls", refused, options.DropDuringData ? "drop" : ""},
      p);
  const std::string line = process_->ReadLine(std::chrono::seconds(20));
  port_ = std::atoi(line.c_str());
  if (port_ <= 0)
    throw std::runtime_error("the SMTP test server did not start: '" + line + "'");
}

SmtpTestServer::~SmtpTestServer() {
  process_->StopByClosingStdin(); // the server stops when its input ends
}

std::vector<SmtpTestMessage> SmtpTestServer::Messages() const {
  std::vector<SmtpTestMessage> out;
  for (int i = 1;; ++i) {
    const std::filesystem::path d = std::filesystem::path(dir_.File("out")) / ("msg" + std::to_string(i));
    if (!std::filesystem::is_directory(d))
      break;
    SmtpTestMessage m;
    m.MailFrom = Ler(d / "mail_from.txt");
    m.RcptTos = Lines(Ler(d / "rcpt_tos.txt"));
    m.Tls = Ler(d / "tls.txt") == "1";
    m.Login = Ler(d / "login.txt");
    m.Subject = Ler(d / "subject.txt");
    m.From = Ler(d / "from.txt");
    m.To = Ler(d / "to.txt");
    m.Cc = Ler(d / "cc.txt");
    m.Bcc = Ler(d / "bcc.txt");
    m.BodyType = Ler(d / "body-type.txt");
    m.Body = Ler(d / "body.txt");
    m.Raw = Ler(d / "raw.eml");
    for (const std::string& nome : Lines(Ler(d / "attachments.txt")))
      if (!nome.empty())
        m.Attachments.emplace_back(nome, Ler(d / "attachments" / nome));
    out.push_back(std::move(m));
  }
  return out;
}

} // namespace vxn::test
