// Layout and drawing of a report: each row of the model's main table is one document; its pages are
// planned first (the header and footer bands of the first and the following pages, the item rows
// flowing between them, the continuation text after the items), so that "{#paginas}" is known, and then
// drawn. Coordinates are millimetres: every cairo context is scaled so, and pango runs at a resolution
// of 25.4 units per inch, so that font sizes in points land in millimetres. Metrics are not hinted, so
// a text breaks at the same place in the PDF and in a PNG of any resolution.
#include "vxnReportEngine.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnReportImage.h"
#include "vxnReportModel.h"
#include "vxnReportPdf.h"
#include "vxnText.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <zint.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace vxn {
namespace {

template <auto Fn> struct Livrar {
  template <class T> void operator()(T* p) const noexcept {
    if (p)
      Fn(p);
  }
};
using CairoPtr = std::unique_ptr<cairo_t, Livrar<cairo_destroy>>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, Livrar<cairo_surface_destroy>>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, Livrar<cairo_font_options_destroy>>;
using GObjectPtr = std::unique_ptr<void, Livrar<g_object_unref>>;
using FontDescPtr = std::unique_ptr<PangoFontDescription, Livrar<pango_font_description_free>>;
using ZintPtr = std::unique_ptr<zint_symbol, Livrar<ZBarcode_Delete>>;

constexpr double kPontosPorMm = 72.0 / 25.4;
constexpr double kPad = 0.6;         // inner padding of a box, mm
constexpr double kTamanhoTitulo = 5; // caption of a box, points
constexpr double kAlturaTitulo = 2.4;
constexpr double kMenorFonte = 4;

// ---- Values ------------------------------------------------------------------------------------------

std::string SoDigitos(std::string_view s) {
  std::string d;
  for (char c : s)
    if (c >= '0' && c <= '9')
      d += c;
  return d;
}

// The masks of the printed form, chosen in the model as {Campo:formato}.
std::string Formatar(std::string_view v, std::string_view formato) {
  if (v.empty() || formato.empty())
    return std::string(v);
  const std::string d = SoDigitos(v);
  if (formato == "linha") // on a line of its own after the text before it
    return "\n" + std::string(v);
  if (formato == "chave") {
    std::string out;
    for (std::size_t i = 0; i < d.size(); i += 4)
      out += (i ? " " : "") + d.substr(i, 4);
    return out;
  }
  if (formato == "cnpj") {
    if (d.size() == 14)
      return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) + "-" +
             d.substr(12);
    if (d.size() == 11)
      return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9);
    return std::string(v);
  }
  if (formato == "cep")
    return d.size() == 8 ? d.substr(0, 5) + "-" + d.substr(5) : std::string(v);
  if (formato == "fone") {
    if (d.size() == 10 || d.size() == 11)
      return "(" + d.substr(0, 2) + ") " + d.substr(2, d.size() - 6) + "-" + d.substr(d.size() - 4);
    return std::string(v);
  }
  if (formato == "numero") { // 000.001.234
    std::string p = std::string(d.size() < 9 ? 9 - d.size() : 0, '0') + d;
    std::string out;
    for (std::size_t i = 0; i < p.size(); ++i) {
      if (i && (p.size() - i) % 3 == 0)
        out += '.';
      out += p[i];
    }
    return out;
  }
  const bool temData = v.size() >= 10 && v[4] == '-' && v[7] == '-';
  const std::string data = temData ? std::string(v.substr(8, 2)) + "/" + std::string(v.substr(5, 2)) + "/" +
                                         std::string(v.substr(0, 4))
                                   : std::string(v);
  const std::string hora = v.size() >= 19 && v[10] == 'T' ? std::string(v.substr(11, 8))
                           : temData                      ? std::string()
                                                          : std::string(v);
  if (formato == "data")
    return data;
  if (formato == "hora")
    return hora;
  if (formato == "datahora")
    return hora.empty() ? data : data + " " + hora;
  return std::string(v);
}

// The rows of a document in one table, and the row whose values fill a text.
struct Fonte {
  const TvxnTabelaRelatorio* mestre = nullptr;
  std::size_t linhaMestre = 0;
  const TvxnTabelaRelatorio* detalhe = nullptr;
  std::size_t linhaDetalhe = 0;
  int pagina = 0;
  int paginas = 0;
  std::string_view logotipo; // the logo file, "" when none

  std::string_view Valor(std::string_view campo) const {
    if (campo == "#logotipo")
      return logotipo;
    if (detalhe) {
      if (int i = detalhe->Campo(campo); i >= 0)
        return detalhe->linhas[linhaDetalhe][i];
    }
    if (mestre) {
      if (int i = mestre->Campo(campo); i >= 0)
        return mestre->linhas[linhaMestre][i];
    }
    return {};
  }

  bool Satisfaz(const TvxnCondicao& c) const {
    if (c.Vazia())
      return true;
    const std::string_view v = Valor(c.campo);
    const bool ok = c.igualdade ? v == c.valor : !v.empty();
    return ok != c.negada;
  }

  // The text with every {Campo} or {Campo:formato} replaced; "{{" is a brace.
  std::string Expandir(std::string_view t) const {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '{' && i + 1 < t.size() && t[i + 1] == '{') {
        out += '{';
        ++i;
        continue;
      }
      const std::size_t fim = t[i] == '{' ? t.find('}', i) : std::string_view::npos;
      if (fim == std::string_view::npos) {
        out += t[i];
        continue;
      }
      std::string_view nome = t.substr(i + 1, fim - i - 1);
      std::string_view formato;
      if (auto p = nome.find(':'); p != std::string_view::npos) {
        formato = nome.substr(p + 1);
        nome = nome.substr(0, p);
      }
      if (nome == "#pagina")
        out += std::to_string(pagina);
      else if (nome == "#paginas")
        out += std::to_string(paginas);
      else
        out += Formatar(Valor(nome), formato);
      i = fim;
    }
    return out;
  }
};

// The rows of `detalhe` that belong to the master row.
std::vector<std::size_t> LinhasDetalhe(const TvxnTabelaRelatorio& detalhe, const Fonte& f) {
  std::vector<std::size_t> linhas;
  const int indice = detalhe.Campo(detalhe.campoIndice);
  const std::string_view chave = f.Valor(detalhe.campoMestre);
  for (std::size_t r = 0; r < detalhe.linhas.size(); ++r)
    if (indice < 0 || detalhe.linhas[r][indice] == chave)
      linhas.push_back(r);
  return linhas;
}

// ---- Text -------------------------------------------------------------------------------------------

// Pango on one cairo context, with the fonts of the model.
class Tipografia {
public:
  Tipografia(cairo_t* cr, const std::string& familia) : familia_(familia) {
    contexto_.reset(pango_cairo_create_context(cr));
    pango_cairo_context_set_resolution(Contexto(), 25.4);
    // One user unit is a millimetre: glyph positions rounded to whole units would crush the letters.
    pango_context_set_round_glyph_positions(Contexto(), FALSE);
    FontOptionsPtr opcoes(cairo_font_options_create());
    cairo_font_options_set_hint_metrics(opcoes.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(opcoes.get(), CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(Contexto(), opcoes.get());
  }

  PangoContext* Contexto() const { return static_cast<PangoContext*>(contexto_.get()); }

  // A layout of the text in the style, `largura` wide, its lines limited to `altura` (0: no limit).
  GObjectPtr Layout(std::string_view texto, const TvxnEstiloTexto& s, double tamanho, double largura,
                    double altura, bool quebrar) {
    GObjectPtr layout(pango_layout_new(Contexto()));
    auto* l = static_cast<PangoLayout*>(layout.get());
    pango_layout_set_font_description(l, Fonte(tamanho, s.negrito));
    pango_layout_set_text(l, texto.data(), static_cast<int>(texto.size()));
    pango_layout_set_width(l, static_cast<int>(largura * PANGO_SCALE));
    pango_layout_set_alignment(l, s.alinhamento == TvxnAlinhamento::alCentro    ? PANGO_ALIGN_CENTER
                                  : s.alinhamento == TvxnAlinhamento::alDireita ? PANGO_ALIGN_RIGHT
                                                                                : PANGO_ALIGN_LEFT);
    if (quebrar) {
      pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
      if (altura > 0) {
        pango_layout_set_height(l, static_cast<int>(altura * PANGO_SCALE));
        pango_layout_set_ellipsize(l, PANGO_ELLIPSIZE_END);
      }
    } else {
      pango_layout_set_ellipsize(l, PANGO_ELLIPSIZE_END);
    }
    return layout;
  }

  static double Altura(void* layout) {
    PangoRectangle r;
    pango_layout_get_extents(static_cast<PangoLayout*>(layout), nullptr, &r);
    return static_cast<double>(r.height) / PANGO_SCALE;
  }
  static double Largura(void* layout) {
    PangoRectangle r;
    pango_layout_get_extents(static_cast<PangoLayout*>(layout), nullptr, &r);
    return static_cast<double>(r.width) / PANGO_SCALE;
  }

  // The layout of a text that is the same in every document of a model (a caption, a fixed phrase),
  // made by `fazer` the first time and kept: its text, style and box never change, so the next
  // documents and reports of this thread draw it without laying it out and shaping it again.
  template <class Fazer>
  void* Fixo(std::string_view texto, const TvxnEstiloTexto& s, double largura, double altura, Fazer&& fazer) {
    Chave chave{std::string(texto),         s.tamanho, s.negrito, static_cast<int>(s.alinhamento),
                static_cast<int>(s.ajuste), largura,   altura};
    if (auto it = fixos_.find(chave); it != fixos_.end())
      return it->second.get();
    if (fixos_.size() >= kMaxFixos) // models with ever new fixed texts: start afresh rather than grow
      fixos_.clear();
    return fixos_.emplace(std::move(chave), fazer()).first->second.get();
  }

private:
  using Chave = std::tuple<std::string, double, bool, int, int, double, double>;
  static constexpr std::size_t kMaxFixos = 2048;

  PangoFontDescription* Fonte(double tamanho, bool negrito) {
    const int chave = static_cast<int>(std::lround(tamanho * 10)) * 2 + negrito;
    auto& f = fontes_[chave];
    if (!f) {
      f.reset(pango_font_description_new());
      pango_font_description_set_family(f.get(), familia_.c_str());
      pango_font_description_set_size(f.get(), static_cast<int>(tamanho * PANGO_SCALE));
      pango_font_description_set_weight(f.get(), negrito ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    }
    return f.get();
  }

  std::string familia_;
  GObjectPtr contexto_;
  std::map<int, FontDescPtr> fontes_;
  std::map<Chave, GObjectPtr> fixos_;
};

// A context on a 1x1 surface, for measuring texts before any page exists.
struct Medidor {
  SurfacePtr superficie{cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)};
  CairoPtr cr{cairo_create(superficie.get())};
};

// The typography of a font family for this thread, kept from one report to the next with the layouts
// of its fixed texts (pango's font map is per thread, and so is this).
Tipografia& TipografiaDaThread(const std::string& familia) {
  thread_local std::map<std::string, std::unique_ptr<Tipografia>> porFamilia;
  auto& t = porFamilia[familia];
  if (!t)
    t = std::make_unique<Tipografia>(Medidor().cr.get(), familia);
  return *t;
}

void DefinirCor(cairo_t* cr, unsigned cor) {
  cairo_set_source_rgb(cr, ((cor >> 16) & 0xFF) / 255.0, ((cor >> 8) & 0xFF) / 255.0, (cor & 0xFF) / 255.0);
}

// The box borders and lines of a page, kept as they are drawn and stroked together after the texts
// around them. Each is still one stroke of its own (adjacent borders are composited as before), but
// taken in device space, so that the PDF gets no "q 1 0 0 1 0 0 cm ... Q" around every stroke, and
// away from the texts, so that the colour of strokes and of texts is not set again at every turn and
// the texts stay in one text object, placed with short moves rather than a new text matrix each.
// Only texts wait, and only those clear of them: the strokes kept are drawn before a text that would
// touch one of them and before any fill, image, barcode or turned text, so that whatever meets a line
// keeps its order above or below it.
class Tracos {
public:
  Tracos() = default;
  Tracos(const Tracos&) = delete;
  Tracos& operator=(const Tracos&) = delete;
  ~Tracos() { Descartar(); }

  // Takes the current path of `cr` (user space), to be stroked black `espessura` wide (user units).
  void Guardar(cairo_t* cr, double espessura) {
    double dx = espessura, dy = 0;
    cairo_user_to_device_distance(cr, &dx, &dy);
    cairo_path_t* caminho = CaminhoNoDispositivo(cr);
    cairo_new_path(cr);
    Traco t{caminho, std::hypot(dx, dy), {}};
    // The boxes its segments cover, half the line width around them.
    const double meia = t.espessura / 2;
    double px = 0, py = 0, ix = 0, iy = 0;
    const auto segmento = [&](double x0, double y0, double x1, double y1) {
      t.caixas.push_back({std::min(x0, x1) - meia, std::min(y0, y1) - meia, std::max(x0, x1) + meia,
                          std::max(y0, y1) + meia});
    };
    for (int k = 0; k < caminho->num_data; k += caminho->data[k].header.length) {
      const cairo_path_data_t* d = &caminho->data[k];
      switch (d->header.type) {
      case CAIRO_PATH_MOVE_TO:
        px = ix = d[1].point.x;
        py = iy = d[1].point.y;
        break;
      case CAIRO_PATH_LINE_TO:
        segmento(px, py, d[1].point.x, d[1].point.y);
        px = d[1].point.x;
        py = d[1].point.y;
        break;
      case CAIRO_PATH_CURVE_TO:
        for (int c = 1; c <= 3; ++c)
          segmento(px, py, d[c].point.x, d[c].point.y);
        px = d[3].point.x;
        py = d[3].point.y;
        break;
      case CAIRO_PATH_CLOSE_PATH:
        segmento(px, py, ix, iy);
        px = ix;
        py = iy;
        break;
      }
    }
    tracos_.push_back(std::move(t));
  }

  // Strokes what was kept before a text in the rectangle (user space) is drawn, if it touches a line.
  void AntesDoTexto(cairo_t* cr, double x, double y, double l, double a) {
    if (tracos_.empty())
      return;
    double x0 = x, y0 = y, x1 = x + l, y1 = y, x2 = x, y2 = y + a, x3 = x + l, y3 = y + a;
    cairo_user_to_device(cr, &x0, &y0);
    cairo_user_to_device(cr, &x1, &y1);
    cairo_user_to_device(cr, &x2, &y2);
    cairo_user_to_device(cr, &x3, &y3);
    const Caixa r{std::min({x0, x1, x2, x3}), std::min({y0, y1, y2, y3}), std::max({x0, x1, x2, x3}),
                  std::max({y0, y1, y2, y3})};
    for (const Traco& t : tracos_)
      for (const Caixa& c : t.caixas)
        if (c.x0 < r.x1 && r.x0 < c.x1 && c.y0 < r.y1 && r.y0 < c.y1) {
          Desenhar(cr);
          return;
        }
  }

  // Strokes what was kept, in the order it came.
  void Desenhar(cairo_t* cr) {
    if (tracos_.empty())
      return;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    const double espessura = cairo_get_line_width(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (const Traco& t : tracos_) {
      cairo_append_path(cr, t.caminho);
      cairo_set_line_width(cr, t.espessura);
      PintarTracar(cr);
    }
    cairo_set_matrix(cr, &m);
    cairo_set_line_width(cr, espessura);
    Descartar();
  }

private:
  void Descartar() {
    for (const Traco& t : tracos_)
      cairo_path_destroy(t.caminho);
    tracos_.clear();
  }

  struct Caixa {
    double x0, y0, x1, y1;
  };
  struct Traco {
    cairo_path_t* caminho;
    double espessura; // device units
    std::vector<Caixa> caixas;
  };
  std::vector<Traco> tracos_;
};

// Draws a laid-out text inside the rectangle, never outside it.
void DesenharLayout(cairo_t* cr, Tracos& tracos, void* layout, const TvxnEstiloTexto& s, double x, double y,
                    double l, double a) {
  PangoRectangle r;
  pango_layout_get_extents(static_cast<PangoLayout*>(layout), nullptr, &r);
  const double esquerda = static_cast<double>(r.x) / PANGO_SCALE;
  const double largura = static_cast<double>(r.width) / PANGO_SCALE;
  const double altura = static_cast<double>(r.height) / PANGO_SCALE;
  const double dy = s.centroVertical ? std::max(0.0, (a - altura) / 2) : 0.0;
  // A text whose lines lie inside the box is drawn as it is; only one that would cross the box's edge
  // (a single line taller than the box, a word wider than it) is clipped. Every clip is a graphics
  // state saved and restored in the PDF's page, and checked against the page's other clips by cairo:
  // clipping each of the few hundred texts of a page cost more than drawing them.
  const double folga = 0.01;
  const bool cabe = esquerda >= -folga && esquerda + largura <= l + folga && dy + altura <= a + folga;
  if (cabe)
    tracos.AntesDoTexto(cr, x + esquerda, y + dy, largura, altura);
  else
    tracos.AntesDoTexto(cr, x, y, l, a);
  DefinirCor(cr, s.cor);
  if (cabe) {
    cairo_move_to(cr, x, y + dy);
    PintarLayout(cr, static_cast<PangoLayout*>(layout));
    return;
  }
  PintarSalvar(cr);
  cairo_rectangle(cr, x, y, l, a);
  PintarRecortar(cr);
  cairo_move_to(cr, x, y + dy);
  PintarLayout(cr, static_cast<PangoLayout*>(layout));
  PintarRestaurar(cr);
}

// The layout of the text in an `l` x `a` box by the style's rule for a text too long.
GObjectPtr Ajustar(Tipografia& tip, std::string_view texto, const TvxnEstiloTexto& s, double l, double a) {
  double tamanho = s.tamanho;
  GObjectPtr layout;
  for (;;) {
    const bool quebrar = s.ajuste == TvxnAjuste::ajQuebrar;
    layout = tip.Layout(texto, s, tamanho, l, a, quebrar);
    if (s.ajuste != TvxnAjuste::ajReduzir || tamanho <= kMenorFonte)
      break;
    // Shrinks until the text fits unbroken on the width and its lines fit the height.
    pango_layout_set_ellipsize(static_cast<PangoLayout*>(layout.get()), PANGO_ELLIPSIZE_NONE);
    pango_layout_set_width(static_cast<PangoLayout*>(layout.get()), -1);
    if (Tipografia::Largura(layout.get()) <= l && Tipografia::Altura(layout.get()) <= a) {
      layout = tip.Layout(texto, s, tamanho, l, a, false);
      break;
    }
    tamanho = std::max(kMenorFonte, tamanho - 0.5);
  }
  return layout;
}

// Draws the text inside the rectangle, never outside it, by the style's rule for a text too long. A
// `fixo` text is the same in every document (no field of the data in it): its layout is kept.
void DesenharTexto(cairo_t* cr, Tipografia& tip, Tracos& tracos, std::string_view texto,
                   const TvxnEstiloTexto& s, double x, double y, double l, double a, bool fixo = false) {
  if (texto.empty() || l <= 0 || a <= 0)
    return;
  if (fixo) {
    DesenharLayout(cr, tracos, tip.Fixo(texto, s, l, a, [&] { return Ajustar(tip, texto, s, l, a); }), s, x,
                   y, l, a);
    return;
  }
  DesenharLayout(cr, tracos, Ajustar(tip, texto, s, l, a).get(), s, x, y, l, a);
}

// No field of the data in the model's text: the same in every document.
bool Fixo(std::string_view modelo) {
  return modelo.find('{') == std::string_view::npos;
}

// ---- Barcode ----------------------------------------------------------------------------------------

// The Code-128 bars of the value stretched over the rectangle (zint chooses the code sets: the 44
// digits of an access key go in set C).
void DesenharCodigoBarras(cairo_t* cr, std::string_view valor, double x, double y, double l, double a,
                          const std::string& logDir) {
  if (valor.empty())
    return;
  ZintPtr s(ZBarcode_Create());
  if (!s)
    throw EvxnNFeReportException("Falha ao criar o código de barras.", logDir);
  s->symbology = BARCODE_CODE128;
  // The value is UTF-8 text: characters Code-128 cannot carry are refused, not encoded as stray bytes.
  s->input_mode = UNICODE_MODE;
  s->show_hrt = 0;
  s->whitespace_width = 0;
  int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(valor.data()),
                           static_cast<int>(valor.size()));
  if (rc < ZINT_ERROR)
    rc = ZBarcode_Buffer_Vector(s.get(), 0);
  if (rc >= ZINT_ERROR || !s->vector || s->vector->width <= 0 || s->vector->height <= 0)
    throw EvxnNFeReportException(
        "Falha ao gerar o código de barras de \"" + std::string(valor) + "\": " + s->errtxt, logDir);
  const double sx = l / s->vector->width;
  const double sy = a / s->vector->height;
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (const zint_vector_rect* r = s->vector->rectangles; r; r = r->next)
    cairo_rectangle(cr, x + r->x * sx, y + r->y * sy, r->width * sx, r->height * sy);
  PintarPreencher(cr);
}

// ---- Planning ---------------------------------------------------------------------------------------

// What one page of a document holds.
struct Pagina {
  bool primeira = true;
  std::size_t itemDe = 0, itemAte = 0;   // item rows [de, ate)
  bool titulosItens = false;             // the item captions are drawn on this page
  bool itensAteORodape = false;          // the item columns run down to the footer
  std::size_t linhaDe = 0, linhaAte = 0; // continuation lines [de, ate)
};

struct Documento {
  Fonte fonte;
  std::vector<std::size_t> itens;
  std::vector<double> alturasItens;
  // The layout of each cell of each item row (null for an empty cell or one drawn smaller to fit), as
  // measured: the drawing uses them again.
  std::vector<std::vector<void*>> celulas;
  GObjectPtr continuacao; // the continuation text laid out on the content width, or null
  std::vector<std::pair<double, double>> linhas; // top and bottom of each continuation line
  std::vector<Pagina> paginas;
};

class Relatorio {
public:
  // One pango context serves the whole report, the measuring and the drawing of every page: metrics are
  // not hinted, so a layout made once is the same on any surface and at any scale, and an item cell
  // laid out to measure its row is drawn as it is.
  Relatorio(const TvxnModeloRelatorio& m, const TvxnDadosRelatorio& d, const TvxnTrabalhoRelatorio& t)
      : m_(m), dados_(d), trabalho_(t), tip_(TipografiaDaThread(m.fonte)) {
    for (const TvxnBanda& b : m_.bandas)
      if (b.tipo == TvxnTipoBanda::tbItens)
        itens_ = &b;
      else if (b.tipo == TvxnTipoBanda::tbContinuacao)
        continuacao_ = &b;
    if (itens_) {
      tabelaItens_ = dados_.Tabela(itens_->tabela);
      larguraColunas_ = 0;
      for (const TvxnColuna& c : itens_->colunas)
        larguraColunas_ += c.largura;
    }
  }

  // Plans every document's pages.
  void Planejar() {
    const TvxnTabelaRelatorio* principal = dados_.Tabela(m_.tabelaPrincipal);
    if (!principal || principal->linhas.empty())
      throw EvxnNFeReportException("Não há dados para imprimir na tabela \"" + m_.tabelaPrincipal + "\".",
                                   trabalho_.DiretorioLogErro);
    for (std::size_t r = 0; r < principal->linhas.size(); ++r) {
      Documento doc;
      doc.fonte.mestre = principal;
      doc.fonte.linhaMestre = r;
      doc.fonte.logotipo = trabalho_.Logotipo;
      MedirItens(doc);
      MedirContinuacao(doc);
      Paginar(doc);
      documentos_.push_back(std::move(doc));
    }
  }

  int TotalPaginas() const {
    int n = 0;
    for (const Documento& d : documentos_)
      n += static_cast<int>(d.paginas.size());
    return n;
  }

  // Draws every page, calling `novaPagina` before each one with its context (the PDF's, or a fresh PNG
  // surface's) and `fimPagina` after it.
  template <class Nova, class Fim> void Desenhar(Nova&& novaPagina, Fim&& fimPagina) {
    for (Documento& doc : documentos_) {
      doc.fonte.paginas = static_cast<int>(doc.paginas.size());
      for (std::size_t p = 0; p < doc.paginas.size(); ++p) {
        cairo_t* cr = novaPagina();
        doc.fonte.pagina = static_cast<int>(p) + 1;
        DesenharPagina(cr, tip_, doc, doc.paginas[p]);
        fimPagina();
      }
    }
  }

private:
  double LarguraUtil() const { return m_.largura - 2 * m_.margem; }

  bool Mostra(const TvxnBanda& b, bool primeira, const Fonte& f) const {
    const bool pagina =
        b.paginas == TvxnPaginas::pgTodas || (b.paginas == TvxnPaginas::pgPrimeira) == primeira;
    return pagina && f.Satisfaz(b.se);
  }

  double AlturaBandas(TvxnTipoBanda tipo, bool primeira, const Fonte& f) const {
    double a = 0;
    for (const TvxnBanda& b : m_.bandas)
      if (b.tipo == tipo && Mostra(b, primeira, f))
        a += b.altura;
    return a;
  }

  void MedirItens(Documento& doc) {
    if (!itens_ || !tabelaItens_)
      return;
    doc.itens = LinhasDetalhe(*tabelaItens_, doc.fonte);
    Fonte f = doc.fonte;
    f.detalhe = tabelaItens_;
    for (std::size_t r : doc.itens) {
      f.linhaDetalhe = r;
      double altura = itens_->alturaMinima;
      std::vector<void*>& celulas = doc.celulas.emplace_back(itens_->colunas.size(), nullptr);
      for (std::size_t c = 0; c < itens_->colunas.size(); ++c) {
        const TvxnColuna& coluna = itens_->colunas[c];
        std::string texto = f.Expandir(coluna.texto);
        if (texto.empty())
          continue;
        void* l = Celula(c, std::move(texto));
        altura = std::max(altura, Tipografia::Altura(l) + 2 * kPad * 0.5);
        // Drawn from the measure unless drawing lays it out otherwise: a text made smaller to fit, or one
        // naming the page ({#pagina}), whose number is known only when the page is drawn.
        if (coluna.estilo.ajuste != TvxnAjuste::ajReduzir && coluna.texto.find("{#") == std::string::npos)
          celulas[c] = l;
      }
      doc.alturasItens.push_back(altura);
    }
  }

  // The layout of a cell's text in its column. Units, CFOP, CST, rates and the like repeat from row to
  // row: each distinct text of a column is laid out once per report.
  void* Celula(std::size_t coluna, std::string texto) {
    auto [it, novo] = celulas_.try_emplace({coluna, std::move(texto)});
    if (novo) {
      const TvxnColuna& c = itens_->colunas[coluna];
      const bool quebrar = c.estilo.ajuste == TvxnAjuste::ajQuebrar;
      it->second =
          tip_.Layout(it->first.second, c.estilo, c.estilo.tamanho, c.largura - 2 * kPad, 0, quebrar);
    }
    return it->second.get();
  }

  void MedirContinuacao(Documento& doc) {
    if (!continuacao_ || !doc.fonte.Satisfaz(continuacao_->se))
      return;
    const std::string texto = doc.fonte.Expandir(continuacao_->texto);
    if (texto.empty())
      return;
    doc.continuacao = tip_.Layout(texto, continuacao_->estilo, continuacao_->estilo.tamanho,
                                  LarguraUtil() - 2 * kPad, 0, true);
    PangoLayoutIter* it = pango_layout_get_iter(static_cast<PangoLayout*>(doc.continuacao.get()));
    do {
      int topo = 0, base = 0;
      pango_layout_iter_get_line_yrange(it, &topo, &base);
      doc.linhas.emplace_back(static_cast<double>(topo) / PANGO_SCALE,
                              static_cast<double>(base) / PANGO_SCALE);
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
  }

  double AlturaTituloItens() const {
    return itens_->alturaTitulo + (itens_->titulo.empty() ? 0 : kAlturaTitulo + 0.6);
  }
  double AlturaTituloContinuacao() const { return continuacao_->titulo.empty() ? 0.5 : kAlturaTitulo + 1; }

  void Paginar(Documento& doc) {
    std::size_t item = 0, linha = 0;
    const bool temItens = itens_ && tabelaItens_;
    for (bool primeira = true;; primeira = false) {
      Pagina p;
      p.primeira = primeira;
      double y = AlturaBandas(TvxnTipoBanda::tbCabecalho, primeira, doc.fonte);
      const double fim =
          m_.altura - 2 * m_.margem - AlturaBandas(TvxnTipoBanda::tbRodape, primeira, doc.fonte);
      if (temItens && (item < doc.itens.size() || primeira)) {
        p.titulosItens = true;
        y += AlturaTituloItens();
        p.itemDe = item;
        // At least one row per page, so that a row taller than a page is cut rather than looping.
        while (item < doc.itens.size() && (item == p.itemDe || y + doc.alturasItens[item] <= fim))
          y += doc.alturasItens[item++];
        p.itemAte = item;
        p.itensAteORodape = item < doc.itens.size() || doc.linhas.empty();
      }
      if (item >= doc.itens.size() && linha < doc.linhas.size() && !p.itensAteORodape) {
        const double inicio = y + AlturaTituloContinuacao();
        p.linhaDe = linha;
        const double origem = doc.linhas[linha].first;
        while (linha < doc.linhas.size() &&
               (linha == p.linhaDe || inicio + doc.linhas[linha].second - origem <= fim))
          ++linha;
        p.linhaAte = linha;
      }
      doc.paginas.push_back(p);
      if (item >= doc.itens.size() && linha >= doc.linhas.size())
        break;
    }
  }

  void DesenharPagina(cairo_t* cr, Tipografia& tip, const Documento& doc, const Pagina& p) {
    cairo_set_line_width(cr, 0.2);
    cairo_set_source_rgb(cr, 0, 0, 0);
    double y = m_.margem;
    for (const TvxnBanda& b : m_.bandas)
      if (b.tipo == TvxnTipoBanda::tbCabecalho && Mostra(b, p.primeira, doc.fonte)) {
        DesenharBanda(cr, tip, b, doc.fonte, y);
        y += b.altura;
      }
    double rodape = m_.altura - m_.margem - AlturaBandas(TvxnTipoBanda::tbRodape, p.primeira, doc.fonte);
    for (double yr = rodape; const TvxnBanda& b : m_.bandas)
      if (b.tipo == TvxnTipoBanda::tbRodape && Mostra(b, p.primeira, doc.fonte)) {
        DesenharBanda(cr, tip, b, doc.fonte, yr);
        yr += b.altura;
      }
    if (p.titulosItens)
      y = DesenharItens(cr, tip, doc, p, y, rodape);
    if (p.linhaAte > p.linhaDe)
      DesenharContinuacao(cr, tip, doc, p, y);
    tracos_.Desenhar(cr);
  }

  void DesenharBanda(cairo_t* cr, Tipografia& tip, const TvxnBanda& b, const Fonte& f, double y) {
    for (const TvxnElemento& e : b.elementos)
      if (f.Satisfaz(e.se))
        DesenharElemento(cr, tip, e, f, m_.margem + e.x, y + e.y);
  }

  void Caixa(cairo_t* cr, const TvxnElemento& e, double x, double y) {
    if (e.fundo != 0xFFFFFFFF) {
      tracos_.Desenhar(cr);
      DefinirCor(cr, e.fundo);
      cairo_rectangle(cr, x, y, e.l, e.a);
      PintarPreencher(cr);
    }
    if (e.borda) {
      cairo_rectangle(cr, x, y, e.l, e.a);
      tracos_.Guardar(cr, e.espessura);
    }
  }

  void DesenharElemento(cairo_t* cr, Tipografia& tip, const TvxnElemento& e, const Fonte& f, double x,
                        double y) {
    switch (e.tipo) {
    case TvxnTipoElemento::teLinha:
      cairo_move_to(cr, x, y);
      cairo_line_to(cr, x + e.l, y + e.a);
      tracos_.Guardar(cr, e.espessura);
      return;
    case TvxnTipoElemento::teCodigoBarras:
      Caixa(cr, e, x, y);
      tracos_.Desenhar(cr);
      DesenharCodigoBarras(cr, f.Expandir(e.texto), x, y, e.l, e.a, trabalho_.DiretorioLogErro);
      return;
    case TvxnTipoElemento::teImagem:
      Caixa(cr, e, x, y);
      tracos_.Desenhar(cr);
      if (!trabalho_.Logotipo.empty())
        DesenharImagem(cr, trabalho_.Logotipo, x, y, e.l, e.a, trabalho_.DiretorioLogErro);
      return;
    case TvxnTipoElemento::teLista:
      Caixa(cr, e, x, y);
      DesenharLista(cr, tip, e, f, x, y);
      return;
    case TvxnTipoElemento::teCaixa:
    case TvxnTipoElemento::teTexto:
      break;
    }
    Caixa(cr, e, x, y);
    double topo = kPad * 0.5;
    if (!e.titulo.empty()) {
      TvxnEstiloTexto t;
      t.tamanho = kTamanhoTitulo;
      t.ajuste = TvxnAjuste::ajCortar;
      DesenharTexto(cr, tip, tracos_, f.Expandir(e.titulo), t, x + kPad, y + 0.3, e.l - 2 * kPad,
                    kAlturaTitulo, Fixo(e.titulo));
      topo = kAlturaTitulo + 0.2;
    }
    const std::string texto = f.Expandir(e.texto);
    if (e.rotacao != 0) {
      tracos_.Desenhar(cr);
      cairo_save(cr);
      cairo_translate(cr, x + e.l / 2, y + e.a / 2);
      cairo_rotate(cr, -e.rotacao * M_PI / 180);
      const double diagonal = std::hypot(e.l, e.a);
      TvxnEstiloTexto s = e.estilo;
      s.alinhamento = TvxnAlinhamento::alCentro;
      s.centroVertical = true;
      const double alto = s.tamanho * 25.4 / 72 * 1.3;
      DesenharTexto(cr, tip, tracos_, texto, s, -diagonal / 2, -alto / 2, diagonal, alto, Fixo(e.texto));
      cairo_restore(cr);
      return;
    }
    DesenharTexto(cr, tip, tracos_, texto, e.estilo, x + kPad, y + topo, e.l - 2 * kPad,
                  e.a - topo - kPad * 0.5, Fixo(e.texto));
  }

  void DesenharLista(cairo_t* cr, Tipografia& tip, const TvxnElemento& e, const Fonte& f, double x,
                     double y) {
    const TvxnTabelaRelatorio* t = dados_.Tabela(e.tabela);
    if (!t)
      return;
    Fonte celula = f;
    celula.detalhe = t;
    const int porLinha = std::max(1, static_cast<int>(e.l / e.celula));
    int n = 0;
    for (std::size_t r : LinhasDetalhe(*t, f)) {
      const double cx = x + (n % porLinha) * e.celula;
      const double cy = y + (n / porLinha) * e.alturaCelula;
      if (cy + e.alturaCelula > y + e.a + 0.01)
        break; // the rest does not fit the box; the complementary information lists every instalment
      celula.linhaDetalhe = r;
      DesenharTexto(cr, tip, tracos_, celula.Expandir(e.texto), e.estilo, cx + kPad, cy + 0.3,
                    e.celula - 2 * kPad, e.alturaCelula - 0.3);
      ++n;
    }
  }

  double DesenharItens(cairo_t* cr, Tipografia& tip, const Documento& doc, const Pagina& p, double y,
                       double rodape) {
    const double x0 = m_.margem;
    if (!itens_->titulo.empty()) {
      TvxnEstiloTexto t = itens_->estiloTitulo;
      t.tamanho = std::min(t.tamanho, 6.0);
      t.ajuste = TvxnAjuste::ajCortar;
      DesenharTexto(cr, tip, tracos_, itens_->titulo, t, x0, y + 0.4, LarguraUtil(), kAlturaTitulo, true);
      y += kAlturaTitulo + 0.6;
    }
    const double topo = y;
    // Captions of the columns.
    double cx = x0;
    for (const TvxnColuna& c : itens_->colunas) {
      TvxnEstiloTexto t = itens_->estiloTitulo;
      t.tamanho = kTamanhoTitulo;
      t.alinhamento = TvxnAlinhamento::alCentro;
      t.centroVertical = true;
      t.ajuste = TvxnAjuste::ajQuebrar;
      DesenharTexto(cr, tip, tracos_, c.titulo, t, cx + 0.3, y, c.largura - 0.6, itens_->alturaTitulo, true);
      cx += c.largura;
    }
    y += itens_->alturaTitulo;
    cairo_move_to(cr, x0, y);
    cairo_line_to(cr, x0 + larguraColunas_, y);
    tracos_.Guardar(cr, 0.2);
    Fonte f = doc.fonte;
    f.detalhe = tabelaItens_;
    for (std::size_t i = p.itemDe; i < p.itemAte; ++i) {
      f.linhaDetalhe = doc.itens[i];
      const double h = doc.alturasItens[i];
      const double a = std::min(h, rodape - y) - kPad * 0.5;
      cx = x0;
      for (std::size_t c = 0; c < itens_->colunas.size(); ++c) {
        const TvxnColuna& coluna = itens_->colunas[c];
        const double l = coluna.largura - 2 * kPad;
        // A row cut by the footer (taller than a page) is laid out again for the height it has.
        if (void* medido = doc.celulas[i][c]; medido && Tipografia::Altura(medido) <= a + 0.01)
          DesenharLayout(cr, tracos_, medido, coluna.estilo, cx + kPad, y + kPad * 0.5, l, a);
        else
          DesenharTexto(cr, tip, tracos_, f.Expandir(coluna.texto), coluna.estilo, cx + kPad, y + kPad * 0.5,
                        l, a);
        cx += coluna.largura;
      }
      y += h;
    }
    const double base = p.itensAteORodape ? rodape : y;
    cairo_rectangle(cr, x0, topo, larguraColunas_, base - topo);
    cx = x0;
    for (std::size_t c = 0; c + 1 < itens_->colunas.size(); ++c) {
      cx += itens_->colunas[c].largura;
      cairo_move_to(cr, cx, topo);
      cairo_line_to(cr, cx, base);
    }
    tracos_.Guardar(cr, 0.2);
    return base;
  }

  void DesenharContinuacao(cairo_t* cr, Tipografia& tip, const Documento& doc, const Pagina& p, double y) {
    const double x0 = m_.margem;
    if (!continuacao_->titulo.empty()) {
      TvxnEstiloTexto t = continuacao_->estiloTitulo;
      t.tamanho = std::min(t.tamanho, 6.0);
      t.ajuste = TvxnAjuste::ajCortar;
      DesenharTexto(cr, tip, tracos_, doc.fonte.Expandir(continuacao_->titulo), t, x0, y + 0.6, LarguraUtil(),
                    kAlturaTitulo, Fixo(continuacao_->titulo));
    }
    y += AlturaTituloContinuacao();
    const double origem = doc.linhas[p.linhaDe].first;
    const double altura = doc.linhas[p.linhaAte - 1].second - origem;
    cairo_rectangle(cr, x0, y, LarguraUtil(), altura + kPad);
    tracos_.Guardar(cr, 0.2);
    PintarSalvar(cr);
    cairo_rectangle(cr, x0, y, LarguraUtil(), altura + kPad);
    PintarRecortar(cr);
    DefinirCor(cr, continuacao_->estilo.cor);
    // The whole text is laid out once; this page draws the lines it holds, and only those, so that a
    // reader of the PDF's text finds each line once.
    PangoLayoutIter* it = pango_layout_get_iter(static_cast<PangoLayout*>(doc.continuacao.get()));
    std::size_t linha = 0;
    do {
      if (linha >= p.linhaDe && linha < p.linhaAte) {
        PangoRectangle logico;
        pango_layout_iter_get_line_extents(it, nullptr, &logico);
        const double base = static_cast<double>(pango_layout_iter_get_baseline(it)) / PANGO_SCALE;
        cairo_move_to(cr, x0 + kPad + static_cast<double>(logico.x) / PANGO_SCALE,
                      y + kPad * 0.5 - origem + base);
        PintarLinha(cr, pango_layout_iter_get_line_readonly(it));
      }
      ++linha;
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    PintarRestaurar(cr);
  }

  const TvxnModeloRelatorio& m_;
  const TvxnDadosRelatorio& dados_;
  const TvxnTrabalhoRelatorio& trabalho_;
  const TvxnBanda* itens_ = nullptr;
  const TvxnBanda* continuacao_ = nullptr;
  const TvxnTabelaRelatorio* tabelaItens_ = nullptr;
  double larguraColunas_ = 0;
  Tipografia& tip_;
  Tracos tracos_;
  std::map<std::pair<std::size_t, std::string>, GObjectPtr> celulas_;
  std::vector<Documento> documentos_;
};

void Conferir(cairo_status_t s, const std::string& logDir) {
  if (s != CAIRO_STATUS_SUCCESS)
    throw EvxnNFeReportException(std::string("Falha ao desenhar o relatório: ") + cairo_status_to_string(s),
                                 logDir);
}

cairo_status_t AcrescentarPdf(void* destino, const unsigned char* dados, unsigned int tamanho) {
  static_cast<std::string*>(destino)->append(reinterpret_cast<const char*>(dados), tamanho);
  return CAIRO_STATUS_SUCCESS;
}

} // namespace

int ExportarRelatorioPdf(const TvxnTrabalhoRelatorio& trabalho, const std::string& arquivo) {
  const std::string& logDir = trabalho.DiretorioLogErro;
  if (arquivo.empty())
    throw EvxnNFeReportException("Nome do arquivo de exportação não informado.", logDir);
  auto modelo = CarregarModeloRelatorio(trabalho.Modelo, logDir);
  const TvxnDadosRelatorio dados = LerDadosRelatorio(trabalho.Dados);
  Relatorio rel(*modelo, dados, trabalho);
  rel.Planejar();
  // The PDF is made in memory and written in one atomic step: a failure leaves no partial file.
  std::string pdf;
  {
    TvxnPdfEscrita escrita(modelo->largura * kPontosPorMm, modelo->altura * kPontosPorMm, logDir);
    cairo_t* cr = escrita.Contexto();
    rel.Desenhar(
        [&] {
          escrita.NovaPagina();
          cairo_identity_matrix(cr);
          cairo_scale(cr, kPontosPorMm, kPontosPorMm);
          return cr;
        },
        [&] {
          Conferir(cairo_status(cr), logDir);
          escrita.FecharPagina();
        });
    pdf = escrita.Terminar(trabalho.Titulo, "Quorvant NFe");
  }
  try {
    WriteFileAtomic(arquivo, pdf);
  } catch (const EvxnException& e) {
    throw EvxnNFeReportException(e.Message(), logDir);
  }
  return rel.TotalPaginas();
}

std::vector<std::string> ExportarRelatorioPng(const TvxnTrabalhoRelatorio& trabalho,
                                              const std::string& diretorio, std::string_view prefixo,
                                              int dpi) {
  const std::string& logDir = trabalho.DiretorioLogErro;
  auto modelo = CarregarModeloRelatorio(trabalho.Modelo, logDir);
  const TvxnDadosRelatorio dados = LerDadosRelatorio(trabalho.Dados);
  Relatorio rel(*modelo, dados, trabalho);
  rel.Planejar();
  if (!ForceDirectories(diretorio))
    throw EvxnNFeReportException("Não foi possível criar o diretório \"" + diretorio + "\".", logDir);
  const double escala = dpi / 25.4;
  const int w = static_cast<int>(std::lround(modelo->largura * escala));
  const int h = static_cast<int>(std::lround(modelo->altura * escala));
  std::string pasta = diretorio;
  if (!pasta.ends_with('/'))
    pasta += '/';
  std::vector<std::string> arquivos;
  SurfacePtr superficie;
  CairoPtr cr;
  rel.Desenhar(
      [&] {
        superficie.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
        cr.reset(cairo_create(superficie.get()));
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        cairo_scale(cr.get(), escala, escala);
        return cr.get();
      },
      [&] {
        Conferir(cairo_status(cr.get()), logDir);
        cr.reset();
        cairo_surface_flush(superficie.get());
        const std::string arquivo =
            pasta + std::string(prefixo) + "-" + std::to_string(arquivos.size() + 1) + ".png";
        std::string png;
        Conferir(cairo_surface_write_to_png_stream(superficie.get(), AcrescentarPdf, &png), logDir);
        try {
          WriteFileAtomic(arquivo, png);
        } catch (const EvxnException& e) {
          throw EvxnNFeReportException(e.Message(), logDir);
        }
        arquivos.push_back(arquivo);
      });
  return arquivos;
}

} // namespace vxn
