// A document that opens every list and uses every enumeration of the typed document model, written
// through its objects from the command text of tests/data/nfe-tipado-listas-comandos.txt: each field
// line goes to the property that the class tables declare for that field, converted to the property's
// kind, and each group the text opens is opened by the list that declares it. Its XML must be byte for
// byte the component's conversion of the same text (a property with the wrong field, kind or group
// writes another text), valid against the official schema once signed, and the same again when the
// whole tree is copied into another NotaFiscal by Assign.
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/SignedNFeDocument.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"

#include "datasets/vxnNFeDataSetsTipado.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace vxn {
namespace {

using namespace std::chrono;

const char* const kFuso = "-02:00";
const std::string kComandos = std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-tipado-listas-comandos.txt";

// The value of a property of kind K from the text of its field.
template <class K> struct Leitura;
template <> struct Leitura<tipado::Texto> {
  static std::string_view De(std::string_view t) { return t; }
};
template <> struct Leitura<tipado::Inteiro> {
  static std::int64_t De(std::string_view t) { return std::stoll(std::string(t)); }
};
template <int Minimo, int Maximo> struct Leitura<tipado::Decimal<Minimo, Maximo>> {
  static double De(std::string_view t) { return std::stod(std::string(t)); }
};
template <> struct Leitura<tipado::Data> {
  static year_month_day De(std::string_view t) {
    const auto n = [&](std::size_t p, std::size_t c) { return std::stoi(std::string(t.substr(p, c))); };
    return year{n(0, 4)} / month(unsigned(n(5, 2))) / day(unsigned(n(8, 2)));
  }
};
template <> struct Leitura<tipado::DataHora> {
  static local_seconds De(std::string_view t) {
    EXPECT_EQ(t.substr(19), kFuso) << t;
    const auto n = [&](std::size_t p) { return std::stoi(std::string(t.substr(p, 2))); };
    return local_days{Leitura<tipado::Data>::De(t)} + hours{n(11)} + minutes{n(14)} + seconds{n(17)};
  }
};
template <class E>
requires std::is_enum_v<E>
struct Leitura<E> {
  static E De(std::string_view t) {
    const auto& codigos = TvxnCodigosEnum<E>::kCodigos;
    const auto* c = std::find(std::begin(codigos), std::end(codigos), t);
    EXPECT_NE(c, std::end(codigos)) << TvxnCodigosEnum<E>::kNome << " has no code " << t;
    return c == std::end(codigos) ? E{} : TvxnCodigosEnum<E>::kValores[c - std::begin(codigos)];
  }
};

// The groups a list opens for a new item, and the group an object opens on its first write, from the
// class tables.
#define VXN_TESTE_ABERTURA_OBJETO(Classe, parte, ...)                                                        \
  [[maybe_unused]] const char* Parte(const Classe*) {                                                        \
    return parte;                                                                                            \
  }
#define VXN_TESTE_ABERTURA_LISTA(Lista, Item, Tabela, abertura)                                              \
  TvxnAberturaGrupo Abertura(const Lista*) {                                                                 \
    return abertura;                                                                                         \
  }
VXN_CLASSES_TIPADAS(VXN_TESTE_ABERTURA_OBJETO, VXN_TESTE_ABERTURA_LISTA)

// Writes command text into a TNFe through its typed objects. Each field is written by the property of
// the object of its class opened last, each INCLUIRPARTE and INCLUIRITEM opens an item of the list that
// declares that group.
class EscritorTipado {
public:
  explicit EscritorTipado(TNFe& nfe) { Registrar(nfe); }

  void Linha(const std::string& linha) {
    const std::size_t igual = linha.find('=');
    const std::string chave = linha.substr(0, igual);
    if (chave == "INCLUIRPARTE" || chave == "INCLUIRITEM" || chave == "INCLUIRCOBRANCA") {
      const std::string grupo = chave == "INCLUIRITEM"       ? ""
                                : chave == "INCLUIRCOBRANCA" ? "DUP"
                                                             : linha.substr(igual + 1);
      const auto lista = aberturas_.find(grupo);
      if (lista == aberturas_.end())
        ADD_FAILURE() << "no list opens the group of " << linha;
      else
        lista->second();
    } else if (igual != std::string::npos) {
      const auto campo = campos_.find(chave);
      if (campo == campos_.end())
        ADD_FAILURE() << "no property writes " << chave;
      else
        campo->second(std::string_view(linha).substr(igual + 1));
    } else if (linha != "INCLUIR" && !linha.starts_with("SALVAR")) {
      ADD_FAILURE() << "unknown line: " << linha;
    }
  }

private:
#define VXN_TESTE_P(Tipo, Nome, Campo)                                                                       \
  campos_[#Campo] = [&o](std::string_view t) { o.Set##Nome(Leitura<tipado::Tipo>::De(t)); };
#define VXN_TESTE_C(Nome, CampoCNPJ, CampoCPF)                                                               \
  campos_[#CampoCNPJ] = campos_[#CampoCPF] = [&o](std::string_view t) { o.Set##Nome(t); };
#define VXN_TESTE_O(Classe, Nome) Registrar(o.Get##Nome());
#define VXN_TESTE_L(Classe, Nome) RegistrarLista(o.Get##Nome());
#define VXN_TESTE_OBJETO(Classe, parte, ...)                                                                 \
  void Registrar(Classe& o) {                                                                                \
    if (const char* grupo = Parte(&o))                                                                       \
      aberturas_[grupo] = [] {};                                                                             \
    VXN_TIPADO_##Classe(VXN_TESTE_P, VXN_TESTE_C, VXN_TESTE_O, VXN_TESTE_L)                                  \
  }
#define VXN_TESTE_LISTA(Lista, Item, Tabela, abertura)                                                       \
  void Registrar([[maybe_unused]] Lista& o) {                                                                \
    Tabela(VXN_TESTE_P, VXN_TESTE_C, VXN_TESTE_O, VXN_TESTE_L)                                               \
  }
  VXN_CLASSES_TIPADAS(VXN_TESTE_OBJETO, VXN_TESTE_LISTA)

  // A list without a group of its own has its only item at once: its fields are the owner's record's.
  template <class Lista> void RegistrarLista(Lista& lista) {
    Registrar(lista);
    const TvxnAberturaGrupo abertura = Abertura(&lista);
    const auto novo = [this, &lista] { Registrar(lista.New()); };
    if (!abertura.item && abertura.partes[0].empty())
      return novo();
    aberturas_[std::string(abertura.partes[0])] = novo;
    if (!abertura.partes[1].empty()) // opened with the first
      aberturas_[std::string(abertura.partes[1])] = [] {};
  }

  std::map<std::string, std::function<void(std::string_view)>> campos_;
  std::map<std::string, std::function<void()>> aberturas_;
};

class TipadoDocumentoTest : public ::testing::Test {
protected:
  void SetUp() override {
    tipado_.SetVersaoEsquema(pl_009g);
    tipado_.SetXmlDicionario(test::ShippedDictionary());
    tipado_.SetFusoHorario(kFuso);
    tipado_.SetDiretorioLogErro(dir_.Path());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  NotaFiscal& Preenchida() {
    NotaFiscal& nota = tipado_.GetNotasFiscais().Add();
    EscritorTipado escritor(nota.GetNFe());
    for (const std::string& linha : test::Lines(ReadWholeFile(kComandos)))
      if (!linha.empty())
        escritor.Linha(linha);
    return nota;
  }

  test::TempDir dir_;
  TvxnNFeDataSetsTipado tipado_;
};

TEST_F(TipadoDocumentoTest, EveryListAndEnumerationGivesTheXmlOfTheCommandTextAndValidatesSigned) {
  const std::string xml = Preenchida().GerarXML();

  TvxnNFe nfe;
  nfe.SetDiretorioLogErro(dir_.Path());
  const std::string esperado = nfe.ConverterLoteParaXml(kComandos, lkTXTDataSet, pl_009g, false);
  ASSERT_FALSE(esperado.empty());
  EXPECT_EQ(xml, esperado);

  const test::DevPki& pki = test::SharedPki();
  const std::string infNFe = xml.substr(0, xml.find("\r\n"));
  EXPECT_EQ(test::XmlSchemaErrors(test::SignedInfNFe(infNFe, pki.ValidClientFile(), "1234"),
                                  test::FindSchema("nfe_v4.00.xsd")),
            "");
}

// Assign writes every value again through the setters, opening each list's groups as New does.
TEST_F(TipadoDocumentoTest, AssignCopiesTheWholeTreeIntoAnotherDocument) {
  NotaFiscal& origem = Preenchida();
  NotaFiscal& copia = tipado_.GetNotasFiscais().Add();
  copia.GetNFe().Assign(origem.GetNFe());
  EXPECT_EQ(copia.GerarXML(), origem.GerarXML());
  EXPECT_EQ(copia.GetNFe().GetDet().Count(), 6);
  EXPECT_EQ(copia.GetNFe().GetTransp().GetVol().Items(0).GetLacres().Items(1).GetnLacre(), "LAC-002");
}

} // namespace
} // namespace vxn
