// A real SMTP server on 127.0.0.1 for the mail tests: aiosmtpd (Python) run as a child process, with
// STARTTLS or implicit TLS and authentication when asked for. Every message it accepts is written to a
// folder and read back here whole: envelope, headers, body and the attachments' bytes.
#pragma once

#include "support/Process.h"
#include "support/TempDir.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vxn::test {

struct SmtpTestOptions {
  std::string User; // "" accepts mail without authentication
  std::string Password;
  // Server certificate and key (PEM); empty serves plain SMTP.
  std::string CertificatePem;
  std::string PrivateKeyPem;
  bool ImplicitTls = false; // TLS from the first byte instead of STARTTLS
  // Recipients answered "550" at RCPT TO.
  std::vector<std::string> RefusedRecipients = {};
  // The connection is closed without an answer once a message's data has arrived.
  bool DropDuringData = false;
};

struct SmtpTestMessage {
  std::string MailFrom;
  std::vector<std::string> RcptTos;       // envelope recipients
  bool Tls = false;                       // received over TLS
  std::string Login;                      // the authenticated user
  std::string Subject, From, To, Cc, Bcc; // decoded header values ("" when absent)
  std::string BodyType, Body;
  std::vector<std::pair<std::string, std::string>> Attachments; // name, bytes, in message order
  std::string Raw;
};

class SmtpTestServer {
public:
  explicit SmtpTestServer(const SmtpTestOptions& options = {});
  ~SmtpTestServer();
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  int Port() const { return port_; }
  // The messages accepted so far, oldest first.
  std::vector<SmtpTestMessage> Messages() const;

private:
  TempDir dir_;
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
};

} // namespace vxn::test
