// nfe danfe dados: the example sale issued on the embedded default and its distribution XML printed as
// the DANFE print tables in JSON, read back strictly by python3's JSON reader; a document the authority did
// not authorise and a text that is not XML are refused with their exit codes and messages.
#include "NfeEmitirFixture.h"
#include "danfe/vxnNFeDanfeDados.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/XmlTag.h"
#include "vxnText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

// The tables of the tool's JSON as Debian's python3 reads them, strictly (nothing after the value, no
// control character in a string) and requiring what the tool writes: an object of tables, each an array of
// objects of strings. Per table its row count, per row its field names and each field's text.
struct Tabelas {
  std::vector<std::string> nomes;
  std::map<std::string, std::size_t> linhas;
  std::map<std::string, std::string> campos; // "table#row" -> "a,b,c"
  std::map<std::string, std::string> textos; // "table#row#field" -> text
  std::string Texto(const std::string& tabela, int linha, const std::string& campo) const {
    return textos.at(tabela + "#" + std::to_string(linha) + "#" + campo);
  }
};

Tabelas LerJson(const std::string& json) {
  static const char* const kScript = R"py(
import json, sys
sys.stdout.reconfigure(encoding="utf-8")
tabelas = json.loads(sys.stdin.buffer.read().decode("utf-8"), object_pairs_hook=lambda pares: pares)
assert isinstance(tabelas, list) and all(isinstance(t, tuple) for t in tabelas)
for nome, linhas in tabelas:
    assert isinstance(linhas, list), nome
    print("T", nome, len(linhas), sep="\t")
    for i, linha in enumerate(linhas):
        assert isinstance(linha, list) and all(isinstance(v, str) for _, v in linha), nome
        print("C", nome, i, ",".join(c for c, _ in linha), sep="\t")
        for c, v in linha:
            for de, para in (("\\", "\\\\"), ("\n", "\\n"), ("\r", "\\r"), ("\t", "\\t")):
                v = v.replace(de, para)
            print("V", nome, i, c, v, sep="\t")
)py";
  ProcessOptions o;
  o.stdinPipe = true;
  const ProcessResult r = RunProcess({"/usr/bin/python3", "-c", kScript}, o, json);
  if (r.exitCode != 0)
    throw std::runtime_error("not the JSON the tool writes: " + r.err);
  Tabelas t;
  for (const std::string& linha : Lines(r.out)) {
    const std::vector<std::string> p = Split(linha, '\t');
    if (p.at(0) == "T") {
      t.nomes.push_back(p.at(1));
      t.linhas[p[1]] = std::stoul(p.at(2));
    } else if (p[0] == "C") {
      t.campos[p.at(1) + "#" + p.at(2)] = p.at(3);
    } else {
      t.textos[p.at(1) + "#" + p.at(2) + "#" + p.at(3)] = p.at(4);
    }
  }
  return t;
}

std::string Substituir(std::string s, const std::string& de, const std::string& para) {
  const auto p = s.find(de);
  return p == std::string::npos ? s : s.replace(p, de.size(), para);
}

TEST(NfeToolDanfe, DistributionXmlOfTheExampleSalePrintsItsTablesAsJson) {
  TempDir home;
  const NfeRunOptions emCasa = InHome(home);
  const NfeRunResult emitir = RunNfe({"emitir", kComandos}, emCasa);
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const Bloco nota = Blocos(emitir.out).at(0);
  const std::string distribuicao = ReadFileOrEmpty(nota.distribuicao);

  const NfeRunResult r = RunNfe({"danfe", "dados", nota.distribuicao}, emCasa);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  Tabelas json;
  ASSERT_NO_THROW(json = LerJson(r.out)) << r.out;

  // One member per table in the tables' order; each row an object of every field of its table.
  const auto modelo = CriarNFeDanfeDados(vm60);
  ASSERT_EQ(json.nomes.size(), modelo->GetTabelas().size());
  for (std::size_t t = 0; t < json.nomes.size(); ++t) {
    const TvxnDataSet& tabela = *modelo->GetTabelas()[t].dados;
    const std::string& nome = json.nomes[t];
    EXPECT_EQ(nome, tabela.Name());
    std::string campos;
    for (const auto& f : tabela.Fields())
      campos += (campos.empty() ? "" : ",") + f->FieldName();
    for (std::size_t l = 0; l < json.linhas[nome]; ++l)
      EXPECT_EQ(json.campos[nome + "#" + std::to_string(l)], campos) << nome;
  }

  // The example sale: three items, one volume, two instalments. What the print data holds is the
  // component's (tests/danfe, tests/events/DanfeDadosTest): here that every row and its texts are printed,
  // and the total of the note, which of the documents tested only this sale's differs from the others.
  ASSERT_EQ(json.linhas["Dados"], 1u);
  auto dados = [&](const std::string& campo) { return json.Texto("Dados", 0, campo); };
  EXPECT_EQ(dados("CodBarra"), nota.chave);
  EXPECT_EQ(dados("nProt"), nota.protocolo);
  EXPECT_EQ(dados("dhRecbto"), Tag(distribuicao, "dhRecbto"));
  EXPECT_EQ(dados("ValorTotNota"), "6.827,45");
  ASSERT_EQ(json.linhas["DadosItens"], 3u);
  EXPECT_EQ(json.Texto("DadosItens", 0, "ItemDescricao"), Tag(distribuicao, "xProd"));
  // Issued without accents (the component's default); the other non-ASCII characters stay as they are.
  EXPECT_EQ(json.Texto("DadosItens", 2, "ItemDescricao"), "Cabo flexivel 4 mm² 750 V rolo 100 m");
  ASSERT_EQ(json.linhas["DadosCobranca"], 2u);
  EXPECT_EQ(json.Texto("DadosCobranca", 1, "NumDuplicata"), "002");
  EXPECT_EQ(json.Texto("DadosCobranca", 1, "ValorDuplicata"), "3.413,72");
  EXPECT_EQ(json.linhas["vol"], 1u);

  // Not authorised: exit 1 and the refusal; --previa prints it marked as a preview.
  const std::string recusada = home.Path() + "recusada.xml";
  WriteFileAtomic(recusada, Substituir(distribuicao, "<cStat>100</cStat>", "<cStat>110</cStat>"));
  const NfeRunResult naoAutorizada = RunNfe({"danfe", "dados", recusada}, emCasa);
  EXPECT_EQ(naoAutorizada.exitCode, 1) << naoAutorizada.err;
  EXPECT_EQ(naoAutorizada.out, "");
  EXPECT_THAT(naoAutorizada.err, HasSubstr("Danfe não autorizada para Impressão."));
  const NfeRunResult previa = RunNfe({"danfe", "dados", recusada, "--previa"}, emCasa);
  ASSERT_EQ(previa.exitCode, 0) << previa.err;
  EXPECT_EQ(LerJson(previa.out).Texto("Dados", 0, "FraseHomologacao"), "PREVISÃO DE DANFE. SEM VALOR FISCAL");

  // Not XML: exit 5 and the message.
  const std::string texto = home.Path() + "texto.xml";
  WriteFileAtomic(texto, "<nfeProc><NFe>");
  const NfeRunResult invalido = RunNfe({"danfe", "dados", texto}, emCasa);
  EXPECT_EQ(invalido.exitCode, 5);
  EXPECT_EQ(invalido.out, "");
  EXPECT_THAT(invalido.err, HasSubstr("XML para exportação do Danfe inválido."));
}

} // namespace
} // namespace vxn
