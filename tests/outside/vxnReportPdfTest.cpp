// The engine's own PDF writer: the text a reader extracts is the document's, character for character
// (accented letters, a ligature, an ellipsis standing for the words it cut, a letter from another font),
// and a glyph outside the font subset kept from earlier documents is drawn, not left blank.
#include "support/Process.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnReportEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

TvxnTrabalhoRelatorio Trabalho(const TempDir& dir, const std::string& bandas) {
  const std::string arquivo = dir.Path() + "modelo.rtm";
  WriteFileAtomic(arquivo,
                  "<relatorio largura=\"150\" altura=\"80\" margem=\"5\">" + bandas + "</relatorio>");
  TvxnDadosRelatorio d;
  d.tabelas.push_back({"Dados", "", "", "", {"nNF"}, {{"7"}}});
  return {arquivo, EscreverDadosRelatorio(d), "", "Teste", dir.Path()};
}

std::string Texto(const std::string& pdf) {
  const ProcessResult r = RunProcess({"/usr/bin/pdftotext", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

TEST(ReportPdf, TheExtractedTextIsTheDocumentsAndEveryFontIsEmbedded) {
  struct Caso {
    const char* texto;
    const char* extraido;
    const char* atributos; // of the text element
  };
  const Caso casos[] = {
      {"AÇÃO Não é só ÿ ß", "AÇÃO Não é só ÿ ß", ""},
      {"ofício fluxo", "ofício fluxo", ""}, // a ligature stands for both letters
      {"Ωμέγα", "Ωμέγα", ""},               // outside the characters kept from the start
      {"neve ☃", "neve ☃", ""},             // the snowman from another font
      {"PALAVRAS QUE NAO CABEM NA CAIXA ESTREITA", "PALAVRAS QUE NAO CABEM NA CAIXA ESTREITA",
       " l=\"30\" ajuste=\"cortar\""}, // the ellipsis stands for what it cut, as pango's clusters say
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    TempDir dir;
    const std::string atributos = *c.atributos ? c.atributos : " l=\"130\"";
    const std::string pdf = dir.Path() + "r.pdf";
    ExportarRelatorioPdf(Trabalho(dir, std::string("<banda tipo=\"cabecalho\" altura=\"30\"><texto x=\"5\" "
                                                   "y=\"5\" a=\"10\" tamanho=\"12\"") +
                                           atributos + " texto=\"" + c.texto + "\"/></banda>"),
                         pdf);
    EXPECT_THAT(Texto(pdf), HasSubstr(c.extraido));
    const ProcessResult fontes = RunProcess({"/usr/bin/pdffonts", pdf});
    ASSERT_EQ(fontes.exitCode, 0) << fontes.err;
    EXPECT_THAT(fontes.out, HasSubstr("CID TrueType"));
    // Every font line says emb yes, sub yes, uni yes.
    std::size_t linhas = 0;
    for (std::size_t p = fontes.out.find("Identity-H"); p != std::string::npos;
         p = fontes.out.find("Identity-H", p + 1), ++linhas)
      EXPECT_EQ(fontes.out.substr(p + 17, 11), "yes yes yes") << fontes.out;
    EXPECT_GE(linhas, 1u);
  }
}

// Dark pixels of the PDF rendered at 254 dpi (ten pixels a millimetre) inside [x0, x1) x [y0, y1).
int Tinta(const TempDir& dir, const std::string& pdf, int x0, int y0, int x1, int y1) {
  const ProcessResult r =
      RunProcess({"/usr/bin/pdftoppm", "-r", "254", "-gray", "-singlefile", pdf, dir.Path() + "r"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string pgm = ReadFileOrEmpty(dir.Path() + "r.pgm");
  int largura = 0, altura = 0, maximo = 0, lidos = 0;
  if (std::sscanf(pgm.c_str(), "P5 %d %d %d%n", &largura, &altura, &maximo, &lidos) != 3)
    return -1;
  const std::size_t inicio = static_cast<std::size_t>(lidos) + 1;
  int tinta = 0;
  for (int y = y0; y < y1 && y < altura; ++y)
    for (int x = x0; x < x1 && x < largura; ++x)
      tinta += static_cast<unsigned char>(pgm[inicio + static_cast<std::size_t>(y) * largura + x]) < 128;
  return tinta;
}

// The subset of a font is kept from one document to the next; a document with a letter outside it
// must get a subset that holds the letter's outline (the ids of the glyphs are kept, so a glyph left
// out would draw nothing at all rather than fail).
TEST(ReportPdf, ALetterOutsideTheKeptSubsetIsDrawn) {
  TempDir dir;
  const std::string pdf = dir.Path() + "r.pdf";
  const auto desenhar = [&](const std::string& texto) {
    ExportarRelatorioPdf(Trabalho(dir, "<banda tipo=\"cabecalho\" altura=\"40\"><texto x=\"5\" y=\"5\" "
                                       "l=\"130\" a=\"25\" tamanho=\"40\" negrito=\"sim\" texto=\"" +
                                           texto + "\"/></banda>"),
                         pdf);
    // The box is x 10..140 mm, y 10..35 mm on the page.
    return Tinta(dir, pdf, 100, 100, 1400, 350);
  };
  const int latinas = desenhar("OOO");
  const int gregas = desenhar("ΨΨΨ");
  const int outraVez = desenhar("OOO");
  EXPECT_GT(latinas, 2000);
  EXPECT_GT(gregas, 2000);
  EXPECT_EQ(outraVez, latinas);
}

} // namespace
} // namespace vxn
