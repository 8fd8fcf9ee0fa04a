// The taxpayer query of a state. The query may address a state other than the component's, and a state
// that offers only the 3.10 service: both change the service data for this call alone.
#include "vxnNFe.h"

#include "services/vxnNFE50aIntf.h"
#include "services/vxnNFEInterface.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <memory>

namespace vxn {

namespace {

constexpr std::string_view kOperacao = "ConsultaCadastro";

// Puts the UF, state code and layout version of the service data back when the query ends, however it
// ends.
class RestauraDadosServico {
public:
  explicit RestauraDadosServico(TNFeData& dados)
      : dados_(dados), uf_(dados.UF), codigo_(dados.LocalCode), versao_(dados.VersaoManual) {}
  ~RestauraDadosServico() {
    dados_.UF = uf_;
    dados_.LocalCode = codigo_;
    dados_.VersaoManual = versao_;
  }
  RestauraDadosServico(const RestauraDadosServico&) = delete;
  RestauraDadosServico& operator=(const RestauraDadosServico&) = delete;

private:
  TNFeData& dados_;
  std::string uf_, codigo_;
  TVersaoManual versao_;
};

} // namespace

std::string TvxnNFe::ElementoDocumentoCadastro(std::string_view tipo, std::string_view documento) {
  const std::string logDir = GetDiretorioLogErro();
  const std::size_t tamanho = Utf8Length(documento);
  if (tipo == "CNPJ") {
    if (tamanho != 14)
      throw EvxnCheckParams("O CNPJ %s deve conter exatamente 14 dígitos.", {documento}, logDir);
  } else if (tipo == "CPF") {
    if (tamanho != 11)
      throw EvxnCheckParams("O CPF %s deve conter exatamente 11 dígitos.", {documento}, logDir);
  } else if (tipo == "IE") {
    if (tamanho < 3)
      throw EvxnCheckParams("A Inscrição Estadual %s deve conter pelo menos 3 dígitos.", {documento}, logDir);
  } else {
    throw EvxnCheckParams("Tipo de Documento: %s inválido. Informe: [CNPJ, CPF ou IE]", {tipo}, logDir);
  }
  return Format("<%s>%s</%s>", {tipo, documento, tipo});
}

std::string TvxnNFe::ConsultarCadastro(std::string_view tipo, std::string_view documento,
                                       std::string_view uf) {
  GetTelemetria().Ping(kOperacao);
  try {
    const std::string sigla = uf.empty() ? GetUF() : std::string(uf);
    UpdateNFeData();
    CheckCertificate();
    std::string pedido, reply;
    {
      TNFeData& dados = NFeData();
      RestauraDadosServico restaura(dados);
      dados.UF = sigla;
      dados.LocalCode = GetUFList().Value(sigla);

      TvxnNFEInterface* nfe = &GetNFE();
      // A state that has not moved to the 4.00 taxpayer service is asked with the 3.10 request, by the
      // 3.10 service class when the component's own class is a newer one.
      std::unique_ptr<TvxnNFEInterface> servico310;
      if (Trim(nfe->GetWSAddress("CadConsulta4", false)).empty() &&
          !Trim(nfe->GetWSAddress("CadConsulta3", false)).empty()) {
        dados.VersaoManual = vm50a;
        if (GetVersaoManual() != vm50a) {
          servico310 = std::make_unique<TvxnNFE50aIntf>(dados, GetGov(), GetGovUtils());
          servico310->SetDiretorioLogErro(GetDiretorioLogErro());
          nfe = servico310.get();
        }
      }

      const std::string elemento = ElementoDocumentoCadastro(tipo, documento);
      pedido = nfe->GetPedido_ConsultaCadastro(sigla, elemento);
      ValidarXMLNFe(pedido, "CONSULTACADASTRO");
      try {
        reply = nfe->ConsultarCadastro(sigla, elemento);
      } catch (const std::exception& e) {
        const std::string mensagem = e.what();
        if (ContainsText(mensagem, "Servidor para CadConsulta3 não definido no arquivo") ||
            ContainsText(mensagem, "Servidor para CadConsulta4 não definido no arquivo"))
          throw EvxnNFeException("A UF %s não possui serviço definido para ConsultarCadastro.", {sigla},
                                 GetDiretorioLogErro());
        throw EvxnNFeException("Erro ao consultar cadastro: " + mensagem, GetDiretorioLogErro());
      }
    }
    TvxnGovUtils& utils = GetGovUtils();
    GetTelemetria().Resultado(kOperacao, utils.GetValueTag("cStat", reply),
                              utils.GetValueTag("xMotivo", reply));
    Log(pedido, "ped-cad", documento);
    Log(reply, "cad", documento);
    return reply;
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(kOperacao, e.ClassName(), e.Message());
    throw;
  }
}

} // namespace vxn
