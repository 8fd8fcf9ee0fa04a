#include "danfe/vxnNFeDanfe.h"

#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnText.h"

#include <charconv>

namespace vxn {
namespace {

bool Inteiro(const std::string& v, int& out) {
  int n = 0;
  auto [fim, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc() || fim != v.data() + v.size())
    return false;
  out = n;
  return true;
}

// Booleans of the parameters: "1" (and the INI file's "-1") on, "0" off.
bool Ligado(const std::string& v) {
  return v == "1" || v == "-1" || SameText(v, "true");
}

} // namespace

std::string SerializeTDataSourceList(const TvxnDadosImpressao& dados) {
  TvxnDadosRelatorio r;
  for (const TvxnTabelaImpressao& t : dados.GetTabelas()) {
    TvxnTabelaRelatorio tab{t.dados->Name(), t.mestre, t.campoIndice, t.campoMestre, {}, {}};
    for (const auto& f : t.dados->Fields())
      tab.campos.push_back(f->FieldName());
    for (std::size_t i = 0; i < t.dados->StoredRecordCount(); ++i) {
      std::vector<std::string> linha;
      for (const auto& v : t.dados->StoredRecord(i))
        linha.push_back(v ? *v : std::string());
      tab.linhas.push_back(std::move(linha));
    }
    r.tabelas.push_back(std::move(tab));
  }
  return EscreverDadosRelatorio(r);
}

TvxnNFeDanfe::TvxnNFeDanfe(TvxnGovX& gov)
    : gov_(gov), canc_(std::make_unique<TvxnCancDadosImpressao>()),
      cce_(std::make_unique<TvxnCCeDadosImpressao>()), resumo_(std::make_unique<TvxnResumoDadosImpressao>()) {
  SetVersao(vm60);
}

TvxnNFeDanfe::~TvxnNFeDanfe() = default;

void TvxnNFeDanfe::SetVersao(TVersaoManual v) {
  if (dados_ && versao_ == v)
    return;
  versao_ = v;
  dados_ = CriarNFeDanfeDados(v);
  dados_->SetFraseContingencia("DANFE em Contingência - impresso em decorrência de problemas técnicos");
  dados_->SetFraseHomologacao("SEM VALOR FISCAL");
}

std::string TextoXmlOuArquivo(std::string_view xml) {
  if (xml.size() < 4096 && xml.find('<') == std::string_view::npos && FileExists(xml))
    return ReadWholeFile(xml);
  return std::string(xml);
}

std::string TvxnNFeDanfe::Texto() const {
  return TextoXmlOuArquivo(xml_);
}

TvxnTipoDadosImpressao TvxnNFeDanfe::Tipo() {
  return TipoDadosImpressao(Texto(), dados_->GetImprimirTarjaCancelada(), diretorioLogErro_);
}

bool TvxnNFeDanfe::IsCanc() {
  return Tipo() == TvxnTipoDadosImpressao::tdiCancelamento;
}
bool TvxnNFeDanfe::IsCCe() {
  return Tipo() == TvxnTipoDadosImpressao::tdiCCe;
}
bool TvxnNFeDanfe::IsResumo() {
  return Tipo() == TvxnTipoDadosImpressao::tdiResumo;
}

std::string TvxnNFeDanfe::GetFileModelo() {
  std::string modelo;
  if (IsCCe()) {
    modelo = arquivoRtm_;
  } else {
    const std::string xml = Texto();
    const std::size_t p = xml.find("<tpImp>");
    const bool paisagem = p != std::string::npos && xml.compare(p + 7, 9, "2</tpImp>") == 0;
    modelo = paisagem ? modeloPaisagem_ : modeloRetrato_;
  }
  return modelo.empty() ? modelo : ExpandPath(modelo);
}

void TvxnNFeDanfe::LoadParams() {
  TvxnStringList p;
  p.SetText(params_);
  // A key that is absent or empty leaves its setting as it is.
  auto com = [&p](std::string_view chave, auto&& aplicar) {
    const std::string v = p.Value(chave);
    if (!v.empty())
      aplicar(v);
  };
  com("VersaoManual", [this](const std::string& v) { SetVersao(StrToVersaoManual(v)); });
  TvxnNFeDanfeDados* d = dados_.get();
  TvxnPrintSettings& ps = gov_.Get_PrintSettings();
  com("ModeloRetrato", [this](const std::string& v) { modeloRetrato_ = v; });
  com("ModeloPaisagem", [this](const std::string& v) { modeloPaisagem_ = v; });
  com("ArquivoRtm", [this](const std::string& v) { arquivoRtm_ = v; });
  com("LogotipoEmitente", [&](const std::string& v) {
    const std::string logo = ExpandPath(v);
    ps.Logo = FileExists(logo) ? logo : std::string();
    cce_->SetLogotipoEmitente(ps.Logo);
  });
  com("FraseContingencia", [d](const std::string& v) { d->SetFraseContingencia(v); });
  com("FraseHomologacao", [d](const std::string& v) { d->SetFraseHomologacao(v); });
  com("ProtocoloDPEC", [d](const std::string& v) { d->SetProtocoloDPEC(v); });
  com("DataHoraDPEC", [d](const std::string& v) { d->SetDataHoraDPEC(v); });
  com("ProtocoloEPEC", [d](const std::string& v) { d->SetProtocoloEPEC(v); });
  com("DataHoraEPEC", [d](const std::string& v) { d->SetDataHoraEPEC(v); });
  com("LineDelimiter", [&](const std::string& v) {
    d->SetLineDelimiter(v);
    canc_->SetLineDelimiter(v);
    cce_->SetLineDelimiter(v);
    resumo_->SetLineDelimiter(v);
  });
  const std::pair<const char*, void (TvxnNFeDanfeDados::*)(bool)> booleanos[] = {
      {"ImprimirTarjaCancelada", &TvxnNFeDanfeDados::SetImprimirTarjaCancelada},
      {"ImprimirVolume", &TvxnNFeDanfeDados::SetImprimirVolume},
      {"ImprimirDuplicata", &TvxnNFeDanfeDados::SetImprimirDuplicata},
      {"ImprimirUnidadeTributada", &TvxnNFeDanfeDados::SetImprimirUnidadeTributada},
      {"MensagemPartilhaAutomatica", &TvxnNFeDanfeDados::SetMensagemPartilhaAutomatica},
      {"MensagemFCP", &TvxnNFeDanfeDados::SetMensagemFCP},
      {"ValidarRegrasNegocio", &TvxnNFeDanfeDados::SetValidarRegrasNegocio},
      {"ImprimirObsCont", &TvxnNFeDanfeDados::SetImprimirObsCont},
      {"ImprimirLocalRetiradaEntrega", &TvxnNFeDanfeDados::SetImprimirLocalRetiradaEntrega},
      {"InfCplQuebrarLinhaAut", &TvxnNFeDanfeDados::SetInfCplQuebrarLinhaAut},
      {"ImprimirTarjaDenegada", &TvxnNFeDanfeDados::SetImprimirTarjaDenegada},
      {"MensagemIcmsDesonerado", &TvxnNFeDanfeDados::SetMensagemIcmsDesonerado}};
  // Captured by an init-capture, not by name: clang before 16 cannot capture a structured binding.
  for (const auto& [chave, setter] : booleanos)
    com(chave, [d, definir = setter](const std::string& v) { (d->*definir)(Ligado(v)); });
  int n = 0;
  com("InfCplMaxCol", [&](const std::string& v) {
    if (Inteiro(v, n))
      d->SetInfCplMaxCol(n);
  });
  com("InfCplMaxRow", [&](const std::string& v) {
    if (Inteiro(v, n))
      d->SetInfCplMaxRow(n);
  });
  com("ConfigTextoRodapeEsq", [d](const std::string& v) { d->SetConfigTextoRodapeEsq(v); });
  com("ConfigTextoRodapeDir", [d](const std::string& v) { d->SetConfigTextoRodapeDir(v); });
  com("QtdeCopias", [&](const std::string& v) {
    if (Inteiro(v, n))
      ps.Copies = n;
  });
  com("FormatoExportacao", [&](const std::string& v) {
    if (Inteiro(v, n))
      ps.ExportFormat = n;
  });
  com("ImprimirFrenteVerso", [&](const std::string& v) {
    const std::string modo = AsciiUpper(v);
    ps.Duplex = modo == "VERTICAL" ? 1 : modo == "HORIZONTAL" ? 2 : 0;
  });
  com("Impressora", [&](const std::string& v) { ps.Printer = v; });
  com("SalvarComo", [&](const std::string& v) { ps.SaveAs = v; });

  const std::string modelo = GetFileModelo();
  if (modelo.empty())
    throw EvxnNFeReportException("Arquivo RTM não definido.", diretorioLogErro_);
  if (!FileExists(modelo))
    throw EvxnNFeReportException("Arquivo RTM \"" + modelo + "\" não encontrado.", diretorioLogErro_);
  ps.ReportFile = modelo;
}

void TvxnNFeDanfe::PopulaDataSet() {
  std::string xml = Texto();
  if (Trim(xml).empty())
    throw EvxnNFeReportException("XML para impressão da Danfe está vazio.", diretorioLogErro_);
  switch (Tipo()) {
  case TvxnTipoDadosImpressao::tdiCCe:
    atual_ = cce_.get();
    break;
  case TvxnTipoDadosImpressao::tdiCancelamento:
    atual_ = canc_.get();
    break;
  case TvxnTipoDadosImpressao::tdiResumo:
    atual_ = resumo_.get();
    break;
  case TvxnTipoDadosImpressao::tdiDanfe:
    atual_ = dados_.get();
    break;
  }
  atual_->SetDiretorioLogErro(diretorioLogErro_);
  atual_->SetXml(xml);
  atual_->PopulaDataSet();
  TvxnPrintSettings& ps = gov_.Get_PrintSettings();
  ps.DataSources = SerializeTDataSourceList(*atual_);
  // The document's title: the access key of the DANFE, or of the event's document.
  const TvxnDataSet& mestre = atual_->GetDataSource();
  ps.Title.clear();
  if (mestre.StoredRecordCount() > 0)
    for (const char* campo : {"CodBarra", "ChaveNFe", "chNFe"})
      if (const TvxnField* f = mestre.FindField(campo); f && ps.Title.empty())
        ps.Title = std::string(f->ValueIn(mestre.StoredRecord(0)));
}

void TvxnNFeDanfe::ClearDataSet() {
  if (atual_)
    atual_->LimparDataSets();
  gov_.Get_PrintSettings().DataSources.clear();
  atual_ = nullptr;
}

template <class F> void TvxnNFeDanfe::Executar(F&& operacao) {
  gov_.Set_ErrorLogDirectory(diretorioLogErro_);
  try {
    LoadParams();
    PopulaDataSet();
    operacao();
  } catch (...) {
    ClearDataSet();
    throw;
  }
  ClearDataSet();
}

void TvxnNFeDanfe::Imprimir() {
  Executar([this] { gov_.PrintReport(); });
}

void TvxnNFeDanfe::Visualizar() {
  Executar([this] { gov_.PreviewReport(); });
}

void TvxnNFeDanfe::Exportar() {
  Executar([this] { gov_.ExportReport(); });
}

void TvxnNFeDanfe::Editar() {
  gov_.Set_ErrorLogDirectory(diretorioLogErro_);
  gov_.EditReport();
}

} // namespace vxn
