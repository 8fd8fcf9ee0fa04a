// The SCAN contingency component: an NF-e component for the layouts before 3.10 that issues through the
// national contingency environment (SCAN) while the state's authoriser is down. Documents are re-stamped
// before they are signed: the contingency series (900 to 999), the issue type 3 and the access key
// computed again with both; every service address comes from section "AN" of the SCAN servers files.
// Layouts 3.10 and 4.00 use the SVC operating modes instead (vxnContingenciaSVC.h).
#pragma once

#include "vxnNFe.h"

#include <string>
#include <string_view>

namespace vxn {

class TvxnNFeSCAN : public TvxnNFe {
public:
  // Layout 2.00 with its technical notes (vm50), configuration section "SCAN", the SCAN servers files.
  TvxnNFeSCAN();

  // The contingency series the documents get ("900" by default); checked when a document is signed.
  const std::string& GetSerie() const { return serie_; }
  void SetSerie(std::string_view v) { serie_ = v; }
  // The issue type the documents get ("3" by default; empty stands for "3").
  const std::string& GetTpEmis() const { return tpEmis_; }
  void SetTpEmis(std::string_view v) { tpEmis_ = v; }

  // vm50a and vm60 raise EvxnNFeVersaoManualException: SCAN serves the layouts before 3.10 only.
  void SetVersaoManual(TVersaoManual v) override;
  // As the NF-e component, with the service data's UF "AN": every address comes from section "AN".
  void UpdateNFeData() override;
  // DiretorioTemplates followed by "AN/".
  std::string GetTemplateFolder() override;
  // As the NF-e component, with the events' web-service UF "AN".
  void AtualizaDadosNFeEventos() override;

  // The re-stamping of one infNFe element (what signing does to each document before wrapping it):
  // series, tpEmis, the 44 digits of its Id and cDV. Raises EvxnNFeCheckParams for an empty text and a
  // missing or out-of-range series.
  void Recarimbar(std::string& nota);

protected:
  bool AjustarNotaParaAssinar(std::string& nota) override;
  void LerConfiguracoes(TvxnIniFile& ini) override;
  void GravarConfiguracoes(TvxnIniFile& ini) override;

private:
  std::string serie_ = "900";
  std::string tpEmis_ = "3";
};

} // namespace vxn
