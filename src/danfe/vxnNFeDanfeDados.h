// The DANFE print data: one or more NF-e documents (normally distribution XML, nfeProc, with the
// authorisation protocol) read into the tables a DANFE layout prints: "Dados" (one row per document),
// "DadosItens", "vol", "DadosCobranca", "DadosFatura", the lot, vehicle, payment, import, place and
// reference tables, and "DadosObsCont". The object formats the few values it owns (decimals in the
// Brazilian form, volume and instalment lines, the split of the complementary information), writes the
// homologation, preview and contingency phrases and the cancelled and denied banners, and checks that a
// document may be printed. Layout differences live in one subclass per layout version:
//
//   TvxnNFeDanfeDados (2.00) <- 202 <- 30 <- 40 <- 50 <- 50a, 60 (4.00)
//
// CriarNFeDanfeDados gives the object of a TVersaoManual. docs/danfe.md lists every field, its source
// and its format.
#pragma once

#include "danfe/vxnDadosImpressao.h"
#include "vxnNFeType.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

struct TvxnXmlLightElement;

// The document being read into the tables, handed to every group operation.
struct TvxnDanfeNota {
  const TvxnXmlLightElement* infNFe = nullptr;
  const TvxnXmlLightElement* nfe = nullptr;     // the NFe element around infNFe (its Signature)
  const TvxnXmlLightElement* infProt = nullptr; // the document's protocol, nullptr without one
  const TvxnXmlLightElement* ide = nullptr;     // never null (an empty element when absent)
  std::string chave;                            // 44 digits, from the Id of infNFe
  std::string nNF;
  std::string versao; // the versao attribute of infNFe ("4.00")
  // Lines added to the complementary information while the groups are read (volumes, instalments),
  // each ending with CR LF.
  std::string linhasComplementares;
};

class TvxnNFeDanfeDados : public TvxnDadosImpressao {
public:
  TvxnNFeDanfeDados() : TvxnNFeDanfeDados(vm202a) {}
  ~TvxnNFeDanfeDados() override;

  // ---- Settings (Get/Set as the print parameters name them) -----------------------------------------
  const std::string& GetFraseContingencia() const { return fraseContingencia_; }
  void SetFraseContingencia(std::string_view v) { fraseContingencia_ = v; }
  const std::string& GetFraseHomologacao() const { return fraseHomologacao_; }
  void SetFraseHomologacao(std::string_view v) { fraseHomologacao_ = v; }
  const std::string& GetProtocoloDPEC() const { return protocoloDPEC_; }
  void SetProtocoloDPEC(std::string_view v) { protocoloDPEC_ = v; }
  const std::string& GetDataHoraDPEC() const { return dataHoraDPEC_; }
  void SetDataHoraDPEC(std::string_view v) { dataHoraDPEC_ = v; }
  const std::string& GetProtocoloEPEC() const { return protocoloEPEC_; }
  void SetProtocoloEPEC(std::string_view v) { protocoloEPEC_ = v; }
  const std::string& GetDataHoraEPEC() const { return dataHoraEPEC_; }
  void SetDataHoraEPEC(std::string_view v) { dataHoraEPEC_ = v; }
  // On (the default): only authorised or denied documents print. Off: a preview of any document,
  // marked "PREVISÃO DE DANFE. SEM VALOR FISCAL".
  bool GetValidarRegrasNegocio() const { return validarRegrasNegocio_; }
  void SetValidarRegrasNegocio(bool v) { validarRegrasNegocio_ = v; }
  // Size of the complementary-information box; values below 1 store the defaults 68 and 7.
  int GetInfCplMaxCol() const { return infCplMaxCol_; }
  void SetInfCplMaxCol(int v) { infCplMaxCol_ = v > 0 ? v : 68; }
  int GetInfCplMaxRow() const { return infCplMaxRow_; }
  void SetInfCplMaxRow(int v) { infCplMaxRow_ = v > 0 ? v : 7; }
  bool GetInfCplQuebrarLinhaAut() const { return infCplQuebrarLinhaAut_; }
  void SetInfCplQuebrarLinhaAut(bool v) { infCplQuebrarLinhaAut_ = v; }
  bool GetImprimirVolume() const { return imprimirVolume_; }
  void SetImprimirVolume(bool v) { imprimirVolume_ = v; }
  bool GetImprimirDuplicata() const { return imprimirDuplicata_; }
  void SetImprimirDuplicata(bool v) { imprimirDuplicata_ = v; }
  bool GetImprimirTarjaCancelada() const { return imprimirTarjaCancelada_; }
  void SetImprimirTarjaCancelada(bool v) { imprimirTarjaCancelada_ = v; }
  bool GetImprimirTarjaDenegada() const { return imprimirTarjaDenegada_; }
  void SetImprimirTarjaDenegada(bool v) { imprimirTarjaDenegada_ = v; }
  bool GetMensagemPartilhaAutomatica() const { return mensagemPartilhaAutomatica_; }
  void SetMensagemPartilhaAutomatica(bool v) { mensagemPartilhaAutomatica_ = v; }
  bool GetMensagemFCP() const { return mensagemFCP_; }
  void SetMensagemFCP(bool v) { mensagemFCP_ = v; }
  bool GetMensagemIcmsDesonerado() const { return mensagemIcmsDesonerado_; }
  void SetMensagemIcmsDesonerado(bool v) { mensagemIcmsDesonerado_ = v; }
  bool GetImprimirUnidadeTributada() const { return imprimirUnidadeTributada_; }
  void SetImprimirUnidadeTributada(bool v) { imprimirUnidadeTributada_ = v; }
  bool GetImprimirObsCont() const { return imprimirObsCont_; }
  void SetImprimirObsCont(bool v) { imprimirObsCont_ = v; }
  // Kept for the renderer (duplex printing); the tables do not depend on it.
  TImprimirFrenteVersoKind GetImprimirFrenteVerso() const { return imprimirFrenteVerso_; }
  void SetImprimirFrenteVerso(TImprimirFrenteVersoKind v) { imprimirFrenteVerso_ = v; }
  bool GetImprimirLocalRetiradaEntrega() const { return imprimirLocalRetiradaEntrega_; }
  void SetImprimirLocalRetiradaEntrega(bool v) { imprimirLocalRetiradaEntrega_ = v; }
  const std::string& GetConfigTextoRodapeEsq() const { return configTextoRodapeEsq_; }
  void SetConfigTextoRodapeEsq(std::string_view v) { configTextoRodapeEsq_ = v; }
  const std::string& GetConfigTextoRodapeDir() const { return configTextoRodapeDir_; }
  void SetConfigTextoRodapeDir(std::string_view v) { configTextoRodapeDir_ = v; }

  // ---- Tables -----------------------------------------------------------------------------------------
  TvxnDataSet& GetDataSourceItens() const { return *itens_; }
  TvxnDataSet& GetDataSourceVolume() const { return *volume_; }
  TvxnDataSet& GetDataSourceCobranca() const { return *cobranca_; }
  TvxnDataSet& GetDataSourceFatura() const { return *fatura_; }
  TvxnDataSet& GetDataSourceMed() const { return *med_; }
  TvxnDataSet& GetDataSourceVeic() const { return *veic_; }
  TvxnDataSet& GetDataSourceRefNFe() const { return *refNFe_; }
  TvxnDataSet& GetDataSourceRefNF1A() const { return *refNF1A_; }
  TvxnDataSet& GetDataSourceRefProdutor() const { return *refProdutor_; }
  TvxnDataSet& GetDataSourceRefCupomFiscal() const { return *refCupom_; }
  TvxnDataSet& GetDataSourceRefCTe() const { return *refCTe_; }
  TvxnDataSet& GetDataSourceLocalRetirada() const { return *localRetirada_; }
  TvxnDataSet& GetDataSourceLocalEntrega() const { return *localEntrega_; }
  TvxnDataSet& GetDataSourceObsCont() const { return *obsCont_; }
  // The three tables of layout 4.00 (vm60) only: nullptr for the other versions.
  TvxnDataSet* GetDataSourceRastro() const { return rastro_; }
  TvxnDataSet* GetDataSourcePagamento() const { return pagamento_; }
  TvxnDataSet* GetDataSourceDeclaracoesImportacao() const { return declaracoes_; }

  // ---- Operations -------------------------------------------------------------------------------------
  // Checks the XML (EvxnNFeException "XML para exportação do Danfe inválido."; with
  // ValidarRegrasNegocio the version's ValidarXmlEntrada, EvxnNFeReportException) and then fills one
  // "Dados" row and its detail rows per document, in document order.
  void PopulaDataSet() override;
  // Number of NF-e documents (infNFe elements) in the XML; 0 when it is not XML.
  int GetNumNotas() const;
  // The layout version whose tables this object has (the tables are made for it when it is created;
  // another version needs another object: CriarNFeDanfeDados).
  TVersaoManual GetVersao() const { return versao_; }
  // The 36-digit data code printed as the second barcode of a contingency DANFE (tpEmis 2 or 5) of the
  // first document of the XML; "" for any other document, and always "" before layout 3.10 objects.
  virtual std::string GetCodigoBarrasNFeOffline();
  // The state code of a UF for the contingency code: the 27 states and "EX" (99); "" when unknown.
  static std::string GetUFCode(std::string_view uf);

protected:
  explicit TvxnNFeDanfeDados(TVersaoManual versao);

  // The group operations, one per part of the document, each writing into the current rows.
  virtual void ValidarXmlEntrada(const TvxnDanfeNota& nota);
  virtual void ValidaAssinatura(const TvxnDanfeNota& nota);
  virtual std::string GetTpEmis(const TvxnDanfeNota& nota) const;
  virtual void GetDadosIdNF(TvxnDanfeNota& nota);
  virtual void GetDadosChaveNF(TvxnDanfeNota& nota);
  virtual void GetDadosEmitente(TvxnDanfeNota& nota);
  virtual void GetDadosDestinatario(TvxnDanfeNota& nota);
  virtual void GetDadosItem(TvxnDanfeNota& nota, const TvxnXmlLightElement& det);
  virtual void GetDadosMed_1Lote(const TvxnXmlLightElement& prod);
  virtual void GetDadosMed_NLotes(const TvxnXmlLightElement& prod, std::string_view item);
  virtual void GetDadosRastros(const TvxnXmlLightElement& prod, std::string_view item);
  virtual void GetDadosVeiculos(const TvxnXmlLightElement& prod, std::string_view item);
  virtual void GetDadosDeclaracoesImportacao(const TvxnXmlLightElement& prod, std::string_view item);
  virtual void GetDadosReferencias(TvxnDanfeNota& nota);
  virtual void GetDadosCalcImposto(TvxnDanfeNota& nota);
  virtual void GetDadosTotalISSQN(TvxnDanfeNota& nota);
  virtual void GetDadosRetTrib(TvxnDanfeNota& nota);
  virtual void GetDadosTroco(TvxnDanfeNota& nota);
  virtual void GetDadosTransp(TvxnDanfeNota& nota);
  virtual void GetDadosVeicTransp(TvxnDanfeNota& nota);
  virtual void GetDadosVolumeTransp(TvxnDanfeNota& nota);
  virtual void GetDadosDuplicata(TvxnDanfeNota& nota);
  virtual void GetDadosFatura(TvxnDanfeNota& nota);
  virtual void GetDadosPagamento(TvxnDanfeNota& nota);
  virtual void GetDadosEntrega(TvxnDanfeNota& nota);
  virtual void GetDadosLocais(TvxnDanfeNota& nota);
  virtual void GetDadosAdicionais(TvxnDanfeNota& nota);

  // The contingency data code of a document (CalculaDadosDaNFe of its recipient, value, ICMS bases
  // and day of issue).
  std::string CalcularDadosDaNFe(const TvxnDanfeNota& nota) const;
  // Reads the XML (declarations dropped, several documents allowed side by side); false when it is
  // not well-formed.
  bool LerXml(TvxnXmlLightElement& raiz) const;
  // The documents of a read XML, each with its protocol (the infProt of its key).
  static std::vector<TvxnDanfeNota> Notas(const TvxnXmlLightElement& raiz);
  // Stores a value in the current row of a table (cut to the field's size in characters).
  static void Campo(TvxnDataSet& tabela, std::string_view campo, std::string_view valor);
  // A value of the current "Dados" row.
  void Dado(std::string_view campo, std::string_view valor) { Campo(GetDataSource(), campo, valor); }

  TVersaoManual versao_;

private:
  void CriarTabelas();
  void LerNota(TvxnDanfeNota& nota);
  void LerItens(TvxnDanfeNota& nota);
  // The fields every party box prints, named after the party's prefix ("Emit", "Dest"): name, document,
  // state registration and the address, the telephone in `campoFone`.
  void GetDadosParte(std::string_view prefixo, const TvxnXmlLightElement& parte,
                     const TvxnXmlLightElement& ender, std::string_view campoFone);
  bool NFeIsCancelado(std::string_view chave) const;

  std::string fraseContingencia_ = "DANFE em Contingência - impresso em decorrência de problemas técnicos";
  std::string fraseHomologacao_ = "SEM VALOR FISCAL";
  std::string protocoloDPEC_, dataHoraDPEC_, protocoloEPEC_, dataHoraEPEC_;
  bool validarRegrasNegocio_ = true;
  int infCplMaxCol_ = 68;
  int infCplMaxRow_ = 7;
  bool infCplQuebrarLinhaAut_ = false;
  bool imprimirVolume_ = false;
  bool imprimirDuplicata_ = false;
  bool imprimirTarjaCancelada_ = false;
  bool imprimirTarjaDenegada_ = false;
  bool mensagemPartilhaAutomatica_ = false;
  bool mensagemFCP_ = false;
  bool mensagemIcmsDesonerado_ = false;
  bool imprimirUnidadeTributada_ = false;
  bool imprimirObsCont_ = false;
  TImprimirFrenteVersoKind imprimirFrenteVerso_ = fvDesabilitado;
  bool imprimirLocalRetiradaEntrega_ = true;
  std::string configTextoRodapeEsq_, configTextoRodapeDir_;

  TvxnDataSet *itens_ = nullptr, *volume_ = nullptr, *cobranca_ = nullptr, *fatura_ = nullptr;
  TvxnDataSet *med_ = nullptr, *veic_ = nullptr, *rastro_ = nullptr, *pagamento_ = nullptr;
  TvxnDataSet *declaracoes_ = nullptr, *localRetirada_ = nullptr, *localEntrega_ = nullptr;
  TvxnDataSet *obsCont_ = nullptr, *refNFe_ = nullptr, *refNF1A_ = nullptr, *refProdutor_ = nullptr;
  TvxnDataSet *refCupom_ = nullptr, *refCTe_ = nullptr;

  // The parsed XML of the last PopulaDataSet (the cancellation events are looked up in it).
  std::unique_ptr<TvxnXmlLightElement> raiz_;
};

// Layout 2.00 as published in revision 2.0.2a: the document type, the freight texts, tpEmis, and the
// signature required for printing.
class TvxnNFeDanfeDados202 : public TvxnNFeDanfeDados {
public:
  TvxnNFeDanfeDados202() : TvxnNFeDanfeDados202(vm202a) {}

protected:
  explicit TvxnNFeDanfeDados202(TVersaoManual v) : TvxnNFeDanfeDados(v) {}
  void GetDadosIdNF(TvxnDanfeNota& nota) override;
  void GetDadosTransp(TvxnDanfeNota& nota) override;
  void ValidaAssinatura(const TvxnDanfeNota& nota) override;
  void ValidarXmlEntrada(const TvxnDanfeNota& nota) override;
};

// Layouts 3.x: protocol and contingency fields by tpEmis, the contingency barcode.
class TvxnNFeDanfeDados30 : public TvxnNFeDanfeDados202 {
public:
  TvxnNFeDanfeDados30() : TvxnNFeDanfeDados30(vm30) {}
  std::string GetCodigoBarrasNFeOffline() override;

protected:
  explicit TvxnNFeDanfeDados30(TVersaoManual v) : TvxnNFeDanfeDados202(v) {}
  void GetDadosIdNF(TvxnDanfeNota& nota) override;
  void GetDadosChaveNF(TvxnDanfeNota& nota) override;
  void ValidarXmlEntrada(const TvxnDanfeNota& nota) override;
};

// Layout 3.10: date-times of exit and contingency entry, CSOSN, freight texts by layout.
class TvxnNFeDanfeDados40 : public TvxnNFeDanfeDados30 {
public:
  TvxnNFeDanfeDados40() : TvxnNFeDanfeDados40(vm40) {}

protected:
  explicit TvxnNFeDanfeDados40(TVersaoManual v) : TvxnNFeDanfeDados30(v) {}
  void GetDadosIdNF(TvxnDanfeNota& nota) override;
  void GetDadosItem(TvxnDanfeNota& nota, const TvxnXmlLightElement& det) override;
  void GetDadosTransp(TvxnDanfeNota& nota) override;
};

class TvxnNFeDanfeDados50 : public TvxnNFeDanfeDados40 {
public:
  TvxnNFeDanfeDados50() : TvxnNFeDanfeDados50(vm50) {}

protected:
  explicit TvxnNFeDanfeDados50(TVersaoManual v) : TvxnNFeDanfeDados40(v) {}
};

class TvxnNFeDanfeDados50a : public TvxnNFeDanfeDados50 {
public:
  TvxnNFeDanfeDados50a() : TvxnNFeDanfeDados50(vm50a) {}
};

// Layout 4.00: the FCP and effective-ICMS item fields, ANVISA code, traceability lots, payments and
// import declarations.
class TvxnNFeDanfeDados60 : public TvxnNFeDanfeDados50 {
public:
  TvxnNFeDanfeDados60() : TvxnNFeDanfeDados50(vm60) {}

protected:
  void GetDadosItem(TvxnDanfeNota& nota, const TvxnXmlLightElement& det) override;
  void GetDadosMed_1Lote(const TvxnXmlLightElement& prod) override;
  void GetDadosMed_NLotes(const TvxnXmlLightElement& prod, std::string_view item) override;
  void GetDadosRastros(const TvxnXmlLightElement& prod, std::string_view item) override;
  void GetDadosDeclaracoesImportacao(const TvxnXmlLightElement& prod, std::string_view item) override;

private:
  // One row of a batch table (medicines, traceability): the item, the batch's number, quantity and dates,
  // then the table's own last field.
  static void LinhaLote(TvxnDataSet& t, const TvxnXmlLightElement& rastro, std::string_view item,
                        std::string_view ultimoCampo, std::string_view ultimoValor);
};

// The print-data object of a layout version (vm202a TvxnNFeDanfeDados202 ... vm60 TvxnNFeDanfeDados60).
std::unique_ptr<TvxnNFeDanfeDados> CriarNFeDanfeDados(TVersaoManual versao);

} // namespace vxn
