#include "vxnSmtpClient.h"

#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnOutsideHandles.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <openssl/rand.h>

#include <array>
#include <ctime>
#include <memory>
#include <mutex>

namespace vxn::outside {
namespace {

constexpr int kPortaTlsImplicito = 465;

void EnsureCurlInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Base64(std::string_view data) {
  return TvxnGovUtils().EncodeBase64(data);
}

std::string Join(const std::vector<std::string>& items, std::string_view sep) {
  std::string out;
  for (const std::string& item : items)
    out += (out.empty() ? "" : std::string(sep)) + item;
  return out;
}

// "<addr>" as the SMTP envelope wants it.
std::string Envelope(const std::string& address) {
  return address.starts_with('<') ? address : "<" + address + ">";
}

std::string DataRfc5322() {
  std::array<char, 64> buf{};
  const std::time_t agora = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&agora, &tm);
  std::strftime(buf.data(), buf.size(), "%a, %d %b %Y %H:%M:%S %z", &tm);
  return buf.data();
}

std::string MessageId(const std::string& remetente) {
  std::array<unsigned char, 12> aleatorio{};
  RAND_bytes(aleatorio.data(), static_cast<int>(aleatorio.size()));
  std::string hex;
  for (unsigned char c : aleatorio)
    hex += Format("%02x", {static_cast<int>(c)});
  const auto arroba = remetente.find('@');
  const std::string dominio = arroba == std::string::npos ? "localhost" : remetente.substr(arroba + 1);
  return "<" + hex + "@" + dominio + ">";
}

std::string TipoDoAnexo(const std::string& path) {
  const std::string lower = AsciiLower(path);
  if (lower.ends_with(".xml"))
    return "application/xml";
  if (lower.ends_with(".pdf"))
    return "application/pdf";
  return "application/octet-stream";
}

// The server URL: a scheme the host wrote wins; otherwise port 465 means TLS from the first byte.
std::string UrlDoServidor(const TvxnEmailSettings& mail) {
  std::string host = Trim(mail.ServidorSmtp);
  if (host.starts_with("smtp://") || host.starts_with("smtps://"))
    return mail.Porta > 0 && host.find(':', host.find("//") + 2) == std::string::npos
               ? host + ":" + std::to_string(mail.Porta)
               : host;
  const std::string esquema = mail.Porta == kPortaTlsImplicito ? "smtps://" : "smtp://";
  return esquema + host + (mail.Porta > 0 ? ":" + std::to_string(mail.Porta) : std::string());
}

curl_slist* Append(curl_slist* list, const std::string& line) {
  curl_slist* next = curl_slist_append(list, line.c_str());
  if (!next)
    throw EvxnNFeException("Falha ao preparar o e-mail: memória insuficiente.");
  return next;
}

} // namespace

std::vector<std::string> SplitAddresses(std::string_view field) {
  std::vector<std::string> out;
  std::string atual;
  for (char c : field) {
    if (c == ';' || c == ',') {
      if (!Trim(atual).empty())
        out.push_back(Trim(atual));
      atual.clear();
    } else {
      atual += c;
    }
  }
  if (!Trim(atual).empty())
    out.push_back(Trim(atual));
  return out;
}

std::string EncodeHeaderValue(std::string_view value) {
  bool simples = true;
  for (char c : value)
    simples = simples && static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  if (simples)
    return std::string(value);
  // Encoded words of at most 45 bytes of text each, cut between UTF-8 characters.
  std::string out;
  std::size_t i = 0;
  while (i < value.size()) {
    std::size_t fim = std::min(value.size(), i + 45);
    while (fim < value.size() && (static_cast<unsigned char>(value[fim]) & 0xC0) == 0x80)
      --fim;
    if (!out.empty())
      out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(value.substr(i, fim - i)) + "?=";
    i = fim;
  }
  return out;
}

void TvxnSmtpClient::Send(const TvxnEmailSettings& mail, const TvxnHttpSettings& tls,
                          std::string_view recipient, const std::vector<std::string>& attachments,
                          std::string_view logDir) {
  const std::vector<std::string> para = SplitAddresses(recipient);
  const std::vector<std::string> cc = SplitAddresses(mail.CC);
  const std::vector<std::string> cco = SplitAddresses(mail.CCo);
  if (para.empty())
    throw EvxnNFeException("Nenhum destinatário informado para o e-mail.", logDir);
  for (const std::string& anexo : attachments)
    if (!FileExists(anexo))
      throw EvxnNFeException("Anexo do e-mail não encontrado: %s", {anexo}, logDir);
  const std::string remetente =
      Trim(mail.EmailRemetente).empty() ? Trim(mail.Usuario) : Trim(mail.EmailRemetente);

  EnsureCurlInitialised();
  CurlPtr curl(curl_easy_init());
  if (!curl)
    throw EvxnNFeException("Falha ao preparar o e-mail: libcurl não pôde ser iniciada.", logDir);
  CURL* c = curl.get();
  std::array<char, CURL_ERROR_SIZE> erro{};
  const std::string url = UrlDoServidor(mail);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, erro.data());
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  // Credentials go only over TLS; without them, TLS is used whenever the server offers it.
  curl_easy_setopt(c, CURLOPT_USE_SSL,
                   static_cast<long>(mail.Autenticacao ? CURLUSESSL_ALL : CURLUSESSL_TRY));
  if (mail.Autenticacao) {
    curl_easy_setopt(c, CURLOPT_USERNAME, mail.Usuario.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, mail.Senha.c_str());
  }
  if (tls.IgnoreInvalidCertificates) {
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  } else if (!tls.TrustedCAFile.empty()) {
    curl_easy_setopt(c, CURLOPT_CAINFO, tls.TrustedCAFile.c_str());
  }
  if (mail.TimeOut > 0)
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(mail.TimeOut));

  const std::string from = Envelope(remetente);
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
  CurlSlistPtr destinos;
  for (const auto* lista : {&para, &cc, &cco})
    for (const std::string& a : *lista)
      destinos.reset(Append(destinos.release(), Envelope(a)));
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, destinos.get());

  // BCC addresses are envelope recipients only: no header names them.
  CurlSlistPtr cabecalhos;
  auto cabecalho = [&cabecalhos](const std::string& linha) {
    cabecalhos.reset(Append(cabecalhos.release(), linha));
  };
  cabecalho("Date: " + DataRfc5322());
  cabecalho("From: " + remetente);
  cabecalho("To: " + Join(para, ", "));
  if (!cc.empty())
    cabecalho("Cc: " + Join(cc, ", "));
  cabecalho("Subject: " + EncodeHeaderValue(mail.Assunto));
  cabecalho("Message-ID: " + MessageId(remetente));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabecalhos.get());

  CurlMimePtr mime(curl_mime_init(c));
  curl_mimepart* corpo = curl_mime_addpart(mime.get());
  curl_mime_data(corpo, mail.Mensagem.c_str(), mail.Mensagem.size());
  curl_mime_type(corpo, mail.ConteudoHtml ? "text/html; charset=UTF-8" : "text/plain; charset=UTF-8");
  curl_mime_encoder(corpo, "quoted-printable");
  for (const std::string& anexo : attachments) {
    curl_mimepart* parte = curl_mime_addpart(mime.get());
    if (curl_mime_filedata(parte, anexo.c_str()) != CURLE_OK)
      throw EvxnNFeException("Anexo do e-mail não pôde ser lido: %s", {anexo}, logDir);
    curl_mime_type(parte, TipoDoAnexo(anexo).c_str());
    curl_mime_encoder(parte, "base64");
  }
  curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());

  const CURLcode rc = curl_easy_perform(c);
  if (rc != CURLE_OK) {
    long codigo = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &codigo);
    const std::string causa = erro[0] ? std::string(erro.data()) : std::string(curl_easy_strerror(rc));
    throw EvxnNFeException(
        codigo > 0 ? Format("Falha ao enviar e-mail por %s: %s (resposta %d)", {url, causa, codigo})
                   : Format("Falha ao enviar e-mail por %s: %s", {url, causa}),
        logDir);
  }
}

} // namespace vxn::outside
