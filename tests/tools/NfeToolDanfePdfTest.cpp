// nfe danfe FILE... -o OUT.pdf: the example sale issued on the embedded default, printed to PDF and read
// back with poppler's tools (pdfinfo, pdftotext, pdffonts, pdftoppm) and zbar's zbarimg, as a person who
// receives the file would; then cancelled, the CC-e and a 60-item preview; refusals leave no file.
#include "NfeEmitirFixture.h"
#include "support/Process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;
using ::testing::Not;

std::string Rodar(const std::vector<std::string>& argv) {
  const ProcessResult r = RunProcess(argv);
  EXPECT_EQ(r.exitCode, 0) << argv[0] << ": " << r.err;
  return r.out;
}

// The text of each page, in layout mode, with runs of blanks made one.
std::vector<std::string> Paginas(const std::string& pdf) {
  const std::string texto = Rodar({"/usr/bin/pdftotext", "-layout", pdf, "-"});
  std::vector<std::string> paginas;
  std::size_t inicio = 0;
  for (std::size_t p; (p = texto.find('\f', inicio)) != std::string::npos; inicio = p + 1)
    paginas.push_back(std::regex_replace(texto.substr(inicio, p - inicio), std::regex("[ ]+"), " "));
  return paginas;
}

std::string Info(const std::string& pdf, const std::string& campo) {
  const std::string info = Rodar({"/usr/bin/pdfinfo", pdf});
  std::smatch m;
  std::regex_search(info, m, std::regex(campo + ":\\s+([^\\n]+)"));
  return m.size() > 1 ? m[1].str() : "";
}

std::string Grupos(const std::string& chave) {
  std::string s;
  for (std::size_t i = 0; i < chave.size(); i += 4)
    s += (i ? " " : "") + chave.substr(i, 4);
  return s;
}

// Every <tag> value of the XML, in order.
std::vector<std::string> Valores(const std::string& xml, const std::string& tag) {
  std::vector<std::string> v;
  const std::regex re("<" + tag + ">([^<]*)</" + tag + ">");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), re); it != std::sregex_iterator(); ++it)
    v.push_back((*it)[1].str());
  return v;
}

// "1234.50" as the DANFE prints it: 1.234,50.
std::string Brasileiro(const std::string& v) {
  const auto ponto = v.find('.');
  std::string inteiro = v.substr(0, ponto), out;
  for (std::size_t i = 0; i < inteiro.size(); ++i) {
    if (i && (inteiro.size() - i) % 3 == 0)
      out += '.';
    out += inteiro[i];
  }
  return ponto == std::string::npos ? out : out + "," + v.substr(ponto + 1);
}

class NfeToolDanfePdf : public ::testing::Test {
protected:
  NfeRunResult Nfe(const std::vector<std::string>& args) { return RunNfe(args, InHome(home_)); }
  std::string Arquivo(const std::string& nome) const { return home_.Path() + nome; }
  TempDir home_;
};

TEST_F(NfeToolDanfePdf, TheExampleSaleBecomesAOnePageA4PdfWithItsDataEmbeddedFontsAndADecodableBarcode) {
  const NfeRunResult emitir = Nfe({"emitir", kComandos});
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const Bloco nota = Blocos(emitir.out).at(0);
  const std::string xml = ReadFileOrEmpty(nota.distribuicao);
  const std::string pdf = Arquivo("venda.pdf");

  const NfeRunResult r = Nfe({"danfe", nota.distribuicao, "-o", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Info(pdf, "Pages"), "1");
  EXPECT_THAT(Info(pdf, "Page size"), HasSubstr("595.276 x 841.89 pts (A4)"));

  const std::vector<std::string> paginas = Paginas(pdf);
  ASSERT_EQ(paginas.size(), 1u);
  const std::string& texto = paginas[0];
  EXPECT_THAT(texto, HasSubstr("DANFE"));
  EXPECT_THAT(texto, HasSubstr(Grupos(nota.chave)));
  EXPECT_THAT(texto, HasSubstr(nota.protocolo));
  EXPECT_THAT(texto, HasSubstr("FOLHA 1/1"));
  for (const char* tag : {"xNome"}) // issuer, recipient, carrier
    for (const std::string& nome : Valores(xml, tag))
      EXPECT_THAT(texto, HasSubstr(nome)) << tag;
  const auto itens = Valores(xml, "xProd");
  ASSERT_FALSE(itens.empty());
  for (const std::string& item : itens)
    EXPECT_THAT(texto, HasSubstr(item));
  for (const char* total : {"vProd", "vNF", "vBC", "vICMS"})
    EXPECT_THAT(texto, HasSubstr(Brasileiro(Valores(xml, total).back()))) << total;
  // Homologation: the phrase over the page.
  EXPECT_THAT(texto, HasSubstr("SEM VALOR FISCAL"));

  // Every font embedded: pdffonts' "emb" column says yes on every row below its two header lines.
  const std::string fontes = Rodar({"/usr/bin/pdffonts", pdf});
  std::istringstream linhas(fontes);
  std::string linha;
  int n = 0;
  for (int i = 0; std::getline(linhas, linha); ++i)
    if (i >= 2) {
      ++n;
      EXPECT_THAT(linha, ::testing::MatchesRegex(".* yes +(yes|no) +(yes|no) .*")) << linha;
    }
  EXPECT_GE(n, 1) << fontes;

  // The Code-128 barcode, as a reader at 300 dpi sees it, is the access key.
  const std::string imagem = Arquivo("pagina");
  Rodar({"/usr/bin/pdftoppm", "-r", "300", "-png", "-singlefile", pdf, imagem});
  EXPECT_EQ(Rodar({"/usr/bin/zbarimg", "--quiet", "--raw", "-Sdisable", "-Scode128.enable", imagem + ".png"}),
            nota.chave + "\n");

  // The same pages as PNG files named after the key.
  const NfeRunResult png = Nfe({"danfe", nota.distribuicao, "--png", Arquivo("png")});
  ASSERT_EQ(png.exitCode, 0) << png.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(Arquivo("png/" + nota.chave + "-1.png")));
  EXPECT_FALSE(std::filesystem::exists(Arquivo("png/" + nota.chave + "-2.png")));

  // The correction letter registered by the authority prints the CC-e form (its texts are the
  // component's: tests/danfe).
  const NfeRunResult cce = Nfe({"evento", "cce", nota.chave, "--correcao", "Endereco de entrega: Rua B, 10"});
  ASSERT_EQ(cce.exitCode, 0) << cce.err << cce.out;
  const Bloco carta = Blocos(cce.out).at(0);
  const std::string cartaPdf = Arquivo("cce.pdf");
  const NfeRunResult cceDanfe = Nfe({"danfe", carta.distribuicao, "-o", cartaPdf});
  ASSERT_EQ(cceDanfe.exitCode, 0) << cceDanfe.err;
  const std::string textoCarta = Paginas(cartaPdf).at(0);
  EXPECT_THAT(textoCarta, HasSubstr("CARTA DE CORREÇÃO ELETRÔNICA"));

  // Cancelled: the document with its cancellation event prints the banner; the event alone prints the
  // cancellation form.
  const NfeRunResult cancelar = Nfe({"evento", "cancelar", nota.chave, "--protocolo", nota.protocolo,
                                     "--justificativa", "Pedido cancelado pelo cliente"});
  ASSERT_EQ(cancelar.exitCode, 0) << cancelar.err << cancelar.out;
  const std::string evento = Blocos(cancelar.out).at(0).distribuicao;
  const std::string cancelada = Arquivo("cancelada.pdf");
  ASSERT_EQ(Nfe({"danfe", nota.distribuicao, evento, "-o", cancelada}).exitCode, 0);
  EXPECT_THAT(Paginas(cancelada).at(0), HasSubstr("CANCELADA"));
  EXPECT_THAT(texto, Not(HasSubstr("CANCELADA")));
  const std::string formulario = Arquivo("cancelamento.pdf");
  ASSERT_EQ(Nfe({"danfe", evento, "-o", formulario}).exitCode, 0);
  const std::string canc = Paginas(formulario).at(0);
  EXPECT_THAT(canc, HasSubstr("CANCELAMENTO DE NF-e"));
  EXPECT_THAT(canc, HasSubstr(Grupos(nota.chave)));
  EXPECT_THAT(canc, HasSubstr("Pedido cancelado pelo cliente"));
}

// A document of 60 items: the rows flow onto a second page, and the header (DANFE, the key, the page
// number) is on every page; no item is lost or printed twice at the page break.
TEST_F(NfeToolDanfePdf, SixtyItemsFlowOntoFollowingPagesWithTheHeaderOnEach) {
  std::string xml = ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
  const auto inicio = xml.find("<det ");
  const auto fim = xml.rfind("</det>") + 6;
  ASSERT_NE(inicio, std::string::npos);
  const std::string det = xml.substr(inicio, xml.find("</det>") + 6 - inicio);
  std::string dets;
  for (int i = 1; i <= 60; ++i) {
    std::string d =
        std::regex_replace(det, std::regex("nItem=\"[0-9]+\""), "nItem=\"" + std::to_string(i) + "\"");
    d = std::regex_replace(d, std::regex("<xProd>[^<]*</xProd>"),
                           "<xProd>PRODUTO NUMERO " + std::to_string(i) + " FIM</xProd>");
    dets += d;
  }
  xml.replace(inicio, fim - inicio, dets);
  const std::string entrada = Arquivo("sessenta.xml");
  WriteFileAtomic(entrada, xml);
  const std::string pdf = Arquivo("sessenta.pdf");

  const NfeRunResult r = Nfe({"danfe", "--previa", entrada, "-o", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> paginas = Paginas(pdf);
  ASSERT_GE(paginas.size(), 2u);
  EXPECT_EQ(Info(pdf, "Pages"), std::to_string(paginas.size()));
  const std::string chave =
      Valores(xml, "chNFe").empty()
          ? std::regex_replace(xml.substr(xml.find("Id=\"NFe") + 7, 44), std::regex("\\D"), "")
          : Valores(xml, "chNFe")[0];
  std::string todas;
  for (std::size_t p = 0; p < paginas.size(); ++p) {
    EXPECT_THAT(paginas[p], HasSubstr("DANFE")) << p;
    EXPECT_THAT(paginas[p], HasSubstr(Grupos(chave))) << p;
    EXPECT_THAT(paginas[p],
                HasSubstr("FOLHA " + std::to_string(p + 1) + "/" + std::to_string(paginas.size())));
    EXPECT_THAT(paginas[p], HasSubstr("PREVISÃO DE DANFE. SEM VALOR FISCAL")) << p;
    todas += paginas[p];
  }
  for (int i = 1; i <= 60; ++i) {
    const std::string item = "PRODUTO NUMERO " + std::to_string(i) + " FIM";
    const auto primeira = todas.find(item);
    EXPECT_NE(primeira, std::string::npos) << item;
    EXPECT_EQ(todas.find(item, primeira + 1), std::string::npos) << item;
  }
  // The recipient block is on the first page only.
  EXPECT_THAT(paginas[0], HasSubstr("DESTINATÁRIO / REMETENTE"));
  EXPECT_THAT(paginas[1], Not(HasSubstr("DESTINATÁRIO / REMETENTE")));
}

// A document issued in EPEC contingency (not authorised yet) prints with the EPEC's protocol and time;
// the two options go together.
TEST_F(NfeToolDanfePdf, EpecOptionsPrintTheEpecProtocol) {
  std::string xml = ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
  xml.replace(xml.find("<tpEmis>1</tpEmis>"), 18, "<tpEmis>4</tpEmis>");
  const std::string doc = Arquivo("epec.xml");
  WriteFileAtomic(doc, xml);
  const std::string pdf = Arquivo("epec.pdf");
  const NfeRunResult r = Nfe({"danfe", doc, "--epec-protocolo", "135260000000999", "--epec-datahora",
                              "2026-12-06T09:00:00-03:00", "-o", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_THAT(Paginas(pdf).at(0), HasSubstr("135260000000999 2026-12-06T09:00:00-03:00"));
  const NfeRunResult so = Nfe({"danfe", doc, "--epec-protocolo", "135260000000999", "-o", Arquivo("x.pdf")});
  EXPECT_EQ(so.exitCode, 2);
  EXPECT_THAT(so.err, HasSubstr("--epec-protocolo and --epec-datahora go together"));
  EXPECT_FALSE(std::filesystem::exists(Arquivo("x.pdf")));
}

// Refusals: the message on standard error, exit 1, and the output file neither written nor damaged.
TEST_F(NfeToolDanfePdf, RefusalsLeaveTheOutputAsItWas) {
  const std::string assinado = std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml";
  const std::string saida = Arquivo("saida.pdf");
  WriteFileAtomic(saida, "conteúdo anterior");
  struct Caso {
    std::vector<std::string> args;
    std::string mensagem;
  };
  const Caso casos[] = {
      {{"danfe", "--previa", assinado, "--modelo", Arquivo("nao-existe.rtm"), "-o", saida},
       "Arquivo RTM \"" + Arquivo("nao-existe.rtm") + "\" não encontrado."},
      {{"danfe", assinado, "-o", saida}, "O Xml não é válido para impressão em modo Normal / SCAN"},
  };
  for (const Caso& c : casos) {
    const NfeRunResult r = Nfe(c.args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.mensagem));
    EXPECT_EQ(ReadFileOrEmpty(saida), "conteúdo anterior");
  }
  std::size_t arquivos = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(home_.Path()))
    arquivos += e.is_regular_file();
  EXPECT_EQ(arquivos, 1u) << "a temporary file was left behind";
  EXPECT_EQ(Nfe({"danfe", assinado}).exitCode, 2);
}

} // namespace
} // namespace vxn
