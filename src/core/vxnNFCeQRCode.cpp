#include "vxnNFCeQRCode.h"

#include "vxnDataSignature.h"
#include "vxnNFeException.h"

#include <algorithm>

namespace vxn {
namespace {

constexpr std::string_view kTpEmisOffline = "9";

// The text of the first element of that local name ("<name>" or "<name attr...>"), "" when there is none.
std::string Elemento(std::string_view xml, std::string_view nome) {
  const std::string abre = "<" + std::string(nome);
  for (std::size_t p = xml.find(abre); p != std::string_view::npos; p = xml.find(abre, p + 1)) {
    const std::size_t depois = p + abre.size();
    if (depois >= xml.size() || (xml[depois] != '>' && xml[depois] != ' '))
      continue;
    const std::size_t inicio = xml.find('>', depois);
    const std::size_t fim = xml.find("</" + std::string(nome) + ">", inicio);
    if (inicio == std::string_view::npos || fim == std::string_view::npos)
      return {};
    return std::string(xml.substr(inicio + 1, fim - inicio - 1));
  }
  return {};
}

// The 44 digits after "NFe" in the Id of infNFe.
std::string Chave(std::string_view nfe) {
  const std::size_t p = nfe.find("Id=\"NFe");
  return p == std::string_view::npos ? std::string() : std::string(nfe.substr(p + 7, 44));
}

bool SoDigitos(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string SemZerosAEsquerda(std::string_view id) {
  const std::size_t p = id.find_first_not_of('0');
  return p == std::string_view::npos ? "0" : std::string(id.substr(p));
}

std::string Hexadecimal(std::string_view bytes) {
  constexpr char kDigitos[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += kDigitos[c >> 4];
    hex += kDigitos[c & 0x0F];
  }
  return hex;
}

// "1|<CNPJ>", "2|<CPF>", "3|<foreign id>" or "|" without a recipient.
std::string Destinatario(std::string_view nfe) {
  const std::string dest = Elemento(nfe, "dest");
  if (const std::string cnpj = Elemento(dest, "CNPJ"); !cnpj.empty())
    return "1|" + cnpj;
  if (const std::string cpf = Elemento(dest, "CPF"); !cpf.empty())
    return "2|" + cpf;
  if (const std::string estrangeiro = Elemento(dest, "idEstrangeiro"); !estrangeiro.empty())
    return "3|" + estrangeiro;
  return "|";
}

// Character data: an address may hold "&" (a query) that XML must escape.
std::string Escapar(std::string_view texto) {
  std::string out;
  out.reserve(texto.size());
  for (char c : texto) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

} // namespace

TvxnNFCeQRCode::TvxnNFCeQRCode(TvxnNFCeQRCodeConfig config,
                               std::function<std::string(std::string_view)> assinar, std::string logDir)
    : config_(std::move(config)), assinar_(std::move(assinar)), logDir_(std::move(logDir)) {
  if (config_.Versao != 2 && config_.Versao != 3)
    throw EvxnNFeConfigException("Versão do QR Code da NFC-e inválida: %d. Utilize 2 ou 3.", {config_.Versao},
                                 logDir_);
  if (config_.Versao == 2 && (config_.CSC.empty() || config_.IdCSC.empty()))
    throw EvxnNFeConfigException("O QR Code versão 2 da NFC-e exige o CSC e o seu identificador (IdCSC).",
                                 logDir_);
  if (config_.Versao == 2 && !SoDigitos(config_.IdCSC))
    throw EvxnNFeConfigException("O identificador do CSC (IdCSC) deve ter apenas dígitos: %s",
                                 {config_.IdCSC}, logDir_);
  if (config_.URLQRCode.empty() || config_.URLConsulta.empty())
    throw EvxnNFeAddressException(
        "Endereços do QR Code e da consulta por chave da NFC-e não definidos: informe "
        "NFCeQRCode e NFCeConsulta no arquivo de servidores, ou URLQRCode e "
        "URLConsultaNFCe na configuração",
        logDir_);
}

bool TvxnNFCeQRCode::EhNFCe(std::string_view nfe) {
  return Elemento(Elemento(nfe, "ide"), "mod") == "65";
}

std::string TvxnNFCeQRCode::Parametros(std::string_view nfe) const {
  const std::string ide = Elemento(nfe, "ide");
  const std::string versao = std::to_string(config_.Versao);
  std::string p = Chave(nfe) + "|" + versao + "|" + Elemento(ide, "tpAmb");
  const bool offline = Elemento(ide, "tpEmis") == kTpEmisOffline;
  if (offline) {
    // The day of "AAAA-MM-DDThh:mm:ss-03:00" and the total as the document writes it.
    const std::string dhEmi = Elemento(ide, "dhEmi");
    p += "|" + (dhEmi.size() >= 10 ? dhEmi.substr(8, 2) : std::string()) + "|" +
         Elemento(Elemento(nfe, "ICMSTot"), "vNF");
  }
  if (config_.Versao == 3) {
    if (offline) {
      p += "|" + Destinatario(nfe);
      p += "|" + assinar_(p);
    }
    return p;
  }
  if (offline)
    p += "|" + Hexadecimal(Elemento(nfe, "DigestValue"));
  p += "|" + SemZerosAEsquerda(config_.IdCSC);
  return p + "|" + Sha1Hex(p + config_.CSC);
}

std::string TvxnNFCeQRCode::QRCode(std::string_view nfe) const {
  return config_.URLQRCode + "?p=" + Parametros(nfe);
}

std::string TvxnNFCeQRCode::Suplementar(std::string nfe) const {
  if (nfe.find("<infNFeSupl>") != std::string::npos)
    return nfe;
  const std::size_t assinatura = nfe.find("<Signature");
  if (assinatura == std::string::npos)
    return nfe;
  const std::string bloco = "<infNFeSupl><qrCode>" + Escapar(QRCode(nfe)) + "</qrCode><urlChave>" +
                            Escapar(config_.URLConsulta) + "</urlChave></infNFeSupl>";
  nfe.insert(assinatura, bloco);
  return nfe;
}

} // namespace vxn
