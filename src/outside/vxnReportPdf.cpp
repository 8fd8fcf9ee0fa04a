// The report engine's own PDF writer (see the header). cairo's PDF surface replays every drawing
// operation through an analysis pass, prints its numbers with snprintf and makes and deflates a new
// subset of each font for every document; a DANFE page is a few hundred texts and lines, so that was
// most of the time of an export. Here the page's operators are written as they come, numbers with
// std::to_chars, and each font is subset once per thread (Latin-1 and the punctuation of a printed
// form, without hinting programs, glyph ids kept) and deflated once; a document that uses a glyph
// outside the kept set makes the subset again with it added.
#include "vxnReportPdf.h"

#include "vxnNFeException.h"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>
#include <pango/pangocairo.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vxn {
namespace {

const cairo_user_data_key_t kChavePdf{};

// ---- Numbers and strings -------------------------------------------------------------------------

// A number with at most three decimals and no trailing zeros, then a space.
void Num(std::string& s, double v) {
  long long m = std::llround(v * 1000);
  if (m < 0) {
    s += '-';
    m = -m;
  }
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, m / 1000);
  s.append(buf, r.ptr);
  if (const int fr = static_cast<int>(m % 1000)) {
    char d[4] = {'.', static_cast<char>('0' + fr / 100), static_cast<char>('0' + fr / 10 % 10),
                 static_cast<char>('0' + fr % 10)};
    int n = 4;
    while (d[n - 1] == '0')
      --n;
    s.append(d, static_cast<std::size_t>(n));
  }
  s += ' ';
}

void Int(std::string& s, long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, r.ptr);
}

void Hex4(std::string& s, unsigned v) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  s += kHex[(v >> 12) & 15];
  s += kHex[(v >> 8) & 15];
  s += kHex[(v >> 4) & 15];
  s += kHex[v & 15];
}

// UTF-16BE in hex of UTF-8 text (a surrogate pair above U+FFFF).
void Utf16Hex(std::string& s, std::string_view utf8) {
  for (const char* p = utf8.data(); p < utf8.data() + utf8.size();) {
    const gunichar c = g_utf8_get_char_validated(p, static_cast<gssize>(utf8.data() + utf8.size() - p));
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2))
      break;
    if (c > 0xFFFF) {
      const unsigned v = c - 0x10000;
      Hex4(s, 0xD800 + (v >> 10));
      Hex4(s, 0xDC00 + (v & 0x3FF));
    } else {
      Hex4(s, c);
    }
    p = g_utf8_next_char(p);
  }
}

// A text of the document's information: as it is when it is printable ASCII (a title that is an access
// key stays readable in the file), else UTF-16 with its byte order mark.
void TextoInfo(std::string& s, std::string_view texto) {
  if (std::all_of(texto.begin(), texto.end(), [](char c) { return c >= ' ' && c <= '~'; })) {
    s += '(';
    for (char c : texto) {
      if (c == '(' || c == ')' || c == '\\')
        s += '\\';
      s += c;
    }
    s += ')';
    return;
  }
  s += "<FEFF";
  Utf16Hex(s, texto);
  s += '>';
}

std::string Deflate(std::string_view dados, int nivel) {
  uLongf tamanho = compressBound(static_cast<uLong>(dados.size()));
  std::string out(tamanho, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &tamanho, reinterpret_cast<const Bytef*>(dados.data()),
                static_cast<uLong>(dados.size()), nivel) != Z_OK)
    throw EvxnNFeReportException("Falha ao comprimir o PDF do relatório.");
  out.resize(tamanho);
  return out;
}

// ---- Fonts kept by the thread --------------------------------------------------------------------

// The characters every subset holds from the start: Latin-1 and the punctuation a printed form uses.
std::vector<hb_codepoint_t> CaracteresIniciais() {
  std::vector<hb_codepoint_t> c;
  for (hb_codepoint_t u = 0x20; u <= 0x7E; ++u)
    c.push_back(u);
  for (hb_codepoint_t u = 0xA0; u <= 0xFF; ++u)
    c.push_back(u);
  for (hb_codepoint_t u : {0x2013u, 0x2014u, 0x2018u, 0x2019u, 0x201Cu, 0x201Du, 0x2022u, 0x2026u, 0x20ACu})
    c.push_back(u);
  return c;
}

std::uint16_t U16(const char* p) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(p[0]) << 8) |
                                    static_cast<unsigned char>(p[1]));
}

// A font program as embedded: its subset, deflated, and what the font's dictionaries say of it.
struct FonteEmbutida {
  hb_face_t* face = nullptr;     // referenced
  hb_font_t* unidades = nullptr; // scaled to font units
  std::string nome;              // PostScript name
  bool cff = false;
  unsigned upem = 1000;
  int bbox[4] = {0, 0, 0, 0};
  double ascent = 0, descent = 0, capHeight = 0;
  std::set<hb_codepoint_t> mantidos; // glyphs in the subset
  std::string programa;              // the subset, deflated
  std::size_t tamanho = 0;           // the subset's length
  unsigned geracao = 0;
  std::string logDir;

  FonteEmbutida(hb_face_t* f, const std::string& log) : face(hb_face_reference(f)), logDir(log) {
    unidades = hb_font_create(face);
    upem = std::max(1u, hb_face_get_upem(face));
    char ps[128];
    unsigned n = sizeof ps;
    if (hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &n, ps) > 0)
      nome.assign(ps, n);
    std::erase_if(nome, [](char c) {
      return c <= ' ' || c > '~' || std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos;
    });
    if (nome.empty())
      nome = "Fonte";
    hb_blob_t* tabelaCff = hb_face_reference_table(face, HB_TAG('C', 'F', 'F', ' '));
    cff = hb_blob_get_length(tabelaCff) > 0;
    hb_blob_destroy(tabelaCff);
    if (hb_blob_t* head = hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd'))) {
      unsigned len = 0;
      const char* d = hb_blob_get_data(head, &len);
      if (len >= 54)
        for (int i = 0; i < 4; ++i)
          bbox[i] = static_cast<std::int16_t>(U16(d + 36 + 2 * i)) * 1000 / static_cast<int>(upem);
      hb_blob_destroy(head);
    }
    hb_font_extents_t e{};
    hb_font_get_h_extents(unidades, &e);
    ascent = e.ascender * 1000.0 / upem;
    descent = e.descender * 1000.0 / upem;
    hb_position_t cap = 0;
    capHeight = hb_ot_metrics_get_position(unidades, HB_OT_METRICS_TAG_CAP_HEIGHT, &cap) ? cap * 1000.0 / upem
                                                                                         : ascent;
    mantidos.insert(0);
    for (hb_codepoint_t u : CaracteresIniciais()) {
      hb_codepoint_t g = 0;
      if (hb_font_get_nominal_glyph(unidades, u, &g))
        mantidos.insert(g);
    }
    Subconjunto();
  }
  ~FonteEmbutida() {
    hb_font_destroy(unidades);
    hb_face_destroy(face);
  }
  FonteEmbutida(const FonteEmbutida&) = delete;
  FonteEmbutida& operator=(const FonteEmbutida&) = delete;

  double Largura(hb_codepoint_t g) const {
    return std::round(hb_font_get_glyph_h_advance(unidades, g) * 1000.0 / upem);
  }

  // Six capital letters that tell this subset from the font's others.
  std::string Prefixo() const {
    std::string p(6, 'A');
    unsigned v = static_cast<unsigned>(std::hash<std::string>{}(nome)) ^ (geracao * 2654435761u);
    for (char& c : p) {
      c = static_cast<char>('A' + v % 26);
      v /= 26;
    }
    return p;
  }

  // Makes the subset of the kept glyphs and deflates it.
  void Subconjunto() {
    hb_subset_input_t* in = hb_subset_input_create_or_fail();
    if (!in)
      throw EvxnNFeReportException("Falha ao incorporar a fonte \"" + nome + "\" no PDF.", logDir);
    hb_set_t* glifos = hb_subset_input_glyph_set(in);
    for (hb_codepoint_t g : mantidos)
      hb_set_add(glifos, g);
    hb_subset_input_set_flags(in, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
    hb_set_t* fora = hb_subset_input_set(in, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (hb_tag_t t : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                       HB_TAG('k', 'e', 'r', 'n'), HB_TAG('g', 'a', 's', 'p'), HB_TAG('h', 'd', 'm', 'x'),
                       HB_TAG('V', 'D', 'M', 'X'), HB_TAG('L', 'T', 'S', 'H'), HB_TAG('D', 'S', 'I', 'G'),
                       HB_TAG('n', 'a', 'm', 'e'), HB_TAG('c', 'm', 'a', 'p'), HB_TAG('F', 'F', 'T', 'M'),
                       HB_TAG('m', 'e', 't', 'a'), HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'),
                       HB_TAG('P', 'C', 'L', 'T')})
      if (!cff || t != HB_TAG('c', 'm', 'a', 'p'))
        hb_set_add(fora, t);
    hb_face_t* sub = hb_subset_or_fail(face, in);
    hb_subset_input_destroy(in);
    if (!sub)
      throw EvxnNFeReportException("Falha ao incorporar a fonte \"" + nome + "\" no PDF.", logDir);
    hb_blob_t* blob = hb_face_reference_blob(sub);
    unsigned len = 0;
    const char* dados = hb_blob_get_data(blob, &len);
    std::string_view programa_(dados ? dados : "", dados ? len : 0);
    // A CFF font goes in whole as an OpenType program, a TrueType one as its tables.
    programa = Deflate(programa_, Z_BEST_COMPRESSION);
    tamanho = len;
    hb_blob_destroy(blob);
    hb_face_destroy(sub);
    if (tamanho == 0)
      throw EvxnNFeReportException("Falha ao incorporar a fonte \"" + nome + "\" no PDF.", logDir);
    ++geracao;
  }
};

FonteEmbutida& FonteDaThread(hb_face_t* face, const std::string& logDir) {
  thread_local std::map<hb_face_t*, std::unique_ptr<FonteEmbutida>> fontes;
  auto& f = fontes[face];
  if (!f)
    f = std::make_unique<FonteEmbutida>(face, logDir);
  return *f;
}

} // namespace

// ---- The document ----------------------------------------------------------------------------------

struct TvxnPdfEscrita::Impl {
  double largura, altura;
  std::string logDir;
  cairo_surface_t* superficie = nullptr;
  cairo_t* cr = nullptr;
  std::vector<std::string> paginas; // content streams, deflated
  std::string pagina;               // the one being drawn

  struct Estado {
    std::uint32_t preenchimento = 0, traco = 0; // RGB
    double espessura = 1;
  };
  std::vector<Estado> estados{Estado{}};
  bool emTexto = false;
  int fonteAtual = -1;

  struct FonteDoc {
    FonteEmbutida* emb;
    int recurso;
    // The document's character ids: each glyph with the text it stands for, so that a glyph drawn
    // for different texts (an ellipsis standing for the words it cut) gets an id for each, and the
    // PDF's text is the document's. Id 0 is the font's missing glyph.
    std::vector<std::pair<hb_codepoint_t, std::string>> cids{{0, std::string()}};
    std::unordered_map<hb_codepoint_t, std::vector<unsigned>> cidsDoGlifo;

    // A CFF font's ids are its glyph ids (its descendant font has no map to glyphs): a glyph keeps the
    // first text it was drawn for.
    bool idsDosGlifos = false;

    unsigned Cid(hb_codepoint_t g, std::string_view texto) {
      auto& lista = cidsDoGlifo[g];
      if (idsDosGlifos) {
        if (lista.empty()) {
          cids.emplace_back(g, std::string(texto));
          lista.push_back(g);
        }
        return g;
      }
      for (unsigned c : lista)
        if (cids[c].second == texto)
          return c;
      cids.emplace_back(g, std::string(texto));
      lista.push_back(static_cast<unsigned>(cids.size() - 1));
      return lista.back();
    }
  };
  std::vector<FonteDoc> fontes;
  std::unordered_map<hb_face_t*, int> indiceFonte;
  struct FontePango {
    int fonte;
    double tamanho;
  };
  std::unordered_map<PangoFont*, FontePango> porFontePango;

  struct Img {
    int largura, altura;
    std::string rgb, alfa; // deflated
  };
  std::vector<Img> imagens;

  Estado& E() { return estados.back(); }

  void FecharTexto() {
    if (emTexto) {
      pagina += "ET\n";
      emTexto = false;
    }
  }

  static std::uint32_t CorDe(cairo_t* c) {
    double r = 0, g = 0, b = 0, a = 1;
    cairo_pattern_get_rgba(cairo_get_source(c), &r, &g, &b, &a);
    const auto v = [](double x) {
      return static_cast<std::uint32_t>(std::lround(std::clamp(x, 0.0, 1.0) * 255));
    };
    return (v(r) << 16) | (v(g) << 8) | v(b);
  }
  void Cor(std::uint32_t cor, bool traco) {
    std::uint32_t& atual = traco ? E().traco : E().preenchimento;
    if (atual == cor)
      return;
    atual = cor;
    Num(pagina, ((cor >> 16) & 0xFF) / 255.0);
    Num(pagina, ((cor >> 8) & 0xFF) / 255.0);
    Num(pagina, (cor & 0xFF) / 255.0);
    pagina += traco ? "RG\n" : "rg\n";
  }

  // Where a text drawn at the context's current point starts, with the text's colour set; false when
  // there is no current point.
  bool InicioDoTexto(cairo_t* c, double& x, double& y) {
    if (!cairo_has_current_point(c))
      return false;
    cairo_get_current_point(c, &x, &y);
    cairo_new_path(c);
    Cor(CorDe(c), false);
    return true;
  }

  // The context's current path, in device space, as path operators; the path is then cleared.
  void Caminho(cairo_t* c) {
    cairo_path_t* p = CaminhoNoDispositivo(c);
    cairo_new_path(c);
    const cairo_path_data_t* d = p->data;
    const int n = p->num_data;
    bool movePendente = false;
    double mx = 0, my = 0;
    for (int k = 0; k < n; k += d[k].header.length) {
      const cairo_path_data_t* e = &d[k];
      switch (e->header.type) {
      case CAIRO_PATH_MOVE_TO: {
        // A rectangle as cairo makes it: move, three lines along the axes, close.
        const int t = e->header.length;
        if (k + t + 3 * 2 < n && d[k + t].header.type == CAIRO_PATH_LINE_TO &&
            d[k + t + 2].header.type == CAIRO_PATH_LINE_TO &&
            d[k + t + 4].header.type == CAIRO_PATH_LINE_TO &&
            d[k + t + 6].header.type == CAIRO_PATH_CLOSE_PATH) {
          const auto& p0 = e[1].point;
          const auto& p1 = d[k + t + 1].point;
          const auto& p2 = d[k + t + 3].point;
          const auto& p3 = d[k + t + 5].point;
          if (p0.y == p1.y && p1.x == p2.x && p2.y == p3.y && p3.x == p0.x) {
            Num(pagina, p0.x);
            Num(pagina, p0.y);
            Num(pagina, p2.x - p0.x);
            Num(pagina, p2.y - p0.y);
            pagina += "re\n";
            k += t + 6; // the close; the loop steps over it
            movePendente = false;
            continue;
          }
        }
        mx = e[1].point.x;
        my = e[1].point.y;
        movePendente = true;
        break;
      }
      case CAIRO_PATH_LINE_TO:
      case CAIRO_PATH_CURVE_TO:
        if (movePendente) {
          Num(pagina, mx);
          Num(pagina, my);
          pagina += "m\n";
          movePendente = false;
        }
        for (int i = 1; i < e->header.length; ++i) {
          Num(pagina, e[i].point.x);
          Num(pagina, e[i].point.y);
        }
        pagina += e->header.type == CAIRO_PATH_LINE_TO ? "l\n" : "c\n";
        break;
      case CAIRO_PATH_CLOSE_PATH:
        pagina += "h\n";
        break;
      }
    }
    cairo_path_destroy(p);
  }

  static double Resolucao(PangoLayout* layout) {
    const double r = pango_cairo_context_get_resolution(pango_layout_get_context(layout));
    return r > 0 ? r : 96;
  }

  FontePango& FontePangoDe(PangoFont* font, double resolucao) {
    if (auto it = porFontePango.find(font); it != porFontePango.end())
      return it->second;
    hb_face_t* face = hb_font_get_face(pango_font_get_hb_font(font));
    int indice;
    if (auto it = indiceFonte.find(face); it != indiceFonte.end()) {
      indice = it->second;
    } else {
      indice = static_cast<int>(fontes.size());
      FonteEmbutida& emb = FonteDaThread(face, logDir);
      fontes.push_back({&emb, indice, {{0, std::string()}}, {}, emb.cff});
      indiceFonte.emplace(face, indice);
    }
    // The size in user units, from the size in points and the context's resolution: the absolute
    // size pango reports is rounded to its units, which would stretch a line by a hundredth of a point.
    PangoFontDescription* desc = pango_font_describe(font);
    double tamanho = static_cast<double>(pango_font_description_get_size(desc)) / PANGO_SCALE;
    if (!pango_font_description_get_size_is_absolute(desc))
      tamanho *= resolucao / 72;
    pango_font_description_free(desc);
    return porFontePango.emplace(font, FontePango{indice, tamanho}).first->second;
  }

  // One run of glyphs whose baseline origin is (x, y) in user space.
  void Run(cairo_t* c, double resolucao, const char* textoLayout, const PangoGlyphItem* run, double x,
           double y) {
    PangoFont* font = run->item->analysis.font;
    if (!font || run->glyphs->num_glyphs == 0)
      return;
    const FontePango fp = FontePangoDe(font, resolucao);
    FonteDoc& fd = fontes[static_cast<std::size_t>(fp.fonte)];
    const double s = fp.tamanho;
    if (s <= 0)
      return;
    cairo_matrix_t m;
    cairo_get_matrix(c, &m);
    const PangoGlyphString* gs = run->glyphs;
    const char* texto = textoLayout + run->item->offset;
    const int fimItem = run->item->length;

    bool aberto = false; // a TJ array is open
    double pen = 0;      // where the PDF's pen is, thousandths of the size from the segment's start
    double pos = 0;      // where pango puts the next glyph, user units from the run's start
    double origem = 0;   // start of the current segment, user units
    double oy = 0;       // its vertical offset
    const auto comecar = [&](double ux, double uy) {
      if (aberto)
        pagina += "]TJ\n";
      if (!emTexto) {
        pagina += "BT\n";
        emTexto = true;
      }
      if (fonteAtual != fp.fonte) {
        pagina += '/';
        pagina += 'F';
        Int(pagina, fp.fonte);
        pagina += " 1 Tf\n";
        fonteAtual = fp.fonte;
      }
      double dx = ux, dy = uy;
      cairo_matrix_transform_point(&m, &dx, &dy);
      Num(pagina, m.xx * s);
      Num(pagina, m.yx * s);
      Num(pagina, -m.xy * s);
      Num(pagina, -m.yy * s);
      Num(pagina, dx);
      Num(pagina, dy);
      pagina += "Tm[";
      aberto = true;
      pen = 0;
    };
    bool hexAberto = false;
    for (int i = 0; i < gs->num_glyphs; ++i) {
      const PangoGlyphInfo& gi = gs->glyphs[i];
      const double w = static_cast<double>(gi.geometry.width) / PANGO_SCALE;
      const double xo = static_cast<double>(gi.geometry.x_offset) / PANGO_SCALE;
      const double yo = static_cast<double>(gi.geometry.y_offset) / PANGO_SCALE;
      const PangoGlyph g = gi.glyph;
      if (g == PANGO_GLYPH_EMPTY || (g & PANGO_GLYPH_UNKNOWN_FLAG)) {
        pos += w;
        continue;
      }
      if (!aberto || yo != oy) {
        if (hexAberto) {
          pagina += '>';
          hexAberto = false;
        }
        origem = pos + xo;
        oy = yo;
        comecar(x + origem, y + yo);
      }
      // Moves the pen to where pango puts the glyph when they part by more than half a thousandth.
      const double alvo = (pos + xo - origem) / s * 1000;
      const double ajuste = std::round(alvo - pen);
      if (ajuste != 0) {
        if (hexAberto) {
          pagina += '>';
          hexAberto = false;
        }
        Int(pagina, static_cast<long long>(-ajuste));
        pen += ajuste;
      }
      // The text of its cluster goes with the cluster's first glyph.
      std::string_view cluster;
      const int ini = gs->log_clusters[i];
      if (i == 0 || gs->log_clusters[i - 1] != ini) {
        int fim = fimItem;
        for (int j = 0; j < gs->num_glyphs; ++j)
          if (gs->log_clusters[j] > ini && gs->log_clusters[j] < fim)
            fim = gs->log_clusters[j];
        cluster = std::string_view(texto + ini, static_cast<std::size_t>(std::max(0, fim - ini)));
      }
      if (!hexAberto) {
        pagina += '<';
        hexAberto = true;
      }
      Hex4(pagina, fd.Cid(g, cluster));
      pen += fd.emb->Largura(g);
      pos += w;
    }
    if (hexAberto)
      pagina += '>';
    if (aberto)
      pagina += "]TJ\n";
  }

  void Linha(cairo_t* c, PangoLayoutLine* linha, double x, double y) {
    const char* texto = pango_layout_get_text(linha->layout);
    const double resolucao = Resolucao(linha->layout);
    double dx = 0;
    for (GSList* l = linha->runs; l; l = l->next) {
      const auto* run = static_cast<const PangoGlyphItem*>(l->data);
      Run(c, resolucao, texto, run, x + dx, y);
      dx += static_cast<double>(pango_glyph_string_get_width(run->glyphs)) / PANGO_SCALE;
    }
  }
};

cairo_path_t* CaminhoNoDispositivo(cairo_t* cr) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  cairo_identity_matrix(cr);
  cairo_path_t* p = cairo_copy_path(cr);
  cairo_set_matrix(cr, &m);
  return p;
}

TvxnPdfEscrita* PdfDoContexto(cairo_t* cr) {
  return static_cast<TvxnPdfEscrita*>(cairo_get_user_data(cr, &kChavePdf));
}

TvxnPdfEscrita::TvxnPdfEscrita(double larguraPt, double alturaPt, std::string logDir)
    : impl_(std::make_unique<Impl>()) {
  impl_->largura = larguraPt;
  impl_->altura = alturaPt;
  impl_->logDir = std::move(logDir);
  impl_->superficie = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  impl_->cr = cairo_create(impl_->superficie);
  cairo_set_user_data(impl_->cr, &kChavePdf, this, nullptr);
}

TvxnPdfEscrita::~TvxnPdfEscrita() {
  cairo_destroy(impl_->cr);
  cairo_surface_destroy(impl_->superficie);
}

cairo_t* TvxnPdfEscrita::Contexto() const {
  return impl_->cr;
}

void TvxnPdfEscrita::NovaPagina() {
  Impl& d = *impl_;
  d.pagina.clear();
  d.estados.assign(1, Impl::Estado{});
  d.emTexto = false;
  d.fonteAtual = -1;
  d.pagina += "1 0 0 -1 0 ";
  Num(d.pagina, d.altura);
  d.pagina += "cm\n";
  cairo_new_path(d.cr);
  cairo_reset_clip(d.cr);
}

void TvxnPdfEscrita::FecharPagina() {
  Impl& d = *impl_;
  d.FecharTexto();
  while (d.estados.size() > 1) {
    d.pagina += "Q\n";
    d.estados.pop_back();
  }
  d.paginas.push_back(Deflate(d.pagina, Z_BEST_SPEED));
  d.pagina.clear();
}

void TvxnPdfEscrita::Preencher(cairo_t* cr) {
  Impl& d = *impl_;
  d.FecharTexto();
  d.Cor(Impl::CorDe(cr), false);
  d.Caminho(cr);
  d.pagina += "f\n";
}

void TvxnPdfEscrita::Tracar(cairo_t* cr) {
  Impl& d = *impl_;
  d.FecharTexto();
  d.Cor(Impl::CorDe(cr), true);
  double dx = cairo_get_line_width(cr), dy = 0;
  cairo_user_to_device_distance(cr, &dx, &dy);
  const double w = std::hypot(dx, dy);
  if (std::llround(w * 1000) != std::llround(d.E().espessura * 1000)) {
    Num(d.pagina, w);
    d.pagina += "w\n";
    d.E().espessura = w;
  }
  d.Caminho(cr);
  d.pagina += "S\n";
}

void TvxnPdfEscrita::Recortar(cairo_t* cr) {
  Impl& d = *impl_;
  d.FecharTexto();
  d.Caminho(cr);
  d.pagina += "W n\n";
}

void TvxnPdfEscrita::Salvar() {
  Impl& d = *impl_;
  d.FecharTexto();
  d.pagina += "q\n";
  d.estados.push_back(d.E());
}

void TvxnPdfEscrita::Restaurar() {
  Impl& d = *impl_;
  d.FecharTexto();
  if (d.estados.size() > 1) {
    d.pagina += "Q\n";
    d.estados.pop_back();
  }
}

void TvxnPdfEscrita::Layout(cairo_t* cr, PangoLayout* layout) {
  Impl& d = *impl_;
  double x0 = 0, y0 = 0;
  if (!d.InicioDoTexto(cr, x0, y0))
    return;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  const char* texto = pango_layout_get_text(layout);
  do {
    PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
    if (!run)
      continue;
    PangoRectangle logico;
    pango_layout_iter_get_run_extents(it, nullptr, &logico);
    const double base = static_cast<double>(pango_layout_iter_get_baseline(it)) / PANGO_SCALE;
    d.Run(cr, Impl::Resolucao(layout), texto, run, x0 + static_cast<double>(logico.x) / PANGO_SCALE,
          y0 + base);
  } while (pango_layout_iter_next_run(it));
  pango_layout_iter_free(it);
}

void TvxnPdfEscrita::Linha(cairo_t* cr, PangoLayoutLine* linha) {
  Impl& d = *impl_;
  double x0 = 0, y0 = 0;
  if (d.InicioDoTexto(cr, x0, y0))
    d.Linha(cr, linha, x0, y0);
}

void TvxnPdfEscrita::Imagem(cairo_t* cr, cairo_surface_t* imagem) {
  Impl& d = *impl_;
  cairo_surface_flush(imagem);
  const int w = cairo_image_surface_get_width(imagem);
  const int h = cairo_image_surface_get_height(imagem);
  const int passo = cairo_image_surface_get_stride(imagem);
  const unsigned char* px = cairo_image_surface_get_data(imagem);
  if (w <= 0 || h <= 0 || !px)
    return;
  const bool comAlfa = cairo_image_surface_get_format(imagem) == CAIRO_FORMAT_ARGB32;
  std::string rgb, alfa;
  rgb.reserve(static_cast<std::size_t>(w) * h * 3);
  bool opaca = true;
  for (int y = 0; y < h; ++y) {
    const auto* linha = reinterpret_cast<const std::uint32_t*>(px + static_cast<std::size_t>(y) * passo);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t v = linha[x];
      unsigned a = comAlfa ? v >> 24 : 255;
      unsigned r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
      if (a != 255) {
        opaca = false;
        // cairo keeps colours premultiplied by their alpha
        r = a ? r * 255 / a : 0;
        g = a ? g * 255 / a : 0;
        b = a ? b * 255 / a : 0;
      }
      rgb += static_cast<char>(r);
      rgb += static_cast<char>(g);
      rgb += static_cast<char>(b);
      alfa += static_cast<char>(a);
    }
  }
  Impl::Img img{w, h, Deflate(rgb, Z_DEFAULT_COMPRESSION),
                opaca ? std::string() : Deflate(alfa, Z_DEFAULT_COMPRESSION)};
  d.imagens.push_back(std::move(img));
  d.FecharTexto();
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  d.pagina += "q\n";
  Num(d.pagina, w * m.xx);
  Num(d.pagina, w * m.yx);
  Num(d.pagina, -h * m.xy);
  Num(d.pagina, -h * m.yy);
  Num(d.pagina, h * m.xy + m.x0);
  Num(d.pagina, h * m.yy + m.y0);
  d.pagina += "cm /I";
  Int(d.pagina, static_cast<long long>(d.imagens.size() - 1));
  d.pagina += " Do\nQ\n";
}

std::string TvxnPdfEscrita::Terminar(const std::string& titulo, const std::string& criador) {
  Impl& d = *impl_;
  // Fonts whose document used glyphs outside their subset get a new one.
  for (Impl::FonteDoc& f : d.fontes) {
    bool novo = false;
    for (const auto& par : f.cids)
      novo |= f.emb->mantidos.insert(par.first).second;
    if (novo)
      f.emb->Subconjunto();
  }
  std::string out = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> posicoes{0};
  const auto objeto = [&] {
    posicoes.push_back(out.size());
    Int(out, static_cast<long long>(posicoes.size() - 1));
    out += " 0 obj\n";
  };
  const auto fim = [&] { out += "endobj\n"; };
  const auto stream = [&](std::string_view dicionario, std::string_view dados) {
    out += "<< ";
    out += dicionario;
    out += " /Length ";
    Int(out, static_cast<long long>(dados.size()));
    out += " >>\nstream\n";
    out += dados;
    out += "\nendstream\n";
  };
  const int n = static_cast<int>(d.paginas.size());
  // 1 catalog, 2 page tree, 3 information, 4 resources, then each page and its content, then each
  // font (6 objects) and each image (1, or 2 with its transparency).
  const int primeiraPagina = 5;
  const int primeiraFonte = primeiraPagina + 2 * n;
  const int primeiraImagem = primeiraFonte + 6 * static_cast<int>(d.fontes.size());
  objeto();
  out += "<< /Type /Catalog /Pages 2 0 R >>\n";
  fim();
  objeto();
  out += "<< /Type /Pages /Count ";
  Int(out, n);
  out += " /Kids [";
  for (int p = 0; p < n; ++p) {
    Int(out, primeiraPagina + 2 * p);
    out += " 0 R ";
  }
  out += "] >>\n";
  fim();
  objeto();
  out += "<< /Creator ";
  TextoInfo(out, criador);
  out += " /Producer ";
  TextoInfo(out, criador);
  if (!titulo.empty()) {
    out += " /Title ";
    TextoInfo(out, titulo);
  }
  {
    const std::time_t agora = std::time(nullptr);
    std::tm t{};
    gmtime_r(&agora, &t);
    char data[32];
    std::strftime(data, sizeof data, "D:%Y%m%d%H%M%SZ", &t);
    out += " /CreationDate (";
    out += data;
    out += ")";
  }
  out += " >>\n";
  fim();
  objeto();
  out += "<< /Font << ";
  for (std::size_t f = 0; f < d.fontes.size(); ++f) {
    out += "/F";
    Int(out, static_cast<long long>(f));
    out += ' ';
    Int(out, primeiraFonte + 6 * static_cast<int>(f));
    out += " 0 R ";
  }
  out += ">> /XObject << ";
  for (int i = 0, obj = primeiraImagem; i < static_cast<int>(d.imagens.size()); ++i) {
    out += "/I";
    Int(out, i);
    out += ' ';
    Int(out, obj);
    out += " 0 R ";
    obj += d.imagens[static_cast<std::size_t>(i)].alfa.empty() ? 1 : 2;
  }
  out += ">> >>\n";
  fim();
  for (int p = 0; p < n; ++p) {
    objeto();
    out += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
    Num(out, d.largura);
    Num(out, d.altura);
    out += "] /Resources 4 0 R /Contents ";
    Int(out, primeiraPagina + 2 * p + 1);
    out += " 0 R >>\n";
    fim();
    objeto();
    stream("/Filter /FlateDecode", d.paginas[static_cast<std::size_t>(p)]);
    fim();
  }
  for (std::size_t f = 0; f < d.fontes.size(); ++f) {
    const Impl::FonteDoc& fd = d.fontes[f];
    const FonteEmbutida& e = *fd.emb;
    const int base = primeiraFonte + 6 * static_cast<int>(f);
    const std::string nome = e.Prefixo() + "+" + e.nome;
    objeto(); // the composite font
    out += "<< /Type /Font /Subtype /Type0 /BaseFont /" + nome + " /Encoding /Identity-H /DescendantFonts [";
    Int(out, base + 1);
    out += " 0 R] /ToUnicode ";
    Int(out, base + 3);
    out += " 0 R >>\n";
    fim();
    objeto(); // its glyphs
    out += e.cff ? "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /"
                 : "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /";
    out += nome;
    out += " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
    Int(out, base + 2);
    out += " 0 R";
    if (!e.cff) {
      out += " /CIDToGIDMap ";
      Int(out, base + 5);
      out += " 0 R";
    }
    out += " /W [";
    if (fd.idsDosGlifos) {
      for (std::size_t c = 1; c < fd.cids.size(); ++c) {
        Int(out, fd.cids[c].first);
        out += " [";
        Num(out, e.Largura(fd.cids[c].first));
        out += "] ";
      }
    } else {
      out += "1 [";
      for (std::size_t c = 1; c < fd.cids.size(); ++c)
        Num(out, e.Largura(fd.cids[c].first));
      out += "]";
    }
    out += "] >>\n";
    fim();
    objeto(); // its descriptor
    out += "<< /Type /FontDescriptor /FontName /" + nome + " /Flags 32 /FontBBox [";
    for (int b : e.bbox) {
      Int(out, b);
      out += ' ';
    }
    out += "] /ItalicAngle 0 /Ascent ";
    Num(out, e.ascent);
    out += "/Descent ";
    Num(out, e.descent);
    out += "/CapHeight ";
    Num(out, e.capHeight);
    out += "/StemV 80 ";
    out += e.cff ? "/FontFile3 " : "/FontFile2 ";
    Int(out, base + 4);
    out += " 0 R >>\n";
    fim();
    // The ToUnicode map.
    std::string cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                       "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (std::size_t c = 1; c < fd.cids.size();) {
      std::size_t bloco = 0;
      std::string linhas;
      for (; c < fd.cids.size() && bloco < 100; ++c) {
        if (fd.cids[c].second.empty())
          continue;
        linhas += '<';
        Hex4(linhas, fd.idsDosGlifos ? fd.cids[c].first : static_cast<unsigned>(c));
        linhas += "> <";
        Utf16Hex(linhas, fd.cids[c].second);
        linhas += ">\n";
        ++bloco;
      }
      if (bloco) {
        Int(cmap, static_cast<long long>(bloco));
        cmap += " beginbfchar\n" + linhas + "endbfchar\n";
      }
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    objeto();
    stream("", cmap);
    fim();
    objeto(); // the program, deflated once for the thread
    std::string dic = e.cff ? "/Subtype /OpenType /Filter /FlateDecode" : "/Filter /FlateDecode /Length1 ";
    if (!e.cff)
      Int(dic, static_cast<long long>(e.tamanho));
    stream(dic, e.programa);
    fim();
    objeto(); // which glyph each character id draws
    std::string mapa;
    mapa.reserve(2 * fd.cids.size());
    for (const auto& par : fd.cids) {
      mapa += static_cast<char>(par.first >> 8);
      mapa += static_cast<char>(par.first & 0xFF);
    }
    stream("", mapa);
    fim();
  }
  for (int i = 0, obj = primeiraImagem; i < static_cast<int>(d.imagens.size()); ++i) {
    const Impl::Img& img = d.imagens[static_cast<std::size_t>(i)];
    objeto();
    std::string dic = "/Type /XObject /Subtype /Image /Width ";
    Int(dic, img.largura);
    dic += " /Height ";
    Int(dic, img.altura);
    dic += " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Interpolate true /Filter /FlateDecode";
    if (!img.alfa.empty()) {
      dic += " /SMask ";
      Int(dic, obj + 1);
      dic += " 0 R";
    }
    stream(dic, img.rgb);
    fim();
    ++obj;
    if (!img.alfa.empty()) {
      objeto();
      std::string m = "/Type /XObject /Subtype /Image /Width ";
      Int(m, img.largura);
      m += " /Height ";
      Int(m, img.altura);
      m += " /ColorSpace /DeviceGray /BitsPerComponent 8 /Interpolate true /Filter /FlateDecode";
      stream(m, img.alfa);
      fim();
      ++obj;
    }
  }
  const std::size_t xref = out.size();
  out += "xref\n0 ";
  Int(out, static_cast<long long>(posicoes.size()));
  out += "\n0000000000 65535 f \n";
  for (std::size_t i = 1; i < posicoes.size(); ++i) {
    char linha[21];
    std::snprintf(linha, sizeof linha, "%010zu 00000 n \n", posicoes[i]);
    out.append(linha, 20);
  }
  out += "trailer\n<< /Size ";
  Int(out, static_cast<long long>(posicoes.size()));
  out += " /Root 1 0 R /Info 3 0 R >>\nstartxref\n";
  Int(out, static_cast<long long>(xref));
  out += "\n%%EOF\n";
  return out;
}

} // namespace vxn

namespace vxn {

void PintarPreencher(cairo_t* cr) {
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Preencher(cr);
  else
    cairo_fill(cr);
}

void PintarTracar(cairo_t* cr) {
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Tracar(cr);
  else
    cairo_stroke(cr);
}

void PintarRecortar(cairo_t* cr) {
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Recortar(cr);
  else
    cairo_clip(cr);
}

void PintarSalvar(cairo_t* cr) {
  cairo_save(cr);
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Salvar();
}

void PintarRestaurar(cairo_t* cr) {
  cairo_restore(cr);
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Restaurar();
}

void PintarLayout(cairo_t* cr, PangoLayout* layout) {
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Layout(cr, layout);
  else
    pango_cairo_show_layout(cr, layout);
}

void PintarLinha(cairo_t* cr, PangoLayoutLine* linha) {
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr))
    pdf->Linha(cr, linha);
  else
    pango_cairo_show_layout_line(cr, linha);
}

void PintarImagem(cairo_t* cr, cairo_surface_t* imagem) {
  if (TvxnPdfEscrita* pdf = PdfDoContexto(cr)) {
    pdf->Imagem(cr, imagem);
    return;
  }
  cairo_set_source_surface(cr, imagem, 0, 0);
  cairo_paint(cr);
}

} // namespace vxn
