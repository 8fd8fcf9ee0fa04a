#include "sefaz-sim/SimReplies.h"

#include <array>
#include <chrono>
#include <ctime>
#include <utility>

namespace vxn::sim {

namespace {

constexpr std::array<std::pair<int, std::string_view>, 77> kMotivos{{
    {100, "Autorizado o uso da NF-e"},
    {101, "Cancelamento de NF-e homologado"},
    {102, "Inutilizacao de numero homologado"},
    {103, "Lote recebido com sucesso"},
    {104, "Lote processado"},
    {105, "Lote em processamento"},
    {106, "Lote nao localizado"},
    {107, "Servico em Operacao"},
    {108, "Servico Paralisado Momentaneamente (curto prazo)"},
    {109, "Servico Paralisado sem Previsao"},
    {111, "Consulta cadastro com uma ocorrencia"},
    {114, "Rejeicao: SVC desabilitada pela SEFAZ Origem"},
    {124, "DPEC recebido pelo Sistema de Contingencia Eletronica"},
    {125, "DPEC localizado"},
    {126, "Inexiste DPEC para o numero de registro de DPEC informado"},
    {127, "Inexiste DPEC para a chave de acesso da NF-e informada"},
    {128, "Lote de Evento Processado"},
    {129, "Lote de CL-e processado"},
    {135, "Evento registrado e vinculado a NF-e"},
    {137, "Nenhum documento localizado"},
    {138, "Documento localizado"},
    {139, "Pedido de Download processado"},
    {140, "Download disponibilizado"},
    {136, "Evento registrado, mas nao vinculado a NF-e"},
    {150, "Autorizado o uso da NF-e, autorizacao fora de prazo"},
    {155, "Cancelamento homologado fora de prazo"},
    {204, "Rejeicao: Duplicidade de NF-e"},
    {213, "Rejeicao: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital"},
    {215, "Rejeicao: Falha no schema XML"},
    {217, "Rejeicao: NF-e nao consta na base de dados da SEFAZ"},
    {218, "Rejeicao: NF-e ja esta cancelada na base de dados da SEFAZ"},
    {222, "Rejeicao: Protocolo de Autorizacao de Uso difere do cadastrado"},
    {225, "Rejeicao: Falha no Schema XML do lote de NFe"},
    {226, "Rejeicao: Codigo da UF do Emitente diverge da UF autorizadora"},
    {228, "Rejeicao: Data de Emissao muito atrasada"},
    {236, "Rejeicao: Chave de Acesso com digito verificador invalido"},
    {241, "Rejeicao: Um numero da faixa ja foi utilizado"},
    {250, "Rejeicao: UF diverge da UF autorizadora"},
    {252, "Rejeicao: Ambiente informado diverge do Ambiente de recebimento"},
    {253, "Rejeicao: Digito Verificador da chave de acesso composta invalida"},
    {256, "Rejeicao: Uma NF-e da faixa ja esta inutilizada na Base de dados da SEFAZ"},
    {259, "Rejeicao: CNPJ da consulta nao cadastrado como contribuinte na UF"},
    {261, "Rejeicao: IE da consulta nao cadastrada como contribuinte na UF"},
    {264, "Rejeicao: CPF da consulta nao cadastrado como contribuinte na UF"},
    {265, "Rejeicao: Sigla da UF da consulta difere da UF do Web Service"},
    {297, "Rejeicao: Assinatura difere do calculado"},
    {394, "Rejeicao: Nota Fiscal sem a informacao do QR-Code"},
    {395, "Rejeicao: Endereco do site da UF da Consulta via QR-Code diverge do previsto"},
    {396, "Rejeicao: Parametro do QR-Code inexistente"},
    {397, "Rejeicao: Parametro do QR-Code divergente da Nota Fiscal"},
    {462, "Rejeicao: Codigo Identificador do CSC no QR-Code nao cadastrado na SEFAZ"},
    {464, "Rejeicao: Codigo de Hash no QR-Code difere do calculado"},
    {491, "Rejeicao: O tpEvento informado invalido"},
    {493, "Rejeicao: Evento nao atende o Schema XML especifico"},
    {494, "Rejeicao: Chave de Acesso inexistente"},
    {501, "Rejeicao: Prazo de cancelamento superior ao previsto na Legislacao"},
    {452, "Rejeicao: Solicitada resposta sincrona para Lote com mais de uma NF-e (indSinc=1)"},
    {502, "Rejeicao: Erro na Chave de Acesso - Campo Id nao corresponde a concatenacao dos campos "
          "correspondentes"},
    {556,
     "Rejeicao: Justificativa de entrada em contingencia nao deve ser informada para tipo de emissao normal"},
    {557, "Rejeicao: A Justificativa de entrada em contingencia deve ser informada"},
    {558, "Rejeicao: Data de entrada em contingencia posterior a data de emissao"},
    {570, "Rejeicao: Tipo de Emissao 3, 6 ou 7 so e valido nas contingencias SCAN/SVC"},
    {713, "Rejeicao: Tipo de Emissao diferente de 6 ou 7 para contingencia da SVC acessada"},
    {572, "Rejeicao: Erro Atributo ID do evento nao corresponde a concatenacao dos campos (ID + tpEvento + "
          "chNFe + "
          "nSeqEvento)"},
    {573, "Rejeicao: Duplicidade de Evento"},
    {574, "Rejeicao: O autor do evento diverge do emissor da NF-e"},
    {575, "Rejeicao: O autor do evento diverge do destinatario da NF-e"},
    {580, "Rejeicao: O evento exige uma NF-e autorizada"},
    {589, "Rejeicao: Numero do NSU informado superior ao maior NSU da base de dados do Ambiente Nacional"},
    {593, "Rejeicao: CNPJ-Base consultado difere do CNPJ-Base do Certificado Digital"},
    {633, "Rejeicao: NF-e indisponivel para download devido a ausencia de Manifestacao do Destinatario"},
    {640, "Rejeicao: CNPJ/CPF do interessado nao possui permissao para consultar esta NF-e"},
    {653, "Rejeicao: NF-e cancelada, arquivo indisponivel para download"},
    {656, "Rejeicao: Consumo Indevido"},
    {805, "Rejeicao: A SEFAZ do destinatario nao permite Contribuinte Isento de Inscricao Estadual"},
    {878, "Rejeicao: Endereco do site da UF da Consulta por chave de acesso diverge do previsto"},
    {594, "Rejeicao: O numero de sequencia do evento informado e maior que o permitido"},
}};

} // namespace

std::string NowBrasilia() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) - 3 * 3600;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S-03:00", &tm);
  return buf;
}

std::string MotivoOf(int cStat) {
  for (const auto& [code, text] : kMotivos)
    if (code == cStat)
      return std::string(text);
  return {};
}

std::string ElementText(std::string_view xml, std::string_view localName) {
  const std::string open = "<" + std::string(localName);
  for (std::size_t p = xml.find(open); p != std::string_view::npos; p = xml.find(open, p + 1)) {
    const std::size_t after = p + open.size();
    if (after >= xml.size() || (xml[after] != '>' && xml[after] != ' '))
      continue;
    const std::size_t start = xml.find('>', after);
    const std::size_t end = xml.find("</" + std::string(localName) + ">", start);
    if (start == std::string_view::npos || end == std::string_view::npos)
      return {};
    return std::string(xml.substr(start + 1, end - start - 1));
  }
  return {};
}

std::vector<std::string> ElementTexts(std::string_view xml, std::string_view localName) {
  std::vector<std::string> texts;
  const std::string open = "<" + std::string(localName) + ">";
  const std::string close = "</" + std::string(localName) + ">";
  for (std::size_t p = xml.find(open); p != std::string_view::npos; p = xml.find(open, p)) {
    const std::size_t start = p + open.size();
    const std::size_t end = xml.find(close, start);
    if (end == std::string_view::npos)
      break;
    texts.emplace_back(xml.substr(start, end - start));
    p = end;
  }
  return texts;
}

} // namespace vxn::sim
