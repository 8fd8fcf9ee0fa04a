#include "services/vxnNFE40Intf.h"

#include "xml/vxnNFeUtils.h"

namespace vxn {

std::string TvxnNFE40Intf::CalculaChaveNFe(std::string_view dEmi, std::string_view cUF, std::string_view cnpj,
                                           std::string_view modelo, std::string_view serie,
                                           std::string_view nNF, std::string_view tpEmis,
                                           std::string_view cNF) {
  return CalculaChave(dEmi, cUF, cnpj, modelo, serie, nNF, tpEmis, cNF, TvxnLogDir{GetDiretorioLogErro()});
}

std::string TvxnNFE40Intf::StatusDoServico() {
  return ChamarServico(
      "NfeStatusServico2", "pedido_status.soap", true, [&] { return GetPedido_Status(); },
      "NfeStatusServico2", "nfeStatusServicoNF2Result", "nfeStatusServicoNF2");
}

std::string TvxnNFE40Intf::CancelarNF(std::string_view x) {
  return ChamarServico(
      "NfeCancelamento2", "pedido_cancelarnf.soap", true, [&] { return Escape(GetPedido_CancelarNF(x)); },
      "NfeCancelamento2", "nfeCancelamentoNF2Result", "nfeCancelamentoNF2");
}

std::string TvxnNFE40Intf::ConsultarNF(std::string_view chave) {
  return ChamarServico(
      "NfeConsulta2", "pedido_consultanf.soap", true, [&] { return Escape(GetPedido_ConsultarNF(chave)); },
      "NfeConsulta2", "nfeConsultaNF2Result", "nfeConsultaNF2");
}

std::string TvxnNFE40Intf::InutilizarNF(std::string_view x) {
  return ChamarServico(
      "NfeInutilizacao2", "pedido_inutilizarnf.soap", true, [&] { return Escape(GetPedido_InutilizarNF(x)); },
      "NfeInutilizacao2", "nfeInutilizacaoNF2Result", "nfeInutilizacaoNF2");
}

// These layouts have no compressed form: the flag is ignored.
std::string TvxnNFE40Intf::EnviarNF(std::string_view, std::string_view xml, bool) {
  return ChamarServico(
      "NfeRecepcao2", "pedido_enviarnfe.soap", true, [&] { return Escape(xml); }, "NfeRecepcao2",
      "nfeRecepcaoLote2Result", "nfeRecepcaoLote2");
}

std::string TvxnNFE40Intf::ConsultarRecibo(std::string_view recibo) {
  return ChamarServico(
      "NfeRetRecepcao2", "pedido_consultarecibo.soap", true,
      [&] { return Escape(GetPedido_ConsultaRecibo(recibo)); }, "NfeRetRecepcao2", "nfeRetRecepcao2Result",
      "nfeRetRecepcao2");
}

std::string TvxnNFE40Intf::ConsultarCadastro(std::string_view a, std::string_view b) {
  // The taxpayer query's action is its namespace itself.
  return ChamarServico(
      "CadConsulta2", "pedido_consultacadastro.soap", true,
      [&] { return Escape(GetPedido_ConsultaCadastro(a, b)); }, "CadConsultaCadastro2",
      "CadConsultaCadastroNF2Result", "");
}

} // namespace vxn
