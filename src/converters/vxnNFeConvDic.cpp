#include "vxnNFeConvDic.h"

#include "datasets/vxnNFeEscape.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnStringList.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <algorithm>
#include <array>

namespace vxn {

namespace {

// The tax groups whose data lines choose their own dictionary line, in dictionary order.

// 'C', 'D' or 'R' for a marker line, 0 for a data line.
char Marcador(std::string_view linha) {
  if (linha.size() >= 2 && linha[1] == '|' && (linha[0] == 'C' || linha[0] == 'D' || linha[0] == 'R'))
    return linha[0];
  return 0;
}

int IndiceDoBloco(char bloco) {
  return bloco == 'C' ? 0 : bloco == 'D' ? 1 : 2;
}

std::size_t Separadores(std::string_view linha) {
  return static_cast<std::size_t>(std::count(linha.begin(), linha.end(), '|'));
}

// The fields of a line: each ends at its "|"; text after the last "|" belongs to no field.
std::vector<std::string_view> Campos(std::string_view linha) {
  std::vector<std::string_view> campos;
  std::size_t inicio = 0;
  for (std::size_t fim = linha.find('|'); fim != std::string_view::npos; fim = linha.find('|', inicio)) {
    campos.push_back(linha.substr(inicio, fim - inicio));
    inicio = fim + 1;
  }
  return campos;
}

// The dictionary line of the data line's ICMS group (the line whose first entry is the data line's
// first field, "ICMS00" ... "ICMSSN900"), or -1 when the data line opens no ICMS group.
int LinhaGrupoICMS(std::string_view linha, const std::vector<std::string>& dicionario) {
  const std::string_view grupo = linha.substr(0, linha.find('|'));
  if (!grupo.starts_with("ICMS"))
    return -1;
  for (std::size_t i = 0; i < dicionario.size(); ++i)
    if (dicionario[i].starts_with(grupo) && dicionario[i].size() > grupo.size() &&
        dicionario[i][grupo.size()] == '|')
      return static_cast<int>(i);
  return -1;
}

// Where an element of a "+" line goes: into the group opened last by `escopo`, before the first of
// `antes` found there (the elements that follow it in the schema, the group's closing last).
struct TAncora {
  std::string_view elemento;
  std::string_view escopo;
  std::vector<std::string_view> antes;
};

const std::vector<TAncora>& Ancoras() {
  static const std::vector<TAncora> kAncoras{
      {"dPrevEntrega", "<ide>", {"<tpNF>"}},
      {"cMunFGIBS", "<ide>", {"<tpImp>"}},
      {"tpNFDebito", "<ide>", {"<indFinal>"}},
      {"tpNFCredito", "<ide>", {"<indFinal>"}},
      {"gCompraGov", "<ide>", {"</ide>"}},
      {"gPagAntecipado", "<ide>", {"</ide>"}},
      {"tpCredPresIBSZFM", "<det ", {"<EXTIPI>", "<CFOP>"}},
      {"indBemMovelUsado", "<det ", {"<xPed>", "<nItemPed>", "<nFCI>", "</prod>"}},
      {"IS", "<det ", {"</imposto>"}},
      {"IBSCBS", "<det ", {"</imposto>"}},
      {"vItem", "<det ", {"</det>"}},
      {"DFeReferenciado", "<det ", {"</det>"}},
      {"ISTot", "<total>", {"</total>"}},
      {"IBSCBSTot", "<total>", {"</total>"}},
      {"vNFTot", "<total>", {"</total>"}}};
  return kAncoras;
}

// The top-level elements of a piece of XML written by the converter (no comments, no text between
// elements); empty when its tags do not balance.
std::optional<std::vector<std::string_view>> ElementosDe(std::string_view xml) {
  std::vector<std::string_view> elementos;
  int profundidade = 0;
  std::size_t inicio = 0;
  for (std::size_t i = xml.find('<'); i != std::string_view::npos; i = xml.find('<', i + 1)) {
    const std::size_t fim = xml.find('>', i);
    if (fim == std::string_view::npos)
      return std::nullopt;
    if (xml[i + 1] == '/') {
      if (--profundidade < 0)
        return std::nullopt;
      if (profundidade == 0)
        elementos.push_back(xml.substr(inicio, fim + 1 - inicio));
    } else if (xml[fim - 1] == '/') {
      if (profundidade == 0)
        elementos.push_back(xml.substr(i, fim + 1 - i));
    } else if (profundidade++ == 0) {
      inicio = i;
    }
    i = fim;
  }
  if (profundidade != 0)
    return std::nullopt;
  return elementos;
}

std::string_view NomeDoElemento(std::string_view elemento) {
  return elemento.substr(1, elemento.find_first_of(" />") - 1);
}

constexpr std::string_view kMarcaId = "*****";
constexpr std::string_view kMarcaDV = "***";

} // namespace

TvxnNFeConvDic::TvxnNFeConvDic(std::string_view diretorioDicionarios, std::string_view diretorioLogErro)
    : diretorio_(IncludeTrailingPathDelimiter(diretorioDicionarios)), logDir_(diretorioLogErro),
      govUtils_(std::make_unique<TvxnGovUtils>()) {
  govUtils_->SetDiretorioLogErro(logDir_);
}

TvxnNFeConvDic::~TvxnNFeConvDic() = default;

void TvxnNFeConvDic::Falha(std::string_view mensagem) const {
  throw EvxnNFeCheckTXT(mensagem, logDir_);
}

std::string TvxnNFeConvDic::Converter(std::string_view texto, std::string_view versao) {
  if (Trim(texto).empty())
    throw EvxnNFeDataSetException("Conteúdo a ser convertido é inválido.", logDir_);
  TvxnStringList linhas;
  // A text copied from a file written by a Windows editor may still carry the byte order mark.
  linhas.SetText(govUtils_->RemoveBOM(texto));
  versao_ = versao;
  for (auto& d : dicionarios_)
    d.reset();
  dicionario_ = nullptr;
  indice_ = 0;
  documento_.clear();
  marcas_.clear();
  chave_ = {};

  std::string resultado;
  char anterior = 0;
  for (const std::string& linha : linhas) {
    if (Trim(linha).empty())
      continue;
    const char atual = Marcador(linha);
    if (atual == 0) {
      if (anterior == 0)
        Falha("Não é permitido iniciar Linha sem Caracter válido.");
      EscreveLinha(linha);
      continue;
    }
    ValidaPonteiro(anterior, atual);
    if (atual == 'C') {
      if (anterior != 0)
        FinalizaDocumento(resultado);
      IniciaDocumento();
    }
    dicionario_ = &CarregaDicionario(atual);
    indice_ = 0;
    anterior = atual;
  }
  ValidaFimDoArquivo(anterior);
  FinalizaDocumento(resultado);
  return resultado;
}

void TvxnNFeConvDic::ValidaPonteiro(char anterior, char atual) const {
  // Every document opens with its header (also after the footer of the one before it).
  if ((anterior == 0 || anterior == 'R') && atual != 'C')
    Falha("O Arquivo deve ser iniciado com cabecalho - C.");
  if (anterior == 'C' && atual != 'D')
    Falha("O Cabecalho deve possuir pelo menos um registro de detalhe - D.");
  if (anterior == 'D' && atual == 'C')
    throw EvxnNFeCheckTXT("A NF: %s não foi finalizada com o registro de Rodape - R", {chave_.nNF}, logDir_);
}

void TvxnNFeConvDic::ValidaFimDoArquivo(char ultimo) const {
  // The end of the text closes the last document as a new header would.
  if (ultimo != 'R')
    ValidaPonteiro(ultimo, 'C');
}

const std::vector<std::string>& TvxnNFeConvDic::CarregaDicionario(char bloco) {
  std::optional<std::vector<std::string>>& dic = dicionarios_[IndiceDoBloco(bloco)];
  if (dic)
    return *dic;
  const std::string_view nome = bloco == 'C' ? kDicCabecalho : bloco == 'D' ? kDicDetalhe : kDicRodape;
  const std::string arquivo = diretorio_ + std::string(nome);
  std::vector<std::string> linhas;
  if (FileExists(arquivo)) {
    TvxnStringList texto;
    texto.SetText(govUtils_->LoadFromFile(arquivo));
    for (const std::string& l : texto)
      if (!Trim(l).empty())
        linhas.push_back(TrimRight(l));
  }
  if (linhas.empty())
    throw EvxnNFeCheckTXT("Não foi possível carregar o dicionário para o layout %s", {std::string(1, bloco)},
                          logDir_);
  dic = std::move(linhas);
  return *dic;
}

void TvxnNFeConvDic::ValidaQtdeCamposLinha(std::string_view linha, std::string_view linhaDicionario) const {
  const std::size_t possui = Separadores(linha);
  const std::size_t deveria = Separadores(linhaDicionario);
  if (possui != deveria)
    throw EvxnNFeCheckTXT("%s\r\nPossui %d.\r\nQuando deveria ter: %d", {linha, possui, deveria}, logDir_);
}

void TvxnNFeConvDic::EscreveLinha(std::string_view linha) {
  if (linha.starts_with('+')) {
    EscreveLinhaInserida(linha);
    return;
  }
  const int grupo = dicionario_ ? LinhaGrupoICMS(linha, *dicionario_) : -1;
  const std::size_t indice = grupo < 0 ? indice_ : static_cast<std::size_t>(grupo);
  // The "+" lines follow the positional ones and are reached only by name.
  if (dicionario_ == nullptr || indice >= dicionario_->size() || (*dicionario_)[indice].starts_with('+'))
    Falha("Arquivo TXT inválido. Não foi possível identificar início de Bloco (C/D/R).");
  const std::string& linhaDicionario = (*dicionario_)[indice];
  ValidaQtdeCamposLinha(linha, linhaDicionario);
  const std::vector<std::string_view> campos = Campos(linha);
  const std::vector<std::string_view> entradas = Campos(linhaDicionario);
  for (std::size_t i = 0; i < campos.size(); ++i)
    EscreveCampo(entradas[i], std::string(campos[i]));
  if (grupo < 0) {
    indice_ = indice + 1;
    return;
  }
  // After the tax group the item goes on with its PIS line, past the other groups' lines.
  const auto pis = std::find_if(dicionario_->begin(), dicionario_->end(),
                                [](const std::string& l) { return l.starts_with("PIS"); });
  indice_ = static_cast<std::size_t>(pis - dicionario_->begin());
}

void TvxnNFeConvDic::EscreveLinhaInserida(std::string_view linha) {
  const std::string_view nome = linha.substr(0, linha.find('|'));
  const auto linhaDicionario =
      std::find_if(dicionario_->begin(), dicionario_->end(), [&](const std::string& l) {
        return l.starts_with(nome) && l.size() > nome.size() && l[nome.size()] == '|';
      });
  if (linhaDicionario == dicionario_->end())
    throw EvxnNFeCheckTXT("A linha %s não existe no dicionário deste bloco.", {std::string(nome)}, logDir_);
  ValidaQtdeCamposLinha(linha, *linhaDicionario);
  const std::vector<std::string_view> campos = Campos(linha);
  const std::vector<std::string_view> entradas = Campos(*linhaDicionario);
  // The line is written apart, then each of its elements is moved to its place.
  std::string escrito;
  std::swap(documento_, escrito);
  for (std::size_t i = 1; i < campos.size(); ++i)
    EscreveCampo(entradas[i], std::string(campos[i]));
  std::swap(documento_, escrito);
  const auto elementos = ElementosDe(escrito);
  if (!elementos)
    throw EvxnNFeCheckTXT("A linha %s não fecha os grupos que abre.", {std::string(nome)}, logDir_);
  for (std::string_view elemento : *elementos)
    Insere(elemento, nome);
}

void TvxnNFeConvDic::Insere(std::string_view elemento, std::string_view linha) {
  const std::string_view nome = NomeDoElemento(elemento);
  const auto ancora =
      std::find_if(Ancoras().begin(), Ancoras().end(), [&](const TAncora& a) { return a.elemento == nome; });
  if (ancora == Ancoras().end())
    throw EvxnNFeCheckTXT("A linha %s não pode escrever o grupo %s.", {std::string(linha), std::string(nome)},
                          logDir_);
  const std::size_t escopo = documento_.rfind(ancora->escopo);
  std::size_t posicao = std::string::npos;
  for (std::size_t i = 0;
       escopo != std::string::npos && i < ancora->antes.size() && posicao == std::string::npos; ++i)
    posicao = documento_.find(ancora->antes[i], escopo);
  if (posicao == std::string::npos)
    throw EvxnNFeCheckTXT("A linha %s deve vir depois do grupo em que escreve %s.",
                          {std::string(linha), std::string(nome)}, logDir_);
  documento_.insert(posicao, elemento);
  // The placeholders after the insertion moved with the text.
  for (Marca& m : marcas_)
    if (m.posicao >= posicao)
      m.posicao += elemento.size();
}

std::string TvxnNFeConvDic::Substitui(std::string valor) const {
  if (valor == "%CNPJ")
    return chave_.CNPJ;
  if (valor == "%UF")
    return chave_.cUF;
  if (valor == "%nNF")
    return chave_.nNF;
  return valor;
}

void TvxnNFeConvDic::EscreveCampo(std::string_view entrada, std::string valor) {
  valor = Substitui(std::move(valor));
  if (entrada.ends_with('*')) {
    const std::string_view base = entrada.substr(0, entrada.size() - 1);
    if (base == "infNFe Id") {
      documento_ += "<infNFe Id=";
      marcas_.push_back({documento_.size(), true});
      documento_ += kMarcaId;
      documento_ += " >";
    } else if (!valor.empty()) {
      const std::size_t branco = base.find(' ');
      documento_ += '<';
      documento_ += base.substr(0, branco);
      if (branco != std::string_view::npos) {
        documento_ += ' ';
        documento_ += base.substr(branco + 1);
        documento_ += "=\"";
        documento_ += EscaparTextoXML(valor);
        documento_ += '"';
      }
      documento_ += '>';
    }
  } else if (entrada == "cDV") {
    documento_ += "<cDV>";
    marcas_.push_back({documento_.size(), false});
    documento_ += kMarcaDV;
    documento_ += "</cDV>";
  } else if (entrada == "??" || entrada == "/??") {
    if (!valor.empty())
      documento_ += "<" + valor + ">";
  } else if (valor == entrada || valor.starts_with('/')) {
    documento_ += "<" + valor + ">";
  } else if (!valor.empty()) {
    documento_ +=
        "<" + std::string(entrada) + ">" + EscaparTextoXML(valor) + "</" + std::string(entrada) + ">";
  }
  CapturaValoresChave(entrada, valor);
}

void TvxnNFeConvDic::CapturaValoresChave(std::string_view entrada, std::string_view valor) {
  if (entrada == "dest") {
    chave_.destEncontrado = true;
    return;
  }
  if (valor.empty())
    return;
  // The recipient (and every party after it) has a cUF or CNPJ of its own that is not the issuer's.
  if (!chave_.destEncontrado) {
    if (entrada == "cUF")
      chave_.cUF = valor;
    else if (entrada == "CNPJ")
      chave_.CNPJ = valor;
  }
  if (entrada == "mod")
    chave_.mod = valor;
  else if (entrada == "serie")
    chave_.serie = valor;
  else if (entrada == "cNF")
    chave_.cNF = valor;
  else if (entrada == "nNF")
    chave_.nNF = valor;
  else if (entrada == "dEmi" || entrada == "dhEmi")
    chave_.dEmi = valor;
  else if (entrada == "tpEmis")
    chave_.tpEmis = valor;
}

void TvxnNFeConvDic::IniciaDocumento() {
  documento_.clear();
  marcas_.clear();
  chave_ = {};
}

void TvxnNFeConvDic::FinalizaDocumento(std::string& resultado) {
  if (!marcas_.empty()) {
    // Documents with an issue type have the key of layout 4.0 and later, the others the older one.
    const std::string chave =
        chave_.tpEmis.empty() ? CalculaChave(chave_.dEmi, chave_.cUF, chave_.CNPJ, chave_.mod, chave_.serie,
                                             chave_.nNF, chave_.cNF, TvxnLogDir{logDir_})
                              : CalculaChave(chave_.dEmi, chave_.cUF, chave_.CNPJ, chave_.mod, chave_.serie,
                                             chave_.nNF, chave_.tpEmis, chave_.cNF, TvxnLogDir{logDir_});
    const std::string id = "\"NFe" + chave + "\" versao=\"" + versao_ + "\"";
    const std::string dv = chave.substr(chave.size() - 1);
    // From the last mark back, so that earlier positions stay valid.
    for (auto m = marcas_.rbegin(); m != marcas_.rend(); ++m)
      documento_.replace(m->posicao, m->id ? kMarcaId.size() : kMarcaDV.size(), m->id ? id : dv);
  }
  resultado += documento_;
  resultado += "\r\n";
  IniciaDocumento();
}

} // namespace vxn
