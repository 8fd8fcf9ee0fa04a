// The report engine below the DANFE: the checks of a model file (a misspelt attribute must not be
// ignored), the text form of the print tables (a value with a TAB or a line break must come back whole),
// the flow of rows and of the continuation text across pages (nothing lost or doubled), and a failure in
// the middle of drawing leaving the previous file untouched.
#include "vxnReportEngine.h"
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

std::string Modelo(const std::string& bandas) {
  return "<relatorio largura=\"100\" altura=\"80\" margem=\"5\">" + bandas + "</relatorio>";
}

TvxnTrabalhoRelatorio Trabalho(const TempDir& dir, const std::string& modelo,
                               const TvxnDadosRelatorio& dados) {
  const std::string arquivo = dir.Path() + "modelo.rtm";
  WriteFileAtomic(arquivo, modelo);
  return {arquivo, EscreverDadosRelatorio(dados), "", "Teste", dir.Path()};
}

TvxnDadosRelatorio Dados(int itens, const std::string& longo = {}) {
  TvxnDadosRelatorio d;
  d.tabelas.push_back({"Dados", "", "", "", {"nNF", "Longo"}, {{"7", longo}}});
  TvxnTabelaRelatorio t{"Itens", "Dados", "nNF", "nNF", {"nNF", "Desc"}, {}};
  for (int i = 1; i <= itens; ++i)
    t.linhas.push_back({"7", "LINHA-" + std::to_string(i) + "-FIM"});
  d.tabelas.push_back(std::move(t));
  return d;
}

std::vector<std::string> Paginas(const std::string& pdf) {
  const ProcessResult r = RunProcess({"/usr/bin/pdftotext", "-layout", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> paginas;
  std::size_t inicio = 0;
  for (std::size_t p; (p = r.out.find('\f', inicio)) != std::string::npos; inicio = p + 1)
    paginas.push_back(r.out.substr(inicio, p - inicio));
  return paginas;
}

TEST(ReportEngine, ModelRefusalsNameTheFileAndTheReason) {
  TempDir dir;
  const std::string arquivo = dir.Path() + "m.rtm";
  const std::pair<std::string, std::string> casos[] = {
      {"<relatorio><banda tipo=\"cabecalho\" altura=\"5\"><caixa x=\"0\" y=\"0\" l=\"5\" a=\"5\" "
       "cr=\"#000000\"/></banda></relatorio>",
       "atributo desconhecido \"cr\" em <caixa>"},
      {"<relatorio><banda tipo=\"cabecalho\" altura=\"5\"><quadro/></banda></relatorio>",
       "elemento desconhecido <quadro> numa banda"},
      {"<relatorio><banda tipo=\"cabecalho\" altura=\"5,5\"/></relatorio>",
       "número inválido em altura=\"5,5\" de <banda>"},
      {"<relatorio><banda tipo=\"topo\" altura=\"5\"/></relatorio>",
       "valor desconhecido tipo=\"topo\" em <banda>"},
      {"<relatorio><banda tipo=\"itens\"><coluna largura=\"5\"/></banda></relatorio>",
       "banda de itens sem tabela"},
      {"<relatorio><banda tipo=\"cabecalho\" altura=\"5\"><texto x=\"0\" y=\"0\" l=\"5\" a=\"5\" "
       "cor=\"red\"/></banda></relatorio>",
       "cor inválida cor=\"red\" (use #RRGGBB)"},
      {"<relatorio><banda tipo=\"cabecalho\" altura=\"5\"><texto x=\"0\" y=\"0\" l=\"0\" "
       "a=\"5\"/></banda></relatorio>",
       "<texto> sem largura (l) ou altura (a) positivas"},
      {"<modelo/>", "o elemento raiz deve ser <relatorio>"},
  };
  for (const auto& [texto, motivo] : casos) {
    WriteFileAtomic(arquivo, texto);
    EXPECT_EQ(
        RefusalOf([&] {
          ExportarRelatorioPdf({arquivo, EscreverDadosRelatorio(Dados(1)), "", "", ""}, dir.Path() + "x.pdf");
        }),
        (Refusal{"EvxnNFeReportException", "Modelo de relatório inválido: " + arquivo + ": " + motivo}))
        << texto;
  }
  EXPECT_EQ(
      RefusalOf([&] {
        ExportarRelatorioPdf({dir.Path() + "falta.rtm", "", "", "", ""}, dir.Path() + "x.pdf");
      }),
      (Refusal{"EvxnNFeReportException", "Arquivo RTM \"" + dir.Path() + "falta.rtm\" não encontrado."}));
  EXPECT_FALSE(FileExists(dir.Path() + "x.pdf"));
}

TEST(ReportEngine, TablesComeBackWholeThroughTheirTextForm) {
  TvxnDadosRelatorio d = Dados(2);
  d.tabelas[0].linhas[0][1] = "tab\there\r\nline\\n and \\ backslash";
  d.tabelas[1].linhas.push_back({"", ""});
  const TvxnDadosRelatorio lido = LerDadosRelatorio(EscreverDadosRelatorio(d));
  ASSERT_EQ(lido.tabelas.size(), 2u);
  for (std::size_t t = 0; t < 2; ++t) {
    EXPECT_EQ(lido.tabelas[t].nome, d.tabelas[t].nome);
    EXPECT_EQ(lido.tabelas[t].mestre, d.tabelas[t].mestre);
    EXPECT_EQ(lido.tabelas[t].campos, d.tabelas[t].campos);
    EXPECT_EQ(lido.tabelas[t].linhas, d.tabelas[t].linhas);
  }
  EXPECT_EQ(RefusalOf([] { LerDadosRelatorio("T\tDados\t\t\t\nC\ta\tb\nR\tsó um\n"); }).message,
            "Dados de impressão inválidos na linha 3: registro com número de valores diferente do de campos");
}

// Rows flow under a header repeated on every page; the long text after them continues on further pages.
TEST(ReportEngine, RowsAndTheContinuationTextFlowAcrossPagesWithNothingLostOrDoubled) {
  TempDir dir;
  std::string longo;
  for (int i = 1; i <= 40; ++i)
    longo += "PARAGRAFO-" + std::to_string(i) + "\n";
  const std::string modelo =
      Modelo("<banda tipo=\"cabecalho\" altura=\"8\"><texto x=\"0\" y=\"0\" l=\"90\" a=\"8\" "
             "texto=\"CABECALHO {#pagina} DE {#paginas}\"/></banda>"
             "<banda tipo=\"itens\" tabela=\"Itens\" altura-titulo=\"4\" altura-minima=\"4\">"
             "<coluna titulo=\"DESC\" largura=\"90\" texto=\"{Desc} P{#pagina}\"/></banda>"
             "<banda tipo=\"continuacao\" titulo=\"CONTINUA\" texto=\"{Longo}\" se=\"Longo\"/>");
  const std::string pdf = dir.Path() + "r.pdf";
  const int n = ExportarRelatorioPdf(Trabalho(dir, modelo, Dados(30, longo)), pdf);
  const std::vector<std::string> paginas = Paginas(pdf);
  ASSERT_EQ(static_cast<int>(paginas.size()), n);
  ASSERT_GE(n, 3);
  std::string todas;
  for (int p = 0; p < n; ++p) {
    EXPECT_THAT(paginas[p], HasSubstr("CABECALHO " + std::to_string(p + 1) + " DE " + std::to_string(n)));
    todas += paginas[p];
  }
  // A cell naming its page shows the page it is drawn on.
  EXPECT_THAT(paginas[0], HasSubstr("LINHA-1-FIM P1"));
  EXPECT_THAT(paginas[1], HasSubstr("-FIM P2"));
  EXPECT_THAT(paginas[1], ::testing::Not(HasSubstr("-FIM P1")));
  for (const std::string prefixo : {"LINHA-", "PARAGRAFO-"})
    for (int i = 1; i <= (prefixo == "LINHA-" ? 30 : 40); ++i) {
      const std::string v = prefixo + std::to_string(i) + (prefixo == "LINHA-" ? "-FIM" : "\n");
      const auto primeiro = todas.find(v);
      EXPECT_NE(primeiro, std::string::npos) << v;
      EXPECT_EQ(todas.find(v, primeiro + 1), std::string::npos) << v;
    }
}

// A text far taller than its box (one line of 40 pt in a box 8 mm tall) is clipped to the box: no dark
// pixel of the rendered page lies outside it. Texts that fit are drawn without a clip, so the test
// catches a text judged to fit when it does not.
TEST(ReportEngine, ATextTallerThanItsBoxIsClippedToTheBox) {
  TempDir dir;
  const std::string modelo =
      Modelo("<banda tipo=\"cabecalho\" altura=\"30\"><texto x=\"10\" y=\"12\" l=\"40\" a=\"8\" "
             "tamanho=\"40\" ajuste=\"cortar\" texto=\"MWgjM\"/></banda>");
  const std::string pdf = dir.Path() + "r.pdf";
  ExportarRelatorioPdf(Trabalho(dir, modelo, Dados(0)), pdf);
  const ProcessResult r =
      RunProcess({"/usr/bin/pdftoppm", "-r", "254", "-gray", "-singlefile", pdf, dir.Path() + "r"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // 254 dpi: ten pixels a millimetre. The box is x 15..55 mm, y 17..25 mm on the page.
  const std::string pgm = ReadFileOrEmpty(dir.Path() + "r.pgm");
  int largura = 0, altura = 0, maximo = 0, lidos = 0;
  ASSERT_EQ(std::sscanf(pgm.c_str(), "P5 %d %d %d%n", &largura, &altura, &maximo, &lidos), 3);
  const std::size_t inicio = static_cast<std::size_t>(lidos) + 1;
  ASSERT_EQ(pgm.size(), inicio + static_cast<std::size_t>(largura) * altura);
  int dentro = 0, fora = 0;
  for (int y = 0; y < altura; ++y)
    for (int x = 0; x < largura; ++x)
      if (static_cast<unsigned char>(pgm[inicio + static_cast<std::size_t>(y) * largura + x]) < 128)
        (x >= 149 && x <= 551 && y >= 169 && y <= 251 ? dentro : fora)++;
  EXPECT_GT(dentro, 200);
  EXPECT_EQ(fora, 0);
}

// Cells that repeat a text, in one column and across columns of other widths, each show it.
TEST(ReportEngine, RepeatedCellTextsAreDrawnInEveryRowAndColumn) {
  TempDir dir;
  TvxnDadosRelatorio d = Dados(12);
  for (auto& linha : d.tabelas[1].linhas)
    linha[1] = "REPETIDO";
  const std::string modelo = Modelo("<banda tipo=\"itens\" tabela=\"Itens\" altura-titulo=\"4\" "
                                    "altura-minima=\"4\"><coluna titulo=\"A\" largura=\"50\" "
                                    "texto=\"{Desc}\"/><coluna titulo=\"B\" largura=\"30\" "
                                    "texto=\"{Desc}\"/></banda>");
  const std::string pdf = dir.Path() + "r.pdf";
  ExportarRelatorioPdf(Trabalho(dir, modelo, d), pdf);
  std::string todas;
  for (const std::string& p : Paginas(pdf))
    todas += p;
  int n = 0;
  for (std::size_t p = todas.find("REPETIDO"); p != std::string::npos; p = todas.find("REPETIDO", p + 1))
    ++n;
  EXPECT_EQ(n, 24);
}

// The layouts of fixed texts (no field in them) are kept from one report to the next of the thread: a
// later report with the same text in a narrower box breaks it for that box, and its field texts show its
// own data, not the earlier report's.
TEST(ReportEngine, AFixedTextKeptFromAnEarlierReportFitsTheNewBoxAndFieldsShowTheNewData) {
  const auto modelo = [](int largura) {
    return Modelo("<banda tipo=\"cabecalho\" altura=\"40\"><texto x=\"0\" y=\"0\" l=\"" +
                  std::to_string(largura) +
                  "\" a=\"20\" texto=\"ALFA BRAVO CHARLIE\"/><caixa x=\"0\" y=\"22\" l=\"60\" a=\"8\" "
                  "titulo=\"VALOR {nNF}\" texto=\"{Longo}\"/></banda>");
  };
  TempDir largo, estreito;
  const std::string a = largo.Path() + "a.pdf", b = estreito.Path() + "b.pdf";
  TvxnDadosRelatorio primeiro = Dados(0, "PRIMEIRO"), segundo = Dados(0, "SEGUNDO");
  segundo.tabelas[0].linhas[0][0] = "8";
  ExportarRelatorioPdf(Trabalho(largo, modelo(80), primeiro), a);
  ExportarRelatorioPdf(Trabalho(estreito, modelo(14), segundo), b);
  const std::vector<std::string> pa = Paginas(a), pb = Paginas(b);
  ASSERT_EQ(pa.size(), 1u);
  ASSERT_EQ(pb.size(), 1u);
  EXPECT_THAT(pa[0], HasSubstr("ALFA BRAVO CHARLIE"));
  EXPECT_THAT(pa[0], HasSubstr("VALOR 7"));
  EXPECT_THAT(pa[0], HasSubstr("PRIMEIRO"));
  EXPECT_THAT(pb[0], HasSubstr("CHARLIE"));
  EXPECT_THAT(pb[0], ::testing::Not(HasSubstr("ALFA BRAVO")));
  EXPECT_THAT(pb[0], HasSubstr("VALOR 8"));
  EXPECT_THAT(pb[0], HasSubstr("SEGUNDO"));
  EXPECT_THAT(pb[0], ::testing::Not(HasSubstr("PRIMEIRO")));
}

// Borders wait to be stroked after the texts clear of them, but a text that crosses a border drawn
// before it stays above it: a grey text laid over a box's lower border covers the border where its
// letters are.
TEST(ReportEngine, ATextOverAnEarlierBorderIsDrawnAboveIt) {
  TempDir dir;
  const std::string modelo =
      Modelo("<banda tipo=\"cabecalho\" altura=\"60\"><caixa x=\"10\" y=\"10\" l=\"60\" a=\"20\"/>"
             "<texto x=\"10\" y=\"25\" l=\"60\" a=\"20\" tamanho=\"40\" negrito=\"sim\" cor=\"#C0C0C0\" "
             "ajuste=\"cortar\" texto=\"MMMM\"/></banda>");
  const std::string pdf = dir.Path() + "r.pdf";
  ExportarRelatorioPdf(Trabalho(dir, modelo, Dados(0)), pdf);
  const ProcessResult r =
      RunProcess({"/usr/bin/pdftoppm", "-r", "254", "-gray", "-singlefile", pdf, dir.Path() + "r"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string pgm = ReadFileOrEmpty(dir.Path() + "r.pgm");
  int largura = 0, altura = 0, maximo = 0, lidos = 0;
  ASSERT_EQ(std::sscanf(pgm.c_str(), "P5 %d %d %d%n", &largura, &altura, &maximo, &lidos), 3);
  const std::size_t inicio = static_cast<std::size_t>(lidos) + 1;
  ASSERT_EQ(pgm.size(), inicio + static_cast<std::size_t>(largura) * altura);
  const auto px = [&](int x, int y) {
    return static_cast<unsigned char>(pgm[inicio + static_cast<std::size_t>(y) * largura + x]);
  };
  // 254 dpi: ten pixels a millimetre. The lower border runs at y = 35 mm from x = 15 to 75 mm; the
  // row darkest along it is the border's middle.
  int linha = 0, maisEscuros = -1;
  for (int y = 340; y <= 360; ++y) {
    int escuros = 0;
    for (int x = 150; x <= 750; ++x)
      escuros += px(x, y) < 96;
    if (escuros > maisEscuros) {
      maisEscuros = escuros;
      linha = y;
    }
  }
  int cinzas = 0;
  for (int x = 150; x <= 750; ++x)
    cinzas += px(x, linha) >= 160 && px(x, linha) <= 220;
  EXPECT_GT(maisEscuros, 100);
  EXPECT_GT(cinzas, 40);
}

// A barcode that cannot be drawn (Code-128 has no such characters) stops the report after pages were
// begun: the file that was there stays as it was and nothing else is left in the folder.
TEST(ReportEngine, AFailureWhileDrawingLeavesThePreviousFileUntouched) {
  TempDir dir;
  const std::string pdf = dir.Path() + "r.pdf";
  WriteFileAtomic(pdf, "anterior");
  TvxnDadosRelatorio d = Dados(1, "日本語");
  const std::string modelo =
      Modelo("<banda tipo=\"cabecalho\" altura=\"20\"><codigobarras x=\"0\" y=\"0\" l=\"80\" a=\"15\" "
             "texto=\"{Longo}\"/></banda>");
  const Refusal r = RefusalOf([&] { ExportarRelatorioPdf(Trabalho(dir, modelo, d), pdf); });
  EXPECT_EQ(r.className, "EvxnNFeReportException");
  EXPECT_THAT(r.message, HasSubstr("Falha ao gerar o código de barras de \"日本語\""));
  EXPECT_EQ(ReadFileOrEmpty(pdf), "anterior");
  std::set<std::string> nomes;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    nomes.insert(e.path().filename().string());
  EXPECT_EQ(nomes, (std::set<std::string>{"modelo.rtm", "r.pdf", "nfe_exception.log"}));
}

} // namespace
} // namespace vxn
