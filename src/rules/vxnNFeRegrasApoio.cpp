#include "vxnNFeRegrasApoio.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <algorithm>
#include <charconv>

namespace vxn::regras {

bool EhUmDe(std::string_view valor, std::initializer_list<std::string_view> opcoes) {
  return std::find(opcoes.begin(), opcoes.end(), valor) != opcoes.end();
}

bool ComecaCom(std::string_view texto, std::string_view iniciais) {
  return !texto.empty() && iniciais.find(texto.front()) != std::string_view::npos;
}

bool SoDigitos(std::string_view texto) {
  return !texto.empty() &&
         std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ChaveComDVValido(std::string_view chave) {
  return chave.size() == 44 && SoDigitos(chave) && CalculaDigitoModulo11(chave.substr(0, 43)) == chave[43];
}

bool MunicipioComDVValido(std::string_view codigo) {
  return codigo.size() == 7 && SoDigitos(codigo) && ValidaCodigoMunicipio(codigo);
}

bool MunicipioDaUF(std::string_view codigo, std::string_view uf) {
  const std::string cUF = GetCodeUF(uf);
  return !cUF.empty() && codigo.substr(0, 2) == cUF;
}

bool MunicipioPlausivel(std::string_view codigo) {
  if (!MunicipioComDVValido(codigo))
    return false;
  const std::string uf = GetUF(codigo.substr(0, 2));
  return !uf.empty() && uf != "AN";
}

bool CfopDeDevolucao(std::string_view cfop) {
  const auto linhas = LinhasDeDados("cfop-devolucao.txt");
  return std::find(linhas.begin(), linhas.end(), cfop) != linhas.end();
}

bool CfopDeCombustivel(std::string_view cfop) {
  if (cfop.size() != 4 || !SoDigitos(cfop))
    return false;
  const int resto = std::stoi(std::string(cfop.substr(1)));
  return resto >= 651 && resto <= 667;
}

bool UFSulSudesteSemES(std::string_view uf) {
  return EhUmDe(AsciiUpper(uf), {"PR", "RS", "SC", "MG", "RJ", "SP"});
}

double AliquotaInterestadual(std::string_view ufOrigem, std::string_view ufDestino) {
  return UFSulSudesteSemES(ufOrigem) && !UFSulSudesteSemES(ufDestino) ? 7.0 : 12.0;
}

bool OrigemImportada(std::string_view orig) {
  return EhUmDe(orig, {"1", "2", "3", "8"});
}

double Decimal(std::string_view texto, std::string_view campo) {
  const std::string t = Trim(texto);
  double valor = 0;
  if (t.empty())
    return valor;
  const auto [fim, erro] = std::from_chars(t.data(), t.data() + t.size(), valor);
  if (erro != std::errc() || fim != t.data() + t.size())
    throw EvxnNFeRuleException("\"%s\" não é um valor decimal válido para o campo %s.", {t, campo});
  return valor;
}

std::vector<std::string> LinhasDeDados(std::string_view nome) {
  const std::string caminho = ProgramDirectory() + "Regras/" + std::string(nome);
  if (!FileExists(caminho))
    throw EvxnNFeRuleException("Arquivo de dados das regras não encontrado: %s", {caminho});
  TvxnStringList lista;
  lista.SetText(ReadWholeFile(caminho));
  std::vector<std::string> linhas;
  for (std::size_t i = 0; i < lista.Count(); ++i) {
    std::string linha = Trim(lista[i]);
    if (!linha.empty() && linha.front() != '#')
      linhas.push_back(std::move(linha));
  }
  return linhas;
}

std::map<std::string, std::string> ParesDeDados(std::string_view nome) {
  std::map<std::string, std::string> pares;
  for (const std::string& linha : LinhasDeDados(nome)) {
    const auto igual = linha.find('=');
    if (igual != std::string::npos)
      pares[Trim(linha.substr(0, igual))] = Trim(linha.substr(igual + 1));
  }
  return pares;
}

} // namespace vxn::regras
