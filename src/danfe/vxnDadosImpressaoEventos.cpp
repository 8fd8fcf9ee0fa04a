#include "danfe/vxnDadosImpressaoEventos.h"

#include "danfe/vxnNFeDanfeFormatacao.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "vxnXmlLightTree.h"

#include <vector>

namespace vxn {

namespace {

constexpr std::string_view kXmlInvalido = "XML para exportação do Danfe inválido.";

// The XML read whole, several documents side by side allowed (declarations dropped, one root around).
TvxnXmlLightElement Ler(std::string_view xml, std::string_view logDir) {
  std::string texto = "<vxnDanfe>";
  std::size_t pos = 0;
  if (xml.starts_with("\xEF\xBB\xBF"))
    pos = 3;
  for (std::size_t decl; (decl = xml.find("<?xml", pos)) != std::string_view::npos;) {
    const std::size_t fim = xml.find("?>", decl);
    if (fim == std::string_view::npos)
      break;
    texto.append(xml.substr(pos, decl - pos));
    pos = fim + 2;
  }
  texto.append(xml.substr(pos)).append("</vxnDanfe>");
  TvxnXmlLightElement raiz;
  std::string erro;
  if (!ReadXmlLightTree(texto, raiz, erro))
    throw EvxnNFeException(kXmlInvalido, logDir);
  return raiz;
}

// The request's infEvento of the given type, and the reply's infEvento (inside retEvento).
struct Evento {
  const TvxnXmlLightElement* pedido = nullptr;
  const TvxnXmlLightElement* retorno = nullptr;
};

Evento AcharEvento(const TvxnXmlLightElement& raiz, std::string_view tpEvento) {
  Evento e;
  std::vector<const TvxnXmlLightElement*> eventos, rets;
  raiz.FindAll("evento", eventos);
  raiz.FindAll("retEvento", rets);
  for (const TvxnXmlLightElement* evento : eventos)
    if (const TvxnXmlLightElement* inf = evento->Child("infEvento");
        inf && inf->ChildText("tpEvento") == tpEvento) {
      e.pedido = inf;
      break;
    }
  for (const TvxnXmlLightElement* ret : rets)
    if (const TvxnXmlLightElement* inf = ret->Child("infEvento");
        inf && e.pedido && inf->ChildText("chNFe") == e.pedido->ChildText("chNFe")) {
      e.retorno = inf;
      break;
    }
  return e;
}

std::string_view Texto(const TvxnXmlLightElement* e, std::string_view nome) {
  return e ? e->ChildText(nome) : std::string_view();
}

std::string_view Documento(const TvxnXmlLightElement* e, std::string_view cnpj, std::string_view cpf) {
  const std::string_view v = Texto(e, cnpj);
  return v.empty() ? Texto(e, cpf) : v;
}

void Preencher(TvxnDataSet& dados,
               std::initializer_list<std::pair<std::string_view, std::string_view>> valores) {
  dados.Append();
  for (const auto& [campo, valor] : valores)
    dados.FieldByName(campo).SetAsString(valor);
  dados.Post();
}

} // namespace

TvxnTipoDadosImpressao TipoDadosImpressao(std::string_view xml, bool imprimirTarjaCancelada,
                                          std::string_view logDir) {
  // Most texts are a DANFE's: without the digits of either event type anywhere (nor a character
  // reference that could spell them) the text holds neither event, and is not parsed here only to learn
  // that; the print data read it next and refuse it if it is not XML.
  const bool talvezEvento =
      xml.find("11011") != std::string_view::npos || xml.find("&#") != std::string_view::npos;
  if (!talvezEvento)
    return xml.find("<resNFe") != std::string_view::npos ? TvxnTipoDadosImpressao::tdiResumo
                                                         : TvxnTipoDadosImpressao::tdiDanfe;
  const TvxnXmlLightElement raiz = Ler(xml, logDir);
  if (AcharEvento(raiz, "110110").pedido)
    return TvxnTipoDadosImpressao::tdiCCe;
  if (!imprimirTarjaCancelada && AcharEvento(raiz, "110111").pedido)
    return TvxnTipoDadosImpressao::tdiCancelamento;
  if (xml.find("<resNFe") != std::string_view::npos)
    return TvxnTipoDadosImpressao::tdiResumo;
  return TvxnTipoDadosImpressao::tdiDanfe;
}

// ---- Cancellation ----------------------------------------------------------------------------------------

TvxnCancDadosImpressao::TvxnCancDadosImpressao() {
  CriarTabela("Dados", {"ChaveCancelamento", "CodOrgao", "ChaveNFe", "DataHoraPedido", "NumSeqEvento",
                        "NumProtAutorizacaoNFe", "Justificativa", "TipoEvento", "Motivo", "DataHoraRegistro",
                        "NumProtCancelamento"});
}

void TvxnCancDadosImpressao::PopulaDataSet() {
  LimparDataSets();
  if (GetXml().empty())
    throw EvxnNFeReportException("XML para impressão da Canc está vazio.", GetDiretorioLogErro());
  const TvxnXmlLightElement raiz = Ler(GetXml(), GetDiretorioLogErro());
  const Evento e = AcharEvento(raiz, "110111");
  if (!e.pedido)
    throw EvxnNFeException(kXmlInvalido, GetDiretorioLogErro());
  const std::string* id = e.pedido->Attribute("Id");
  const std::string chave = id ? (id->starts_with("ID") ? id->substr(2) : *id) : std::string();
  const TvxnXmlLightElement* det = e.pedido->Child("detEvento");
  Preencher(GetDataSource(), {{"ChaveCancelamento", chave},
                              {"CodOrgao", e.pedido->ChildText("cOrgao")},
                              {"ChaveNFe", e.pedido->ChildText("chNFe")},
                              {"DataHoraPedido", e.pedido->ChildText("dhEvento")},
                              {"NumSeqEvento", e.pedido->ChildText("nSeqEvento")},
                              {"NumProtAutorizacaoNFe", Texto(det, "nProt")},
                              {"Justificativa", Texto(det, "xJust")},
                              {"TipoEvento", e.pedido->ChildText("tpEvento")},
                              {"Motivo", Texto(e.retorno, "xMotivo")},
                              {"DataHoraRegistro", Texto(e.retorno, "dhRegEvento")},
                              {"NumProtCancelamento", Texto(e.retorno, "nProt")}});
}

// ---- Correction letter ----------------------------------------------------------------------------------

TvxnCCeDadosImpressao::TvxnCCeDadosImpressao() {
  CriarTabela("Dados",
              {"CNPJ", "chNFe", "nProt", "dhRegEvento", "nSeqEvento", "xCorrecao", "cOrgao",
               "LogotipoEmitente", "CPFCNPJDest"},
              {}, {}, {}, {"xCorrecao"});
}

void TvxnCCeDadosImpressao::PopulaDataSet() {
  LimparDataSets();
  if (GetXml().empty())
    throw EvxnNFeReportException("XML para impressão da CCe está vazio.", GetDiretorioLogErro());
  const TvxnXmlLightElement raiz = Ler(GetXml(), GetDiretorioLogErro());
  const Evento e = AcharEvento(raiz, "110110");
  if (!e.pedido)
    throw EvxnNFeException(kXmlInvalido, GetDiretorioLogErro());
  std::string correcao = ReplaceAll(Texto(e.pedido->Child("detEvento"), "xCorrecao"), "\r\n", "\n");
  correcao = ReplaceAll(correcao, "\n", GetLineDelimiter());
  Preencher(GetDataSource(), {{"CNPJ", Documento(e.pedido, "CNPJ", "CPF")},
                              {"chNFe", e.pedido->ChildText("chNFe")},
                              {"nProt", Texto(e.retorno, "nProt")},
                              {"dhRegEvento", Texto(e.retorno, "dhRegEvento")},
                              {"nSeqEvento", e.pedido->ChildText("nSeqEvento")},
                              {"xCorrecao", correcao},
                              {"cOrgao", e.pedido->ChildText("cOrgao")},
                              {"LogotipoEmitente", logotipoEmitente_},
                              {"CPFCNPJDest", Documento(e.retorno, "CNPJDest", "CPFDest")}});
}

// ---- Summary ---------------------------------------------------------------------------------------------

TvxnResumoDadosImpressao::TvxnResumoDadosImpressao() {
  CriarTabela("Dados", {"chNFe", "xNome", "CNPJ", "IE", "dhEmi", "tpNF", "vNF", "digVal", "dhRecbto", "nProt",
                        "cSitNFe"});
}

void TvxnResumoDadosImpressao::PopulaDataSet() {
  LimparDataSets();
  if (GetXml().empty())
    throw EvxnNFeReportException("XML para impressão da Danfe está vazio.", GetDiretorioLogErro());
  const TvxnXmlLightElement raiz = Ler(GetXml(), GetDiretorioLogErro());
  const TvxnXmlLightElement* res = raiz.Find("resNFe");
  if (!res)
    throw EvxnNFeException(kXmlInvalido, GetDiretorioLogErro());
  Preencher(GetDataSource(), {{"chNFe", res->ChildText("chNFe")},
                              {"xNome", res->ChildText("xNome")},
                              {"CNPJ", Documento(res, "CNPJ", "CPF")},
                              {"IE", res->ChildText("IE")},
                              {"dhEmi", res->ChildText("dhEmi")},
                              {"tpNF", res->ChildText("tpNF")},
                              {"vNF", FormatarDecimal(res->ChildText("vNF"), 2)},
                              {"digVal", res->ChildText("digVal")},
                              {"dhRecbto", res->ChildText("dhRecbto")},
                              {"nProt", res->ChildText("nProt")},
                              {"cSitNFe", res->ChildText("cSitNFe")}});
}

} // namespace vxn
