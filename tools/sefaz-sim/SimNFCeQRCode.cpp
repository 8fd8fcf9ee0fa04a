#include "sefaz-sim/SimNFCeQRCode.h"

#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimStates.h"
#include "vxnDataSignature.h"
#include "vxnText.h"

#include <vector>

namespace vxn::sim {

namespace {

constexpr int kSemQRCode = 394;
constexpr int kEnderecoQRCode = 395;
constexpr int kParametroInexistente = 396;
constexpr int kParametroDivergente = 397;
constexpr int kIdCscDesconhecido = 462;
constexpr int kHashDivergente = 464;
constexpr int kEnderecoConsulta = 878;

std::vector<std::string> Partes(const std::string& texto) {
  std::vector<std::string> partes;
  std::size_t inicio = 0;
  for (std::size_t bar = texto.find('|'); bar != std::string::npos; bar = texto.find('|', inicio)) {
    partes.push_back(texto.substr(inicio, bar - inicio));
    inicio = bar + 1;
  }
  partes.push_back(texto.substr(inicio));
  return partes;
}

std::string Juntar(const std::vector<std::string>& partes, std::size_t n) {
  std::string texto;
  for (std::size_t i = 0; i < n; ++i)
    texto += (i ? "|" : "") + partes[i];
  return texto;
}

std::string SemZerosAEsquerda(const std::string& id) {
  const std::size_t p = id.find_first_not_of('0');
  return p == std::string::npos ? "0" : id.substr(p);
}

std::string Hexadecimal(const std::string& bytes) {
  constexpr char kDigitos[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigitos[c >> 4];
    hex += kDigitos[c & 0x0F];
  }
  return hex;
}

bool TerminaCom(const std::string& texto, const std::string& fim) {
  return texto.size() >= fim.size() && SameText(texto.substr(texto.size() - fim.size()), fim);
}

// The recipient as version 3 names it: kind (1 CNPJ, 2 CPF, 3 foreign id) and id, both empty without one.
std::pair<std::string, std::string> Destinatario(const std::string& nfe) {
  const std::string dest = ElementText(nfe, "dest");
  if (std::string v = ElementText(dest, "CNPJ"); !v.empty())
    return {"1", v};
  if (std::string v = ElementText(dest, "CPF"); !v.empty())
    return {"2", v};
  if (std::string v = ElementText(dest, "idEstrangeiro"); !v.empty())
    return {"3", v};
  return {"", ""};
}

struct TDocumentoQR {
  std::string Chave, TpAmb, Dia, VNF, DigVal, Certificado;
  bool Offline = false;
};

TDocumentoQR Campos(const TSimLotDocument& d) {
  TDocumentoQR c;
  c.Chave = d.Id.size() == 47 ? d.Id.substr(3) : "";
  c.TpAmb = d.TpAmb;
  c.Dia = d.DhEmi.size() >= 10 ? d.DhEmi.substr(8, 2) : "";
  c.VNF = ElementText(ElementText(d.Xml, "ICMSTot"), "vNF");
  c.DigVal = Hexadecimal(d.DigestValue);
  c.Certificado = ElementText(d.Xml, "X509Certificate");
  c.Offline = d.TpEmis == "9";
  return c;
}

int CheckVersao2(const std::vector<std::string>& p, const TDocumentoQR& doc, const TSimCsc& csc) {
  const std::size_t n = doc.Offline ? 8 : 5;
  if (p.size() != n)
    return kParametroInexistente;
  if (doc.Offline && (p[3] != doc.Dia || p[4] != doc.VNF || !SameText(p[5], doc.DigVal)))
    return kParametroDivergente;
  const std::string& id = p[n - 2];
  if (id.empty() || SemZerosAEsquerda(id) != SemZerosAEsquerda(csc.Id))
    return kIdCscDesconhecido;
  return SameText(p[n - 1], Sha1Hex(Juntar(p, n - 1) + csc.Code)) ? 0 : kHashDivergente;
}

int CheckVersao3(const std::vector<std::string>& p, const TDocumentoQR& doc, const std::string& nfe) {
  if (!doc.Offline)
    return p.size() == 3 ? 0 : kParametroDivergente;
  if (p.size() != 8)
    return kParametroInexistente;
  const auto [tipo, id] = Destinatario(nfe);
  if (p[3] != doc.Dia || p[4] != doc.VNF || p[5] != tipo || p[6] != id)
    return kParametroDivergente;
  return VerifySha1SignatureBase64(Juntar(p, 7), p[7], doc.Certificado) ? 0 : kHashDivergente;
}

} // namespace

std::string NFCeQRCodePath(const std::string& section) {
  return "/" + section + "/nfce/qrcode";
}

std::string NFCeConsultaPath(const std::string& section) {
  return "/" + section + "/nfce/consulta";
}

int CheckNFCeQRCode(const TSimLotDocument& d, const TSimCsc& csc) {
  const std::string supl = ElementText(d.Xml, "infNFeSupl");
  if (supl.empty())
    return kSemQRCode;
  const std::string qrCode = ReplaceAll(ElementText(supl, "qrCode"), "&amp;", "&");
  const std::string uf = TSimStates::UfOfCode(d.CUF);
  const std::size_t p = qrCode.find("?p=");
  if (p == std::string::npos || !TerminaCom(qrCode.substr(0, p), NFCeQRCodePath(uf)))
    return kEnderecoQRCode;
  if (!TerminaCom(ReplaceAll(ElementText(supl, "urlChave"), "&amp;", "&"), NFCeConsultaPath(uf)))
    return kEnderecoConsulta;
  const std::vector<std::string> partes = Partes(qrCode.substr(p + 3));
  if (partes.size() < 3)
    return kParametroInexistente;
  const TDocumentoQR doc = Campos(d);
  // The version is 2 or 3: the lot's schema allows no other.
  if (partes[0] != doc.Chave || partes[2] != doc.TpAmb)
    return kParametroDivergente;
  return partes[1] == "2" ? CheckVersao2(partes, doc, csc) : CheckVersao3(partes, doc, d.Xml);
}

std::string MotivoQRCode(int cStat, const TSimLotDocument& d) {
  if (cStat == kHashDivergente && d.TpEmis == "9" &&
      ElementText(d.Xml, "qrCode").find("|3|") != std::string::npos)
    return "Rejeicao: Assinatura do QR-Code difere do calculado";
  return MotivoOf(cStat);
}

} // namespace vxn::sim
