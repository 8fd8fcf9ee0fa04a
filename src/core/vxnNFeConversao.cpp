// The component's text conversion: checks the schema package against the layout version and hands the
// text to the converter with the component's templates folder and note version.
#include "vxnNFe.h"

#include "converters/vxnNFeConverter.h"
#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

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

std::unique_ptr<TvxnNFeDataSets> TvxnNFe::ConverteXmlParaDataSet(std::string_view xml, TVersaoEsquema versao,
                                                                 TvxnStringList* tx2,
                                                                 TvxnStringList* dadosAutorizacao) {
  const std::string operacao = "ConverteXmlParaDataSet";
  GetTelemetria().Ping(operacao);
  try {
    UpdateNFeData();
    TvxnNFeConverter conversor;
    conversor.SetDiretorioLogErro(GetDiretorioLogErro());
    conversor.SetDiretorioTemplates(GetDiretorioTemplates());
    const bool arquivo =
        !xml.empty() && xml.find_first_of("\r\n<") == std::string_view::npos && FileExists(xml);
    const std::string texto = arquivo ? conversor.GetGovUtils().LoadFromFileUTF8(xml) : std::string(xml);
    if (versao == pl_006s) {
      const std::string minusculo = AsciiLower(texto);
      if (minusculo.find("versao=\"4.00\"") != std::string::npos)
        versao = pl_009g;
      else if (minusculo.find("versao=\"3.10\"") != std::string::npos)
        versao = pl_008i2;
    }
    return conversor.ConvertXmlToDataSet(texto, false, versao, tx2, dadosAutorizacao);
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(operacao, e.ClassName(), e.Message());
    throw;
  }
}

} // namespace vxn
