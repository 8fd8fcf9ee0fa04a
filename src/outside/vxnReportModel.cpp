#include "vxnReportModel.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnXmlLightTree.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

namespace vxn {
namespace {

// A malformed model: the reason reaches the user with the file's name.
struct ModeloInvalido {
  std::string motivo;
};

class LeitorModelo {
public:
  explicit LeitorModelo(const TvxnXmlLightElement& e) : e_(e) {}
  // Refuses an attribute that no reading asked for: a misspelt name would otherwise be ignored quietly.
  void Conferir() const {
    for (const auto& [nome, valor] : e_.attributes)
      if (!usados_.contains(nome))
        throw ModeloInvalido{"atributo desconhecido \"" + nome + "\" em <" + e_.name + ">"};
  }
  LeitorModelo(const LeitorModelo&) = delete;
  LeitorModelo& operator=(const LeitorModelo&) = delete;

  const std::string* Atributo(std::string_view nome) {
    usados_.insert(std::string(nome));
    return e_.Attribute(nome);
  }
  std::string Texto(std::string_view nome, std::string_view padrao = {}) {
    const std::string* v = Atributo(nome);
    return v ? *v : std::string(padrao);
  }
  double Numero(std::string_view nome, double padrao) {
    const std::string* v = Atributo(nome);
    if (!v)
      return padrao;
    double d = 0;
    auto [fim, ec] = std::from_chars(v->data(), v->data() + v->size(), d);
    if (ec != std::errc() || fim != v->data() + v->size() || d < -10000 || d > 10000)
      throw ModeloInvalido{"número inválido em " + std::string(nome) + "=\"" + *v + "\" de <" + e_.name +
                           ">"};
    return d;
  }
  bool Sim(std::string_view nome, bool padrao) {
    const std::string* v = Atributo(nome);
    if (!v)
      return padrao;
    if (*v == "sim")
      return true;
    if (*v == "nao" || *v == "não")
      return false;
    throw ModeloInvalido{std::string(nome) + "=\"" + *v + "\" de <" + e_.name + "> deve ser sim ou nao"};
  }
  template <class E>
  E Opcao(std::string_view nome, E padrao, const std::map<std::string, E, std::less<>>& opcoes) {
    const std::string* v = Atributo(nome);
    if (!v)
      return padrao;
    auto it = opcoes.find(*v);
    if (it == opcoes.end())
      throw ModeloInvalido{"valor desconhecido " + std::string(nome) + "=\"" + *v + "\" em <" + e_.name +
                           ">"};
    return it->second;
  }
  unsigned Cor(std::string_view nome, unsigned padrao) {
    const std::string* v = Atributo(nome);
    if (!v)
      return padrao;
    unsigned c = 0;
    if (v->size() != 7 || (*v)[0] != '#' ||
        std::from_chars(v->data() + 1, v->data() + 7, c, 16).ptr != v->data() + 7)
      throw ModeloInvalido{"cor inválida " + std::string(nome) + "=\"" + *v + "\" (use #RRGGBB)"};
    return c;
  }

  TvxnEstiloTexto Estilo(const TvxnEstiloTexto& base) {
    TvxnEstiloTexto s = base;
    s.tamanho = Numero("tamanho", s.tamanho);
    if (s.tamanho <= 0)
      throw ModeloInvalido{"tamanho de fonte deve ser positivo em <" + e_.name + ">"};
    s.negrito = Sim("negrito", s.negrito);
    s.alinhamento = Opcao<TvxnAlinhamento>("alinhamento", s.alinhamento,
                                           {{"esquerda", TvxnAlinhamento::alEsquerda},
                                            {"centro", TvxnAlinhamento::alCentro},
                                            {"direita", TvxnAlinhamento::alDireita}});
    s.centroVertical = Opcao<bool>("vertical", s.centroVertical, {{"topo", false}, {"centro", true}});
    s.ajuste = Opcao<TvxnAjuste>("ajuste", s.ajuste,
                                 {{"quebrar", TvxnAjuste::ajQuebrar},
                                  {"cortar", TvxnAjuste::ajCortar},
                                  {"reduzir", TvxnAjuste::ajReduzir}});
    s.cor = Cor("cor", s.cor);
    return s;
  }

  TvxnCondicao Condicao() {
    TvxnCondicao c;
    std::string s = Texto("se");
    if (s.empty())
      return c;
    if (auto p = s.find("!="); p != std::string::npos) {
      c = {s.substr(0, p), s.substr(p + 2), true, true};
    } else if (auto q = s.find('='); q != std::string::npos) {
      c = {s.substr(0, q), s.substr(q + 1), false, true};
    } else if (s[0] == '!') {
      c = {s.substr(1), "", true, false};
    } else {
      c = {s, "", false, false};
    }
    if (c.campo.empty())
      throw ModeloInvalido{"condição inválida se=\"" + s + "\""};
    return c;
  }

private:
  const TvxnXmlLightElement& e_;
  std::set<std::string, std::less<>> usados_;
};

const std::map<std::string, TvxnTipoElemento, std::less<>> kElementos = {
    {"caixa", TvxnTipoElemento::teCaixa},   {"texto", TvxnTipoElemento::teTexto},
    {"linha", TvxnTipoElemento::teLinha},   {"codigobarras", TvxnTipoElemento::teCodigoBarras},
    {"imagem", TvxnTipoElemento::teImagem}, {"lista", TvxnTipoElemento::teLista}};

TvxnElemento LerElemento(const TvxnXmlLightElement& x, const TvxnEstiloTexto& base) {
  auto tipo = kElementos.find(x.name);
  if (tipo == kElementos.end())
    throw ModeloInvalido{"elemento desconhecido <" + x.name + "> numa banda"};
  TvxnElemento e;
  e.tipo = tipo->second;
  LeitorModelo r(x);
  e.x = r.Numero("x", 0);
  e.y = r.Numero("y", 0);
  e.l = r.Numero("l", 0);
  e.a = r.Numero("a", 0);
  if (e.tipo != TvxnTipoElemento::teLinha && (e.l <= 0 || e.a <= 0))
    throw ModeloInvalido{"<" + x.name + "> sem largura (l) ou altura (a) positivas"};
  e.titulo = r.Texto("titulo");
  e.texto = r.Texto("texto");
  e.estilo = r.Estilo(base);
  e.borda = r.Sim("borda", e.tipo == TvxnTipoElemento::teCaixa);
  e.espessura = r.Numero("espessura", e.espessura);
  e.fundo = r.Cor("fundo", e.fundo);
  e.rotacao = r.Numero("rotacao", 0);
  e.se = r.Condicao();
  e.tabela = r.Texto("tabela");
  e.celula = r.Numero("celula", 0);
  e.alturaCelula = r.Numero("altura-celula", 3);
  r.Conferir();
  if (e.tipo == TvxnTipoElemento::teLista) {
    if (e.tabela.empty() || e.celula <= 0 || e.alturaCelula <= 0)
      throw ModeloInvalido{"<lista> precisa de tabela, celula e altura-celula"};
  }
  return e;
}

TvxnBanda LerBanda(const TvxnXmlLightElement& x, const TvxnEstiloTexto& base) {
  if (x.name != "banda")
    throw ModeloInvalido{"elemento desconhecido <" + x.name + "> em <relatorio>"};
  TvxnBanda b;
  LeitorModelo r(x);
  b.tipo = r.Opcao<TvxnTipoBanda>("tipo", b.tipo,
                                  {{"cabecalho", TvxnTipoBanda::tbCabecalho},
                                   {"rodape", TvxnTipoBanda::tbRodape},
                                   {"itens", TvxnTipoBanda::tbItens},
                                   {"continuacao", TvxnTipoBanda::tbContinuacao}});
  b.paginas = r.Opcao<TvxnPaginas>("paginas", b.paginas,
                                   {{"todas", TvxnPaginas::pgTodas},
                                    {"primeira", TvxnPaginas::pgPrimeira},
                                    {"seguintes", TvxnPaginas::pgSeguintes}});
  b.altura = r.Numero("altura", 0);
  b.se = r.Condicao();
  b.tabela = r.Texto("tabela");
  b.titulo = r.Texto("titulo");
  b.texto = r.Texto("texto");
  b.alturaTitulo = r.Numero("altura-titulo", 0);
  b.alturaMinima = r.Numero("altura-minima", 3);
  b.estilo = r.Estilo(base);
  b.estiloTitulo = b.estilo;
  b.estiloTitulo.negrito = true;
  r.Conferir();
  const bool comElementos = b.tipo == TvxnTipoBanda::tbCabecalho || b.tipo == TvxnTipoBanda::tbRodape;
  if (comElementos && b.altura <= 0)
    throw ModeloInvalido{"banda sem altura positiva"};
  if (b.tipo == TvxnTipoBanda::tbItens && b.tabela.empty())
    throw ModeloInvalido{"banda de itens sem tabela"};
  for (const TvxnXmlLightElement& filho : x.children) {
    if (b.tipo == TvxnTipoBanda::tbItens) {
      if (filho.name != "coluna")
        throw ModeloInvalido{"a banda de itens aceita apenas <coluna>, não <" + filho.name + ">"};
      LeitorModelo c(filho);
      TvxnColuna col;
      col.titulo = c.Texto("titulo");
      col.texto = c.Texto("texto");
      col.largura = c.Numero("largura", 0);
      col.estilo = c.Estilo(b.estilo);
      c.Conferir();
      if (col.largura <= 0)
        throw ModeloInvalido{"coluna \"" + col.titulo + "\" sem largura positiva"};
      b.colunas.push_back(std::move(col));
    } else if (comElementos) {
      b.elementos.push_back(LerElemento(filho, b.estilo));
    } else {
      throw ModeloInvalido{"a banda de continuação não tem elementos"};
    }
  }
  if (b.tipo == TvxnTipoBanda::tbItens && b.colunas.empty())
    throw ModeloInvalido{"banda de itens sem colunas"};
  return b;
}

} // namespace

TvxnModeloRelatorio LerModeloRelatorio(std::string_view texto, std::string_view origem,
                                       std::string_view diretorioLogErro) {
  auto falha = [&](const std::string& motivo) {
    return EvxnNFeReportException("Modelo de relatório inválido: " + std::string(origem) + ": " + motivo,
                                  diretorioLogErro);
  };
  TvxnXmlLightElement raiz;
  std::string erro;
  if (!ReadXmlLightTree(texto, raiz, erro))
    throw falha(erro);
  const TvxnXmlLightElement* r = raiz.name == "relatorio" ? &raiz : raiz.Child("relatorio");
  if (!r)
    throw falha("o elemento raiz deve ser <relatorio>");
  try {
    TvxnModeloRelatorio m;
    TvxnEstiloTexto base;
    {
      LeitorModelo l(*r);
      m.nome = l.Texto("nome");
      m.largura = l.Numero("largura", m.largura);
      m.altura = l.Numero("altura", m.altura);
      m.margem = l.Numero("margem", m.margem);
      m.fonte = l.Texto("fonte", m.fonte);
      m.tabelaPrincipal = l.Texto("tabela", m.tabelaPrincipal);
      base = l.Estilo(base);
      l.Conferir();
    }
    if (m.largura < 20 || m.altura < 20 || m.margem < 0 || 2 * m.margem >= std::min(m.largura, m.altura))
      throw ModeloInvalido{"tamanho de página ou margem inválidos"};
    int itens = 0;
    for (const TvxnXmlLightElement& b : r->children) {
      m.bandas.push_back(LerBanda(b, base));
      itens += m.bandas.back().tipo == TvxnTipoBanda::tbItens;
    }
    if (itens > 1)
      throw ModeloInvalido{"mais de uma banda de itens"};
    return m;
  } catch (const ModeloInvalido& e) {
    throw falha(e.motivo);
  }
}

std::shared_ptr<const TvxnModeloRelatorio> CarregarModeloRelatorio(const std::string& arquivo,
                                                                   std::string_view diretorioLogErro) {
  if (arquivo.empty())
    throw EvxnNFeReportException("Arquivo RTM não definido.", diretorioLogErro);
  std::error_code ec;
  const auto quando = std::filesystem::last_write_time(arquivo, ec);
  if (ec || !std::filesystem::is_regular_file(arquivo, ec))
    throw EvxnNFeReportException("Arquivo RTM \"" + arquivo + "\" não encontrado.", diretorioLogErro);
  // Reading and checking a model costs more than drawing a small report: each file is read once per
  // modification time and shared by every report of the process.
  struct Entrada {
    std::filesystem::file_time_type quando;
    std::shared_ptr<const TvxnModeloRelatorio> modelo;
  };
  static std::mutex trava;
  static std::map<std::string, Entrada, std::less<>> cache;
  {
    std::lock_guard lock(trava);
    auto it = cache.find(arquivo);
    if (it != cache.end() && it->second.quando == quando)
      return it->second.modelo;
  }
  auto modelo = std::make_shared<const TvxnModeloRelatorio>(
      LerModeloRelatorio(ReadWholeFile(arquivo), arquivo, diretorioLogErro));
  std::lock_guard lock(trava);
  cache[arquivo] = {quando, modelo};
  return modelo;
}

} // namespace vxn
