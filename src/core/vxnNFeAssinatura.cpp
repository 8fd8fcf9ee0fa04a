// Signing of NF-e lots: the contingency and operating-mode checks of each document, the CSRT hash of
// the technical responsible, the enveloped signature by Id and the clean-up of the signer's output;
// and the check of a schema package name against the configured layout version.
#include "vxnNFe.h"

#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeIdentificadores.h"
#include "xml/vxnNFeTemplateFiles.h"
#include "xml/vxnNFeUtils.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>

namespace vxn {
namespace {

constexpr std::size_t kMaxNotasLote = 50;
constexpr std::string_view kInicioNota = "<infNFe";
constexpr std::string_view kFimNota = "</infNFe>";

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of the first occurrence of needle in s at or after `from`, ignoring ASCII case.
std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from = 0) {
  if (needle.empty() || needle.size() > s.size())
    return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && LowerAscii(s[i + k]) == LowerAscii(needle[k]))
      ++k;
    if (k == needle.size())
      return i;
  }
  return std::string_view::npos;
}

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

// Start of the document that follows the one starting at `inicio` (the next "<infNFe"); with npos, the
// first document of the text. npos when there is none. Walking the lot this way finds document i where
// counting i occurrences from the start would, without reading the text again for every document.
std::size_t ProximaNota(std::string_view xml, std::size_t inicio) {
  return inicio == std::string_view::npos ? xml.find(kInicioNota)
                                          : xml.find(kInicioNota, inicio + kInicioNota.size());
}

// Start of document `indice` in a lot text (the position of its "<infNFe"), npos when there is none.
std::size_t InicioNota(std::string_view xml, int indice) {
  std::size_t pos = ProximaNota(xml, std::string_view::npos);
  for (int i = 0; i < indice && pos != std::string_view::npos; ++i)
    pos = ProximaNota(xml, pos);
  return pos;
}

// Range [inicio, fim) of a document in the lot text; fim is past its "</infNFe>".
struct Faixa {
  std::size_t inicio = std::string_view::npos;
  std::size_t fim = std::string_view::npos;
};

// The range of the document starting at `inicio`; an empty range (inicio npos) when it has no end.
Faixa FaixaDe(std::string_view xml, std::size_t inicio) {
  Faixa f;
  if (inicio == std::string_view::npos)
    return f;
  const std::size_t fimTag = xml.find(kFimNota, inicio);
  if (fimTag == std::string_view::npos)
    return f;
  f.inicio = inicio;
  f.fim = fimTag + kFimNota.size();
  return f;
}

Faixa FaixaNota(std::string_view xml, int indice) {
  return FaixaDe(xml, InicioNota(xml, indice));
}

// Replaces the content of the first element `tag` of `conteudo` (tag names compared ignoring case), or
// appends the element at the end when there is none.
std::string DefinirElemento(std::string_view conteudo, std::string_view tag, std::string_view valor) {
  const std::string abre = "<" + std::string(tag) + ">";
  const std::string fecha = "</" + std::string(tag) + ">";
  std::size_t ini = FindText(conteudo, abre);
  std::size_t fim = ini == std::string_view::npos ? ini : FindText(conteudo, fecha, ini + abre.size());
  if (fim == std::string_view::npos)
    return std::string(conteudo) + abre + std::string(valor) + fecha;
  std::string out(conteudo.substr(0, ini + abre.size()));
  out.append(valor).append(conteudo.substr(fim));
  return out;
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
constexpr std::array<std::string_view, 2> kPl009{"pl_009", "pl_009g"};

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
    {vm60, kPl009, "Versão esquema não condiz com a versão manual definida, utilize ( pl_009, pl_009g )."},
}};

} // namespace

// ---- TvxnCustomNFe ---------------------------------------------------------------------------------

void TvxnCustomNFe::ValidarRegraDeNegocioNFe(std::string_view xml) {
  const std::string tpEmis = GetValueTag("tpEmis", xml);
  const TVersaoManual versao = GetVersaoManual();
  if (versao >= vm40 && versao <= vm60) {
    const bool temContingencia =
        xml.find("xJust") != std::string_view::npos || xml.find("dhCon") != std::string_view::npos;
    if (SameText(tpEmis, "1")) {
      if (temContingencia)
        throw EvxnNFeException("556 - Rejeição: Justificativa de entrada em contingência não deve ser "
                               "informada para tipo de emissão normal",
                               GetDiretorioLogErro());
    } else if (tpEmis.size() == 1 && tpEmis[0] >= '2' && tpEmis[0] <= '7') {
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
  if (std::size_t pos = xml.find(declaracao); pos != std::string::npos)
    xml.erase(pos, declaracao.size());
  if (xml.find("\r\n") != std::string::npos)
    xml = ReplaceAll(xml, "\r\n", "");
}

// ---- TvxnNFe ---------------------------------------------------------------------------------------

int TvxnNFe::GetNumNotas(std::string_view xml) {
  // The search goes on one character past the tag: "<infNFe" is 7 characters, the step is 8.
  constexpr std::size_t kPasso = kInicioNota.size() + 1;
  int n = 0;
  for (std::size_t pos = xml.find(kInicioNota); pos != std::string_view::npos;
       pos = xml.find(kInicioNota, pos + kPasso))
    ++n;
  return n;
}

std::string TvxnNFe::GetNota(int indice, std::string_view lote) {
  if (indice < 0)
    return {};
  const Faixa f = FaixaNota(lote, indice);
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

void TvxnNFe::PrepararXMLAssinar(std::string& xml) {
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

namespace {

// The key of a document (after "NFe" in the Id of its infNFe) and, when the component has the
// technical responsible's CSRT, the lot text with that document's idCSRT and hashCSRT set.
class AssinaturaLote {
public:
  AssinaturaLote(TvxnNFe& nfe, std::string lote) : nfe_(nfe), lote_(std::move(lote)) {}

  const std::string& Lote() const { return lote_; }

  // Checks the key of each document in lot order and sets its CSRT hash when the component has a CSRT.
  void PrepararNotas(int numNotas) {
    std::size_t inicio = std::string_view::npos;
    for (int i = 0; i < numNotas; ++i) {
      // A document's CSRT goes in after its "<infNFe", so the next one is still found from its start.
      inicio = ProximaNota(lote_, inicio);
      if (inicio == std::string_view::npos)
        return;
      PrepararNota(FaixaDe(lote_, inicio));
    }
  }

private:
  void PrepararNota(const Faixa& f) {
    if (f.inicio == std::string::npos)
      return;
    const std::string_view nota = std::string_view(lote_).substr(f.inicio, f.fim - f.inicio);
    // The Id of the infNFe, as the XPath .//*[local-name()="infNFe"]/@Id gives it, without building a tree.
    std::string id;
    if (!nfe_.GetGovUtils().FindAttribute(nota, "infNFe", "Id", id))
      return;
    const std::string chave = Utf8Mid(id, 3, 44);
    if (Utf8Length(chave) != 44 || !IsDigits(chave))
      throw EvxnSignatureException(
          "Chave inválida, a chave deve conter apenas números, e conter 44 caracteres",
          nfe_.GetDiretorioLogErro());
    if (!nfe_.GetIdCSRT().empty() && !nfe_.GetCSRT().empty())
      DefinirHashCSRT(f, chave);
  }

  // Replaces the content of the document's infRespTec (when it has a non-empty one) by the same
  // content with idCSRT and hashCSRT of that document's own key.
  void DefinirHashCSRT(const Faixa& f, const std::string& chave) {
    const std::string_view nota = std::string_view(lote_).substr(f.inicio, f.fim - f.inicio);
    std::size_t abre = nota.find("<infRespTec");
    if (abre == std::string_view::npos)
      return;
    std::size_t inicioConteudo = nota.find('>', abre);
    if (inicioConteudo == std::string_view::npos || nota[inicioConteudo - 1] == '/')
      return;
    ++inicioConteudo;
    std::size_t fimConteudo = nota.find("</infRespTec>", inicioConteudo);
    if (fimConteudo == std::string_view::npos || fimConteudo == inicioConteudo)
      return;
    const std::string_view antigo = nota.substr(inicioConteudo, fimConteudo - inicioConteudo);
    const std::string hash =
        TvxnNFeIdentificadores(nfe_.GetVersaoManual(), nfe_.GetLocalCode(), nfe_.GetDiretorioLogErro())
            .CalcularHashCSRT(chave, nfe_.GetCSRT(), nfe_.GetGovUtils());
    std::string novo = DefinirElemento(antigo, "idCSRT", nfe_.GetIdCSRT());
    novo = DefinirElemento(novo, "hashCSRT", hash);
    lote_.replace(f.inicio + inicioConteudo, antigo.size(), novo);
  }

  TvxnNFe& nfe_;
  std::string lote_;
};

} // namespace

std::string TvxnNFe::AssinarNota(std::string_view xml) {
  GetTelemetria().Ping("AssinarNota");
  try {
    std::string resultado;
    UpdateNFeData();
    const int numNotas = GetNumNotas(xml);
    if (Trim(xml).empty())
      throw EvxnSignatureException("XML informado está vazio ou inválido", GetDiretorioLogErro());
    if (numNotas == 0)
      throw EvxnNFeException("Não foi possível encontrar notas fiscais no arquivo", GetDiretorioLogErro());
    if (static_cast<std::size_t>(numNotas) > kMaxNotasLote)
      throw EvxnNFeMaxSizeException("O Lote não pode possuir mais de 50 notas.", GetDiretorioLogErro());

    // The certificate is checked once the lot is known to be worth signing.
    ConfigurarPropriedades();
    GetGov().CheckCertificate();

    TvxnGovUtils& utils = GetGovUtils();
    AssinaturaLote lote(*this, utils.Escape(utils.DynamicRemoveAccents(xml, GetCaracteresRemoverAcentos())));
    lote.PrepararNotas(numNotas);

    const std::string_view texto = lote.Lote();
    std::optional<std::string> modelo; // loaded at the first document, as PrepararXMLAssinar would
    std::size_t inicio = std::string_view::npos;
    for (int i = 0; i < numNotas; ++i) {
      inicio = ProximaNota(texto, inicio);
      if (inicio == std::string_view::npos)
        break; // as GetNota, every later document is empty
      const Faixa f = FaixaDe(texto, inicio);
      if (f.inicio == std::string_view::npos)
        continue;
      std::string nota(texto.substr(f.inicio, f.fim - f.inicio));
      if (!modelo)
        modelo = LoadTemplateComponente(GetVersaoManual(), GetUF(), GetTemplateFolder(), "assinar_nota.xml",
                                        GetGovUtils(), GetDiretorioLogErro());
      PrepararComModelo(nota, *modelo);
      ValidarRegraDeNegocioNFe(nota);
      GetGov().Get_SignerSettings().ElementName = "infNFe";
      std::string assinada;
      try {
        const std::string id = GetReferenceInfo(nota, GetDiretorioLogErro());
        assinada = GetGov().SignXmlById(nota, id);
      } catch (const std::exception& e) {
        const auto* nfeErro = dynamic_cast<const EvxnException*>(&e);
        throw EvxnSignatureException(nfeErro ? std::string_view(nfeErro->Message()) : e.what(),
                                     GetDiretorioLogErro());
      }
      LimparXMLAssinado(assinada);
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
