// The REC text replayed on the input dataset: each record runs the dataset operation of its group (a
// new document, item or repeated record) and stores its values in the fields whose "rec" entry of the
// dictionary names that group and position. The group identifiers of the 4.00 layout are read, and the
// older ones that name the same records:
//
//   A                      stores the open document, opens the next
//   BA02 BA03 BA10 B19 BA19 BA20 (and B13 B14 B20a B20b B20i B20j)   a referenced document (NREF)
//   GA02 GA03              an authorised reader (AUTXML)          H   stores the open item, opens the next
//   I05A I18 I25 I50 I52 I80 K L   NVE, DI, ADI, DETEXPORT, EXPORTIND, I80, K, L
//   W                      stores the open item                  X22 X26 X33  REBOQUE, VOL, LACRE
//   Y07                    DUP                                    YA01 (older: YA)  a payment (YA)
//   Z04 Z07 Z10            OBSCONT, OBSFISCO, PROCREF             ZC (older: ZC01) ZC04 ZC10  CANA, FORDIA,
//   DEDUC
//
// In 4.00, YA carries the change (vTroco) and YA01 opens each payment. A group that no field of the
// dictionary names (ZX01, NOTAFISCAL) is passed over.
#pragma once

#include "datasets/vxnNFeDataSets.h"
#include "vxnNFeType.h"
#include "vxnRecParser.h"
#include "vxnStringList.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnNFeRecToDs {
public:
  using TOnDataset = std::function<void(TvxnNFeDataSets&)>;

  TvxnNFeRecToDs();

  TvxnRecParser& RecParser() { return recParser_; }
  TVersaoEsquema GetVersaoEsquema() const { return versaoEsquema_; }
  void SetVersaoEsquema(TVersaoEsquema v) { versaoEsquema_ = v; }
  const std::string& GetXMLDicionario() const { return xmlDicionario_; }
  void SetXMLDicionario(std::string_view path) { xmlDicionario_ = path; }
  const std::string& GetTXT() const { return txt_; }
  void SetTXT(std::string_view text) { txt_ = text; }
  bool GetUsarDatasetExportacao() const { return usarDatasetExportacao_; }
  void SetUsarDatasetExportacao(bool on) { usarDatasetExportacao_ = on; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view dir) { diretorioLogErro_ = dir; }
  // Kept for the host; the conversion neither calls nor fills them.
  TOnDataset AfterIncluir, BeforeIncluir, BeforeSalvar, AfterSalvar;
  TvxnStringList& ErrorList() { return errorList_; }
  // Groups whose lines are ignored (compared in upper case): "NOTA FISCAL" and "NOTAFISCAL".
  TvxnStringList& IgnoreList() { return ignoreTags_; }

  // A new container filled from TXT: the XML of its documents (LoteNFe's text, one per line).
  std::string ConverterXML();
  // Fills the container from TXT; a document left open after the last line is stored.
  void Converter(TvxnNFeDataSets& dataSet);

private:
  void HandleGroupSelected(const std::string& grupo, const std::vector<TvxnRecElemento>& elementos);
  void ExecutaMetodosDataset(const std::string& grupo);
  bool EmInsercao(std::string_view parte) const;
  void SalvaSeEmInsercao(std::string_view parte);

  TvxnRecParser recParser_;
  TVersaoEsquema versaoEsquema_ = pl_009g;
  std::string xmlDicionario_;
  std::string txt_;
  std::string diretorioLogErro_;
  TvxnNFeDataSets* dataset_ = nullptr; // during a conversion only
  TvxnStringList errorList_;
  TvxnStringList ignoreTags_;
  bool usarDatasetExportacao_ = false;
  int documentos_ = 0; // A records of the conversion
};

} // namespace vxn
