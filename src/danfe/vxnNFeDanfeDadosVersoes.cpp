// What each layout version changes in the DANFE print data.
#include "danfe/vxnNFeDanfeDados.h"

#include "danfe/vxnNFeDanfeFormatacao.h"
#include "vxnNFeException.h"
#include "vxnXmlLightTree.h"

namespace vxn {

namespace {

const TvxnXmlLightElement& kVazio = ElementoVazio();

std::string Valor(std::string_view v) {
  return v.empty() ? std::string() : VirgulaDecimal(v);
}

const TvxnXmlLightElement& Icms(const TvxnXmlLightElement& det) {
  const TvxnXmlLightElement& icms = Filho(&Filho(&det, "imposto"), "ICMS");
  return icms.children.empty() ? kVazio : icms.children.front();
}

bool Contingencia(std::string_view tpEmis) {
  return tpEmis == "2" || tpEmis == "5";
}

} // namespace

// ---- 2.00 (2.0.2a) ----------------------------------------------------------------------------------------

void TvxnNFeDanfeDados202::GetDadosIdNF(TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados::GetDadosIdNF(nota);
  Dado("nTpNF", nota.ide->ChildText("tpNF"));
}

void TvxnNFeDanfeDados202::GetDadosTransp(TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados::GetDadosTransp(nota);
  const std::string_view modFrete = Filho(nota.infNFe, "transp").ChildText("modFrete");
  static constexpr std::pair<std::string_view, std::string_view> kTextos[] = {
      {"0", "-Emitente"}, {"1", "-Dest/Rem"}, {"2", "-Terceiros"}, {"9", "-Sem Frete"}};
  for (const auto& [modo, texto] : kTextos)
    if (modFrete == modo)
      Dado("TraDescMod", std::string(modFrete) + std::string(texto));
}

void TvxnNFeDanfeDados202::ValidaAssinatura(const TvxnDanfeNota& nota) {
  if (!nota.nfe || !nota.nfe->Child("Signature"))
    throw EvxnNFeReportException("A Nota não possui Assinatura", GetDiretorioLogErro());
}

void TvxnNFeDanfeDados202::ValidarXmlEntrada(const TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados::ValidarXmlEntrada(nota);
  ValidaAssinatura(nota);
}

// ---- 3.x
// ----------------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados30::ValidarXmlEntrada(const TvxnDanfeNota& nota) {
  // From here on the signature is the authority's business: the protocol proves it was checked.
  TvxnNFeDanfeDados::ValidarXmlEntrada(nota);
}

void TvxnNFeDanfeDados30::GetDadosIdNF(TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados202::GetDadosIdNF(nota);
  const std::string tpEmis = GetTpEmis(nota);
  if (tpEmis == "1" || tpEmis == "3" || tpEmis == "6" || tpEmis == "7") {
    Dado("xMsg", Filho(nota.infProt, "xMsg").text);
  } else if (tpEmis == "2" || tpEmis == "4" || tpEmis == "5") {
    // Printed before the authorisation: the contingency's own protocol takes the protocol's place.
    Dado("nProt", "");
    Dado("dhRecbto", "");
    const bool dpec = !GetProtocoloDPEC().empty() && GetProtocoloEPEC().empty();
    const std::string& protocolo = dpec ? GetProtocoloDPEC() : GetProtocoloEPEC();
    const std::string& dataHora = dpec ? GetDataHoraDPEC() : GetDataHoraEPEC();
    if (!protocolo.empty()) {
      Dado("nProtEpec", dataHora.empty() ? protocolo : protocolo + " " + dataHora);
      // Which registration it is: the protocol box is titled by it.
      Dado("TipoProtContingencia", dpec ? "DPEC" : "EPEC");
    }
  }
  if (tpEmis != "1")
    Dado("FraseContingencia", Format("%s [%s]", {GetFraseContingencia(), nota.ide->ChildText("xJust")}));
}

void TvxnNFeDanfeDados30::GetDadosChaveNF(TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados202::GetDadosChaveNF(nota);
  if (Contingencia(GetTpEmis(nota)))
    Dado("CodBarraDadosNFe", CalcularDadosDaNFe(nota));
}

std::string TvxnNFeDanfeDados30::GetCodigoBarrasNFeOffline() {
  TvxnXmlLightElement raiz;
  if (!LerXml(raiz))
    throw EvxnNFeException("XML para exportação do Danfe inválido.", GetDiretorioLogErro());
  const std::vector<TvxnDanfeNota> notas = Notas(raiz);
  if (notas.empty())
    throw EvxnNFeException("XML para exportação do Danfe inválido.", GetDiretorioLogErro());
  return Contingencia(GetTpEmis(notas.front())) ? CalcularDadosDaNFe(notas.front()) : std::string();
}

// ---- 3.10
// ----------------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados40::GetDadosIdNF(TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados30::GetDadosIdNF(nota);
  const std::string_view hSaiEnt = nota.ide->ChildText("hSaiEnt");
  const std::string_view dhSaiEnt = nota.ide->ChildText("dhSaiEnt");
  // "2026-12-06T10:15:00-03:00": the time is characters 12 to 19.
  Dado("hSaida", !hSaiEnt.empty()        ? hSaiEnt
                 : dhSaiEnt.size() >= 19 ? dhSaiEnt.substr(11, 8)
                                         : std::string_view());
  Dado("JustContingencia", nota.ide->ChildText("xJust"));
  Dado("dhContingencia", nota.ide->ChildText("dhCont"));
}

void TvxnNFeDanfeDados40::GetDadosItem(TvxnDanfeNota& nota, const TvxnXmlLightElement& det) {
  TvxnNFeDanfeDados30::GetDadosItem(nota, det);
  const TvxnXmlLightElement& icms = Icms(det);
  if (icms.ChildText("CST").empty())
    Campo(GetDataSourceItens(), "ItemCST", icms.ChildText("CSOSN"));
}

void TvxnNFeDanfeDados40::GetDadosTransp(TvxnDanfeNota& nota) {
  TvxnNFeDanfeDados::GetDadosTransp(nota);
  const std::string_view modFrete = Filho(nota.infNFe, "transp").ChildText("modFrete");
  static constexpr std::pair<std::string_view, std::string_view> kTextos400[] = {
      {"0", " - Rem."}, {"1", " - Dest."}, {"2", " - Terc."},
      {"3", " - Rem."}, {"4", " - Dest."}, {"9", "-Sem Frete"}};
  static constexpr std::pair<std::string_view, std::string_view> kTextosAnteriores[] = {
      {"0", "-Emitente"}, {"1", "-Dest/Rem"}, {"2", "-Terceiros"}, {"9", "-Sem Frete"}};
  const auto escolher = [&](const auto& textos) {
    for (const auto& [modo, texto] : textos)
      if (modFrete == modo)
        Dado("TraDescMod", std::string(modFrete) + std::string(texto));
  };
  if (nota.versao == "4.00")
    escolher(kTextos400);
  else
    escolher(kTextosAnteriores);
}

// ---- 4.00
// ----------------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados60::GetDadosItem(TvxnDanfeNota& nota, const TvxnXmlLightElement& det) {
  TvxnNFeDanfeDados50::GetDadosItem(nota, det);
  TvxnDataSet& t = GetDataSourceItens();
  const TvxnXmlLightElement& icms = Icms(det);
  static constexpr std::pair<std::string_view, std::string_view> kCampos[] = {
      {"ItemBcalcFCP", "vBCFCP"},
      {"ItemAliqFCP", "pFCP"},
      {"ItemVFCP", "vFCP"},
      {"ItemPRedBcEfet", "pRedBCEfet"},
      {"ItemVBcEfet", "vBCEfet"},
      {"ItemPImcsEfet", "pICMSEfet"},
      {"ItemVIcmsEfet", "vICMSEfet"},
      {"ItemBcalcFCPST", "vBCFCPST"},
      {"ItemAliqFCPST", "pFCPST"},
      {"ItemVFCPST", "vFCPST"},
      {"ItemBcalcFCPSTRet", "vBCFCPSTRet"},
      {"ItemAliqFCPSTRet", "pFCPSTRet"},
      {"ItemVFCPSTRet", "vFCPSTRet"},
      {"ItemAliqSuport", "pST"},
      {"ItemVBCSTRet", "vBCSTRet"},
      {"ItemVICMSSubstituto", "vICMSSubstituto"}};
  for (const auto& [campo, tag] : kCampos)
    Campo(t, campo, Valor(icms.ChildText(tag)));

  if (!GetMensagemFCP())
    return;
  // The item's FCP values under its own observations, in the order base, rate, value.
  struct Grupo {
    std::string_view base, aliquota, valor, rotuloBase, rotuloAliquota, rotuloValor;
  };
  static constexpr Grupo kGrupos[] = {
      {"vBCFCP", "pFCP", "vFCP", "Base de Cálculo FCP: R$", "Alíquota FCP: ", "Valor FCP: R$"},
      {"vBCFCPST", "pFCPST", "vFCPST", "Base de Cálculo FCP ST: R$", "Alíquota FCP ST: ", "Valor FCP ST: R$"},
      {"vBCFCPSTRet", "pFCPSTRet", "vFCPSTRet", "Base de Cálculo FCP ST Retido: R$",
       "Alíquota FCP ST Retido: ", "Valor FCP ST Retido: R$"}};
  std::string obs(t.FieldByName("ItemObs").Value());
  for (const Grupo& g : kGrupos) {
    if (icms.ChildText(g.valor).empty())
      continue;
    obs += (obs.empty() ? "" : " ") + std::string(g.rotuloBase) + " " + Valor(icms.ChildText(g.base)) + " " +
           std::string(g.rotuloAliquota) + Valor(icms.ChildText(g.aliquota)) + "% " +
           std::string(g.rotuloValor) + " " + Valor(icms.ChildText(g.valor));
  }
  Campo(t, "ItemObs", obs);
}

void TvxnNFeDanfeDados60::GetDadosMed_1Lote(const TvxnXmlLightElement& prod) {
  // Layout 4.00 moved the lot out of the medicine group into the traceability groups.
  TvxnDataSet& t = GetDataSourceItens();
  if (const TvxnXmlLightElement* med = prod.Child("med")) {
    Campo(t, "ItemCProdANVISA", med->ChildText("cProdANVISA"));
    Campo(t, "ItemVPMC", Valor(med->ChildText("vPMC")));
    Campo(t, "ItemXMotivoIsencao", med->ChildText("xMotivoIsencao"));
  }
  std::vector<const TvxnXmlLightElement*> rastros;
  for (const TvxnXmlLightElement& e : prod.children)
    if (e.name == "rastro")
      rastros.push_back(&e);
  if (rastros.size() != 1)
    return;
  Campo(t, "ItemNLote", rastros.front()->ChildText("nLote"));
  Campo(t, "ItemQLote", Valor(rastros.front()->ChildText("qLote")));
  Campo(t, "ItemDFab", rastros.front()->ChildText("dFab"));
  Campo(t, "ItemDVal", rastros.front()->ChildText("dVal"));
}

void TvxnNFeDanfeDados60::GetDadosMed_NLotes(const TvxnXmlLightElement& prod, std::string_view item) {
  const TvxnXmlLightElement* med = prod.Child("med");
  if (!med)
    return;
  const std::string vPMC = Valor(med->ChildText("vPMC"));
  for (const TvxnXmlLightElement& rastro : prod.children)
    if (rastro.name == "rastro")
      LinhaLote(GetDataSourceMed(), rastro, item, "vPMC", vPMC);
}

void TvxnNFeDanfeDados60::LinhaLote(TvxnDataSet& t, const TvxnXmlLightElement& rastro, std::string_view item,
                                    std::string_view ultimoCampo, std::string_view ultimoValor) {
  t.Append();
  Campo(t, "Item", item);
  Campo(t, "nLote", rastro.ChildText("nLote"));
  Campo(t, "qLote", Valor(rastro.ChildText("qLote")));
  Campo(t, "dFab", rastro.ChildText("dFab"));
  Campo(t, "dVal", rastro.ChildText("dVal"));
  Campo(t, ultimoCampo, ultimoValor);
  t.Post();
}

void TvxnNFeDanfeDados60::GetDadosRastros(const TvxnXmlLightElement& prod, std::string_view item) {
  for (const TvxnXmlLightElement& rastro : prod.children)
    if (rastro.name == "rastro")
      LinhaLote(*GetDataSourceRastro(), rastro, item, "cAgreg", rastro.ChildText("cAgreg"));
}

void TvxnNFeDanfeDados60::GetDadosDeclaracoesImportacao(const TvxnXmlLightElement& prod,
                                                        std::string_view item) {
  TvxnDataSet& t = *GetDataSourceDeclaracoesImportacao();
  for (const TvxnXmlLightElement& di : prod.children) {
    if (di.name != "DI")
      continue;
    std::vector<const TvxnXmlLightElement*> adicoes;
    for (const TvxnXmlLightElement& adi : di.children)
      if (adi.name == "adi")
        adicoes.push_back(&adi);
    if (adicoes.empty())
      adicoes.push_back(&kVazio);
    // One row per addition, each with its declaration's fields.
    for (const TvxnXmlLightElement* adi : adicoes) {
      t.Append();
      Campo(t, "Item", item);
      for (const std::string_view campo : {"nDI", "dDI", "xLocDesemb", "UFDesemb", "dDesemb", "tpViaTransp",
                                           "tpIntermedio", "CNPJ", "UFTerceiro", "cExportador"})
        Campo(t, campo, di.ChildText(campo));
      Campo(t, "vAFRMM", Valor(di.ChildText("vAFRMM")));
      Campo(t, "nAdicao", adi->ChildText("nAdicao"));
      Campo(t, "nSeqAdic", adi->ChildText("nSeqAdic"));
      Campo(t, "cFabricante", adi->ChildText("cFabricante"));
      Campo(t, "vDescDI", Valor(adi->ChildText("vDescDI")));
      Campo(t, "nDraw", adi->ChildText("nDraw"));
      t.Post();
    }
  }
}

} // namespace vxn
