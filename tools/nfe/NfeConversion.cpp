#include "NfeConversion.h"

#include "NfeExitCodes.h"
#include "NfeToolError.h"
#include "datasets/vxnNFeDataSets.h"
#include "vxnNFeEsquemaPadrao.h"
#include "vxnNFeType.h"

namespace vxn::tool {

std::optional<TNfeInputKind> InputKindFromName(std::string_view name) {
  if (name == "xml")
    return TNfeInputKind::Xml;
  if (name == "comandos")
    return TNfeInputKind::CommandText;
  if (name == "pipe")
    return TNfeInputKind::PipeText;
  if (name == "rec")
    return TNfeInputKind::RecText;
  return std::nullopt;
}

std::string ConvertToNFeXml(TvxnNFe& nfe, const std::string& text, TNfeInputKind kind) {
  if (kind == TNfeInputKind::Xml)
    return text;
  const TLayoutConvKind layout = kind == TNfeInputKind::PipeText  ? lkTXTDic
                                 : kind == TNfeInputKind::RecText ? lkTXTRec
                                                                  : lkTXTDataSet;
  return nfe.ConverterLoteParaXml(text, layout, GetUltimoEsquemaDaVersaoManual(nfe.GetVersaoManual()), false);
}

std::string ConvertToCommandText(TvxnNFe& nfe, const std::string& text, TNfeInputKind kind,
                                 TVersaoEsquema esquema) {
  std::string documento = ConvertToNFeXml(nfe, text, kind);
  if (kind != TNfeInputKind::Xml) {
    TvxnStringList linhas;
    linhas.SetText(documento);
    documento = "<enviNFe versao=\"4.00\">";
    for (const std::string& infNFe : linhas)
      if (!infNFe.empty())
        documento += "<NFe>" + infNFe + "</NFe>";
    documento += "</enviNFe>";
  }
  TvxnStringList comandos;
  nfe.ConverteXmlParaDataSet(documento, esquema, &comandos);
  return comandos.Text();
}

TNfeInputKind InputKindOf(const std::string& arquivo, const std::string& text, const std::string& formato) {
  const TNfeInputKind encontrado = DetectInputKind(text);
  if (formato.empty())
    return encontrado;
  const TNfeInputKind pedido = *InputKindFromName(formato);
  // The command text is what remains when nothing else is recognised, so it never contradicts.
  if (pedido != encontrado && encontrado != TNfeInputKind::CommandText)
    throw ENfeToolError(kExitEntrada, arquivo + " is " + InputKindName(encontrado) + ", not " +
                                          InputKindName(pedido) + " (--formato " + formato + ")");
  return pedido;
}

} // namespace vxn::tool
