// NF-e XML read back into the input dataset: an NFe, a distribution nfeProc, an enviNFe lot or a bare
// infNFe of layout 4.00 fills a TvxnNFeDataSets container part by part, so that a host can edit an
// existing document, print from it or send it again. While filling, every operation can also be
// written as a line of the command text (TX2), and the authorisation data of an nfeProc are collected.
//
// Each part's fields are read from the XML groups the layout puts them in. A part whose fields sit in
// several groups (the totals in ICMSTot, ISSQNtot and retTrib, the carrier and the vehicle of transp,
// the kinds of referenced document) routes each field to its group by the field's layout id: a field
// belongs to the group with the greatest starting id not above its own, so that a tag that two groups
// share (vBC, UF, cUF) is read only where it belongs, and a group absent from the XML stays absent.
// Fields are found by name in the dictionary, so a field the dictionary gains is read without a change
// here as long as it sits in a group already read.
#pragma once

#include "datasets/vxnNFeDataSets.h"
#include "vxnNFeType.h"
#include "vxnStringList.h"
#include "vxnXmlElementTree.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn {

struct TvxnLeituraParte;

class TvxnNFeConvXmlToDataset {
public:
  TvxnNFeConvXmlToDataset();
  ~TvxnNFeConvXmlToDataset();
  TvxnNFeConvXmlToDataset(const TvxnNFeConvXmlToDataset&) = delete;
  TvxnNFeConvXmlToDataset& operator=(const TvxnNFeConvXmlToDataset&) = delete;

  TVersaoEsquema GetVersaoEsquema() const { return versaoEsquema_; }
  void SetVersaoEsquema(TVersaoEsquema v) { versaoEsquema_ = v; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }
  bool GetUsarDatasetExportacao() const { return usarDatasetExportacao_; }
  void SetUsarDatasetExportacao(bool on) { usarDatasetExportacao_ = on; }
  const std::string& GetXml() const { return xml_; }
  void SetXml(std::string_view xml) { xml_ = xml; }
  const std::string& GetXmlDicionario() const { return xmlDicionario_; }
  void SetXmlDicionario(std::string_view path) { xmlDicionario_ = path; }
  // The host's list that receives the command text of the conversion (borrowed; nullptr: none).
  TvxnStringList* GetTX2() const { return tx2_; }
  void SetTX2(TvxnStringList* list) { tx2_ = list; }
  // "tpAmb=", "verAplic=", "chNFe=", "dhRecbto=", "nProt=", "digVal=", "cStat=", "xMotivo=" with the
  // values of the first protNFe of the last conversion (empty values without one).
  const TvxnStringList& GetDadosAutorizacao() const { return dadosAutorizacao_; }

  // A fresh container filled with every document of Xml (each stored, its XML in LoteNFe); it belongs
  // to the caller. XML that is not an NF-e of layout 4.00 raises EvxnNFEConvertDateException.
  std::unique_ptr<TvxnNFeDataSets> ConvertDataset();

  // The number of "<infNFe " in xml, and the index-th document (from 0): the text from its "<infNFe "
  // (or "<nfeProc " when proc is true) up to and including the next "</infNFe>" ("</nfeProc>").
  static int GetNumNotas(std::string_view xml);
  static std::string GetNota(int index, std::string_view xml, bool proc);
  // The XML tag of a dataset field: its name up to the first "_".
  static std::string GetNameXML(std::string_view fieldName);

private:
  void ConvertParts(const TvxnXmlElement& infNFe);
  void ConvertLeitura(const TvxnLeituraParte& leitura, const TvxnXmlElement& contexto);
  void PreencheRegistro(std::string_view part, const TvxnLeituraParte& leitura,
                        const TvxnXmlElement& elemento);
  void DadosDeAutorizacao(const TvxnXmlElement& raiz);
  void Comando(std::string_view linha);

  TVersaoEsquema versaoEsquema_ = pl_009g;
  std::string diretorioLogErro_;
  bool usarDatasetExportacao_ = false;
  std::string xml_;
  std::string xmlDicionario_;
  TvxnStringList* tx2_ = nullptr;
  TvxnStringList dadosAutorizacao_;
  TvxnNFeDataSets* dataSets_ = nullptr; // the container being filled, during ConvertDataset only
};

} // namespace vxn
