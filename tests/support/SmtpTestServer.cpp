#include "SmtpTestServer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vxn::test {
namespace {

std::string Ler(const std::filesystem::path& p) {
  return ReadFileOrEmpty(p.string());
}

std::vector<std::string> Linhas(const std::string& text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto e = text.find('\n', i);
    out.push_back(text.substr(i, e == std::string::npos ? std::string::npos : e - i));
    if (e == std::string::npos)
      break;
    i = e + 1;
  }
  return out;
}

// The first line the child prints (its port), waited for up to 20 seconds.
std::string PrimeiraLinha(int fd) {
  std::string line;
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < limite) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0)
      continue;
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n <= 0)
      break;
    if (c == '\n')
      return line;
    line += c;
  }
  return line;
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
  int in[2], out[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const std::string script = std::string(QVX_SOURCE_DIR) + "/tests/support/SmtpTestServer.py";
  const std::string outDir = dir_.File("out");
  const std::string mode = options.ImplicitTls ? "implicit" : "starttls";
  std::vector<std::string> args = {"/usr/bin/python3", script, outDir, options.User,
                                   options.Password,   cert,   key,    mode};
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  stdin_ = in[1];
  if (rc != 0) {
    ::close(out[0]);
    pid_ = -1;
    throw std::runtime_error("cannot start the SMTP test server");
  }
  const std::string linha = PrimeiraLinha(out[0]);
  ::close(out[0]);
  port_ = std::atoi(linha.c_str());
  if (port_ <= 0)
    throw std::runtime_error("the SMTP test server did not start: '" + linha + "'");
}

SmtpTestServer::~SmtpTestServer() {
  if (stdin_ >= 0)
    ::close(stdin_); // the server stops when its input ends
  if (pid_ <= 0)
    return;
  for (int i = 0; i < 100; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::vector<SmtpTestMessage> SmtpTestServer::Messages() const {
  std::vector<SmtpTestMessage> out;
  for (int i = 1;; ++i) {
    const std::filesystem::path d = std::filesystem::path(dir_.File("out")) / ("msg" + std::to_string(i));
    if (!std::filesystem::is_directory(d))
      break;
    SmtpTestMessage m;
    m.MailFrom = Ler(d / "mail_from.txt");
    m.RcptTos = Linhas(Ler(d / "rcpt_tos.txt"));
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
    for (const std::string& nome : Linhas(Ler(d / "attachments.txt")))
      if (!nome.empty())
        m.Attachments.emplace_back(nome, Ler(d / "attachments" / nome));
    out.push_back(std::move(m));
  }
  return out;
}

} // namespace vxn::test
