#include "vxnReportImage.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnReportPdf.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace vxn {
namespace {

struct Superficie {
  cairo_surface_t* s = nullptr;
  ~Superficie() {
    if (s)
      cairo_surface_destroy(s);
  }
};

struct ErroJpeg {
  jpeg_error_mgr mgr;
  std::jmp_buf salto;
  char mensagem[JMSG_LENGTH_MAX];
};

// libjpeg reports a fatal error by calling error_exit, which must not return: it keeps libjpeg's text and
// jumps back to the reader, which then raises our exception outside of libjpeg's frames.
void SairJpeg(j_common_ptr cinfo) {
  auto* erro = reinterpret_cast<ErroJpeg*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, erro->mensagem);
  std::longjmp(erro->salto, 1);
}

// A warning (level -1) is corrupt data libjpeg would paper over: a file cut short is decoded to its
// end as grey. A logo half grey is a broken file, refused as the fatal errors are; trace messages
// (levels 0 and up) are ignored.
void AvisoJpeg(j_common_ptr cinfo, int nivel) {
  if (nivel < 0)
    SairJpeg(cinfo);
}

// Decodes the JPEG bytes into an RGB24 surface; nullptr with libjpeg's reason in `motivo` when they are
// not a whole JPEG libjpeg can read. Nothing with a destructor lives in this frame across the jumps:
// the row buffer is libjpeg's own, freed with the decompressor.
cairo_surface_t* LerJpeg(const std::string& bytes, std::string& motivo) {
  jpeg_decompress_struct cinfo{};
  ErroJpeg erro{};
  cinfo.err = jpeg_std_error(&erro.mgr);
  erro.mgr.error_exit = SairJpeg;
  erro.mgr.emit_message = AvisoJpeg;
  cairo_surface_t* volatile superficie = nullptr;
  if (setjmp(erro.salto)) {
    jpeg_destroy_decompress(&cinfo);
    if (superficie)
      cairo_surface_destroy(superficie);
    motivo = erro.mensagem;
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  superficie = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(cinfo.output_width),
                                          static_cast<int>(cinfo.output_height));
  unsigned char* destino = cairo_image_surface_get_data(superficie);
  const int passo = cairo_image_surface_get_stride(superficie);
  JSAMPARRAY linha = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * 3, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const unsigned y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, linha, 1);
    auto* px = reinterpret_cast<uint32_t*>(destino + static_cast<std::size_t>(y) * passo);
    const JSAMPROW p = linha[0];
    for (unsigned x = 0; x < cinfo.output_width; ++x)
      px[x] = (uint32_t{p[x * 3]} << 16) | (uint32_t{p[x * 3 + 1]} << 8) | p[x * 3 + 2];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  cairo_surface_mark_dirty(superficie);
  return superficie;
}

} // namespace

void DesenharImagem(cairo_t* cr, const std::string& arquivo, double x, double y, double l, double a,
                    const std::string& logDir) {
  if (!FileExists(arquivo))
    throw EvxnNFeReportException("Arquivo de logotipo \"" + arquivo + "\" não encontrado.", logDir);
  Superficie img;
  const std::string bytes = ReadWholeFile(arquivo);
  if (bytes.size() > 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xD8) {
    std::string motivo;
    img.s = LerJpeg(bytes, motivo);
    if (!img.s)
      throw EvxnNFeReportException(
          "Arquivo de logotipo \"" + arquivo + "\" não é uma imagem JPEG válida: " + motivo, logDir);
  } else {
    img.s = cairo_image_surface_create_from_png(arquivo.c_str());
    if (cairo_surface_status(img.s) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(img.s);
      img.s = nullptr;
    }
  }
  if (!img.s)
    throw EvxnNFeReportException("Arquivo de logotipo \"" + arquivo + "\" não é uma imagem JPEG ou PNG.",
                                 logDir);
  const double w = cairo_image_surface_get_width(img.s);
  const double h = cairo_image_surface_get_height(img.s);
  if (w <= 0 || h <= 0)
    return;
  const double escala = std::min(l / w, a / h);
  cairo_save(cr);
  cairo_translate(cr, x + (l - w * escala) / 2, y + (a - h * escala) / 2);
  cairo_scale(cr, escala, escala);
  PintarImagem(cr, img.s);
  cairo_restore(cr);
}

} // namespace vxn
