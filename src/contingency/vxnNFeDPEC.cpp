#include "contingency/vxnNFeDPEC.h"

#include "danfe/vxnNFeDanfe.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"
#include "xml/vxnNFeUtils.h"

namespace vxn {
namespace {

constexpr std::string_view kSecao = "DPEC";
constexpr std::string_view kFraseDPEC =
    "DANFE impresso em contingência - DPEC regularmente recebida pela Receita Federal do Brasil";
constexpr std::string_view kResumo = "<resNFe><chNFe>%s</chNFe>%s<UF>%s</UF><vNF>%s</vNF><vICMS>%s</vICMS>"
                                     "<vST>%s</vST></resNFe>";
constexpr std::string_view kDeclaracao =
    "<infDPEC Id=\"DPEC%s\"><ideDec><cUF>%s</cUF><tpAmb>%s</tpAmb>"
    "<verProc>%s</verProc><CNPJ>%s</CNPJ><IE>%s</IE></ideDec>%s</infDPEC>";
constexpr std::string_view kInicioId = "Id=\"";

// The value of the first Id attribute of the text ("" when there is none).
std::string PrimeiroId(std::string_view xml) {
  const std::size_t inicio = xml.find(kInicioId);
  if (inicio == std::string_view::npos)
    return {};
  const std::size_t valor = inicio + kInicioId.size();
  const std::size_t fim = xml.find('"', valor);
  return fim == std::string_view::npos ? std::string() : std::string(xml.substr(valor, fim - valor));
}

// The NF-e namespace followed by "/wsdl/" and the service.
std::string NamespaceWsdl(std::string_view servico) {
  return std::string(uri::kNFe) + "/wsdl/" + std::string(servico);
}

} // namespace

TvxnNFeDPEC::TvxnNFeDPEC() {
  GetDanfeSettings().SetFraseContingencia(std::string(kFraseDPEC));
  GetDanfeSettings().SetQtdeCopias(2);
  SetDiagnosticMode(false);
  SetSectionINI(kSecao);
  SetArquivoServidoresHom("nfeServidoresHomDPEC.ini");
  SetArquivoServidoresProd("nfeServidoresProdDPEC.ini");
  SetVersaoManual(vm50);
}

TvxnNFeDPEC::~TvxnNFeDPEC() = default;

std::string TvxnNFeDPEC::UpdatePathVersaoManual(std::string_view path) {
  return TvxnCustomNFe::UpdatePathVersaoManual(path) + "DPEC/";
}

std::string TvxnNFeDPEC::GetTemplateFolder() {
  return GetDiretorioTemplates();
}

void TvxnNFeDPEC::SecaoPadrao() {
  if (GetSectionINI().empty())
    SetSectionINI(kSecao);
}

void TvxnNFeDPEC::LoadConfig(std::string_view fileName) {
  SecaoPadrao();
  TvxnCustomNFe::LoadConfig(fileName);
}

void TvxnNFeDPEC::LoadConfig(TvxnIniFile* ini) {
  SecaoPadrao();
  TvxnCustomNFe::LoadConfig(ini);
}

void TvxnNFeDPEC::SaveConfig(std::string_view fileName) {
  SecaoPadrao();
  TvxnCustomNFe::SaveConfig(fileName);
}

void TvxnNFeDPEC::SaveConfig(TvxnIniFile* ini) {
  SecaoPadrao();
  TvxnCustomNFe::SaveConfig(ini);
}

void TvxnNFeDPEC::LerConfiguracoes(TvxnIniFile& ini) {
  TvxnCustomNFe::LerConfiguracoes(ini);
  const std::string s = SecaoPrincipal();
  // The same keys as the NF-e component's, with the DPEC files as their defaults.
  SetArquivoServidoresHom(ini.ReadString(s, "ArquivoServidoresHom", "nfeServidoresHomDPEC.ini"));
  SetArquivoServidoresProd(ini.ReadString(s, "ArquivoServidoresProd", "nfeServidoresProdDPEC.ini"));
  TDanfeSettings& danfe = GetDanfeSettings();
  danfe.SetLogotipoEmitente(ini.ReadString(s, "LogotipoEmitente", danfe.GetLogotipoEmitente()));
}

void TvxnNFeDPEC::GravarConfiguracoes(TvxnIniFile& ini) {
  TvxnCustomNFe::GravarConfiguracoes(ini);
  ini.WriteString(SecaoPrincipal(), "LogotipoEmitente", GetDanfeSettings().GetLogotipoEmitente());
}

std::string TvxnNFeDPEC::Modelo(std::string_view nome) {
  const std::string caminho = GetTemplateFolder() + std::string(nome);
  if (!FileExists(caminho))
    throw EvxnTemplateNotFoundException("Arquivo de template não encontrado: %s", {caminho},
                                        GetDiretorioLogErro());
  return GetGovUtils().LoadFromFile(caminho);
}

std::string TvxnNFeDPEC::MontarDPEC(std::string_view lote) {
  GetTelemetria().Ping("MontarDPEC");
  std::string resumos;
  std::string ie;
  for (std::size_t pos = lote.find("<infNFe"); pos != std::string_view::npos;
       pos = lote.find("<infNFe", pos + 1)) {
    const std::size_t fim = lote.find("</infNFe>", pos);
    const std::string_view nota = lote.substr(pos, fim == std::string_view::npos ? fim : fim - pos);
    const std::string id = PrimeiroId(nota);
    const std::string chave = id.starts_with("NFe") ? id.substr(3) : id;
    const std::string dest = GetValueTag("dest", nota);
    const std::string cnpj = GetValueTag("CNPJ", dest);
    const std::string documento =
        cnpj.empty() ? "<CPF>" + GetValueTag("CPF", dest) + "</CPF>" : "<CNPJ>" + cnpj + "</CNPJ>";
    const std::string total = GetValueTag("total", nota);
    resumos += Format(kResumo, {chave, documento, GetValueTag("UF", dest), GetValueTag("vNF", total),
                                GetValueTag("vICMS", total), GetValueTag("vST", total)});
    if (ie.empty())
      ie = GetValueTagFilho("emit", "IE", nota);
  }
  return Format(kDeclaracao,
                {GetCNPJ(), GetLocalCode(), GetTipoAmbiente(GetAmbiente()), "1.0", GetCNPJ(), ie, resumos});
}

std::string TvxnNFeDPEC::AssinarDPEC(std::string_view xml) {
  GetTelemetria().Ping("AssinarDPEC");
  TvxnGovUtils& utils = GetGovUtils();
  std::string texto = utils.RemoveAccents(Format(Modelo("assinar_dpec.xml"), {xml, ""}));
  ConfigurarPropriedades();
  CheckCertificate();
  texto = utils.Escape(texto);
  const std::string id = PrimeiroId(texto);
  if (id.empty())
    throw EvxnNFeException("Campo Id não encontrado para o DPEC", GetDiretorioLogErro());
  TvxnGovX& gov = GetGov();
  gov.Get_SignerSettings().ElementName = "infDPEC";
  std::string assinado = gov.SignXmlById(texto, id);
  LimparXMLAssinado(assinado);
  return assinado;
}

std::string TvxnNFeDPEC::EnderecoAN(std::string_view servico) {
  const std::string endereco = AbrirArquivoServidores().ReadString("AN", servico, "");
  if (endereco.empty()) {
    const std::string arquivo =
        GetAmbiente() == akProducao ? GetArquivoServidoresProd() : GetArquivoServidoresHom();
    throw EvxnNFeAddressException("Servidor para %s não definido no arquivo: %s", {servico, arquivo},
                                  GetDiretorioLogErro());
  }
  return endereco;
}

std::string TvxnNFeDPEC::Postar(std::string_view servico, std::string_view envelope, std::string_view wsdl,
                                std::string_view operacao, std::string_view resultado) {
  const std::string endereco = EnderecoAN(servico);
  const std::string ns = NamespaceWsdl(wsdl);
  ConfigurarPropriedades();
  return GetGov().PostSOAP(endereco, envelope, ns + "/" + std::string(operacao), resultado, ns);
}

std::string TvxnNFeDPEC::EnviarDPEC(std::string_view xml, std::string& resposta) {
  GetTelemetria().Ping("EnviarDPEC");
  try {
    if (GetValidarEsquemaAntesEnvio()) {
      try {
        GetGovUtils().ValidateSchemaByDirectory(xml, GetDiretorioEsquemas());
      } catch (const std::exception& e) {
        throw EvxnSchemaValidationException("Validation Error %s", {e.what()}, GetDiretorioLogErro());
      }
    }
    const std::string id = GetValueTag("chNFe", xml);
    Log(xml, "envdpec", id);
    const std::string envelope = Format(Modelo("pedido_enviardpecnfe.soap"), {xml});
    resposta = Postar("NfeRecepcao", envelope, "SCERecepcaoRFB", "sceRecepcaoDPEC", "sceRecepcaoDPECResult");
    Log(resposta, "retdpec", id);
    return resposta;
  } catch (const std::exception& e) {
    throw EvxnNFeException(std::string("Erro ao enviar DPEC: ") + e.what(), GetDiretorioLogErro());
  }
}

std::string TvxnNFeDPEC::ConsultarDPEC(TParamConsDPEC tipo, std::string_view valor) {
  GetTelemetria().Ping("ConsultarDPEC");
  if (tipo == pcChaveNFe && Utf8Length(valor) != 44)
    throw EvxnNFeCheckParams("A Chave da Nota deve possuir 44 dígitos.", GetDiretorioLogErro());
  if (tipo == pcRegDpec && Utf8Length(valor) != 15)
    throw EvxnNFeCheckParams("O Registro de DPEC deve possuir 15 dígitos.", GetDiretorioLogErro());
  if (GetGovUtils().RemoveAccents(valor) != valor)
    throw EvxnNFeCheckParams("O Parâmetro não pode conter acentos: %s", {valor}, GetDiretorioLogErro());
  ConfigurarPropriedades();
  CheckCertificate();
  const std::string pedido =
      Format(Modelo(tipo == pcChaveNFe ? "pedido_consultadpecnfe.xml" : "pedido_consultadpecreg.xml"),
             {GetTipoAmbiente(GetAmbiente()), valor});
  Log(pedido, "ped-sit-dpec", valor);
  try {
    const std::string envelope = Format(Modelo("pedido_consultadpecnfe.soap"), {pedido});
    const std::string resposta =
        Postar("NfeConsulta", envelope, "SCEConsultaRFB", "sceConsultaDPEC", "sceConsultaDPECResult");
    Log(resposta, "sit-dpec", valor);
    return resposta;
  } catch (const std::exception& e) {
    throw EvxnNFeException(std::string("Erro no envio do pacote de consulta DPEC: ") + e.what(),
                           GetDiretorioLogErro());
  }
}

// ---- The DANFE of a declared document ---------------------------------------------------------------

TvxnNFeDanfe& TvxnNFeDPEC::GetDanfe() {
  if (!danfe_)
    danfe_ = std::make_unique<TvxnNFeDanfe>(GetGov());
  danfe_->SetVersao(GetVersaoManual());
  danfe_->SetDiretorioLogErro(GetDiretorioLogErro());
  return *danfe_;
}

TvxnStringList TvxnNFeDPEC::ParametrosDPEC(std::string_view protocolo, std::string_view dataHora,
                                           std::string_view modelo) {
  if (Trim(protocolo).empty())
    throw EvxnCheckParams("Número de Protocolo do DPEC não foi informado", GetDiretorioLogErro());
  if (Trim(dataHora).empty())
    throw EvxnCheckParams("Data Hora do DPEC não foi informado", GetDiretorioLogErro());
  LoadDanfeSettings(false);
  TvxnStringList params = GetDanfeParams();
  if (!modelo.empty()) {
    const std::string nome = ObterNomeCompletoArquivoDANFE("Modelo", modelo);
    params.SetValue("ModeloRetrato", nome);
    params.SetValue("ModeloPaisagem", nome);
  }
  params.SetValue("ProtocoloDPEC", protocolo);
  params.SetValue("DataHoraDPEC", dataHora);
  return params;
}

void TvxnNFeDPEC::Executar(std::string_view xml, const TvxnStringList& params,
                           void (TvxnNFeDanfe::*operacao)()) {
  const std::string texto = FileExists(xml) ? ReadWholeFile(xml) : std::string(xml);
  TvxnNFeDanfe& danfe = GetDanfe();
  danfe.SetXML(texto);
  danfe.SetParams(params.Text());
  (danfe.*operacao)();
}

void TvxnNFeDPEC::ImprimirDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                                std::string_view impressora, std::string_view modelo) {
  GetTelemetria().Ping("ImprimirDanfe");
  TvxnStringList params = ParametrosDPEC(protocolo, dataHora, modelo);
  params.SetValue("Impressora", impressora);
  Executar(xml, params, &TvxnNFeDanfe::Imprimir);
}

void TvxnNFeDPEC::VisualizarDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                                  std::string_view modelo) {
  GetTelemetria().Ping("VisualizarDanfe");
  Executar(xml, ParametrosDPEC(protocolo, dataHora, modelo), &TvxnNFeDanfe::Visualizar);
}

void TvxnNFeDPEC::EditarModeloDanfe(std::string_view xml, std::string_view protocolo,
                                    std::string_view dataHora, std::string_view modelo) {
  GetTelemetria().Ping("EditarModeloDanfe");
  Executar(xml, ParametrosDPEC(protocolo, dataHora, modelo), &TvxnNFeDanfe::Editar);
}

void TvxnNFeDPEC::ExportarDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                                std::string_view arquivo, int formato, std::string_view modelo) {
  GetTelemetria().Ping("ExportarDanfe");
  TvxnStringList params = ParametrosDPEC(protocolo, dataHora, modelo);
  if (Trim(arquivo).empty())
    throw EvxnNFeReportException("Nome do arquivo de exportação não informado.", GetDiretorioLogErro());
  params.SetValue("FormatoExportacao", std::to_string(formato));
  params.SetValue("SalvarComo", arquivo);
  Executar(xml, params, &TvxnNFeDanfe::Exportar);
}

void TvxnNFeDPEC::PreverDanfe(std::string_view xml, std::string_view modelo) {
  GetTelemetria().Ping("PreverDanfe");
  TvxnStringList params = ParametrosDPEC("000000000000000", "0000-00-00T00:00:00", modelo);
  params.SetValue("ValidarRegrasNegocio", "0");
  std::string texto = FileExists(xml) ? ReadWholeFile(xml) : std::string(xml);
  // The declaration (and a declaration line) must not stand before the root element.
  if (texto.starts_with("<?xml"))
    texto.erase(0, texto.find("?>") == std::string::npos ? texto.size() : texto.find("?>") + 2);
  Executar("<root xmlns=\"" + std::string(uri::kNFe) + "\">" + texto + "</root>", params,
           &TvxnNFeDanfe::Visualizar);
}

} // namespace vxn
