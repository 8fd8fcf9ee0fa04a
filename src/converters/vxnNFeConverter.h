// The converter facade: turns the text a host hands over into NF-e XML, in one of the text layouts of
// TLayoutConvKind, and makes test documents from a command-text template.
//
// Layouts:
//   lkTXTDataSet  command text replayed on the input dataset (TvxnNFeConvTXTDataSet)
//   lkTXTDic      pipe text laid out by the dictionaries of the Conversor folder (TvxnNFeConvDic)
//   lkTXTRec      the REC record layout of the free issuer, replayed on the input dataset
//                 (TvxnNFeRecToDs) with the "rec" entries of the dataset dictionary
// Every data file (the dataset dictionaries NFeDataSets.xml and NFeDataSets_Exportacao.xml, the three
// pipe-text dictionaries and template.txt) is looked up in DiretorioTemplates + "Conversor/".
#pragma once

#include "vxnNFeType.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnGovUtils;
class TvxnNFeDataSets;
class TvxnStringList;

class TvxnNFeConverter {
public:
  TvxnNFeConverter();
  ~TvxnNFeConverter();
  TvxnNFeConverter(const TvxnNFeConverter&) = delete;
  TvxnNFeConverter& operator=(const TvxnNFeConverter&) = delete;

  // The layout folder of the templates, with its trailing "/"; when none was set, "Templates/vm60/"
  // of the program directory (the layout the shipped converter files belong to).
  std::string GetDiretorioTemplates() const;
  // A value not ending in a separator gets "/" appended.
  void SetDiretorioTemplates(std::string_view v);
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }

  // The XML text of the documents of `texto` (the text itself, or the path of a file holding it), one
  // document per line. `versaoNota` is the document version the pipe layout writes
  // into infNFe; `versao` and `exportacao` choose the dataset and its dictionary for the command
  // layout.
  std::string ConvertToXml(std::string_view texto, std::string_view versaoNota, TLayoutConvKind layout,
                           TVersaoEsquema versao, bool exportacao);

  // NF-e XML (an NFe, an nfeProc, an enviNFe lot or an infNFe of layout 4.00; the text itself or the
  // path of its file) read into a new input dataset container with the dictionary NFeDataSets.xml (or
  // NFeDataSets_Exportacao.xml): every document stored, its XML again in LoteNFe. The container belongs
  // to the caller. With tx2, the equivalent command text is appended to it; with dadosAutorizacao, the
  // authorisation data of an nfeProc (see TvxnNFeConvXmlToDataset).
  std::unique_ptr<TvxnNFeDataSets> ConvertXmlToDataSet(std::string_view xml, bool exportacao,
                                                       TVersaoEsquema versao, TvxnStringList* tx2 = nullptr,
                                                       TvxnStringList* dadosAutorizacao = nullptr);

  // DiretorioTemplates + "Conversor/" + nome, expanded; EvxnTemplateNotFoundException when the file
  // does not exist.
  std::string GetTemplateCompletePath(std::string_view nome) const;

  // A command text of `quantidade` test documents made from "template.txt": issuer in the state `UF`
  // (its capital as the town) with `CNPJ`, numbers from nNFInicial on, a random cNF each, issued now.
  // The template's placeholders are %CUF%, %UF%, %CMUN%, %XMUN%, %CNPJ%, %NNF%, %CNF% and %DHEMI%.
  // Convert the result with lkTXTDataSet.
  std::string GeraNFs_Random(int quantidade, std::string_view UF, std::string_view CNPJ, int nNFInicial = 1);

  // The utility object of the government-services library, created on first use.
  TvxnGovUtils& GetGovUtils();

private:
  std::string ConverterDataSet(std::string_view texto, TVersaoEsquema versao, bool exportacao);

  std::string diretorioTemplates_;
  std::string diretorioLogErro_;
  std::unique_ptr<TvxnGovUtils> govUtils_;
};

} // namespace vxn
