// The print data of the other printed forms: the cancellation of an NF-e, the correction letter (CC-e)
// and the summary of an NF-e (resNFe), each one row of a table "Dados" read from the distribution XML
// of the event (procEventoNFe) or from the summary document.
#pragma once

#include "danfe/vxnDadosImpressao.h"

#include <string>
#include <string_view>

namespace vxn {

// Which print data an XML needs: a correction letter, a cancellation (unless the cancelled DANFE is
// wanted: then the DANFE with its banner), a summary, or the DANFE. Raises EvxnNFeException
// "XML para exportação do Danfe inválido." when the text is not XML.
enum class TvxnTipoDadosImpressao { tdiDanfe, tdiCancelamento, tdiCCe, tdiResumo };
TvxnTipoDadosImpressao TipoDadosImpressao(std::string_view xml, bool imprimirTarjaCancelada,
                                          std::string_view logDir = {});

// "Dados": ChaveCancelamento (the event's Id without "ID"), CodOrgao, ChaveNFe, DataHoraPedido,
// NumSeqEvento, NumProtAutorizacaoNFe, Justificativa, TipoEvento, Motivo, DataHoraRegistro,
// NumProtCancelamento.
class TvxnCancDadosImpressao : public TvxnDadosImpressao {
public:
  TvxnCancDadosImpressao();
  void PopulaDataSet() override;
};

// "Dados": CNPJ (the author's CNPJ or CPF), chNFe, nProt, dhRegEvento, nSeqEvento, xCorrecao (its line
// breaks written as the line delimiter), cOrgao, LogotipoEmitente, CPFCNPJDest.
class TvxnCCeDadosImpressao : public TvxnDadosImpressao {
public:
  TvxnCCeDadosImpressao();
  void PopulaDataSet() override;
  // The logo file written into LogotipoEmitente (the layout loads it).
  const std::string& GetLogotipoEmitente() const { return logotipoEmitente_; }
  void SetLogotipoEmitente(std::string_view v) { logotipoEmitente_ = v; }

private:
  std::string logotipoEmitente_;
};

// "Dados": chNFe, xNome, CNPJ (or CPF), IE, dhEmi, tpNF, vNF ("#,##0.00" in the Brazilian form), digVal,
// dhRecbto, nProt, cSitNFe.
class TvxnResumoDadosImpressao : public TvxnDadosImpressao {
public:
  TvxnResumoDadosImpressao();
  void PopulaDataSet() override;
};

} // namespace vxn
