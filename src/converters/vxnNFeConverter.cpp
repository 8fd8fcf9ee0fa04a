#include "vxnNFeConverter.h"

#include "vxnCnpj.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeConvDic.h"
#include "vxnNFeConvTXTDataSet.h"
#include "vxnNFeConvXmlToDataset.h"
#include "vxnNFeException.h"
#include "vxnNFeRecToDs.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <array>
#include <chrono>
#include <ctime>
#include <random>

namespace vxn {

namespace {

constexpr std::string_view kPastaConversor = "Conversor/";

// The capital of each state (IBGE municipality code and name): the issuer's town in test documents.
struct Capital {
  std::string_view uf, cMun, xMun;
};
constexpr std::array<Capital, 27> kCapitais{
    {{"AC", "1200401", "Rio Branco"},     {"AL", "2704302", "Maceió"},    {"AP", "1600303", "Macapá"},
     {"AM", "1302603", "Manaus"},         {"BA", "2927408", "Salvador"},  {"CE", "2304400", "Fortaleza"},
     {"DF", "5300108", "Brasília"},       {"ES", "3205309", "Vitória"},   {"GO", "5208707", "Goiânia"},
     {"MA", "2111300", "São Luís"},       {"MT", "5103403", "Cuiabá"},    {"MS", "5002704", "Campo Grande"},
     {"MG", "3106200", "Belo Horizonte"}, {"PA", "1501402", "Belém"},     {"PB", "2507507", "João Pessoa"},
     {"PR", "4106902", "Curitiba"},       {"PE", "2611606", "Recife"},    {"PI", "2211001", "Teresina"},
     {"RJ", "3304557", "Rio de Janeiro"}, {"RN", "2408102", "Natal"},     {"RS", "4314902", "Porto Alegre"},
     {"RO", "1100205", "Porto Velho"},    {"RR", "1400100", "Boa Vista"}, {"SC", "4205407", "Florianópolis"},
     {"SP", "3550308", "São Paulo"},      {"SE", "2800308", "Aracaju"},   {"TO", "1721000", "Palmas"}}};

const Capital* CapitalDe(std::string_view uf) {
  for (const Capital& c : kCapitais)
    if (SameText(c.uf, uf))
      return &c;
  return nullptr;
}

// Only a one-line text can be a path: a converted text always has several lines.
bool NomeiaArquivo(std::string_view texto) {
  return !texto.empty() && texto.find_first_of("\r\n") == std::string_view::npos && FileExists(texto);
}

// The current time in Brasília (UTC-03:00) in the layout's date-time form.
std::string AgoraBrasilia() {
  const std::time_t t =
      std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() - std::chrono::hours(3));
  std::tm tm{};
  gmtime_r(&t, &tm);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y-%m-%dT%H:%M:%S-03:00", &tm);
  return texto;
}

std::string ZeroEsquerda(long long n, std::size_t largura) {
  std::string s = std::to_string(n);
  return s.size() >= largura ? s : std::string(largura - s.size(), '0') + s;
}

} // namespace

TvxnNFeConverter::TvxnNFeConverter() = default;
TvxnNFeConverter::~TvxnNFeConverter() = default;

std::string TvxnNFeConverter::GetDiretorioTemplates() const {
  return diretorioTemplates_.empty() ? ExpandPath("Templates/vm60/") : diretorioTemplates_;
}

void TvxnNFeConverter::SetDiretorioTemplates(std::string_view v) {
  diretorioTemplates_ = v.empty() ? std::string() : IncludeTrailingPathDelimiter(ToNativePath(v));
}

TvxnGovUtils& TvxnNFeConverter::GetGovUtils() {
  if (!govUtils_)
    govUtils_ = std::make_unique<TvxnGovUtils>();
  govUtils_->SetDiretorioLogErro(diretorioLogErro_);
  return *govUtils_;
}

std::string TvxnNFeConverter::GetTemplateCompletePath(std::string_view nome) const {
  const std::string caminho =
      ExpandPath(GetDiretorioTemplates() + std::string(kPastaConversor) + std::string(nome));
  if (!FileExists(caminho))
    throw EvxnTemplateNotFoundException("Arquivo de template do conversor não encontrado: %s", {caminho},
                                        diretorioLogErro_);
  return caminho;
}

std::string TvxnNFeConverter::ConvertToXml(std::string_view texto, std::string_view versaoNota,
                                           TLayoutConvKind layout, TVersaoEsquema versao, bool exportacao) {
  switch (layout) {
  case lkTXTDic: {
    TvxnNFeConvDic dic(GetDiretorioTemplates() + std::string(kPastaConversor), diretorioLogErro_);
    // Like the command text, a pipe text may be handed over as the path of its file.
    if (NomeiaArquivo(texto))
      return dic.Converter(GetGovUtils().LoadFromFileUTF8(texto), versaoNota);
    return dic.Converter(texto, versaoNota);
  }
  case lkTXTDataSet:
    return ConverterDataSet(texto, versao, exportacao);
  case lkTXTRec: {
    TvxnNFeRecToDs rec;
    rec.SetDiretorioLogErro(diretorioLogErro_);
    rec.SetVersaoEsquema(versao);
    rec.SetUsarDatasetExportacao(exportacao);
    rec.SetXMLDicionario(
        GetTemplateCompletePath(exportacao ? "NFeDataSets_Exportacao.xml" : "NFeDataSets.xml"));
    rec.SetTXT(texto);
    return rec.ConverterXML();
  }
  }
  throw EvxnNFEConvertDateException("Layout de Conversão Inválido.", diretorioLogErro_);
}

std::string TvxnNFeConverter::ConverterDataSet(std::string_view texto, TVersaoEsquema versao,
                                               bool exportacao) {
  TvxnNFeConvTXTDataSet conv;
  conv.SetDiretorioLogErro(diretorioLogErro_);
  conv.SetXMLDicionario(
      GetTemplateCompletePath(exportacao ? "NFeDataSets_Exportacao.xml" : "NFeDataSets.xml"));
  conv.SetVersaoEsquema(versao);
  conv.SetUsarDatasetExportacao(exportacao);
  conv.SetTXT(texto);
  return conv.Converter();
}

std::unique_ptr<TvxnNFeDataSets> TvxnNFeConverter::ConvertXmlToDataSet(std::string_view xml, bool exportacao,
                                                                       TVersaoEsquema versao,
                                                                       TvxnStringList* tx2,
                                                                       TvxnStringList* dadosAutorizacao) {
  TvxnNFeConvXmlToDataset conv;
  conv.SetDiretorioLogErro(diretorioLogErro_);
  conv.SetVersaoEsquema(versao);
  conv.SetUsarDatasetExportacao(exportacao);
  conv.SetXmlDicionario(
      GetTemplateCompletePath(exportacao ? "NFeDataSets_Exportacao.xml" : "NFeDataSets.xml"));
  conv.SetXml(NomeiaArquivo(xml) ? GetGovUtils().LoadFromFileUTF8(xml) : std::string(xml));
  conv.SetTX2(tx2);
  auto container = conv.ConvertDataset();
  if (dadosAutorizacao)
    *dadosAutorizacao = conv.GetDadosAutorizacao();
  return container;
}

std::string TvxnNFeConverter::GeraNFs_Random(int quantidade, std::string_view UF, std::string_view CNPJ,
                                             int nNFInicial) {
  if (quantidade <= 0)
    throw EvxnNFeCheckParams("Quantidade de Nfs Inválido ", diretorioLogErro_);
  const Capital* capital = CapitalDe(UF);
  if (capital == nullptr)
    throw EvxnNFeCheckParams("Valor para UF inválido. ", diretorioLogErro_);
  if (!FormaCnpj(CNPJ))
    throw EvxnNFeCheckParams("CNPJ deve conter 14 dígitos. ", diretorioLogErro_);

  const std::string modelo = GetGovUtils().LoadFromFile(GetTemplateCompletePath("template.txt"));
  std::random_device semente;
  std::mt19937 gerador(semente());
  std::uniform_int_distribution<long long> sorteio(10000000, 99999999);
  const std::string dhEmi = AgoraBrasilia();
  std::string resultado;
  for (int i = 0; i < quantidade; ++i) {
    const long long nNF = static_cast<long long>(nNFInicial) + i;
    long long cNF = sorteio(gerador);
    if (cNF == nNF) // the authority refuses a cNF equal to the document number
      ++cNF;
    std::string doc = modelo;
    doc = ReplaceAll(doc, "%CUF%", GetCodeUF(capital->uf));
    doc = ReplaceAll(doc, "%UF%", capital->uf);
    doc = ReplaceAll(doc, "%CMUN%", capital->cMun);
    doc = ReplaceAll(doc, "%XMUN%", capital->xMun);
    doc = ReplaceAll(doc, "%CNPJ%", CNPJ);
    doc = ReplaceAll(doc, "%NNF%", std::to_string(nNF));
    doc = ReplaceAll(doc, "%CNF%", ZeroEsquerda(cNF, 8));
    doc = ReplaceAll(doc, "%DHEMI%", dhEmi);
    if (!doc.empty() && doc.back() != '\n')
      doc += "\r\n";
    resultado += doc;
  }
  return resultado;
}

} // namespace vxn
