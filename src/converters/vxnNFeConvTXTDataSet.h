// The command-text converter: a text of one command or one field assignment per line replays the
// operations of the input dataset (Incluir, IncluirItem, Salvar, ...) and collects the XML of every
// stored document.
//
//   INCLUIR
//   cNF_B03=12345678
//   INCLUIRITEM
//   cProd_I02=P-1
//   SALVARITEM
//   INCLUIRPARTE=VOL
//   qVol_X27=2
//   SALVARPARTE=VOL
//   SALVAR
//
// Commands are recognised in any case and with blanks around them. A field value is everything after
// the first "=" with only its TAB characters removed: leading blanks, double blanks, further "=" signs
// and case are kept, and the value then goes through the field's own escaping and size.
#pragma once

#include "datasets/vxnNFeDataSets.h"
#include "vxnNFeType.h"
#include "vxnStringList.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnGovUtils;

class TvxnNFeConvTXTDataSet {
public:
  TvxnNFeConvTXTDataSet();
  ~TvxnNFeConvTXTDataSet();
  TvxnNFeConvTXTDataSet(const TvxnNFeConvTXTDataSet&) = delete;
  TvxnNFeConvTXTDataSet& operator=(const TvxnNFeConvTXTDataSet&) = delete;

  // A text naming an existing file loads that file (UTF-8); any other text is the content itself.
  void SetTXT(std::string_view text);
  const std::string& GetTXT() const { return txt_; }
  const TvxnStringList& GetLinhas() const { return linhas_; }

  const std::string& GetXMLDicionario() const { return xmlDicionario_; }
  void SetXMLDicionario(std::string_view path) { xmlDicionario_ = path; }
  TVersaoEsquema GetVersaoEsquema() const { return versaoEsquema_; }
  void SetVersaoEsquema(TVersaoEsquema v) { versaoEsquema_ = v; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view dir) { diretorioLogErro_ = dir; }
  bool GetUsarDatasetExportacao() const { return usarDatasetExportacao_; }
  void SetUsarDatasetExportacao(bool on) { usarDatasetExportacao_ = on; }

  // Replays the lines and returns the text of LoteNFe: the XML of every stored document, one per line
  // (each followed by CR LF).
  std::string Converter();
  // Replays the lines and hands out the filled container; it stays owned by this converter.
  void Converter(TvxnNFeDataSets*& dataSets);
  // The container the lines are replayed on: its business-rule switches (ValidaRegrasNegocio, the
  // exempt rules, the rules' clock) set before Converter apply to every document stored.
  TvxnNFeDataSets& DataSets() { return *dataSets_; }

private:
  void PopulaDataset();
  // Runs the line as a command; false when it is no command.
  bool ExecutaComando(std::string_view linha);
  void AtribuiCampo(std::string_view linha);

  TvxnStringList linhas_;
  std::string txt_;
  std::string xmlDicionario_;
  TVersaoEsquema versaoEsquema_ = pl_009g;
  std::string diretorioLogErro_;
  std::unique_ptr<TvxnGovUtils> govUtils_;
  bool usarDatasetExportacao_ = false;
  std::unique_ptr<TvxnNFeDataSets> dataSets_;
};

} // namespace vxn
