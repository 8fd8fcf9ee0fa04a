#include "vxnNFeConvXmlToDataset.h"

#include "vxnNFeException.h"
#include "vxnText.h"

#include <cctype>
#include <vector>

namespace vxn {

// Where the fields of one part come from: groups by the layout id from which on their fields sit in
// them (paths of element names, "/"-separated, relative to the part's context; "" is the context itself).
struct TvxnFonteGrupo {
  std::string_view inicio;
  std::string_view caminho;
};

enum class TvxnRegistro {
  Unico,    // the record the document or the item already has
  Repetido, // one record per occurrence (IncluirPart, SalvarPart)
  Item,     // one item per occurrence (IncluirItem, SalvarItem)
};

struct TvxnLeituraParte {
  std::string_view parte;
  TvxnRegistro registro = TvxnRegistro::Unico;
  std::string_view repetido; // path of the repeated element, relative to the context
  std::vector<TvxnFonteGrupo> fontes;
  std::vector<TvxnLeituraParte> filhas; // read within each occurrence
};

namespace {

using R = TvxnRegistro;

// The 4.00 document, in the order of the layout. Repeated parts read their groups relative to each
// occurrence; the items' parts relative to their det.
const std::vector<TvxnLeituraParte>& LeituraDocumento() {
  static const std::vector<TvxnLeituraParte> kLeitura{
      {"A", R::Unico, "", {{"A01", ""}}, {}},
      {"B", R::Unico, "", {{"B01", "ide"}}, {}},
      {"NREF",
       R::Repetido,
       "ide/NFref",
       {{"BA02", ""}, {"BA03", "refNF"}, {"BA10", "refNFP"}, {"BA19", ""}, {"BA20", "refECF"}},
       {}},
      {"C", R::Unico, "", {{"C01", "emit"}}, {}},
      {"D", R::Unico, "", {{"D01", "avulsa"}}, {}},
      {"E", R::Unico, "", {{"E01", "dest"}}, {}},
      {"F", R::Unico, "", {{"F01", "retirada"}}, {}},
      {"G", R::Unico, "", {{"G01", "entrega"}}, {}},
      {"AUTXML", R::Repetido, "autXML", {{"GA01", ""}}, {}},
      {"",
       R::Item,
       "det",
       {},
       {
           {"H", R::Unico, "", {{"H01", ""}}, {}},
           {"I", R::Unico, "", {{"I01", "prod"}}, {}},
           {"GCRED", R::Repetido, "prod/gCred", {{"I05h", ""}}, {}},
           {"NVE", R::Repetido, "prod/NVE", {{"I05a", ""}}, {}},
           {"DI", R::Repetido, "prod/DI", {{"I18", ""}}, {{"ADI", R::Repetido, "adi", {{"I25", ""}}, {}}}},
           {"DETEXPORT",
            R::Repetido,
            "prod/detExport",
            {{"I50", ""}},
            {{"EXPORTIND", R::Repetido, "exportInd", {{"I52", ""}}, {}}}},
           {"I80", R::Repetido, "prod/rastro", {{"I80", ""}}, {}},
           {"J", R::Unico, "", {{"J01", "prod/veicProd"}}, {}},
           {"K", R::Repetido, "prod/med", {{"K01", ""}}, {}},
           {"L", R::Repetido, "prod/arma", {{"L01", ""}}, {}},
           {"L1", R::Unico, "", {{"LA01", "prod/comb"}}, {}},
           {"ORIGCOMB", R::Repetido, "prod/comb/origComb", {{"LA19", ""}}, {}},
           {"L2", R::Unico, "", {{"LB01", "prod"}}, {}},
           {"M", R::Unico, "", {{"M01", "imposto"}}, {}},
           {"N", R::Unico, "", {{"N01", "imposto/ICMS"}}, {}},
           {"NA", R::Unico, "", {{"NA01", "imposto/ICMSUFDest"}}, {}},
           {"O", R::Unico, "", {{"O01", "imposto/IPI"}}, {}},
           {"P", R::Unico, "", {{"P01", "imposto/II"}}, {}},
           {"Q", R::Unico, "", {{"Q01", "imposto/PIS"}}, {}},
           {"R", R::Unico, "", {{"R01", "imposto/PISST"}}, {}},
           {"S", R::Unico, "", {{"S01", "imposto/COFINS"}}, {}},
           {"T", R::Unico, "", {{"T01", "imposto/COFINSST"}}, {}},
           {"U", R::Unico, "", {{"U01", "imposto/ISSQN"}}, {}},
           {"UB", R::Unico, "", {{"UA01", "impostoDevol"}}, {}},
           {"V", R::Unico, "", {{"V01", ""}}, {}},
           // The item's observations: xCampo is the attribute of obsCont or obsFisco, xTexto their element.
           {"VA", R::Unico, "", {{"VA03", "obsItem/obsCont"}, {"VA06", "obsItem/obsFisco"}}, {}},
       }},
      {"W",
       R::Unico,
       "",
       {{"W01", "total/ICMSTot"}, {"W17", "total/ISSQNtot"}, {"W23", "total/retTrib"}},
       {}},
      {"X",
       R::Unico,
       "",
       {{"X01", "transp"},
        {"X03", "transp/transporta"},
        {"X11", "transp/retTransp"},
        {"X18", "transp/veicTransp"},
        {"X22", "transp"}},
       {}},
      {"REBOQUE", R::Repetido, "transp/reboque", {{"X22", ""}}, {}},
      {"VOL",
       R::Repetido,
       "transp/vol",
       {{"X26", ""}},
       {{"LACRE", R::Repetido, "lacres", {{"X33", ""}}, {}}}},
      {"Y", R::Unico, "", {{"Y01", "cobr/fat"}}, {}},
      {"DUP", R::Repetido, "cobr/dup", {{"Y07", ""}}, {}},
      {"YA01", R::Unico, "", {{"YA01", "pag"}}, {}},
      {"YA", R::Repetido, "pag/detPag", {{"YA01", ""}}, {}},
      {"YB", R::Unico, "", {{"YB01", "infIntermed"}}, {}},
      {"Z", R::Unico, "", {{"Z01", "infAdic"}, {"ZA01", "exporta"}, {"ZB01", "compra"}}, {}},
      {"OBSCONT", R::Repetido, "infAdic/obsCont", {{"Z04", ""}}, {}},
      {"OBSFISCO", R::Repetido, "infAdic/obsFisco", {{"Z07", ""}}, {}},
      {"PROCREF", R::Repetido, "infAdic/procRef", {{"Z10", ""}}, {}},
      // The sugar-cane part gets no record with the document: it is opened when the group is there.
      {"CANA",
       R::Repetido,
       "cana",
       {{"ZC01", ""}},
       {{"FORDIA", R::Repetido, "forDia", {{"ZC04", ""}}, {}},
        {"DEDUC", R::Repetido, "deduc", {{"ZC10", ""}}, {}}}},
      {"ZD", R::Unico, "", {{"ZD01", "infRespTec"}}, {}},
      {"ZF", R::Unico, "", {{"ZF01", "infSolicNFF"}}, {}},
  };
  return kLeitura;
}

// A layout id ("W04c", "BA10", "ZA02") split for ordering: its letters, its number, what follows.
struct IdLeiaute {
  std::string letras;
  int numero = 0;
  std::string resto;
};

IdLeiaute ParseId(std::string_view id) {
  IdLeiaute r;
  std::size_t i = 0;
  while (i < id.size() && std::isalpha(static_cast<unsigned char>(id[i])))
    r.letras += static_cast<char>(std::toupper(static_cast<unsigned char>(id[i++])));
  while (i < id.size() && std::isdigit(static_cast<unsigned char>(id[i])))
    r.numero = r.numero * 10 + (id[i++] - '0');
  for (; i < id.size(); ++i)
    r.resto += static_cast<char>(std::tolower(static_cast<unsigned char>(id[i])));
  return r;
}

bool IdAte(const IdLeiaute& a, const IdLeiaute& b) {
  if (a.letras != b.letras)
    return a.letras < b.letras;
  if (a.numero != b.numero)
    return a.numero < b.numero;
  return a.resto <= b.resto;
}

// The field's layout id: its name after the first "_".
std::string_view IdDoCampo(std::string_view nome) {
  const std::size_t sep = nome.find('_');
  return sep == std::string_view::npos ? std::string_view{} : nome.substr(sep + 1);
}

std::vector<std::string_view> Passos(std::string_view caminho) {
  std::vector<std::string_view> passos;
  while (!caminho.empty()) {
    const std::size_t barra = caminho.find('/');
    passos.push_back(caminho.substr(0, barra));
    if (barra == std::string_view::npos)
      break;
    caminho.remove_prefix(barra + 1);
  }
  return passos;
}

// Every element at the path (first match for each step but the last, all matches of the last).
std::vector<const TvxnXmlElement*> Todos(const TvxnXmlElement& contexto, std::string_view caminho) {
  std::vector<const TvxnXmlElement*> atuais{&contexto};
  for (std::string_view passo : Passos(caminho)) {
    std::vector<const TvxnXmlElement*> proximos;
    for (const TvxnXmlElement* e : atuais)
      for (const TvxnXmlElement& filho : e->children)
        if (filho.name == passo)
          proximos.push_back(&filho);
    atuais = std::move(proximos);
  }
  return atuais;
}

const TvxnXmlElement* Primeiro(const TvxnXmlElement& contexto, std::string_view caminho) {
  const auto todos = Todos(contexto, caminho);
  return todos.empty() ? nullptr : todos.front();
}

// The first element of that name among the element and its descendants, in document order.
const TvxnXmlElement* Descendente(const TvxnXmlElement& e, std::string_view nome) {
  if (e.name == nome)
    return &e;
  for (const TvxnXmlElement& filho : e.children)
    if (const TvxnXmlElement* achado = Descendente(filho, nome))
      return achado;
  return nullptr;
}

// The text of the field's tag in the group, or the group element's attribute of that name.
std::string ValorNoGrupo(const TvxnXmlElement& grupo, std::string_view tag) {
  if (const TvxnXmlElement* e = Descendente(grupo, tag))
    return e->children.empty() ? e->text : std::string();
  if (const std::string* atributo = grupo.Attribute(tag))
    return *atributo;
  return {};
}

const TvxnXmlElement* Filho(const TvxnXmlElement& e, std::string_view nome) {
  for (const TvxnXmlElement& filho : e.children)
    if (filho.name == nome)
      return &filho;
  return nullptr;
}

} // namespace

TvxnNFeConvXmlToDataset::TvxnNFeConvXmlToDataset() = default;
TvxnNFeConvXmlToDataset::~TvxnNFeConvXmlToDataset() = default;

std::string TvxnNFeConvXmlToDataset::GetNameXML(std::string_view fieldName) {
  return std::string(fieldName.substr(0, fieldName.find('_')));
}

int TvxnNFeConvXmlToDataset::GetNumNotas(std::string_view xml) {
  int n = 0;
  for (std::size_t p = xml.find("<infNFe "); p != std::string_view::npos; p = xml.find("<infNFe ", p + 1))
    ++n;
  return n;
}

std::string TvxnNFeConvXmlToDataset::GetNota(int index, std::string_view xml, bool proc) {
  const std::string_view abre = proc ? "<nfeProc " : "<infNFe ";
  const std::string_view fecha = proc ? "</nfeProc>" : "</infNFe>";
  std::size_t inicio = xml.find(abre);
  for (int i = 0; i < index && inicio != std::string_view::npos; ++i)
    inicio = xml.find(abre, inicio + 1);
  if (index < 0 || inicio == std::string_view::npos)
    return {};
  const std::size_t fim = xml.find(fecha, inicio);
  if (fim == std::string_view::npos)
    return {};
  return std::string(xml.substr(inicio, fim + fecha.size() - inicio));
}

std::unique_ptr<TvxnNFeDataSets> TvxnNFeConvXmlToDataset::ConvertDataset() {
  if (Trim(xml_).empty())
    throw EvxnNFeDataSetException("Conteúdo a ser convertido é inválido.", diretorioLogErro_);
  const TvxnXmlElement raiz = ParseXmlElementTree(xml_, diretorioLogErro_);
  std::vector<const TvxnXmlElement*> notas;
  if (raiz.name == "infNFe")
    notas.push_back(&raiz);
  else if (raiz.name == "NFe")
    notas = Todos(raiz, "infNFe");
  else if (raiz.name == "nfeProc")
    notas = Todos(raiz, "NFe/infNFe");
  else if (raiz.name == "enviNFe")
    notas = Todos(raiz, "NFe/infNFe");
  else
    throw EvxnNFEConvertDateException(
        "O XML não é uma NF-e: o elemento raiz é %s (são lidos NFe, nfeProc, enviNFe e infNFe).", {raiz.name},
        diretorioLogErro_);
  if (notas.empty())
    throw EvxnNFEConvertDateException("O XML %s não contém nenhuma NF-e (infNFe).", {raiz.name},
                                      diretorioLogErro_);
  for (const TvxnXmlElement* nota : notas) {
    const std::string* versao = nota->Attribute("versao");
    if (!versao || *versao != "4.00")
      throw EvxnNFEConvertDateException("A NF-e tem o leiaute %s; a conversão de XML lê o leiaute 4.00.",
                                        {versao ? *versao : std::string("(sem versão)")}, diretorioLogErro_);
  }

  auto container = std::make_unique<TvxnNFeDataSets>();
  container->SetDiretorioLogErro(diretorioLogErro_);
  container->SetVersaoEsquema(versaoEsquema_);
  container->SetUsarDatasetExportacao(usarDatasetExportacao_);
  container->SetXMLDicionario(xmlDicionario_);
  dataSets_ = container.get();
  try {
    for (const TvxnXmlElement* nota : notas)
      ConvertParts(*nota);
  } catch (...) {
    dataSets_ = nullptr;
    throw;
  }
  dataSets_ = nullptr;
  DadosDeAutorizacao(raiz);
  return container;
}

void TvxnNFeConvXmlToDataset::ConvertParts(const TvxnXmlElement& infNFe) {
  dataSets_->Incluir();
  Comando("INCLUIR");
  for (const TvxnLeituraParte& leitura : LeituraDocumento())
    ConvertLeitura(leitura, infNFe);
  dataSets_->Salvar();
  Comando("SALVAR");
}

void TvxnNFeConvXmlToDataset::ConvertLeitura(const TvxnLeituraParte& leitura,
                                             const TvxnXmlElement& contexto) {
  switch (leitura.registro) {
  case TvxnRegistro::Unico:
    PreencheRegistro(leitura.parte, leitura, contexto);
    return;
  case TvxnRegistro::Repetido:
    for (const TvxnXmlElement* ocorrencia : Todos(contexto, leitura.repetido)) {
      dataSets_->IncluirPart(leitura.parte);
      Comando("INCLUIRPARTE=" + std::string(leitura.parte));
      PreencheRegistro(leitura.parte, leitura, *ocorrencia);
      // The nested groups of this occurrence belong to its record, which stays current until they are read.
      for (const TvxnLeituraParte& filha : leitura.filhas)
        ConvertLeitura(filha, *ocorrencia);
      dataSets_->SalvarPart(leitura.parte);
      Comando("SALVARPARTE=" + std::string(leitura.parte));
    }
    return;
  case TvxnRegistro::Item:
    for (const TvxnXmlElement* det : Todos(contexto, leitura.repetido)) {
      dataSets_->IncluirItem();
      Comando("INCLUIRITEM");
      for (const TvxnLeituraParte& filha : leitura.filhas)
        ConvertLeitura(filha, *det);
      dataSets_->SalvarItem();
      Comando("SALVARITEM");
    }
    return;
  }
}

void TvxnNFeConvXmlToDataset::PreencheRegistro(std::string_view parte, const TvxnLeituraParte& leitura,
                                               const TvxnXmlElement& elemento) {
  TXmlDataSetNFe* part = dataSets_->DataSet().FindPart(parte);
  if (!part) // a part that this dictionary does not declare has nothing to receive
    return;
  std::vector<std::pair<IdLeiaute, const TvxnXmlElement*>> grupos;
  for (const TvxnFonteGrupo& fonte : leitura.fontes)
    grupos.emplace_back(ParseId(fonte.inicio),
                        fonte.caminho.empty() ? &elemento : Primeiro(elemento, fonte.caminho));
  for (std::size_t i = 0; i < part->Fields().size(); ++i) {
    TXmlFieldNFe& field = part->XmlField(i);
    if (!field.Visible())
      continue;
    const IdLeiaute id = ParseId(IdDoCampo(field.FieldName()));
    const TvxnXmlElement* grupo = grupos.front().second;
    for (const auto& [inicio, e] : grupos)
      if (IdAte(inicio, id))
        grupo = e;
    if (!grupo)
      continue;
    const std::string valor = ValorNoGrupo(*grupo, GetNameXML(field.FieldName()));
    if (valor.empty())
      continue;
    field.SetAsString(valor);
    if (tx2_)
      tx2_->Add(field.FieldName() + "=" + field.AsString());
  }
}

void TvxnNFeConvXmlToDataset::DadosDeAutorizacao(const TvxnXmlElement& raiz) {
  dadosAutorizacao_.Clear();
  const TvxnXmlElement* prot = nullptr;
  if (raiz.name == "nfeProc")
    if (const TvxnXmlElement* protNFe = Filho(raiz, "protNFe"))
      prot = Filho(*protNFe, "infProt");
  for (std::string_view nome :
       {"tpAmb", "verAplic", "chNFe", "dhRecbto", "nProt", "digVal", "cStat", "xMotivo"}) {
    const TvxnXmlElement* e = prot ? Filho(*prot, nome) : nullptr;
    dadosAutorizacao_.Add(std::string(nome) + "=" + (e ? e->text : std::string()));
  }
}

void TvxnNFeConvXmlToDataset::Comando(std::string_view linha) {
  if (tx2_)
    tx2_->Add(linha);
}

} // namespace vxn
