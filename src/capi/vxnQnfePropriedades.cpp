// The component's properties by name for the C interface: the key names and value texts of the
// configuration INI file, so that a host that configures by name and one that writes an INI file say the
// same things the same way.
#include "capi/vxnQnfeHandle.h"

#include "vxnNFeType.h"
#include "vxnText.h"

#include <charconv>
#include <map>

namespace vxn::capi {

namespace {

struct TPropriedade {
  std::function<void(TvxnNFe&, std::string_view)> Definir;
  std::function<std::string(TvxnNFe&)> Obter;
};

struct TMenorSemCaixa {
  bool operator()(std::string_view a, std::string_view b) const { return AsciiUpper(a) < AsciiUpper(b); }
};

using TTabela = std::map<std::string, TPropriedade, TMenorSemCaixa>;

int Inteiro(std::string_view nome, std::string_view valor) {
  int v = 0;
  const auto [fim, erro] = std::from_chars(valor.data(), valor.data() + valor.size(), v);
  if (erro != std::errc() || fim != valor.data() + valor.size() || valor.empty())
    throw EArgumento("valor inválido para a propriedade " + std::string(nome) + ": \"" + std::string(valor) +
                     "\" (um número inteiro)");
  return v;
}

// A text property: Get returns the stored text.
template <class Get, class Set> void PropTexto(TTabela& t, const char* nome, Get get, Set set) {
  t[nome] = {[set](TvxnNFe& n, std::string_view v) { (n.*set)(v); },
             [get](TvxnNFe& n) { return std::string((n.*get)()); }};
}

// A switch, written "1" or "0" as the INI file writes it; any other integer is on.
template <class Get, class Set> void PropChave(TTabela& t, const char* nome, Get get, Set set) {
  t[nome] = {[set, nome](TvxnNFe& n, std::string_view v) { (n.*set)(Inteiro(nome, v) != 0); },
             [get](TvxnNFe& n) { return std::string((n.*get)() ? "1" : "0"); }};
}

template <class Get, class Set> void PropNumero(TTabela& t, const char* nome, Get get, Set set) {
  t[nome] = {[set, nome](TvxnNFe& n, std::string_view v) { (n.*set)(Inteiro(nome, v)); },
             [get](TvxnNFe& n) { return std::to_string((n.*get)()); }};
}

TTabela MontarTabela() {
  TTabela t;
  t["VersaoManual"] = {[](TvxnNFe& n, std::string_view v) { n.SetVersaoManual(StrToVersaoManual(v)); },
                       [](TvxnNFe& n) { return VersaoManualToStr(n.GetVersaoManual()); }};
  // 1 is production; any other value is homologation, as in the INI file.
  t["Ambiente"] = {[](TvxnNFe& n, std::string_view v) {
                     n.SetAmbiente(Inteiro("Ambiente", v) == 1 ? akProducao : akHomologacao);
                   },
                   [](TvxnNFe& n) { return std::string(n.GetAmbiente() == akProducao ? "1" : "2"); }};
  t["TipoCertificado"] = {
      [](TvxnNFe& n, std::string_view v) { n.SetTipoCertificado(StrToTipoCertificado(v)); },
      [](TvxnNFe& n) { return TipoCertificadoToString(n.GetTipoCertificado()); }};
  t["ModoOperacao"] = {[](TvxnNFe& n, std::string_view v) { n.SetModoOperacao(StrToModoOperacao(v)); },
                       [](TvxnNFe& n) { return ModoOperacaoToString(n.GetModoOperacao()); }};
  t["NomeCertificado"] = {[](TvxnNFe& n, std::string_view v) { n.SetNomeCertificado(v); },
                          [](TvxnNFe& n) {
                            // One certificate name: the list's line breaks are not part of it.
                            std::string nome = n.GetNomeCertificado().Text();
                            std::erase_if(nome, [](char c) { return c == '\r' || c == '\n'; });
                            return nome;
                          }};

  using N = TvxnNFe;
  using C = TvxnCustomNFe;
  PropTexto(t, "UF", &C::GetUF, &C::SetUF);
  PropTexto(t, "CNPJ", &C::GetCNPJ, &C::SetCNPJ);
  PropTexto(t, "CaminhoCertificado", &C::GetCaminhoCertificado, &C::SetCaminhoCertificado);
  PropTexto(t, "SenhaCertificado", &C::GetSenhaCertificado, &C::SetSenhaCertificado);
  PropTexto(t, "PinCode", &C::GetPinCode, &C::SetPinCode);
  PropTexto(t, "ModuloPKCS11", &C::GetModuloPKCS11, &C::SetModuloPKCS11);
  PropTexto(t, "ArquivoServidoresHom", &C::GetArquivoServidoresHom, &C::SetArquivoServidoresHom);
  PropTexto(t, "ArquivoServidoresProd", &C::GetArquivoServidoresProd, &C::SetArquivoServidoresProd);
  PropTexto(t, "ArquivoCAAdicional", &C::GetArquivoCAAdicional, &C::SetArquivoCAAdicional);
  PropTexto(t, "ArquivoCAExclusivo", &C::GetArquivoCAExclusivo, &C::SetArquivoCAExclusivo);
  PropTexto(t, "DiretorioLog", &C::GetDiretorioLog, &C::SetDiretorioLog);
  PropTexto(t, "DiretorioLogErro", &C::GetDiretorioLogErro, &C::SetDiretorioLogErro);
  PropTexto(t, "DiretorioTemplates", &C::GetDiretorioTemplatesConfigurado, &C::SetDiretorioTemplates);
  PropTexto(t, "DiretorioEsquemas", &C::GetDiretorioEsquemasConfigurado, &C::SetDiretorioEsquemas);
  PropTexto(t, "DiretorioTemporario", &C::GetDiretorioTemporario, &C::SetDiretorioTemporario);
  PropTexto(t, "DiretorioXmlDestinatario", &N::GetDiretorioXmlDestinatario, &N::SetDiretorioXmlDestinatario);
  PropTexto(t, "DiretorioDownloads", &N::GetDiretorioDownloads, &N::SetDiretorioDownloads);
  PropTexto(t, "Proxy", &C::GetProxy, &C::SetProxy);
  PropTexto(t, "Usuario", &C::GetUsuario, &C::SetUsuario);
  PropTexto(t, "Senha", &C::GetSenha, &C::SetSenha);
  PropTexto(t, "CaracteresRemoverAcentos", &C::GetCaracteresRemoverAcentos, &C::SetCaracteresRemoverAcentos);
  PropTexto(t, "IdCSRT", &C::GetIdCSRT, &C::SetIdCSRT);
  PropTexto(t, "CSRT", &C::GetCSRT, &C::SetCSRT);
  PropTexto(t, "IdCSC", &C::GetIdCSC, &C::SetIdCSC);
  PropTexto(t, "CSC", &C::GetCSC, &C::SetCSC);
  PropTexto(t, "URLQRCode", &C::GetURLQRCode, &C::SetURLQRCode);
  PropTexto(t, "URLConsultaNFCe", &C::GetURLConsultaNFCe, &C::SetURLConsultaNFCe);
  PropTexto(t, "HttpLibs", &C::GetHttpLibs, &C::SetHttpLibs);
  PropChave(t, "ValidarEsquema", &C::GetValidarEsquemaAntesEnvio, &C::SetValidarEsquemaAntesEnvio);
  PropChave(t, "LoteUnicoSincrono", &C::GetLoteUnicoSincrono, &C::SetLoteUnicoSincrono);
  PropChave(t, "SalvarLogsEmDisco", &C::GetSalvarLogsEmDisco, &C::SetSalvarLogsEmDisco);
  PropChave(t, "AtualizarArquivoServidores", &C::GetAtualizarArquivoServidores,
            &C::SetAtualizarArquivoServidores);
  PropChave(t, "ConexaoSegura", &C::GetConexaoSegura, &C::SetConexaoSegura);
  PropChave(t, "IgnoreInvalidCertificates", &C::GetIgnoreInvalidCertificates,
            &C::SetIgnoreInvalidCertificates);
  PropChave(t, "SomenteRaizesICPBrasil", &C::GetSomenteRaizesICPBrasil, &C::SetSomenteRaizesICPBrasil);
  PropChave(t, "AnexarDanfePDF", &C::GetAnexarDanfePDF, &C::SetAnexarDanfePDF);
  PropChave(t, "DanfeSimplificado", &C::GetDanfeSimplificado, &C::SetDanfeSimplificado);
  PropNumero(t, "TimeOut", &C::GetTimeOut, &C::SetTimeOut);
  PropNumero(t, "VersaoQRCode", &C::GetVersaoQRCode, &C::SetVersaoQRCode);
  PropNumero(t, "MaxSizeLoteEnvio", &N::GetMaxSizeLoteEnvio, &N::SetMaxSizeLoteEnvio);
  return t;
}

const TPropriedade& Propriedade(std::string_view nome) {
  static const TTabela tabela = MontarTabela();
  const auto it = tabela.find(std::string(nome));
  if (it == tabela.end())
    throw EArgumento("propriedade desconhecida: " + std::string(nome));
  return it->second;
}

} // namespace

void DefinirPropriedade(TvxnNFe& nfe, std::string_view nome, std::string_view valor) {
  Propriedade(nome).Definir(nfe, valor);
}

std::string ObterPropriedade(TvxnNFe& nfe, std::string_view nome) {
  return Propriedade(nome).Obter(nfe);
}

} // namespace vxn::capi
