// The base of the NF-e version datasets: the document and item part lists, the lot list, the
// record-editing states of the document and of the current item, and the document operations.
#pragma once

#include "vxnXmlDataSetNFe.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vxn {

class TvxnNFeCustomDataSet : public TvxnXMLDataSetNFe {
public:
  TvxnNFeCustomDataSet();

  std::unique_ptr<TXmlFieldNFe> CreateXmlField(TXmlDataSetNFe& part) override;
  // Also reads "rec".
  void GetAtributosComplementares(const TvxnXmlElement& node, TXmlFieldNFe& field) override;
  void SetXMLDicionario(std::string_view path) override;
  // Loads the parts, then fills the direct part references and the two part lists.
  void CreateListDataSets() override;
  // Empties every part and appends one record to every document part.
  void Incluir() override;

  // Posts every item part being edited or inserted; needs a dictionary.
  virtual void SalvarItem();
  // Stores the current item when there is one, then appends one record to every item part.
  virtual void IncluirItem();
  // Stores the current document (the item, then every document part being edited or inserted).
  virtual void Salvar();
  // Discards the current document.
  virtual void Cancelar();

  // ---- Group builders: each returns the XML text of one group of the current document (or of the
  // current item), or "" when the group has nothing to write. The base class writes the groups of the first
  // layout (1.10); a later layout overrides the builders whose group changed. ----
  virtual std::string ConvPartA();
  virtual std::string ConvPartB();
  virtual std::string ConvPartC();
  virtual std::string ConvPartE();
  virtual std::string ConvPartD();
  virtual std::string ConvPartF();
  virtual std::string ConvPartG();
  virtual std::string ConvPartItens();
  virtual std::string ConvPartJ();
  virtual std::string ConvPartK();
  virtual std::string ConvPartL();
  virtual std::string ConvPartL1();
  virtual std::string ConvPartL2();
  virtual std::string ConvPartN();
  virtual std::string ConvPartO();
  virtual std::string ConvPartP();
  virtual std::string ConvPartQ();
  virtual std::string ConvPartR();
  virtual std::string ConvPartS();
  virtual std::string ConvPartT();
  virtual std::string ConvPartU();
  virtual std::string ConvPartV();
  virtual std::string ConvPartI();
  virtual std::string ConvPartW();
  virtual std::string ConvPartX();
  virtual std::string ConvPartY();
  virtual std::string ConvPartZ();
  virtual std::string ConvPartRef();
  virtual std::string ICMSComb();
  virtual std::string ConvDI();
  virtual std::string ConvADI();
  virtual std::string ConvCompra();
  virtual std::string ConvExporta();
  virtual std::string ConvProcRef();
  virtual std::string ConvObsCont();
  virtual std::string ConvObsFisco();
  virtual std::string ConvAutXML();
  virtual std::string ConvDetExport();
  // The approximate total of taxes of the item: none before pl_006r.
  virtual std::string ConvPartM();

  // Fill the part lists of this layout (the names are looked up, so a missing part fails).
  virtual void AddDataSetsListaItemNFe();
  virtual void AddDataSetsListaNFE();
  // The complete infNFe text of the current document.
  virtual std::string ConverterAuto();

  const std::vector<TXmlDataSetNFe*>& PartsNFeItem() const { return partsNFeItem_; }
  const std::vector<TXmlDataSetNFe*>& PartsNFe() const { return partsNFe_; }
  TvxnDataSetState GetStateItem() const { return stateItem_; }
  void SetStateItem(TvxnDataSetState s) { stateItem_ = s; }

  // The list that receives the XML of every stored document. The host may hand its own list
  // (borrowed); nullptr returns to the dataset's own one.
  TvxnStringList& LoteNFe() { return *lote_; }
  void SetLoteNFe(TvxnStringList* list) { lote_ = list ? list : ownLote_.get(); }

  // Direct reference to part A ... Z by letter (nullptr before a dictionary is loaded).
  TXmlDataSetNFe* Part(char letter) const;

  // The field whose Rec holds "group=position" (ASCII case ignored), first in part and field order;
  // nullptr when none does.
  TvxnNFeXMLField* FindCampoRec(std::string_view group, int position);

  // The ICMS groups of one layout: the fields of each group, nullptr where the layout has no such group.
  struct TTabelaICMS {
    const TvxnListaCampos *icms00, *icms10, *icms20, *icms30, *icms40, *icmsST41, *icms51, *icms60;
    // CST 60 with the transfer filled or a fuel code: nullptr when CST 60 always gives ICMS60.
    const TvxnListaCampos* icmsST60;
    const TvxnListaCampos *icms70, *icms90, *icmsPart;
    const TvxnListaCampos *sn101, *sn102, *sn201, *sn202, *sn500, *sn900;
  };

  // The PIS and COFINS group a CST selects.
  enum class TGrupoPIS { Nenhum, Aliq, Qtde, NT, Outr };
  using TClassificaCST = TGrupoPIS (*)(std::string_view cst);

protected:
  // Computes the access key from the issue date field `campoData` (with the issue type when `comTpEmis`, the
  // form of 2.00 and later), stores Id_A03, cNF_B03 zero-filled to `digitosCNF` and cDV_B23, and opens
  // infNFe. The issuer's document in the key: the fiscal agency's CNPJ for a loose invoice, else the
  // issuer's CPF (prefixed with "000"), else its CNPJ.
  std::string AbreInfNFe(std::string_view campoData, bool comTpEmis, int digitosCNF);
  // "<tag>content</tag>", or "" when the content is empty.
  static std::string Grupo(std::string_view tag, std::string_view conteudo);
  // PIS, COFINS with the group the classification gives to CST_Q06, CST_S06; "" when it gives none.
  std::string ConvPISDe(TClassificaCST classifica);
  std::string ConvCOFINSDe(TClassificaCST classifica);
  // The transport group; `vagaoBalsa` (from 2.00) is written after the trailers.
  std::string ConvTransp(const TvxnModeloXml* vagaoBalsa);
  // The group of CST_N12 in the table, "" when the code selects none.
  std::string GrupoICMSDe(const TTabelaICMS& tabela);
  // The Simples Nacional group of CSOSN_N12a in the table, "" when the code selects none.
  std::string GrupoICMSSNDe(const TTabelaICMS& tabela);
  // "<ICMS>" with the Simples Nacional group of the table, else its CST group; "" when neither applies.
  std::string ConvICMS(const TTabelaICMS& tabela);
  // IPI with the given fields before the CST group.
  std::string ConvIPI(const TvxnListaCampos& cabecalho);
  // total with the given ICMSTot and ISSQNtot fields, then retTrib.
  std::string ConvTotal(const TvxnListaCampos& icmsTot, const TvxnListaCampos& issqnTot);
  // The pickup (retirada) and delivery (entrega) places share their form.
  std::string ConvLocal(std::string_view tag, const TvxnListaCampos& campos);
  // Appends one element per record of the part visible under its master link: `abre`, the record's
  // text (`conteudo`, called on the current record) and `fecha`; records that give no text add nothing.
  template <class Conteudo>
  void AppendRepetido(std::string& out, std::string_view parte, std::string_view abre, std::string_view fecha,
                      Conteudo conteudo) {
    TXmlDataSetNFe& part = FindDataSet(parte);
    for (part.First(); !part.Eof(); part.Next()) {
      std::string texto = conteudo(part);
      if (texto.empty())
        continue;
      out += abre;
      out += texto;
      out += fecha;
    }
  }
  // "<tag>content</tag>" when the content is not empty.
  static void AppendGrupo(std::string& out, std::string_view tag, std::string_view conteudo);
  // Every field of the current record in dictionary order, without a wrapping element.
  static std::string CamposXML(const TXmlDataSetNFe& part);
  // "<tag attribute>text</tag>" of the current record of an observation part, or "".
  static std::string Observacao(const TXmlDataSetNFe& part, std::string_view tag, std::string_view campo,
                                std::string_view texto);

  // Fill the lists from names, in order.
  void SetPartsNFe(std::initializer_list<std::string_view> names);
  void SetPartsNFeItem(std::initializer_list<std::string_view> names);
  void CheckDicionario() const;

private:
  std::vector<TXmlDataSetNFe*> partsNFeItem_;
  std::unique_ptr<TvxnStringList> ownLote_;
  TvxnStringList* lote_;
  TvxnDataSetState stateItem_ = dsInactive;
  std::vector<TXmlDataSetNFe*> partsNFe_;
  std::array<TXmlDataSetNFe*, 26> letters_{};
  std::unordered_map<std::string, TvxnNFeXMLField*> recIndex_;
  bool recIndexBuilt_ = false;
};

} // namespace vxn
