// The text form of the print tables between the print data and the report engine.
#include "vxnNFeException.h"
#include "vxnReportEngine.h"

namespace vxn {
namespace {

void Escapar(std::string& out, std::string_view v) {
  for (char c : v) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\n':
      out += "\\n";
      break;
    default:
      out += c;
    }
  }
}

void Linha(std::string& out, char tipo, const std::vector<std::string>& itens) {
  out += tipo;
  for (const std::string& i : itens) {
    out += '\t';
    Escapar(out, i);
  }
  out += '\n';
}

// The items of one line after its type letter, escapes undone.
std::vector<std::string> Itens(std::string_view linha) {
  std::vector<std::string> itens;
  std::string atual;
  bool algum = false;
  for (std::size_t i = 1; i < linha.size(); ++i) {
    const char c = linha[i];
    if (c == '\t') {
      if (algum)
        itens.push_back(std::move(atual));
      atual.clear();
      algum = true;
    } else if (c == '\\' && i + 1 < linha.size()) {
      const char e = linha[++i];
      atual += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
    } else {
      atual += c;
    }
  }
  if (algum)
    itens.push_back(std::move(atual));
  return itens;
}

} // namespace

int TvxnTabelaRelatorio::Campo(std::string_view nomeCampo) const {
  for (std::size_t i = 0; i < campos.size(); ++i)
    if (campos[i] == nomeCampo)
      return static_cast<int>(i);
  return -1;
}

const TvxnTabelaRelatorio* TvxnDadosRelatorio::Tabela(std::string_view nome) const {
  for (const TvxnTabelaRelatorio& t : tabelas)
    if (t.nome == nome)
      return &t;
  return nullptr;
}

std::string EscreverDadosRelatorio(const TvxnDadosRelatorio& dados) {
  std::string out;
  for (const TvxnTabelaRelatorio& t : dados.tabelas) {
    Linha(out, 'T', {t.nome, t.mestre, t.campoIndice, t.campoMestre});
    Linha(out, 'C', t.campos);
    for (const auto& linha : t.linhas)
      Linha(out, 'R', linha);
  }
  return out;
}

TvxnDadosRelatorio LerDadosRelatorio(std::string_view texto) {
  TvxnDadosRelatorio dados;
  std::size_t numero = 0;
  auto falha = [&numero](const char* motivo) {
    return EvxnNFeReportException("Dados de impressão inválidos na linha " + std::to_string(numero) + ": " +
                                  motivo);
  };
  while (!texto.empty()) {
    const std::size_t fim = texto.find('\n');
    const std::string_view linha = texto.substr(0, fim);
    texto = fim == std::string_view::npos ? std::string_view() : texto.substr(fim + 1);
    ++numero;
    if (linha.empty())
      continue;
    std::vector<std::string> itens = Itens(linha);
    switch (linha[0]) {
    case 'T':
      if (itens.size() != 4 || itens[0].empty())
        throw falha("tabela sem nome e ligação");
      dados.tabelas.push_back({itens[0], itens[1], itens[2], itens[3], {}, {}});
      break;
    case 'C':
      if (dados.tabelas.empty() || !dados.tabelas.back().campos.empty())
        throw falha("campos fora de uma tabela");
      dados.tabelas.back().campos = std::move(itens);
      break;
    case 'R':
      if (dados.tabelas.empty() || itens.size() != dados.tabelas.back().campos.size())
        throw falha("registro com número de valores diferente do de campos");
      dados.tabelas.back().linhas.push_back(std::move(itens));
      break;
    default:
      throw falha("tipo de linha desconhecido");
    }
  }
  return dados;
}

} // namespace vxn
