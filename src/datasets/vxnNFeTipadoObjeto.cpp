#include "vxnNFeTipadoObjeto.h"

#include "vxnNFeDataSets.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <algorithm>

namespace vxn {

namespace {

const std::string& LogErro() {
  return ConfiguracaoTipada().diretorioLogErro;
}

} // namespace

void TvxnObjetoTipado::RecusarFechado(const TvxnObjetoTipado& item) {
  throw EvxnNfeDataSetStateException(
      "O item %d da lista %s não está mais em edição: o registro atual é o de um item incluído depois dele.",
      {item.indice_, item.lista_}, LogErro());
}

void TvxnObjetoTipado::AbrirParte() const {
  if (dono_)
    dono_->AbrirPendentes();
  ds_->IncluirPart(parte_);
  parteAberta_ = true;
}

void TvxnObjetoTipado::Gravar(const TvxnAlvoTipado& alvo, std::string_view texto, int casas) {
  TXmlFieldNFe& campo = ds_->Campo(alvo.campo);
  // The layout's size holds the integer digits, the point and the most decimals.
  const std::size_t tamanho = campo.TamanhoMapeadoDataSet();
  const std::size_t fracao = casas > 0 ? static_cast<std::size_t>(casas) + 1 : 0;
  if (casas >= 0 && tamanho > fracao) {
    const std::size_t inteiros = std::min(texto.find('.'), texto.size());
    if (inteiros > tamanho - fracao)
      RecusarTamanho(texto, tamanho - fracao, alvo);
  }
  AbrirPendentes();
  campo.SetAsString(texto);
}

void TvxnObjetoTipado::EscreverCnpjCpf(std::string_view propriedade, std::string_view campoCNPJ,
                                       std::string_view campoCPF, std::string_view valor,
                                       std::optional<std::string>& guardado) {
  const bool cpf = Utf8Length(valor) == 11;
  const TvxnAlvoTipado alvo{propriedade, cpf ? campoCPF : campoCNPJ};
  VerificarEmEdicao();
  TXmlFieldNFe& outro = ds_->Campo(cpf ? campoCNPJ : campoCPF);
  Gravar(alvo, valor, -1);
  // A CNPJ given after a CPF (or the reverse) replaces it: the document names one or the other.
  if (!outro.IsNull())
    outro.SetAsString({});
  guardado = std::string(valor);
}

void TvxnListaTipadaBase::AbrirGrupo(TvxnObjetoTipado* anterior) {
  VerificarEmEdicao();
  const bool semGrupo = !abertura_.item && abertura_.partes[0].empty();
  if (semGrupo && quantos_ > 0)
    throw EvxnNFeIndexException("A lista %s tem um só item por documento: o seu grupo não se repete.",
                                {nome_}, LogErro());
  AbrirPendentes();
  if (abertura_.item)
    DataSets().IncluirItem();
  for (std::string_view parte : abertura_.partes)
    if (!parte.empty())
      DataSets().IncluirPart(parte);
  if (anterior)
    anterior->fechado_ = true;
}

void TvxnListaTipadaBase::Registrar(TvxnObjetoTipado& item) {
  item.item_ = &item;
  item.lista_ = nome_;
  item.indice_ = static_cast<int>(quantos_++);
}

std::size_t TvxnListaTipadaBase::Posicao(int indice) const {
  if (indice < 0 || static_cast<std::size_t>(indice) >= quantos_)
    throw EvxnNFeIndexException("Índice %d fora da lista %s, que tem %d itens.", {indice, nome_, quantos_},
                                LogErro());
  return static_cast<std::size_t>(indice);
}

} // namespace vxn
