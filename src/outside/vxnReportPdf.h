// The report engine's own PDF writer. The engine lays out and places everything on a cairo context as
// it does for a PNG; when that context belongs to a PDF being written here, the painting operations
// (fill, stroke, clip, texts, images) are written as PDF page operators instead of being rasterised:
// the current path is taken in device space (points, y down), texts as pango's glyph runs (glyph ids and
// positions) in Identity-H CID fonts with a ToUnicode map, the fonts embedded as a subset made once per
// process and kept compressed. Included only by the report engine and its image code.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <memory>
#include <string>

namespace vxn {

class TvxnPdfEscrita;

// The PDF a cairo context draws into, or null for an ordinary cairo context.
TvxnPdfEscrita* PdfDoContexto(cairo_t* cr);

// A copy of the context's current path in device coordinates (cairo_path_destroy frees it).
cairo_path_t* CaminhoNoDispositivo(cairo_t* cr);

// The painting operations of the engine: on an ordinary context cairo's, on one of a PDF being
// written the PDF's operators. The path, matrix and source colour are always the context's.
void PintarPreencher(cairo_t* cr);
void PintarTracar(cairo_t* cr);
void PintarRecortar(cairo_t* cr);
void PintarSalvar(cairo_t* cr);
void PintarRestaurar(cairo_t* cr);
void PintarLayout(cairo_t* cr, PangoLayout* layout);     // its top left at the current point
void PintarLinha(cairo_t* cr, PangoLayoutLine* linha);   // its baseline origin at the current point
void PintarImagem(cairo_t* cr, cairo_surface_t* imagem); // at the user origin, one unit a pixel

// A PDF document written page by page. The context it gives draws on nothing but holds the path and
// matrix the engine builds; its device space is the page in points with y down.
class TvxnPdfEscrita {
public:
  TvxnPdfEscrita(double larguraPt, double alturaPt, std::string logDir);
  ~TvxnPdfEscrita();
  TvxnPdfEscrita(const TvxnPdfEscrita&) = delete;
  TvxnPdfEscrita& operator=(const TvxnPdfEscrita&) = delete;

  cairo_t* Contexto() const;
  void NovaPagina();
  void FecharPagina();
  // The whole file; `titulo` and `criador` go to the document's information.
  std::string Terminar(const std::string& titulo, const std::string& criador);

  // Used by the painting operations above.
  void Preencher(cairo_t* cr);
  void Tracar(cairo_t* cr);
  void Recortar(cairo_t* cr);
  void Salvar();
  void Restaurar();
  void Layout(cairo_t* cr, PangoLayout* layout);
  void Linha(cairo_t* cr, PangoLayoutLine* linha);
  void Imagem(cairo_t* cr, cairo_surface_t* imagem);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace vxn
