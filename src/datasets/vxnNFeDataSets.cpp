#include "vxnNFeDataSets.h"

#include "rules/vxnNFeRules.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"

namespace vxn {

TvxnNFeDataSets::TvxnNFeDataSets() {
  SetVersaoEsquema(pl_009g);
}

void TvxnNFeDataSets::CreateDataSet() {
  dataSet_ = CreateVersionDataSet(versaoEsquema_);
  dataSet_->SetDiretorioLogErro(diretorioLogErro_);
  dataSet_->SetUsarDatasetExportacao(usarDatasetExportacao_);
}

void TvxnNFeDataSets::SetVersaoEsquema(TVersaoEsquema v) {
  versaoEsquema_ = v;
  dataSet_.reset();
  CreateDataSet();
}

void TvxnNFeDataSets::SetXMLDicionario(std::string_view path) {
  CreateDataSet();
  xmlDicionario_ = path;
  dataSet_->SetXMLDicionario(path);
}

void TvxnNFeDataSets::SetDiretorioLogErro(std::string_view dir) {
  diretorioLogErro_ = dir;
  if (!dir.empty() && !DirectoryExists(dir))
    ForceDirectories(dir);
  dataSet_->SetDiretorioLogErro(dir);
}

void TvxnNFeDataSets::SetUsarDatasetExportacao(bool on) {
  usarDatasetExportacao_ = on;
  dataSet_->SetUsarDatasetExportacao(on);
}

void TvxnNFeDataSets::Incluir() {
  dataSet_->SetDiretorioLogErro(diretorioLogErro_);
  dataSet_->Incluir();
}

// A failing rule raises and stops the rest; a failing authority rule finds the document already in
// the lot.
void TvxnNFeDataSets::Salvar() {
  if (validaRegrasNegocioQuorvant_)
    AplicarRegrasDeNegocio(rkQuorvant);
  dataSet_->Salvar();
  if (validaRegrasNegocio_)
    AplicarRegrasDeNegocio(rkSefaz);
}

void TvxnNFeDataSets::AplicarRegrasDeNegocio(TTipoRegraKind kind) {
  TvxnControllerRulesNFe controller;
  controller.SetNFeDataSet(dataSet_.get());
  controller.SetExcecoesDeRegras(excecoesDeRegras_);
  controller.SetVersaoEsquema(versaoEsquema_);
  controller.SetRelogio(relogioRegras_);
  controller.AplicarRegras(kind);
}

std::vector<std::string> TvxnNFeDataSets::FalhasDasRegrasDeNegocio() {
  TvxnControllerRulesNFe controller;
  controller.SetNFeDataSet(dataSet_.get());
  controller.SetExcecoesDeRegras(excecoesDeRegras_);
  controller.SetVersaoEsquema(versaoEsquema_);
  controller.SetRelogio(relogioRegras_);
  controller.LoadRulesWebSefaz();
  return controller.ListarFalhas();
}

void TvxnNFeDataSets::Cancelar() {
  dataSet_->Cancelar();
}

TvxnNFeXMLField& TvxnNFeDataSets::Campo(std::string_view group, int position) {
  if (group.empty())
    throw EvxnNFeCheckParams("O Grupo deve ser informado para encontrar o campo desejado.",
                             diretorioLogErro_);
  if (dataSet_->GetListDataSets().empty())
    throw EvxnNFeCheckParams("Não existem DataSets carregados. Verifique se o XMLDicionário foi informado.",
                             diretorioLogErro_);
  if (TvxnNFeXMLField* field = dataSet_->FindCampoRec(group, position))
    return *field;
  throw EvxnNFeException("Não foi encontrado campo configurado para o Grupo %s na posição %s",
                         {group, std::to_string(position)}, diretorioLogErro_);
}

} // namespace vxn
