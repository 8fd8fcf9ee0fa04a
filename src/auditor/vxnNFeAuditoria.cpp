// The NF-e component's side of the audit: ChecarComponenteAuditor and AuditarXml.
#include "auditor/vxnValidadorClientX.h"
#include "vxnFiles.h"
#include "vxnIniFile.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <string>

namespace vxn {

namespace {

// The folder without the layout-version subfolder, ending in "/".
std::string SemVersao(std::string pasta) {
  RemoveVersaoManualDoPath(pasta);
  return IncludeTrailingPathDelimiter(pasta);
}

// The number of times `palavra` occurs in `texto` (0 when either is empty).
std::size_t Ocorrencias(std::string_view texto, std::string_view palavra) {
  if (texto.empty() || palavra.empty())
    return 0;
  std::size_t n = 0;
  for (std::size_t p = texto.find(palavra); p != std::string_view::npos;
       p = texto.find(palavra, p + palavra.size()))
    ++n;
  return n;
}

} // namespace

void TvxnCustomNFe::ChecarComponenteAuditor() {
  if (!componenteAuditor_)
    throw EvxnNFeException("Componente Validador Client não instanciado", GetDiretorioLogErro());
}

std::string TvxnCustomNFe::AuditarXml(std::string_view xml, std::string_view parametro,
                                      std::string_view servidor, std::int16_t exibirRegras,
                                      std::int16_t exibirRelatorio, std::string_view /*naoUsado*/) {
  const std::string esquemas = SemVersao(GetDiretorioEsquemas());
  const std::string templates = SemVersao(GetDiretorioTemplates());
  const TvxnIniFile ini(templates + "Auditor/AuditorConfig.ini");
  ChecarComponenteAuditor();
  TvxnValidadorClientX& auditor = *componenteAuditor_;
  if (auditor.GetHeigthHtml() == 0)
    auditor.SetHeigthHtml(static_cast<int>(StrToIntDef(ini.ReadString("AUDITOR", "HeightHtml", "500"), 500)));
  if (auditor.GetWidthHtml() == 0)
    auditor.SetWidthHtml(static_cast<int>(StrToIntDef(ini.ReadString("AUDITOR", "WidthHtml", "500"), 500)));

  auditor.SetEstagio(TvxnValidadorClientX::esProducao);
  auditor.SetCodigoProduto(1);
  auditor.SetServidor(servidor);
  auditor.SetTipoResposta(TvxnValidadorClientX::trJSON);
  auditor.SetLinguagemResposta(TvxnValidadorClientX::tlJavaScript);
  auditor.SetExibirRegrasValidacao(exibirRegras != 0);
  if (auditor.GetDiretorioEsquemas().empty())
    auditor.SetDiretorioEsquemas(esquemas);
  if (auditor.GetDiretorioTemplates().empty())
    auditor.SetDiretorioTemplates(templates);
  if (auditor.GetDiretorioRegras().empty())
    auditor.SetDiretorioRegras(templates + "Auditor/Regras/");
  if (auditor.GetDiretorioLogErro().empty())
    auditor.SetDiretorioLogErro(GetDiretorioLogErro());

  const std::string regras = auditor.GetDiretorioRegras();
  if (!DirectoryExists(regras) && !ForceDirectories(regras))
    throw EvxnNFeException("Diretório para regras não encontrado. %s", {regras}, GetDiretorioLogErro());

  const std::string verdito = auditor.ValidarXml(xml, parametro);
  auditor.SetTotalRejeicao(std::to_string(Ocorrencias(verdito, "Rejeição")));
  if (exibirRelatorio != 0)
    auditor.ShowHtml(verdito);
  return verdito;
}

} // namespace vxn
