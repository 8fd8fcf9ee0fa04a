// Documents addressed to the taxpayer: the distribution query (by last NSU, by one NSU, by key) with its
// checks, and the two legacy services it replaced (the query of documents addressed to the taxpayer and
// the download by key), with the writing of what a download by key brings.
#include "events/vxnNFeEventos.h"

#include "events/vxnEventosXMLUtils.h"
#include "vxnCnpj.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn {

namespace {

constexpr std::size_t kDigitosNSU = 15;
constexpr std::size_t kMaxChavesDownload = 10;

// The party element of a request.
std::string ElementoParte(std::string_view cnpjCpf) {
  const std::string tag = cnpjCpf.size() == 11 ? "CPF" : "CNPJ";
  return "<" + tag + ">" + std::string(cnpjCpf) + "</" + tag + ">";
}

// Fills a request template whose {DOC} slot is either the whole party element (layout 4.00) or the CNPJ
// digits inside "<CNPJ>%s</CNPJ>" (layout 3.10).
std::string Documento(const std::string& modelo, std::string_view cnpjCpf) {
  return modelo.find("<CNPJ>%s</CNPJ>") != std::string::npos ? std::string(cnpjCpf) : ElementoParte(cnpjCpf);
}

} // namespace

// ---- Shared pieces ---------------------------------------------------------------------------------------

template <typename ECpf, typename ECnpj>
void TvxnNFeEventos::ChecarDocumento(std::string_view cnpjCpf) const {
  if (cnpjCpf.size() == 11 && !Utils().ValidateCPF(cnpjCpf))
    throw ECpf("CPF é inválido.", GetDiretorioLogErro());
  if (cnpjCpf.size() == 14 && !Utils().ValidateCNPJ(cnpjCpf))
    throw ECnpj("CNPJ é inválido.", GetDiretorioLogErro());
}

std::string TvxnNFeEventos::PastaDownloads() {
  std::string pasta =
      IncludeTrailingPathDelimiter(diretorioDownloads_.empty() ? ProgramDirectory() + "Downloads/"
                                                               : Utils().ExpandPath(diretorioDownloads_));
  if (!DirectoryExists(pasta))
    ForceDirectories(pasta);
  if (!DirectoryExists(pasta)) {
    // A folder that cannot be made where it was asked for (a drive that does not exist, a folder not
    // ours) is made, under the same names, in the program directory.
    std::string relativa = ReplaceAll(pasta, ":", "");
    relativa.erase(0, relativa.find_first_not_of('/'));
    pasta = ProgramDirectory() + relativa;
    ForceDirectories(pasta);
  }
  return pasta;
}

void TvxnNFeEventos::GravarDownload(const std::string& xml, const std::string& arquivo) {
  Utils().SaveToFileUtf8(xml, arquivo);
  if (onDownloadNFe_)
    onDownloadNFe_(arquivo);
}

// ---- Distribution --------------------------------------------------------------------------------------

std::string TvxnNFeEventos::ConsultarDistribuicaoDFe(std::string_view cUFAutor, std::string_view cnpjCpf,
                                                     std::string_view nsu, TNSUKind kind,
                                                     std::string_view chave) {
  const std::string& logDir = GetDiretorioLogErro();
  const std::string uf = Trim(cUFAutor);
  if (Utf8Length(uf) != 2)
    throw EvxnNFeDFeUFInvalidaException("Código da UF deve ter dois digitos.", logDir);
  if (!IsDigits(uf))
    throw EvxnNFeDFeUFInvalidaException("Código da UF deve conter somente números.", logDir);
  // "0" asks from the beginning. The schema (and so the authority) takes an NSU of fifteen digits only,
  // so it is sent as fifteen zeros, which the service reads the same way.
  const bool doInicio = nsu == "0";
  if (!doInicio) {
    if (Utf8Length(nsu) != kDigitosNSU)
      throw EvxnNFeDFeNSUInvalidaException("NSU deve conter 15 dígitos.", logDir);
    if (!IsDigits(nsu))
      throw EvxnNFeDFeNSUInvalidaException("NSU deve conter somente números.", logDir);
  }
  if (cnpjCpf.size() != 11 && cnpjCpf.size() != 14)
    throw EvxnNFeDFeCNPJInvalidoException("Para CNPJ utilize 14 dígitos, para CPF utilize 11 dígitos.",
                                          logDir);
  ChecarDocumento<EvxnNFeDFeCPFInvalidoException, EvxnNFeDFeCNPJInvalidoException>(cnpjCpf);
  if (!chave.empty() && Utf8Length(chave) != 44)
    throw EvxnNFeDFeChaveInvalidaException("Chave da consulta precisa ter 44 digitos", logDir);

  const std::string numero = doInicio ? std::string(kDigitosNSU, '0') : std::string(nsu);
  std::string consulta;
  switch (kind) {
  case nkUltimo:
    consulta = "<distNSU><ultNSU>" + numero + "</ultNSU></distNSU>";
    break;
  case nkEspecifico:
    consulta = "<consNSU><NSU>" + numero + "</NSU></consNSU>";
    break;
  case nkConsChNFe:
    consulta = "<consChNFe><chNFe>" + std::string(chave) + "</chNFe></consChNFe>";
    break;
  }
  const std::string xml = Trim(
      Format(LoadTemplate("consulta_distribuicaodfe.xml"), {TpAmb(), uf, ElementoParte(cnpjCpf), consulta}));
  std::string retorno;
  ConsultarDFe(xml, {}, retorno, {});

  if (kind == nkConsChNFe && ContainsText(retorno, "docZip")) {
    const std::string pasta = PastaDownloads();
    std::string docZip;
    Utils().XPathSelectSingleNode(
        retorno, R"((//*[local-name()="loteDistDFeInt"]/*[local-name()="docZip"])[1]/text())", docZip);
    const std::string documento = Utils().DecompressBase64Gz(Trim(docZip));
    if (documento.empty())
      throw EvxnNFeDescompactarXMLException("Verifique se o conteúdo informado é um xml compactado válido",
                                            logDir);
    GravarDownload(documento, pasta + std::string(chave) + "-nfe.xml");
  }
  return retorno;
}

// ---- The legacy destination query ------------------------------------------------------------------------

std::string TvxnNFeEventos::ConsultarNFeDestinadas(int indNFe, int indEmi, std::string_view ultNSU) {
  const std::string& logDir = GetDiretorioLogErro();
  const std::string ultimo = ultNSU.empty() ? "0" : std::string(ultNSU);
  const std::string cnpj = Trim(GetCNPJ());
  if (cnpj.size() != 11 && cnpj.size() != 14)
    throw EvxnNFeEventosCNPJCPFInvalidException("Campo CNPJ/CPF é inválido.", logDir);
  ChecarDocumento<EvxnNFeEventosCPFInvalidException, EvxnNFeEventosCNPJInvalidException>(cnpj);
  if (indNFe < 0 || indNFe >= 3)
    throw EvxnNFeEventosIndNFeInvalidException("Indicador de NF-e (indNFe) da Consulta é inválido.", logDir);
  if (indEmi < 0 || indEmi >= 2)
    throw EvxnNFeEventosIndEmiInvalidException("Indicador do Emissor (indEmi) da NF-e é inválido.", logDir);
  if (!IsDigits(ultimo))
    throw EvxnNFeEventosUltNSUInvalidException("Último NSU (ultNSU) deve conter apenas números.", logDir);
  if (ultimo.size() > kDigitosNSU)
    throw EvxnNFeEventosUltNSUInvalidException("Último NSU (ultNSU) deve conter apenas no máximo 15 dígitos.",
                                               logDir);
  try {
    const std::string modelo = LoadTemplate("consulta_nfdestinadas.xml");
    return ConsultarEvento(Format(modelo, {TpAmb(), Documento(modelo, cnpj), indNFe, indEmi, ultimo}));
  } catch (const EvxnException& e) {
    throw EvxnNFeEventosException(
        "Um problema foi encontrado durante a Consulta de NF Destinadas: \"" + e.Message() + "\"", logDir);
  }
}

// ---- The legacy download ---------------------------------------------------------------------------------

std::string TvxnNFeEventos::DownloadNFe(std::string_view chaves) {
  const std::string& logDir = GetDiretorioLogErro();
  const std::string cnpj = Trim(GetCNPJ());
  if (cnpj.size() != 11 && cnpj.size() != 14)
    throw EvxnNFeEventosCNPJCPFInvalidException("Campo CNPJ/CPF é inválido.", logDir);
  ChecarDocumento<EvxnNFeEventosCPFInvalidException, EvxnNFeEventosCNPJInvalidException>(cnpj);
  std::vector<std::string> lista;
  for (const std::string& c : Split(chaves, ','))
    if (!Trim(c).empty())
      lista.push_back(Trim(c));
  if (lista.empty())
    throw EvxnNFeEventoDownloadNFeException("Nenhuma Chave de NF-e foi informada.", logDir);
  if (lista.size() > kMaxChavesDownload)
    throw EvxnNFeEventoDownloadLimitNotasException(
        "São permitidas no máximo 10 notas por solicitação de download.", logDir);
  std::string elementos;
  for (const std::string& c : lista) {
    if (c.size() != 44)
      throw EvxnNFeEventoDownloadNFeException(
          "A Chave \"" + c + "\" é inválida. Deve conter exatamente 44 dígitos", logDir);
    if (!IsDigits(c) && !FormaChaveAcesso(c))
      throw EvxnNFeEventoDownloadNFeException("A Chave \"" + c + "\" é inválida. Deve conter apenas números",
                                              logDir);
    elementos += "<chNFe>" + c + "</chNFe>";
  }
  const std::string modelo = LoadTemplate("evento_downloadNFe.xml");
  std::string xml;
  if (modelo.find("<CNPJ>%s</CNPJ>") != std::string::npos) // layout 3.10: the keys follow the CNPJ
    xml = ReplaceAll(Format(modelo, {TpAmb(), "", cnpj}), "</CNPJ>", "</CNPJ>" + elementos);
  else
    xml = Format(modelo, {TpAmb(), ElementoParte(cnpj), elementos});
  return DownloadNFeEvento(xml);
}

std::string TvxnNFeEventos::DownloadNFeSoap(std::string_view xml) {
  const std::string ns = std::string(uri::kNFe) + "/wsdl/NfeDownloadNF";
  return Postar("NFeDownloadNf", EnveloparDownloadSoap(xml), ns + "/nfeDownloadNF", "nfeDownloadNFResult", ns,
                "DownloadNFe");
}

std::string TvxnNFeEventos::DownloadNFeEvento(std::string_view xml) {
  const std::string& logDir = GetDiretorioLogErro();
  std::string retorno;
  try {
    ValidarXmlEvento(xml, "DOWNLOADNFE");
    const std::string id = GetCNPJ() + "-" + Carimbo();
    GravarLog(xml, "down-env", id);
    retorno = Desenvelopar(DownloadNFeSoap(xml), "retDownloadNFe");
    GravarLog(retorno, "down-ret", id);
  } catch (const EvxnException& e) {
    throw EvxnNFeEventoDownloadNFeException(
        "Um problema foi encontrado durante o Download da NFe: \"" + e.Message() + "\"", logDir);
  }
  if (Utils().GetValueTag("cStat", retorno) != "139")
    return retorno;
  const std::string pasta = PastaDownloads();
  for (const std::string& ret : Utils().XPathSelectNodes(retorno, R"(//*[local-name()="retNFe"])")) {
    if (Utils().GetValueTag("cStat", ret) != "140")
      continue;
    const std::string chNFe = Trim(Utils().GetValueTag("chNFe", ret));
    std::string documento;
    if (!Utils().XPathSelectSingleNode(ret, R"(//*[local-name()="procNFe"]/*)", documento) ||
        documento.empty()) {
      const std::string nfe = Utils().DecompressBase64Gz(Trim(Utils().GetValueTag("NFeZip", ret)));
      const std::string prot = Utils().DecompressBase64Gz(Trim(Utils().GetValueTag("protNFeZip", ret)));
      if (nfe.empty() || prot.empty())
        throw EvxnNFeEventoDownloadNFeException(
            "Um problema foi encontrado durante da descompactação das NFe: \"A NF-e " + chNFe +
                " não veio compactada em gzip e Base64\"",
            logDir);
      documento =
          Format(LoadTemplate("resposta_eventoDownloadNFe.xml"),
                 {TvxnEventosXMLUtils::RemoveHeaderXml(nfe), TvxnEventosXMLUtils::RemoveHeaderXml(prot)});
    }
    GravarDownload(documento, pasta + chNFe + "-NFe.xml");
  }
  return retorno;
}

} // namespace vxn
