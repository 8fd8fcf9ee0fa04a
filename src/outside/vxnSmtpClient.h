// Mail over SMTP on libcurl: one message with a text or HTML body and file attachments, to To, CC and
// BCC recipients, with authentication and TLS (implicit on port 465 or with an "smtps://" server,
// STARTTLS otherwise).
#pragma once

#include "vxnGovX.h"

#include <string>
#include <string_view>
#include <vector>

namespace vxn::outside {

// Addresses of a recipient field: separated by ";" or ",", blanks around them dropped.
std::vector<std::string> SplitAddresses(std::string_view field);

// A header value as RFC 2047 encoded words when it holds anything beyond printable ASCII.
std::string EncodeHeaderValue(std::string_view value);

class TvxnSmtpClient {
public:
  // Sends one message. The server, credentials, sender, subject, body, CC, BCC and time-out come from
  // the mail settings; the TLS trust (TrustedCAFile, IgnoreInvalidCertificates) from the HTTP settings.
  // `recipient` holds one or more addresses; `attachments` are file paths. With authentication on, the
  // credentials never travel unencrypted: a server that does not offer STARTTLS is refused. Raises
  // EvxnNFeException before connecting when an attachment is missing or no recipient is given, and
  // with libcurl's reason (and the server's reply code) when the exchange fails.
  static void Send(const TvxnEmailSettings& mail, const TvxnHttpSettings& tls, std::string_view recipient,
                   const std::vector<std::string>& attachments, std::string_view logDir);
};

} // namespace vxn::outside
