// What every print-data object of the printed forms has in common: it reads an XML text into named
// in-memory tables (TvxnDataSet) that a report layout prints. The DANFE (vxnNFeDanfeDados.h), the
// cancellation, the correction letter and the summary forms (vxnDadosImpressaoEventos.h) derive from it,
// so that a renderer, the JSON export and the choice of the form treat them alike.
#pragma once

#include "datasets/vxnDataSet.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// One print table and, for a detail table, the link to its master: its rows belong to the master row
// whose `campoMestre` equals their `campoIndice`.
struct TvxnTabelaImpressao {
  std::unique_ptr<TvxnDataSet> dados;
  std::string mestre;      // name of the master table; "" for a master
  std::string campoIndice; // field of this table
  std::string campoMestre; // field of the master
};

class TvxnDadosImpressao {
public:
  TvxnDadosImpressao() = default;
  virtual ~TvxnDadosImpressao() = default;
  TvxnDadosImpressao(const TvxnDadosImpressao&) = delete;
  TvxnDadosImpressao& operator=(const TvxnDadosImpressao&) = delete;

  // The XML to print.
  const std::string& GetXml() const { return xml_; }
  void SetXml(std::string_view xml) { xml_ = xml; }
  // Written where the printed form breaks a line of a free text ("|" by default).
  const std::string& GetLineDelimiter() const { return lineDelimiter_; }
  void SetLineDelimiter(std::string_view v) { lineDelimiter_ = v; }
  // Directory handed to the exceptions raised.
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }

  // Empties every table and fills them from the XML. On a refusal (an exception) every table is
  // left empty.
  virtual void PopulaDataSet() = 0;
  // Removes every row of every table.
  void LimparDataSets();

  // The tables in their fixed order, the master ("Dados") first. Detail tables are linked to their
  // master (TvxnDataSet::SetMasterLink), so that browsing a master row shows its rows only;
  // TvxnDataSet::StoredRecordCount/StoredRecord read every row regardless.
  const std::vector<TvxnTabelaImpressao>& GetTabelas() const { return tabelas_; }
  // The table of that name, or nullptr.
  TvxnDataSet* GetTabela(std::string_view nome) const;
  // "Dados", the master table.
  TvxnDataSet& GetDataSource() const { return *tabelas_.front().dados; }

protected:
  // Declares a table of text fields (255 characters, or 8000 for the long texts named in `longos`),
  // creates and opens it, and links it to its master when one is named.
  TvxnDataSet& CriarTabela(std::string_view nome, const std::vector<std::string_view>& campos,
                           std::string_view mestre = {}, std::string_view campoIndice = {},
                           std::string_view campoMestre = {},
                           const std::vector<std::string_view>& longos = {});

private:
  std::string xml_;
  std::string lineDelimiter_ = "|";
  std::string diretorioLogErro_;
  std::vector<TvxnTabelaImpressao> tabelas_;
};

// The print tables as JSON: one object whose members are the tables in order, each an array of its
// rows (every row, whatever the links), each row an object of every field in declaration order, null
// fields as "". Texts are UTF-8 with JSON's escapes.
std::string TabelasImpressaoParaJson(const TvxnDadosImpressao& dados);

} // namespace vxn
