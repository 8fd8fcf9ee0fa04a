#include "vxnNFeSettings.h"

#include "vxnPaths.h"

namespace vxn {
namespace {

std::string& FillModel(std::string& field, std::string_view shipped) {
  if (field.empty())
    field = ExpandPath(shipped);
  return field;
}

const char* Bool(bool b) {
  return b ? "-1" : "0";
}

} // namespace

std::string TDanfeSettings::GetModeloRetrato() {
  return FillModel(modeloRetrato_, "Templates/Vm50a/Danfe/retrato.rtm");
}
std::string TDanfeSettings::GetModeloPaisagem() {
  return FillModel(modeloPaisagem_, "Templates/Vm50a/Danfe/paisagem.rtm");
}
std::string TDanfeSettings::GetModeloRetratoCancelamento() {
  return FillModel(modeloRetratoCancelamento_, "Templates/Vm50a/Danfe/RetratoCanc.rtm");
}
std::string TDanfeSettings::GetModeloDanfeXmlResumo() {
  return FillModel(modeloDanfeXmlResumo_, "Templates/Vm50a/Danfe/Resumo.rtm");
}

std::string TDanfeSettings::GetParams() {
  TvxnStringList p;
  p.Add("ModeloRetrato=" + GetModeloRetrato());
  p.Add("ModeloPaisagem=" + GetModeloPaisagem());
  p.Add("LogotipoEmitente=" + logotipoEmitente_);
  p.Add("FraseContingencia=" + fraseContingencia_);
  p.Add("FraseHomologacao=" + fraseHomologacao_);
  p.Add("QtdeCopias=" + std::to_string(qtdeCopias_));
  p.Add(std::string("ImprimirVolume=") + Bool(imprimirVolume_));
  p.Add(std::string("ImprimirDuplicata=") + Bool(imprimirDuplicata_));
  p.Add(std::string("ImprimirUnidadeTributada=") + Bool(imprimirUnidadeTributada_));
  p.Add("ModeloRetratoCancelamento=" + GetModeloRetratoCancelamento());
  p.Add(std::string("MensagemPartilhaAutomatica=") + Bool(mensagemPartilhaAutomatica_));
  p.Add(std::string("MensagemFCP=") + Bool(mensagemFCP_));
  p.Add("ImprimirFrenteVerso=" + ImprimirFrenteVersoToStr(imprimirFrenteVerso_));
  p.Add(std::string("ImprimirLocalRetiradaEntrega=") + Bool(imprimirLocalRetiradaEntrega_));
  p.Add(std::string("InfCplQuebrarLinhaAut=") + Bool(infCplQuebrarLinhaAut_));
  p.Add(std::string("MensagemIcmsDesonerado=") + Bool(mensagemIcmsDesonerado_));
  p.Add("ModeloDanfeXmlResumo=" + GetModeloDanfeXmlResumo());
  return p.Text();
}

} // namespace vxn
