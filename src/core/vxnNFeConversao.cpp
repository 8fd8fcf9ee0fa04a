// The component's text conversion: checks the schema package against the layout version and hands the
// text to the converter with the component's templates folder and note version.
#include "vxnNFe.h"

#include "converters/vxnNFeConverter.h"
#include "vxnNFeException.h"

namespace vxn {

namespace {

std::string_view SufixoTelemetria(TLayoutConvKind tipo) {
  switch (tipo) {
  case lkTXTDic:
    return "_DIC";
  case lkTXTDataSet:
    return "_TX2";
  case lkTXTRec:
    return "_REC";
  }
  return {};
}

} // namespace

std::string TvxnNFe::ConverterLoteParaXml(std::string_view texto, TLayoutConvKind tipo,
                                          TVersaoEsquema esquema, bool exportacao) {
  const std::string operacao = "ConverterLoteParaXml" + std::string(SufixoTelemetria(tipo));
  GetTelemetria().Ping(operacao);
  try {
    UpdateNFeData();
    ChecarVersaoEsquema(VersaoEsquemaToStr(esquema));
    TvxnNFeConverter conversor;
    conversor.SetDiretorioLogErro(GetDiretorioLogErro());
    conversor.SetDiretorioTemplates(GetDiretorioTemplates());
    const std::string versao = GetVersaoNota();
    return conversor.ConvertToXml(texto, versao, tipo, esquema, exportacao);
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(operacao, e.ClassName(), e.Message());
    throw;
  }
}

} // namespace vxn
