#include "contingency/vxnNFeSCAN.h"

#include "events/vxnNFeEventos.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <charconv>

namespace vxn {
namespace {

constexpr std::string_view kSecao = "SCAN";
constexpr std::string_view kInicioId = "Id=\"NFe";
constexpr std::size_t kTamanhoChave = 44;

// Replaces the text of the first <tag> element; a document without it is left as it is.
void TrocarValorTag(std::string& xml, std::string_view tag, std::string_view valor) {
  const std::string abre = "<" + std::string(tag) + ">";
  const std::string fecha = "</" + std::string(tag) + ">";
  const std::size_t inicio = xml.find(abre);
  if (inicio == std::string::npos)
    return;
  const std::size_t texto = inicio + abre.size();
  const std::size_t fim = xml.find(fecha, texto);
  if (fim == std::string::npos)
    return;
  xml.replace(texto, fim - texto, valor);
}

bool SerieDeContingencia(std::string_view serie) {
  int n = 0;
  const auto [fim, erro] = std::from_chars(serie.data(), serie.data() + serie.size(), n);
  return erro == std::errc{} && fim == serie.data() + serie.size() && n >= 900 && n <= 999;
}

} // namespace

TvxnNFeSCAN::TvxnNFeSCAN() {
  SetSectionINI(kSecao);
  SetArquivoServidoresHom("nfeServidoresHomSCAN.ini");
  SetArquivoServidoresProd("nfeServidoresProdSCAN.ini");
  SetVersaoManual(vm50);
}

void TvxnNFeSCAN::SetVersaoManual(TVersaoManual v) {
  if (v == vm50a || v == vm60)
    throw EvxnNFeVersaoManualException("O Modo SCAN não suporta a versão 3.10 ou 4.00 da NF-e (vm50a ou "
                                       "vm60). Deve-se utilizar a vm50 ou utilizar o modo SVC.",
                                       GetDiretorioLogErro());
  TvxnNFe::SetVersaoManual(v);
}

void TvxnNFeSCAN::UpdateNFeData() {
  TvxnNFe::UpdateNFeData();
  NFeData().UF = "AN";
}

std::string TvxnNFeSCAN::GetTemplateFolder() {
  return GetDiretorioTemplates() + "AN/";
}

void TvxnNFeSCAN::AtualizaDadosNFeEventos() {
  TvxnNFe::AtualizaDadosNFeEventos();
  GetEventos().SetUFWS("AN");
}

void TvxnNFeSCAN::Recarimbar(std::string& nota) {
  if (tpEmis_.empty())
    tpEmis_ = "3";
  if (Trim(nota).empty())
    throw EvxnNFeCheckParams("Obrigatório informar o XML que será tratado", GetDiretorioLogErro());
  if (Trim(serie_).empty())
    throw EvxnNFeCheckParams("Obrigatório informar a Série para emissão em contingência SCAN (900 a 999)",
                             GetDiretorioLogErro());
  if (!SerieDeContingencia(serie_))
    throw EvxnNFeCheckParams("A Faixa de Séries a ser utilizada pelo SCAN é 900 até 999",
                             GetDiretorioLogErro());

  TrocarValorTag(nota, "serie", serie_);
  TrocarValorTag(nota, "tpEmis", tpEmis_);
  // The key holds the series and the issue type: it is computed again with the new ones.
  std::string emissao = GetValueTag("dhEmi", nota);
  if (emissao.empty())
    emissao = GetValueTag("dEmi", nota);
  const std::string chave =
      CalculaChaveNFe(emissao, GetValueTag("cUF", nota), GetCNPJ(), GetValueTag("mod", nota), serie_,
                      GetValueTag("nNF", nota), GetValueTag("cNF", nota), tpEmis_);
  if (const std::size_t id = nota.find(kInicioId); id != std::string::npos)
    nota.replace(id + kInicioId.size(), std::min(kTamanhoChave, nota.size() - id - kInicioId.size()), chave);
  TrocarValorTag(nota, "cDV", chave.substr(chave.size() - 1));
}

bool TvxnNFeSCAN::AjustarNotaParaAssinar(std::string& nota) {
  Recarimbar(nota);
  return true;
}

void TvxnNFeSCAN::LerConfiguracoes(TvxnIniFile& ini) {
  TvxnNFe::LerConfiguracoes(ini);
  const std::string s = SecaoPrincipal();
  SetSerie(ini.ReadString(s, "Serie", "900"));
  SetTpEmis(ini.ReadString(s, "TpEmis", "3"));
  // The same keys as the NF-e component's, with the SCAN files as their defaults.
  SetArquivoServidoresHom(ini.ReadString(s, "ArquivoServidoresHom", "nfeServidoresHomSCAN.ini"));
  SetArquivoServidoresProd(ini.ReadString(s, "ArquivoServidoresProd", "nfeServidoresProdSCAN.ini"));
}

void TvxnNFeSCAN::GravarConfiguracoes(TvxnIniFile& ini) {
  TvxnNFe::GravarConfiguracoes(ini);
  const std::string s = SecaoPrincipal();
  ini.WriteString(s, "Serie", serie_);
  ini.WriteString(s, "TpEmis", tpEmis_);
}

} // namespace vxn
