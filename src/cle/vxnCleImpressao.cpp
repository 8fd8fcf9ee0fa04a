// Printing the CL-e: the print tables from the request and the reply, the print parameters, and the
// report engine's operations (print, preview, export to PDF).
#include "cle/vxnCleImpressao.h"

#include "cle/vxnCle.h"
#include "cle/vxnCleException.h"
#include "danfe/vxnNFeDanfe.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnText.h"
#include "vxnXmlLightTree.h"
#include "xml/vxnNFeUtils.h"

#include <charconv>
#include <vector>

namespace vxn {

namespace {

// The state's abbreviation for a code of the request ("35" -> "SP"); the text itself when unknown.
std::string Sigla(std::string_view codigo) {
  const std::string uf = GetUF(codigo);
  return uf.empty() ? std::string(codigo) : uf;
}

// "SP / ABC1D23"; "" when the plate is absent.
std::string Veiculo(const TvxnXmlLightElement& rodo, std::string_view placa, std::string_view uf) {
  const std::string_view p = rodo.ChildText(placa);
  if (p.empty())
    return {};
  const std::string_view u = rodo.ChildText(uf);
  return u.empty() ? std::string(p) : Sigla(u) + " / " + std::string(p);
}

} // namespace

TvxnCLeDadosImpressao::TvxnCLeDadosImpressao() {
  CriarTabela("Dados",
              {"ChaveCLe", "TraNome", "TraCNPJ", "TraCPF", "Modalidade", "Situacao", "Quantidade",
               "VeicPlaca", "VeicCarreta", "VeicCarreta2", "UFOrigDest", "DataEmi", "IdentTransporte"});
  CriarTabela("DadosChaves", {"ChaveCLe", "ChaveAcesso"}, "Dados", "ChaveCLe", "ChaveCLe");
}

void TvxnCLeDadosImpressao::PopulaDataSet() {
  LimparDataSets();
  const std::string& logDir = GetDiretorioLogErro();
  if (Trim(GetXml()).empty())
    throw EvxnCLeException("XML para impressão da CLe está vazio.", logDir);
  TvxnXmlLightElement envio, retorno;
  std::string erro;
  if (!ReadXmlLightTree(GetXml(), envio, erro) || envio.name != "enviCLe")
    throw EvxnCLeException("XML de envio inválido", logDir);
  if (!ReadXmlLightTree(retorno_, retorno, erro) || retorno.name != "retCadCLe")
    throw EvxnCLeException("XML de retorno inválido", logDir);
  if (retorno.ChildText("cStat") != "129")
    throw EvxnCLeException("A CLe não está Autorizada.", logDir);

  std::vector<const TvxnXmlLightElement*> chaves;
  envio.FindAll("chvAcesso", chaves);
  const TvxnXmlLightElement* transp = envio.Child("transp");
  const TvxnXmlLightElement* rodo = envio.Child("rodo");
  const TvxnXmlLightElement* outro = envio.Child("outro");
  const std::string chaveCLe(retorno.ChildText("chvCLe"));

  TvxnDataSet& dados = GetDataSource();
  dados.Append();
  auto campo = [&dados](std::string_view nome, std::string_view valor) {
    dados.FieldByName(nome).SetAsString(valor);
  };
  campo("ChaveCLe", chaveCLe);
  if (transp) {
    campo("TraNome", transp->ChildText("xNome"));
    campo("TraCNPJ", transp->ChildText("CNPJ"));
    campo("TraCPF", transp->ChildText("CPF"));
  }
  campo("Modalidade", rodo ? "RODOVIARIO" : "OUTRO");
  campo("Situacao", retorno.ChildText("xMotivo"));
  campo("Quantidade", std::to_string(chaves.size()));
  if (rodo) {
    campo("VeicPlaca", Veiculo(*rodo, "pVeic", "cUFVeic"));
    campo("VeicCarreta", Veiculo(*rodo, "pCarreta", "cUFCarreta"));
    campo("VeicCarreta2", Veiculo(*rodo, "pCarreta2", "cUFCarreta2"));
  }
  if (outro)
    campo("IdentTransporte", std::string(outro->ChildText("modal")) + " / " +
                                 Sigla(outro->ChildText("cUFTransp")) + " / " +
                                 std::string(outro->ChildText("xIdent")));
  campo("UFOrigDest", Sigla(envio.ChildText("cUFOrig")) + " / " + Sigla(envio.ChildText("cUFDest")));
  campo("DataEmi", retorno.ChildText("dEmi"));
  dados.Post();

  TvxnDataSet& tabelaChaves = *GetTabela("DadosChaves");
  for (const TvxnXmlLightElement* chave : chaves) {
    tabelaChaves.Append();
    tabelaChaves.FieldByName("ChaveCLe").SetAsString(chaveCLe);
    tabelaChaves.FieldByName("ChaveAcesso").SetAsString(chave->text);
    tabelaChaves.Post();
  }
}

// ---- TvxnCle's printing operations -----------------------------------------------------------------------

template <class F>
void TvxnCle::Imprimir(std::string_view envio, std::string_view retorno, std::string_view extras,
                       F&& operacao) {
  TvxnGovX& gov = GetGov();
  TvxnCLeDadosImpressao dados;
  dados.SetDiretorioLogErro(diretorioLogErro_);
  dados.SetXml(TextoXmlOuArquivo(envio));
  dados.SetRetorno(TextoXmlOuArquivo(retorno));

  // The print parameters, as name=value lines; an empty ModeloRTM takes the shipped model.
  const std::string modelo = impressao_.ModeloRTM.empty()
                                 ? Pasta(diretorioTemplates_) + "Impressao/ModeloCLe.rtm"
                                 : impressao_.ModeloRTM;
  TvxnStringList p;
  p.Add("ModeloRTM=" + impressao_.ModeloRTM);
  p.Add("LogotipoEmitente=" + impressao_.LogotipoEmitente);
  p.Add("QtdeCopias=" + std::to_string(impressao_.QtdeCopias));
  p.Add("ArquivoRtm=" + modelo);
  TvxnStringList e;
  e.SetText(extras);
  for (std::size_t i = 0; i < e.Count(); ++i)
    p.Add(e[i]);

  TvxnPrintSettings& ps = gov.Get_PrintSettings();
  const std::string arquivoRtm = ExpandPath(ToNativePath(p.Value("ArquivoRtm")));
  if (!FileExists(arquivoRtm))
    throw EvxnCLeException("Arquivo %s não encontrado.", {arquivoRtm}, diretorioLogErro_);
  int copias = 0;
  const std::string textoCopias = p.Value("QtdeCopias");
  const auto [fim, ec] = std::from_chars(textoCopias.data(), textoCopias.data() + textoCopias.size(), copias);
  if (ec != std::errc() || fim != textoCopias.data() + textoCopias.size() || copias < 1)
    throw EvxnCLeException("Erro ao setar parâmetros de impressão CLe", diretorioLogErro_);
  const std::string logo = p.Value("LogotipoEmitente").empty() ? "" : ExpandPath(p.Value("LogotipoEmitente"));

  dados.PopulaDataSet();
  ps.Params = p.Text();
  ps.ReportFile = arquivoRtm;
  ps.Logo = FileExists(logo) ? logo : std::string();
  ps.Copies = copias;
  ps.Printer = p.Value("Impressora");
  ps.SaveAs = p.Value("SalvarComo");
  ps.ExportFormat = 1;
  ps.Duplex = 0;
  const TvxnDataSet& mestre = dados.GetDataSource();
  ps.Title = std::string(mestre.FieldByName("ChaveCLe").ValueIn(mestre.StoredRecord(0)));
  ps.DataSources = SerializeTDataSourceList(dados);
  try {
    operacao(gov);
  } catch (const EvxnCLeException&) {
    ps.DataSources.clear();
    throw;
  } catch (const EvxnException& erro) {
    ps.DataSources.clear();
    throw EvxnCLeException(erro.Message(), diretorioLogErro_);
  }
  ps.DataSources.clear();
}

void TvxnCle::ImprimirCLe(std::string_view envio, std::string_view retorno, std::string_view impressora) {
  const std::string fila = impressora.empty() ? impressao_.Impressora : std::string(impressora);
  Imprimir(envio, retorno, "Impressora=" + fila, [](TvxnGovX& gov) { gov.PrintReport(); });
}

void TvxnCle::VisualizarCLe(std::string_view envio, std::string_view retorno) {
  Imprimir(envio, retorno, {}, [](TvxnGovX& gov) { gov.PreviewReport(); });
}

void TvxnCle::ExportarCLe(std::string_view envio, std::string_view retorno, std::string_view arquivo) {
  // No save dialog in a library: the caller or the print settings name the file.
  const std::string saida = Trim(arquivo).empty() ? impressao_.SalvarComo : std::string(arquivo);
  if (Trim(saida).empty())
    throw EvxnCLeException("Nome do arquivo de exportação não informado.", diretorioLogErro_);
  Imprimir(envio, retorno, "SalvarComo=" + ExpandPath(ToNativePath(saida)),
           [](TvxnGovX& gov) { gov.ExportReport(); });
}

void TvxnCle::EditarModeloCLe(std::string_view envio, std::string_view retorno) {
  Imprimir(envio, retorno, {}, [](TvxnGovX& gov) { gov.EditReport(); });
  // EditReport never returns.
  throw EvxnCLeException("Erro ao setar parâmetros de impressão CLe", diretorioLogErro_);
}

} // namespace vxn
