#include "vxnDadosImpressao.h"

#include "vxnText.h"

#include <algorithm>

namespace vxn {

namespace {

constexpr std::size_t kTamanhoTexto = 255;
constexpr std::size_t kTamanhoTextoLongo = 8000;

} // namespace

void TvxnDadosImpressao::LimparDataSets() {
  for (const TvxnTabelaImpressao& tabela : tabelas_)
    tabela.dados->EmptyDataSet();
}

TvxnDataSet* TvxnDadosImpressao::GetTabela(std::string_view nome) const {
  for (const TvxnTabelaImpressao& tabela : tabelas_)
    if (tabela.dados->Name() == nome)
      return tabela.dados.get();
  return nullptr;
}

TvxnDataSet& TvxnDadosImpressao::CriarTabela(std::string_view nome,
                                             const std::vector<std::string_view>& campos,
                                             std::string_view mestre, std::string_view campoIndice,
                                             std::string_view campoMestre,
                                             const std::vector<std::string_view>& longos) {
  auto tabela = std::make_unique<TvxnDataSet>(nome);
  for (const std::string_view campo : campos) {
    auto field = std::make_unique<TvxnField>();
    field->SetFieldName(campo);
    const bool longo = std::find(longos.begin(), longos.end(), campo) != longos.end();
    field->SetSize(longo ? kTamanhoTextoLongo : kTamanhoTexto);
    tabela->AddField(std::move(field));
  }
  tabela->CreateDataSet();
  if (!mestre.empty())
    if (TvxnDataSet* master = GetTabela(mestre))
      tabela->SetMasterLink(master->DataSource(), campoIndice, campoMestre);
  tabelas_.push_back(
      {std::move(tabela), std::string(mestre), std::string(campoIndice), std::string(campoMestre)});
  return *tabelas_.back().dados;
}

std::string TabelasImpressaoParaJson(const TvxnDadosImpressao& dados) {
  std::string out = "{";
  bool primeiraTabela = true;
  for (const TvxnTabelaImpressao& tabela : dados.GetTabelas()) {
    const TvxnDataSet& t = *tabela.dados;
    out += primeiraTabela ? "\n  " : ",\n  ";
    primeiraTabela = false;
    EscreverJson(out, t.Name());
    out += ": [";
    for (std::size_t r = 0; r < t.StoredRecordCount(); ++r) {
      const auto registro = t.StoredRecord(r);
      out += r == 0 ? "\n    {" : ",\n    {";
      for (std::size_t f = 0; f < t.Fields().size(); ++f) {
        if (f > 0)
          out += ", ";
        EscreverJson(out, t.Fields()[f]->FieldName());
        out += ": ";
        EscreverJson(out, t.Fields()[f]->ValueIn(registro));
      }
      out += "}";
    }
    out += t.StoredRecordCount() == 0 ? "]" : "\n  ]";
  }
  out += "\n}\n";
  return out;
}

} // namespace vxn
