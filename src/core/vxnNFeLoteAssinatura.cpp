#include "vxnNFeLoteAssinatura.h"

#include "vxnCnpj.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeIdentificadores.h"

#include <algorithm>
#include <cctype>

namespace vxn {
namespace {

constexpr std::string_view kInicioNota = "<infNFe";
constexpr std::string_view kFimNota = "</infNFe>";
constexpr std::size_t kNenhum = std::string_view::npos;

// Documents nested deeper than this are not wrapped without being read again: the parser refuses a
// document nested deeper than 256 elements, and the wrapping element adds one.
constexpr std::size_t kProfundidadeSegura = 200;

// Replaces the content of the first element `tag` of `conteudo` (tag names compared ignoring case), or
// appends the element at the end when there is none. `trocouMarcacao` becomes true when the replaced
// content held a "<".
std::string DefinirElemento(std::string_view conteudo, std::string_view tag, std::string_view valor,
                            bool& trocouMarcacao) {
  const std::string abre = "<" + std::string(tag) + ">";
  const std::string fecha = "</" + std::string(tag) + ">";
  std::size_t ini = FindText(conteudo, abre);
  std::size_t fim = ini == kNenhum ? ini : FindText(conteudo, fecha, ini + abre.size());
  if (fim == kNenhum)
    return std::string(conteudo) + abre + std::string(valor) + fecha;
  const std::size_t inicioValor = ini + abre.size();
  if (conteudo.substr(inicioValor, fim - inicioValor).find('<') != kNenhum)
    trocouMarcacao = true;
  std::string out(conteudo.substr(0, inicioValor));
  out.append(valor).append(conteudo.substr(fim));
  return out;
}

// Printable ASCII without "<", "&" and ">": written as element content, it is character data as it stands.
bool TextoSimples(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return c >= ' ' && c <= '~' && c != '<' && c != '&' && c != '>'; });
}

bool Branco(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of the Id attribute of the start tag at the beginning of `nota`, exactly as written; "" when
// the tag has none.
std::string_view IdNaMarcaInicial(std::string_view nota) {
  std::size_t p = 1;
  while (p < nota.size() && !Branco(nota[p]) && nota[p] != '>' && nota[p] != '/')
    ++p;
  while (true) {
    while (p < nota.size() && Branco(nota[p]))
      ++p;
    const std::size_t inicioNome = p;
    while (p < nota.size() && !Branco(nota[p]) && nota[p] != '=' && nota[p] != '>' && nota[p] != '/')
      ++p;
    if (p == inicioNome)
      return {};
    const std::string_view nome = nota.substr(inicioNome, p - inicioNome);
    while (p < nota.size() && Branco(nota[p]))
      ++p;
    if (p >= nota.size() || nota[p] != '=')
      return {};
    ++p;
    while (p < nota.size() && Branco(nota[p]))
      ++p;
    if (p >= nota.size() || (nota[p] != '"' && nota[p] != '\''))
      return {};
    const std::size_t fecha = nota.find(nota[p], p + 1);
    if (fecha == kNenhum)
      return {};
    if (nome == "Id")
      return nota.substr(p + 1, fecha - p - 1);
    p = fecha + 1;
  }
}

// The deepest nesting of elements in a well-formed document made of elements, attributes and character
// data only; npos when it has a comment, CDATA section, processing instruction or declaration.
std::size_t ProfundidadeMaxima(std::string_view xml) {
  std::size_t profundidade = 0;
  std::size_t maxima = 0;
  for (std::size_t p = xml.find('<'); p != kNenhum; p = xml.find('<', p + 1)) {
    if (p + 1 >= xml.size() || xml[p + 1] == '!' || xml[p + 1] == '?')
      return kNenhum;
    if (xml[p + 1] == '/') {
      if (profundidade == 0 || (p = xml.find('>', p)) == kNenhum)
        return kNenhum;
      --profundidade;
      continue;
    }
    // A start tag ends at the first ">" outside its quoted attribute values.
    std::size_t q = p + 1;
    while (q < xml.size() && xml[q] != '>') {
      if (xml[q] == '"' || xml[q] == '\'') {
        q = xml.find(xml[q], q + 1);
        if (q == kNenhum)
          return kNenhum;
      }
      ++q;
    }
    if (q >= xml.size())
      return kNenhum;
    if (xml[q - 1] != '/')
      maxima = std::max(maxima, ++profundidade);
    p = q;
  }
  return maxima;
}

} // namespace

std::size_t AchaInicioNota(std::string_view texto, std::size_t de) {
  for (std::size_t p = FindBytes(texto, kInicioNota, de); p != kNenhum;
       p = FindBytes(texto, kInicioNota, p + kInicioNota.size())) {
    const std::size_t depois = p + kInicioNota.size();
    if (depois >= texto.size() || !std::isalnum(static_cast<unsigned char>(texto[depois])))
      return p;
  }
  return kNenhum;
}

std::size_t ProximaNota(std::string_view lote, std::size_t inicio) {
  return inicio == kNenhum ? AchaInicioNota(lote) : AchaInicioNota(lote, inicio + kInicioNota.size());
}

TvxnFaixaNota FaixaDaNota(std::string_view lote, std::size_t inicio) {
  TvxnFaixaNota f;
  if (inicio == kNenhum)
    return f;
  const std::size_t fimTag = FindBytes(lote, kFimNota, inicio);
  if (fimTag == kNenhum)
    return f;
  f.inicio = inicio;
  f.fim = fimTag + kFimNota.size();
  return f;
}

bool ModeloApenasEnvolve(std::string_view modelo) {
  std::size_t p = 1;
  while (p < modelo.size() &&
         ((modelo[p] >= 'A' && modelo[p] <= 'Z') || (modelo[p] >= 'a' && modelo[p] <= 'z')))
    ++p;
  if (!modelo.starts_with('<') || p == 1)
    return false;
  const std::string_view nome = modelo.substr(1, p - 1);
  return modelo.substr(p) == " xmlns=\"" + std::string(kNFeNamespace) + "\">%s%s</" + std::string(nome) + ">";
}

// ---- TvxnLoteAssinatura ------------------------------------------------------------------------------

// The CSRT change of one document: its infRespTec content from `pos` (in the document), `tamanho` bytes
// long, becomes `novo`.
struct TvxnLoteAssinatura::Alteracao {
  bool existe = false;
  std::size_t pos = 0;
  std::size_t tamanho = 0;
  std::string novo;
  // The replaced content of an old idCSRT or hashCSRT held a "<".
  bool trocouMarcacao = false;
  // IdCSRT and the hash are character data as they stand.
  bool valoresSimples = false;
};

TvxnLoteAssinatura::TvxnLoteAssinatura(TvxnNFe& nfe, std::string lote)
    : nfe_(nfe), utils_(nfe.GetGovUtils()), logDir_(nfe.GetDiretorioLogErro()), original_(std::move(lote)) {}

void TvxnLoteAssinatura::PrepararNotas(int numNotas) {
  if (!PrepararEmUmaPassagem(numNotas))
    PrepararNoLugar(numNotas);
}

std::string TvxnLoteAssinatura::ChecarChave(std::string_view nota) const {
  // The Id of the infNFe, as the XPath .//*[local-name()="infNFe"]/@Id gives it, without building a tree.
  std::string id;
  if (!utils_.FindAttribute(nota, "infNFe", "Id", id))
    return {};
  const std::string chave = Utf8Mid(id, 3, 44);
  if (!FormaChaveAcesso(chave))
    throw EvxnSignatureException("Chave inválida, a chave deve conter apenas números, e conter 44 caracteres",
                                 logDir_);
  return id;
}

TvxnLoteAssinatura::Alteracao TvxnLoteAssinatura::AlteracaoCSRT(std::string_view nota,
                                                                std::string_view chave) const {
  Alteracao a;
  if (nfe_.GetIdCSRT().empty() || nfe_.GetCSRT().empty())
    return a;
  const std::size_t abre = FindBytes(nota, "<infRespTec");
  if (abre == kNenhum)
    return a;
  std::size_t inicioConteudo = nota.find('>', abre);
  if (inicioConteudo == kNenhum || nota[inicioConteudo - 1] == '/')
    return a;
  ++inicioConteudo;
  const std::size_t fimConteudo = FindBytes(nota, "</infRespTec>", inicioConteudo);
  if (fimConteudo == kNenhum || fimConteudo == inicioConteudo)
    return a;
  const std::string_view antigo = nota.substr(inicioConteudo, fimConteudo - inicioConteudo);
  const std::string hash = TvxnNFeIdentificadores(nfe_.GetVersaoManual(), nfe_.GetLocalCode(), logDir_)
                               .CalcularHashCSRT(chave, nfe_.GetCSRT(), utils_);
  a.novo = DefinirElemento(antigo, "idCSRT", nfe_.GetIdCSRT(), a.trocouMarcacao);
  a.novo = DefinirElemento(a.novo, "hashCSRT", hash, a.trocouMarcacao);
  a.existe = true;
  a.pos = inicioConteudo;
  a.tamanho = antigo.size();
  a.valoresSimples = TextoSimples(nfe_.GetIdCSRT()) && TextoSimples(hash);
  return a;
}

bool TvxnLoteAssinatura::PrepararEmUmaPassagem(int numNotas) {
  // An IdCSRT with "<" could add the start or end of a document to the text.
  if (!nfe_.GetCSRT().empty() && nfe_.GetIdCSRT().find('<') != kNenhum)
    return false;
  const std::string_view texto = original_;
  std::string lote;
  std::vector<TvxnNotaDoLote> notas;
  std::size_t copiado = 0; // texto[0, copiado) is in `lote` already, changed
  std::size_t fimAnterior = 0;
  long long deslocamento = 0; // what the changes so far added to the length
  std::size_t inicio = kNenhum;
  for (int i = 0; i < numNotas; ++i) {
    inicio = ProximaNota(texto, inicio);
    if (inicio == kNenhum)
      break;
    const TvxnFaixaNota f = FaixaDaNota(texto, inicio);
    if (f.inicio == kNenhum) {
      notas.emplace_back();
      continue;
    }
    if (f.inicio < fimAnterior)
      return false; // a document inside the previous one
    fimAnterior = f.fim;
    const std::string_view nota = texto.substr(f.inicio, f.fim - f.inicio);
    const std::string id = ChecarChave(nota);
    Alteracao a;
    if (!id.empty())
      a = AlteracaoCSRT(nota, Utf8Mid(id, 3, 44));
    if (a.trocouMarcacao)
      return false;
    long long delta = 0;
    if (a.existe) {
      if (lote.empty())
        lote.reserve(texto.size() + static_cast<std::size_t>(numNotas) * (a.novo.size() + 16));
      lote.append(texto.substr(copiado, f.inicio + a.pos - copiado)).append(a.novo);
      copiado = f.inicio + a.pos + a.tamanho;
      delta = static_cast<long long>(a.novo.size()) - static_cast<long long>(a.tamanho);
    }
    TvxnNotaDoLote n;
    n.faixa.inicio = static_cast<std::size_t>(static_cast<long long>(f.inicio) + deslocamento);
    n.faixa.fim = static_cast<std::size_t>(static_cast<long long>(f.fim) + deslocamento + delta);
    deslocamento += delta;
    // The parse that read the Id found the document well-formed. With its first Id written plainly on the
    // infNFe, a change that only sets character data, and no comment, CDATA or processing instruction, the
    // changed document is well-formed too and its first Id is this one.
    if (!id.empty() && IdNaMarcaInicial(nota) == id && (!a.existe || a.valoresSimples) &&
        ProfundidadeMaxima(nota) <= kProfundidadeSegura)
      n.id = id;
    notas.push_back(std::move(n));
  }
  if (copiado == 0) {
    lote_ = std::move(original_);
  } else {
    lote.append(texto.substr(copiado));
    lote_ = std::move(lote);
  }
  notas_ = std::move(notas);
  return true;
}

void TvxnLoteAssinatura::PrepararNoLugar(int numNotas) {
  lote_ = original_;
  std::size_t inicio = kNenhum;
  for (int i = 0; i < numNotas; ++i) {
    // A document's CSRT goes in after its "<infNFe", so the next one is still found from its start.
    inicio = ProximaNota(lote_, inicio);
    if (inicio == kNenhum)
      break;
    const TvxnFaixaNota f = FaixaDaNota(lote_, inicio);
    if (f.inicio == kNenhum)
      continue;
    const std::string_view nota = std::string_view(lote_).substr(f.inicio, f.fim - f.inicio);
    const std::string id = ChecarChave(nota);
    if (id.empty())
      continue;
    const Alteracao a = AlteracaoCSRT(nota, Utf8Mid(id, 3, 44));
    if (a.existe)
      lote_.replace(f.inicio + a.pos, a.tamanho, a.novo);
  }
  // The documents as the changed text now has them.
  notas_.clear();
  inicio = kNenhum;
  for (int i = 0; i < numNotas; ++i) {
    inicio = ProximaNota(lote_, inicio);
    if (inicio == kNenhum)
      break;
    notas_.push_back({FaixaDaNota(lote_, inicio), {}});
  }
}

} // namespace vxn
