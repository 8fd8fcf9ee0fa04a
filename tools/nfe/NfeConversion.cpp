#include "NfeConversion.h"

#include "vxnNFeType.h"

namespace vxn::tool {

namespace {

TVersaoEsquema EsquemaDaVersao(TVersaoManual versao) {
  for (int i = kVersaoEsquemaCount - 1; i >= 0; --i) {
    const auto esquema = static_cast<TVersaoEsquema>(i);
    if (GetVersaoManualDoEsquema(esquema) == versao)
      return esquema;
  }
  return pl_009g;
}

} // namespace

std::optional<TNfeInputKind> InputKindFromName(std::string_view name) {
  if (name == "xml")
    return TNfeInputKind::Xml;
  if (name == "comandos")
    return TNfeInputKind::CommandText;
  if (name == "pipe")
    return TNfeInputKind::PipeText;
  return std::nullopt;
}

std::string ConvertToNFeXml(TvxnNFe& nfe, const std::string& text, TNfeInputKind kind) {
  if (kind == TNfeInputKind::Xml)
    return text;
  const TLayoutConvKind layout = kind == TNfeInputKind::PipeText ? lkTXTDic : lkTXTDataSet;
  return nfe.ConverterLoteParaXml(text, layout, EsquemaDaVersao(nfe.GetVersaoManual()), false);
}

} // namespace vxn::tool
