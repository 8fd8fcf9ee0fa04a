// A report model (".rtm") read into memory: the page, the bands and what each band draws. The format
// is described for users in docs/report-models.md; positions and sizes are millimetres, font sizes
// points. Models are read once per file and modification time and shared afterwards.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

enum class TvxnAlinhamento { alEsquerda, alCentro, alDireita };
// What happens to a text that does not fit its box: wrapped on as many lines as fit (the last one
// ending in "…"), kept on one line and cut with "…", or drawn smaller until it fits (down to 4 pt, then
// cut).
enum class TvxnAjuste { ajQuebrar, ajCortar, ajReduzir };
enum class TvxnTipoElemento { teCaixa, teTexto, teLinha, teCodigoBarras, teImagem, teLista };
enum class TvxnTipoBanda { tbCabecalho, tbRodape, tbItens, tbContinuacao };
enum class TvxnPaginas { pgTodas, pgPrimeira, pgSeguintes };

struct TvxnEstiloTexto {
  double tamanho = 7; // points
  bool negrito = false;
  TvxnAlinhamento alinhamento = TvxnAlinhamento::alEsquerda;
  bool centroVertical = false;
  TvxnAjuste ajuste = TvxnAjuste::ajQuebrar;
  unsigned cor = 0x000000; // RGB
};

// A condition on the master row: "Campo" (not empty), "!Campo" (empty), "Campo=valor", "Campo!=valor".
struct TvxnCondicao {
  std::string campo;
  std::string valor;
  bool negada = false;
  bool igualdade = false;
  bool Vazia() const { return campo.empty(); }
};

struct TvxnElemento {
  TvxnTipoElemento tipo = TvxnTipoElemento::teTexto;
  double x = 0, y = 0, l = 0, a = 0;
  std::string titulo; // the small caption of a box
  std::string texto;  // with {Campo}, {Campo:formato}, {#pagina}, {#paginas}
  TvxnEstiloTexto estilo;
  bool borda = false;
  double espessura = 0.2;      // line width, mm
  unsigned fundo = 0xFFFFFFFF; // fill colour, none when 0xFFFFFFFF
  double rotacao = 0;          // degrees, counter-clockwise, about the centre of the box
  TvxnCondicao se;
  // teLista: one cell per row of `tabela` (details of the master row), `celula` wide, in rows of cells.
  std::string tabela;
  double celula = 0;
  double alturaCelula = 0;
};

struct TvxnColuna {
  std::string titulo;
  std::string texto;
  double largura = 0;
  TvxnEstiloTexto estilo;
};

struct TvxnBanda {
  TvxnTipoBanda tipo = TvxnTipoBanda::tbCabecalho;
  TvxnPaginas paginas = TvxnPaginas::pgTodas;
  double altura = 0;
  TvxnCondicao se;
  std::vector<TvxnElemento> elementos;
  // tbItens: the detail table whose rows flow, the column captions' height and the columns.
  std::string tabela;
  std::string titulo; // caption printed above the columns on every page
  double alturaTitulo = 0;
  double alturaMinima = 0; // of one row
  TvxnEstiloTexto estiloTitulo;
  std::vector<TvxnColuna> colunas;
  // tbContinuacao: a long text (texto) flowing after the items; `titulo` above it.
  TvxnEstiloTexto estilo;
  std::string texto;
};

struct TvxnModeloRelatorio {
  std::string nome;
  double largura = 210, altura = 297, margem = 5;
  std::string fonte = "Liberation Sans";
  std::string tabelaPrincipal = "Dados";
  std::vector<TvxnBanda> bandas;
};

// The model of that file, read and checked (EvxnNFeReportException "Arquivo RTM \"f\" não encontrado."
// for a missing file, "Modelo de relatório inválido: f: reason" for a malformed one).
std::shared_ptr<const TvxnModeloRelatorio> CarregarModeloRelatorio(const std::string& arquivo,
                                                                   std::string_view diretorioLogErro);
// Reads a model from its text; `origem` names it in messages.
TvxnModeloRelatorio LerModeloRelatorio(std::string_view texto, std::string_view origem,
                                       std::string_view diretorioLogErro);

} // namespace vxn
