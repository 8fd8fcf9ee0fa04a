#include "vxnNFeConvTXTDataSet.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <array>

namespace vxn {

namespace {

enum class Comando {
  Incluir,
  IncluirItem,
  SalvarItem,
  IncluirCobranca,
  SalvarCobranca,
  Salvar,
  Cancelar,
  IncluirParte,
  SalvarParte
};

struct NomeComando {
  std::string_view nome;
  Comando comando;
};

constexpr std::array<NomeComando, 9> kComandos{{{"INCLUIR", Comando::Incluir},
                                                {"INCLUIRITEM", Comando::IncluirItem},
                                                {"SALVARITEM", Comando::SalvarItem},
                                                {"INCLUIRCOBRANCA", Comando::IncluirCobranca},
                                                {"SALVARCOBRANCA", Comando::SalvarCobranca},
                                                {"SALVAR", Comando::Salvar},
                                                {"CANCELAR", Comando::Cancelar},
                                                {"INCLUIRPARTE", Comando::IncluirParte},
                                                {"SALVARPARTE", Comando::SalvarParte}}};

// The text after the first "=", or "" when the line has none.
std::string_view DepoisDoIgual(std::string_view linha) {
  const std::size_t igual = linha.find('=');
  return igual == std::string_view::npos ? std::string_view{} : linha.substr(igual + 1);
}

// A path is only worth looking up when the text is one line: a command text never names a file.
bool PodeSerArquivo(std::string_view text) {
  return !text.empty() && text.find_first_of("\r\n") == std::string_view::npos && FileExists(text);
}

} // namespace

TvxnNFeConvTXTDataSet::TvxnNFeConvTXTDataSet()
    : govUtils_(std::make_unique<TvxnGovUtils>()), dataSets_(std::make_unique<TvxnNFeDataSets>()) {}

TvxnNFeConvTXTDataSet::~TvxnNFeConvTXTDataSet() = default;

void TvxnNFeConvTXTDataSet::SetTXT(std::string_view text) {
  txt_ = text;
  govUtils_->SetDiretorioLogErro(diretorioLogErro_);
  // A text copied from a file written by a Windows editor may still carry the byte order mark.
  const std::string conteudo =
      PodeSerArquivo(text) ? govUtils_->LoadFromFileUTF8(text) : govUtils_->RemoveBOM(text);
  if (Trim(conteudo).empty())
    throw EvxnNFeDataSetException("Conteúdo a ser convertido é inválido.", diretorioLogErro_);
  linhas_.SetText(conteudo);
}

std::string TvxnNFeConvTXTDataSet::Converter() {
  PopulaDataset();
  return dataSets_->GetLoteNFe().Text();
}

void TvxnNFeConvTXTDataSet::Converter(TvxnNFeDataSets*& dataSets) {
  PopulaDataset();
  dataSets = dataSets_.get();
}

void TvxnNFeConvTXTDataSet::PopulaDataset() {
  dataSets_->GetLoteNFe().Clear();
  dataSets_->SetDiretorioLogErro(diretorioLogErro_);
  dataSets_->SetVersaoEsquema(versaoEsquema_);
  dataSets_->SetUsarDatasetExportacao(usarDatasetExportacao_);
  dataSets_->SetXMLDicionario(xmlDicionario_);
  for (const std::string& linha : linhas_) {
    if (Trim(linha).empty())
      continue;
    if (!ExecutaComando(linha))
      AtribuiCampo(linha);
  }
  // A document that was started but never stored would silently vanish from the result.
  const TvxnDataSetState estado = dataSets_->GetState();
  if (estado == dsEdit || estado == dsInsert)
    throw EvxnNFeDataSetException("NFe não foi Salva.", diretorioLogErro_);
}

bool TvxnNFeConvTXTDataSet::ExecutaComando(std::string_view linha) {
  const std::size_t igual = linha.find('=');
  const std::string nome = AsciiUpper(Trim(linha.substr(0, igual)));
  for (const NomeComando& c : kComandos) {
    if (nome != c.nome)
      continue;
    switch (c.comando) {
    case Comando::Incluir:
      dataSets_->Incluir();
      break;
    case Comando::IncluirItem:
      dataSets_->IncluirItem();
      break;
    case Comando::SalvarItem:
      dataSets_->SalvarItem();
      break;
    case Comando::IncluirCobranca:
      dataSets_->IncluirCobranca();
      break;
    case Comando::SalvarCobranca:
      dataSets_->SalvarCobranca();
      break;
    case Comando::Salvar:
      dataSets_->Salvar();
      break;
    case Comando::Cancelar:
      dataSets_->Cancelar();
      break;
    case Comando::IncluirParte:
      dataSets_->IncluirPart(Trim(DepoisDoIgual(linha)));
      break;
    case Comando::SalvarParte:
      dataSets_->SalvarPart(Trim(DepoisDoIgual(linha)));
      break;
    }
    return true;
  }
  return false;
}

void TvxnNFeConvTXTDataSet::AtribuiCampo(std::string_view linha) {
  const std::size_t igual = linha.find('=');
  // Without "=" the whole line would be a name with no value; the empty name makes the lookup fail
  // with the dataset's own field-not-found error.
  const std::string nome = igual == std::string_view::npos ? std::string() : Trim(linha.substr(0, igual));
  const std::string valor = ReplaceAll(DepoisDoIgual(linha), "\t", "");
  dataSets_->Campo(nome).SetAsString(valor);
}

} // namespace vxn
