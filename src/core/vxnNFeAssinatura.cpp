// Signing of NF-e lots: the contingency and operating-mode checks of each document, the CSRT hash of
// the technical responsible, the enveloped signature by Id and the clean-up of the signer's output;
// and the check of a schema package name against the configured layout version.
#include "vxnNFe.h"

#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFCeQRCode.h"
#include "vxnNFeException.h"
#include "vxnNFeLoteAssinatura.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeTemplateFiles.h"
#include "xml/vxnNFeUtils.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>

namespace vxn {
namespace {

constexpr std::size_t kMaxNotasLote = 50;
// What signing adds to a document, about: the Signature element with the certificate.
constexpr std::size_t kAcrescimoAssinatura = 3072;
constexpr std::string_view kInicioNota = "<infNFe";

// Every occurrence of `de` (ASCII case ignored) replaced by `para`.
std::string ReplaceAllText(std::string_view s, std::string_view de, std::string_view para) {
  if (de.empty())
    return std::string(s);
  std::string out;
  std::size_t pos = 0;
  for (std::size_t hit = FindText(s, de); hit != std::string_view::npos; hit = FindText(s, de, pos)) {
    out.append(s.substr(pos, hit - pos)).append(para);
    pos = hit + de.size();
  }
  out.append(s.substr(pos));
  return out;
}

// Nothing but blanks and control characters (what Trim would leave empty), without copying the text.
bool SoBrancos(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The schema packages each layout version accepts and the message that lists them.
struct EsquemasDaVersao {
  TVersaoManual versao;
  std::span<const std::string_view> aceitos;
  std::string_view mensagem;
};

constexpr std::array<std::string_view, 5> kPl005{"pl_005a", "pl_005b", "pl_005c", "pl_005d", "pl_005f"};
constexpr std::array<std::string_view, 5> kPl006{"pl_006e", "pl_006f", "pl_006g", "pl_006i", "pl_006j"};
constexpr std::array<std::string_view, 9> kPl006m{"pl_006m", "pl_006n", "pl_006p", "pl_006q", "pl_006r",
                                                  "pl_006s", "pl_006t", "pl_006u", "pl_006v"};
constexpr std::array<std::string_view, 11> kPl008{"pl_008a", "pl_008b",  "pl_008c", "pl_008d",
                                                  "pl_008e", "pl_008f",  "pl_008g", "pl_008h",
                                                  "pl_008i", "pl_008i1", "pl_008i2"};
constexpr std::array<std::string_view, 4> kPl009{"pl_009", "pl_009g", "pl_009p", "pl_010"};

const std::array<EsquemasDaVersao, 5> kEsquemasPorVersao{{
    {vm30, kPl005,
     "Versão esquema não condiz com a versão manual definida, utilize ( pl_005a, pl_005b, pl_005c, "
     "pl_005d, pl_005f )."},
    {vm40, kPl006,
     "Versão esquema não condiz com a versão manual definida, utilize ( pl_006e, pl_006f, pl_006g, "
     "pl_006i, pl_006j )."},
    // The published message of 5.0 leaves out pl_006t and pl_006u, which are accepted all the same.
    {vm50, kPl006m,
     "Versão esquema não condiz com a versão manual definida, utilize ( pl_006m, pl_006n, pl_006p, "
     "pl_006q, pl_006r, pl_006s, pl_006v )."},
    {vm50a, kPl008,
     "Versão esquema não condiz com a versão manual definida, utilize ( pl_008a,pl_008b,pl_008c,"
     "pl_008d,pl_008e,pl_008f,pl_008g,pl_008h,pl_008i,pl_008i1,pl_008i2 )."},
    {vm60, kPl009,
     "Versão esquema não condiz com a versão manual definida, utilize ( pl_009, pl_009g, pl_009p, pl_010 )."},
}};

} // namespace

// ---- TvxnCustomNFe ---------------------------------------------------------------------------------

void TvxnCustomNFe::ValidarRegraDeNegocioNFe(std::string_view xml) {
  const std::string tpEmis = GetValueTag("tpEmis", xml);
  const TVersaoManual versao = GetVersaoManual();
  if (versao >= vm40 && versao <= vm60) {
    const bool temContingencia = FindBytes(xml, "xJust") != std::string_view::npos ||
                                 FindBytes(xml, "dhCon") != std::string_view::npos;
    if (SameText(tpEmis, "1")) {
      if (temContingencia)
        throw EvxnNFeException("556 - Rejeição: Justificativa de entrada em contingência não deve ser "
                               "informada para tipo de emissão normal",
                               GetDiretorioLogErro());
    } else if ((tpEmis.size() == 1 && tpEmis[0] >= '2' && tpEmis[0] <= '7') ||
               (tpEmis == "9" && TvxnNFCeQRCode::EhNFCe(xml))) {
      // 9 is the offline contingency of the NFC-e, which needs its justification as the others do.
      if (!temContingencia)
        throw EvxnNFeException(
            "557 - Rejeição: A Justificativa de entrada em contingência deve ser informada",
            GetDiretorioLogErro());
      if (Utf8Length(GetValueTag("xJust", xml)) < 15)
        throw EvxnNFeException("A justificativa para entrada em contingência deve ter no mínimo 15 dígitos.",
                               GetDiretorioLogErro());
    } else {
      throw EvxnNFeException("Tipo de Emissão %s é válido. Utilize (1,2,3,4 ou 5)", {tpEmis},
                             GetDiretorioLogErro());
    }
  }
  // The operating mode decides which issue type the document must carry, whatever the layout.
  switch (GetModoOperacao()) {
  case moSVCAN:
    if (tpEmis != "6")
      throw EvxnNFeModoOperacaoException(
          "No Modo Operação SVCAN (SVC-AN), o tipo emissão (tpEmis) deve ser igual a 6.", "");
    break;
  case moSVCRS:
    if (tpEmis != "7")
      throw EvxnNFeModoOperacaoException(
          "No Modo Operação SVCRS (SVC-RS), o tipo emissão (tpEmis) deve ser igual a 7.", "");
    break;
  case moEPEC:
    if (tpEmis != "4")
      throw EvxnNFeModoOperacaoException("No Modo Operação EPEC, o tipo emissão (tpEmis) deve ser igual a 4.",
                                         "");
    break;
  case moNormal:
    break;
  }
}

void TvxnCustomNFe::RemoveEspacosAssinatura(std::string& xml) {
  for (std::string_view tag : {"KeyInfo", "SignatureValue"}) {
    const std::string antigo = GetValueTag(tag, xml);
    if (antigo.find("  ") == std::string::npos)
      continue; // nothing to collapse
    std::string limpo = antigo;
    // Removing pairs until none is left turns an odd run into a single blank.
    while (limpo.find("  ") != std::string::npos)
      limpo = ReplaceAll(limpo, "  ", "");
    if (!antigo.empty() && limpo != antigo)
      xml = ReplaceAllText(xml, antigo, limpo);
  }
}

void TvxnCustomNFe::LimparXMLAssinado(std::string& xml) {
  RemoveEspacosAssinatura(xml);
  constexpr std::string_view declaracao = "<?xml version=\"1.0\"?>";
  if (std::size_t pos = FindBytes(xml, declaracao); pos != std::string::npos)
    xml.erase(pos, declaracao.size());
  if (xml.find("\r\n") != std::string::npos)
    xml = ReplaceAll(xml, "\r\n", "");
}

// ---- TvxnNFe ---------------------------------------------------------------------------------------

int TvxnNFe::GetNumNotas(std::string_view xml) {
  // The search goes on one character past the tag: "<infNFe" is 7 characters, the step is 8.
  constexpr std::size_t kPasso = kInicioNota.size() + 1;
  int n = 0;
  for (std::size_t pos = AchaInicioNota(xml); pos != std::string_view::npos;
       pos = AchaInicioNota(xml, pos + kPasso))
    ++n;
  return n;
}

std::string TvxnNFe::GetNota(int indice, std::string_view lote) {
  if (indice < 0)
    return {};
  std::size_t inicio = ProximaNota(lote, std::string_view::npos);
  for (int i = 0; i < indice && inicio != std::string_view::npos; ++i)
    inicio = ProximaNota(lote, inicio);
  const TvxnFaixaNota f = FaixaDaNota(lote, inicio);
  if (f.inicio == std::string_view::npos)
    return {};
  return std::string(lote.substr(f.inicio, f.fim - f.inicio));
}

namespace {

// PrepararXMLAssinar with the template already loaded: a lot loads it once, not once per document.
void PrepararComModelo(std::string& xml, std::string_view modelo) {
  const std::string documento = ReplaceAll(xml, "º", "o");
  xml = Format(modelo, {documento, std::string()});
}

} // namespace

bool TvxnNFe::AjustarNotaParaAssinar(std::string&) {
  return false;
}

void TvxnNFe::PrepararXMLAssinar(std::string& xml) {
  AjustarNotaParaAssinar(xml);
  PrepararComModelo(xml, LoadTemplateComponente(GetVersaoManual(), GetUF(), GetTemplateFolder(),
                                                "assinar_nota.xml", GetGovUtils(), GetDiretorioLogErro()));
}

void TvxnNFe::ChecarVersaoEsquema(std::string_view esquema) {
  const TVersaoManual versao = GetVersaoManual();
  if (versao == vm202a)
    return;
  for (const EsquemasDaVersao& e : kEsquemasPorVersao) {
    if (e.versao != versao)
      continue;
    for (std::string_view aceito : e.aceitos)
      if (SameText(esquema, aceito))
        return;
    throw EvxnNFeVersaoEsquemaException(e.mensagem, GetDiretorioLogErro());
  }
}

TvxnNFCeQRCodeConfig TvxnNFe::ConfigQRCode() {
  TvxnNFCeQRCodeConfig c{GetVersaoQRCode(), GetIdCSC(), GetCSC(), GetURLQRCode(), GetURLConsultaNFCe()};
  // The addresses the configuration leaves out are the state's, from the servers file.
  if (c.URLQRCode.empty() || c.URLConsulta.empty()) {
    TvxnIniFile& servidores = AbrirArquivoServidores();
    if (c.URLQRCode.empty())
      c.URLQRCode = servidores.ReadString(GetUF(), "NFCeQRCode", "");
    if (c.URLConsulta.empty())
      c.URLConsulta = servidores.ReadString(GetUF(), "NFCeConsulta", "");
  }
  return c;
}

std::string TvxnNFe::AssinarNota(std::string_view xml) {
  GetTelemetria().Ping("AssinarNota");
  try {
    std::string resultado;
    UpdateNFeData();
    const int numNotas = GetNumNotas(xml);
    if (SoBrancos(xml))
      throw EvxnSignatureException("XML informado está vazio ou inválido", GetDiretorioLogErro());
    if (numNotas == 0)
      throw EvxnNFeException("Não foi possível encontrar notas fiscais no arquivo", GetDiretorioLogErro());
    if (static_cast<std::size_t>(numNotas) > kMaxNotasLote)
      throw EvxnNFeMaxSizeException("O Lote não pode possuir mais de 50 notas.", GetDiretorioLogErro());

    // The certificate is checked once the lot is known to be worth signing.
    ConfigurarPropriedades();
    GetGov().CheckCertificate();

    TvxnGovUtils& utils = GetGovUtils();
    TvxnLoteAssinatura lote(*this,
                            utils.Escape(utils.DynamicRemoveAccents(xml, GetCaracteresRemoverAcentos())));
    lote.PrepararNotas(numNotas);

    // Nothing below changes the component's settings: its signer and error-log folder are read once.
    const std::string logDir = GetDiretorioLogErro();
    TvxnGovX& gov = GetGov();
    const std::string_view texto = lote.Lote();
    resultado.reserve(texto.size() + lote.Notas().size() * kAcrescimoAssinatura);
    std::optional<std::string> modelo; // loaded at the first document, as PrepararXMLAssinar would
    bool modeloApenasEnvolve = false;
    std::unique_ptr<TvxnNFCeQRCode> qrCode; // made at the first NFC-e of the lot
    for (const TvxnNotaDoLote& n : lote.Notas()) {
      if (n.faixa.inicio == std::string_view::npos)
        continue; // a document without an end is skipped
      std::string nota(texto.substr(n.faixa.inicio, n.faixa.fim - n.faixa.inicio));
      if (!modelo) {
        modelo = LoadTemplateComponente(GetVersaoManual(), GetUF(), GetTemplateFolder(), "assinar_nota.xml",
                                        utils, logDir);
        modeloApenasEnvolve = ModeloApenasEnvolve(*modelo);
      }
      const bool ajustada = AjustarNotaParaAssinar(nota);
      // The Id the reading of the key established stands when neither the component's own step nor
      // the wrapping changes anything it relies on.
      const bool idConhecido =
          !ajustada && !n.id.empty() && modeloApenasEnvolve && FindBytes(nota, "º") == std::string::npos;
      PrepararComModelo(nota, *modelo);
      ValidarRegraDeNegocioNFe(nota);
      gov.Get_SignerSettings().ElementName = "infNFe";
      std::string assinada;
      try {
        assinada = gov.SignXmlById(nota, idConhecido ? n.id : GetReferenceInfo(nota, logDir));
      } catch (const std::exception& e) {
        const auto* nfeErro = dynamic_cast<const EvxnException*>(&e);
        throw EvxnSignatureException(nfeErro ? std::string_view(nfeErro->Message()) : e.what(), logDir);
      }
      LimparXMLAssinado(assinada);
      if (GetVersaoManual() == vm60 && TvxnNFCeQRCode::EhNFCe(assinada)) {
        if (!qrCode)
          qrCode = std::make_unique<TvxnNFCeQRCode>(
              ConfigQRCode(), [&gov](std::string_view dados) { return gov.SignDataSha1Base64(dados); },
              logDir);
        assinada = qrCode->Suplementar(std::move(assinada));
      }
      resultado += assinada;
    }
    return resultado;
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao("AssinarNota", e.ClassName(), e.Message());
    throw;
  } catch (const std::exception& e) {
    GetTelemetria().Excecao("AssinarNota", "std::exception", e.what());
    throw;
  }
}

} // namespace vxn
