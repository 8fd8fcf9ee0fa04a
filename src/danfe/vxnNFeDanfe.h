// TvxnNFeDanfe: prints, previews and exports the printed forms of the component (the DANFE, the
// cancellation, the correction letter and the summary). It takes the XML to print and a parameter text
// of key=value lines, chooses the print-data object that fills the tables, hands the model file, the
// printer, copies, logo, output file, export format and duplex mode to the report engine of the
// government-services object (borrowed) and calls it. docs/danfe-printing.md lists the keys.
#pragma once

#include "danfe/vxnDadosImpressaoEventos.h"
#include "danfe/vxnNFeDanfeDados.h"
#include "vxnNFeType.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnGovX;

class TvxnNFeDanfe {
public:
  explicit TvxnNFeDanfe(TvxnGovX& gov);
  ~TvxnNFeDanfe();
  TvxnNFeDanfe(const TvxnNFeDanfe&) = delete;
  TvxnNFeDanfe& operator=(const TvxnNFeDanfe&) = delete;

  TVersaoManual GetVersao() const { return versao_; }
  // Creates the print data of that layout version, with the default phrases.
  void SetVersao(TVersaoManual v);
  TvxnNFeDanfeDados& GetDados() const { return *dados_; }
  TvxnCancDadosImpressao& GetCanc() const { return *canc_; }
  TvxnCCeDadosImpressao& GetCCe() const { return *cce_; }
  TvxnResumoDadosImpressao& GetResumo() const { return *resumo_; }
  // The XML text, or the path of a file holding it.
  const std::string& GetXML() const { return xml_; }
  void SetXML(std::string_view v) { xml_ = v; }
  const std::string& GetParams() const { return params_; }
  void SetParams(std::string_view v) { params_ = v; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }

  // Each: LoadParams, PopulaDataSet, the engine's operation, then ClearDataSet (also after a failure).
  void Imprimir();
  void Visualizar();
  void Exportar();
  // Raises EvxnNFeReportException: models are edited as text files on Linux.
  void Editar();

  // Applies the parameter text: settings of the print data and of the engine's print settings. The
  // model must exist ("Arquivo RTM não definido.", "Arquivo RTM "f" não encontrado.").
  void LoadParams();
  // Chooses the print data from the XML and fills its tables; their text goes to the print settings.
  void PopulaDataSet();
  void ClearDataSet();
  // The model of the XML: ArquivoRtm for a correction letter, the landscape model for tpImp 2, else
  // the portrait one; expanded.
  std::string GetFileModelo();
  bool IsCanc();
  bool IsCCe();
  bool IsResumo();

private:
  // The XML text: the content of the file it names, else itself.
  std::string Texto() const;
  TvxnTipoDadosImpressao Tipo();
  template <class F> void Executar(F&& operacao);

  TvxnGovX& gov_;
  TVersaoManual versao_ = vm60;
  std::unique_ptr<TvxnNFeDanfeDados> dados_;
  std::unique_ptr<TvxnCancDadosImpressao> canc_;
  std::unique_ptr<TvxnCCeDadosImpressao> cce_;
  std::unique_ptr<TvxnResumoDadosImpressao> resumo_;
  TvxnDadosImpressao* atual_ = nullptr;
  std::string xml_;
  std::string params_;
  std::string diretorioLogErro_;
  // Settings kept from the parameters.
  std::string modeloRetrato_, modeloPaisagem_, arquivoRtm_;
};

// The XML an operation was given: the content of the file it names (a short text without "<" that is
// an existing file's path), else the text itself.
std::string TextoXmlOuArquivo(std::string_view xml);

// The print tables of a print-data object in the text the report engine reads.
std::string SerializeTDataSourceList(const TvxnDadosImpressao& dados);

} // namespace vxn
