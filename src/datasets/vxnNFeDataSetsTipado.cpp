#include "vxnNFeDataSetsTipado.h"

#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <array>
#include <cstdint>
#include <optional>
#include <sys/stat.h>

namespace vxn {

namespace {

// The fuel types of tpComb, from 1.
constexpr std::array<std::string_view, 18> kCombustiveis = {"01 - ALCOOL",
                                                            "02 - GASOLINA",
                                                            "03 - DIESEL",
                                                            "04 - GASOGENIO",
                                                            "05 - GAS METANO",
                                                            "06 - ELETRICO/FONTE INTERNA",
                                                            "07 - ELETRICO/FONTE EXTERNA",
                                                            "08 - GASOL/GAS NATURAL COMBUSTIVEL",
                                                            "09 - ALCOOL/GAS NATURAL COMBUSTIVEL",
                                                            "10 - DIESEL/GAS NATURAL COMBUSTIVEL",
                                                            "11 - VIDE/CAMPO/OBSERVACAO",
                                                            "12 - ALCOOL/GAS NATURAL VEICULAR",
                                                            "13 - GASOLINA/GAS NATURAL VEICULAR",
                                                            "14 - DIESEL/GAS NATURAL VEICULAR",
                                                            "15 - GAS NATURAL VEICULAR",
                                                            "16 - ALCOOL/GASOLINA",
                                                            "17 - GASOLINA/ALCOOL/GAS NATURAL",
                                                            "18 - GASOLINA/ELETRICO"};

const std::string& LogErro() {
  return ConfiguracaoTipada().diretorioLogErro;
}

// The dictionary file's modification time, to tell a parsed dictionary from a changed file; empty when
// there is no such regular file. One status of the file per document (std::filesystem would ask twice:
// once for the kind of file, once for the time), which is a good part of creating a document.
std::optional<std::int64_t> Modificacao(const std::string& caminho) {
  struct stat st {};
  if (::stat(ToNativePath(caminho).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

} // namespace

std::string TveicProd::getCombDescricao() const {
  const std::string& texto = GettpComb();
  const long long codigo = IsDigits(texto) ? StrToIntDef(texto, 0) : 0;
  if (codigo < 1 || codigo > static_cast<long long>(kCombustiveis.size()))
    return {};
  return std::string(kCombustiveis[static_cast<std::size_t>(codigo - 1)]);
}

const std::vector<TvxnPropriedadeTipada>& PropriedadesTipadas() {
#define VXN_LISTA_P(Tipo, Nome, Campo) {classe, #Nome, #Campo, {}},
#define VXN_LISTA_C(Nome, CampoCNPJ, CampoCPF) {classe, #Nome, #CampoCNPJ, #CampoCPF},
#define VXN_LISTA_NADA(Classe, Nome)
#define VXN_LISTA_OBJETO(Classe, parte, ...)                                                                 \
  {                                                                                                          \
    [[maybe_unused]] constexpr std::string_view classe = #Classe;                                            \
    lista.insert(lista.end(),                                                                                \
                 {VXN_TIPADO_##Classe(VXN_LISTA_P, VXN_LISTA_C, VXN_LISTA_NADA, VXN_LISTA_NADA)});           \
  }
#define VXN_LISTA_LISTA(Lista, Item, Tabela, abertura)                                                       \
  {                                                                                                          \
    [[maybe_unused]] constexpr std::string_view classe = #Lista;                                             \
    lista.insert(lista.end(), {Tabela(VXN_LISTA_P, VXN_LISTA_C, VXN_LISTA_NADA, VXN_LISTA_NADA)});           \
  }
  static const std::vector<TvxnPropriedadeTipada> propriedades = [] {
    std::vector<TvxnPropriedadeTipada> lista;
    VXN_CLASSES_TIPADAS(VXN_LISTA_OBJETO, VXN_LISTA_LISTA)
    return lista;
  }();
#undef VXN_LISTA_P
#undef VXN_LISTA_C
#undef VXN_LISTA_NADA
#undef VXN_LISTA_OBJETO
#undef VXN_LISTA_LISTA
  return propriedades;
}

// ---- NotaFiscal ----

NotaFiscal::NotaFiscal(TvxnNFeDataSetsTipado& componente, TvxnDataSetCarregado carregado)
    : componente_(&componente), ds_(std::move(carregado.ds)), modificacao_(carregado.modificacao),
      nfe_(std::make_unique<TNFe>(nullptr, *ds_)) {
  nfe_->GetInfNFe().SetVersao(0);
  nfe_->GetEmit().GetenderEmit().SetxPais("BRASIL");
  nfe_->GetEmit().GetenderEmit().SetcPais(1058);
  nfe_->GetDest().GetEnderDest().SetxPais("BRASIL");
  nfe_->GetDest().GetEnderDest().SetcPais(1058);
}

NotaFiscal::~NotaFiscal() {
  nfe_.reset();
  componente_->Liberada(*this);
  componente_->Devolver({std::move(ds_), modificacao_});
}

std::string NotaFiscal::GerarXML() {
  if (!gerado_) {
    ds_->Salvar();
    gerado_ = true;
  }
  return ds_->GetLoteNFe().Text();
}

void NotaFiscal::SetCampo(std::string_view nome, std::string_view valor) {
  ds_->Campo(nome).SetAsString(valor);
}

// ---- TNotasFiscais ----

std::size_t TNotasFiscais::Posicao(int indice, std::size_t limite) const {
  if (indice < 0 || static_cast<std::size_t>(indice) >= limite)
    throw EvxnNFeIndexException("Índice %d fora da lista %s, que tem %d itens.",
                                {indice, "NotasFiscais", notas_.size()}, LogErro());
  return static_cast<std::size_t>(indice);
}

NotaFiscal& TNotasFiscais::Add() {
  return Insert(Count());
}

NotaFiscal& TNotasFiscais::Insert(int indice) {
  const std::size_t posicao = Posicao(indice, notas_.size() + 1);
  auto nota = std::unique_ptr<NotaFiscal>(new NotaFiscal(*componente_, componente_->NovoDataSet()));
  NotaFiscal& criada = *nota;
  notas_.insert(notas_.begin() + static_cast<std::ptrdiff_t>(posicao), std::move(nota));
  componente_->Criada(criada);
  return criada;
}

NotaFiscal& TNotasFiscais::Items(int indice) {
  return *notas_[Posicao(indice, notas_.size())];
}

void TNotasFiscais::Delete(int indice) {
  notas_.erase(notas_.begin() + static_cast<std::ptrdiff_t>(Posicao(indice, notas_.size())));
}

void TNotasFiscais::Clear() {
  notas_.clear();
}

std::string TNotasFiscais::GerarXml() {
  std::string xml;
  for (const auto& nota : notas_)
    xml += nota->GerarXML();
  return xml;
}

// ---- TvxnNFeDataSetsTipado ----

TvxnNFeDataSetsTipado::TvxnNFeDataSetsTipado() = default;

TvxnNFeDataSetsTipado::~TvxnNFeDataSetsTipado() {
  notas_.Clear();
}

void TvxnNFeDataSetsTipado::SetVersaoEsquema(TVersaoEsquema v) {
  versaoEsquema_ = v;
  ConfiguracaoTipada().versaoEsquema = v;
}

void TvxnNFeDataSetsTipado::SetFusoHorario(std::string_view fuso) {
  fusoHorario_ = fuso;
  ConfiguracaoTipada().fusoHorario = fuso;
}

void TvxnNFeDataSetsTipado::SetXmlDicionario(std::string_view caminho) {
  xmlDicionario_ = caminho;
  ConfiguracaoTipada().xmlDicionario = caminho;
}

void TvxnNFeDataSetsTipado::SetDiretorioLogErro(std::string_view diretorio) {
  diretorioLogErro_ = diretorio;
  ConfiguracaoTipada().diretorioLogErro = diretorio;
}

void TvxnNFeDataSetsTipado::SetCampo(std::string_view nome, std::string_view valor) {
  if (!ultima_)
    throw EvxnNFeCheckParams("Nenhuma NotaFiscal existe para receber o campo %s.", {nome}, LogErro());
  ultima_->SetCampo(nome, valor);
}

TvxnDataSetCarregado TvxnNFeDataSetsTipado::NovoDataSet() {
  const TvxnConfiguracaoTipada& config = ConfiguracaoTipada();
  if (config.versaoEsquema < pl_009)
    throw EvxnNFeVersaoEsquemaException(
        "Versão Esquema inválido. Configure a versão na propriedade VersaoEsquema "
        "com valor pl_009 ou superior.",
        config.diretorioLogErro);
  const auto lida = config.xmlDicionario.empty() ? std::nullopt : Modificacao(config.xmlDicionario);
  if (!lida)
    throw EvxnDataSetFileNotFoundException(
        "Xml Dicionário inválido. Configure o caminho do dicionário na propriedade XmlDicionario.",
        config.diretorioLogErro);

  std::unique_ptr<TvxnNFeDataSets> ds;
  const std::int64_t modificacao = *lida;
  for (auto it = reserva_.begin(); it != reserva_.end(); ++it)
    if (it->ds->GetVersaoEsquema() == config.versaoEsquema &&
        it->ds->GetXMLDicionario() == config.xmlDicionario && it->modificacao == modificacao) {
      ds = std::move(it->ds);
      reserva_.erase(it);
      break;
    }
  if (ds) {
    // What the host may have changed on the dataset of an earlier document.
    ds->SetLoteNFe(nullptr);
    ds->GetLoteNFe().Clear();
    ds->SetValidaRegrasNegocio(false);
    ds->SetValidaRegrasNegocioQuorvant(false);
    ds->SetExcecoesDeRegras({});
    ds->SetUsarDatasetExportacao(false);
  } else {
    ds = std::make_unique<TvxnNFeDataSets>();
    ds->SetVersaoEsquema(config.versaoEsquema);
    ds->SetXMLDicionario(config.xmlDicionario);
  }
  // Every field of the dataset keeps the folder: a reused dataset is told only of a change.
  if (ds->GetDiretorioLogErro() != config.diretorioLogErro)
    ds->SetDiretorioLogErro(config.diretorioLogErro);
  ds->Incluir();
  return {std::move(ds), modificacao};
}

void TvxnNFeDataSetsTipado::Devolver(TvxnDataSetCarregado carregado) {
  // A few are enough for a host that frees its documents as it goes.
  constexpr std::size_t kMaximo = 4;
  if (carregado.ds && reserva_.size() < kMaximo)
    reserva_.push_back(std::move(carregado));
}

void TvxnNFeDataSetsTipado::Liberada(const NotaFiscal& nota) {
  if (ultima_ == &nota)
    ultima_ = nullptr;
}

} // namespace vxn
