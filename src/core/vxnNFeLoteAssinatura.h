// The documents of a lot that is about to be signed: where each one lies in the lot text, the check of
// its access key and the CSRT hash of the technical responsible written into it, all done for the whole
// lot before the first document is signed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnNFe;
class TvxnGovUtils;

// Range [inicio, fim) of a document in a lot text: from its "<infNFe" to just past the first "</infNFe>"
// after it. inicio is npos when the document has no end.
struct TvxnFaixaNota {
  std::size_t inicio = std::string_view::npos;
  std::size_t fim = std::string_view::npos;
};

// The next "<infNFe" at or after `de` that starts an infNFe element: the start tag of an NFC-e's
// supplementary block ("<infNFeSupl") is passed over. npos when there is none.
std::size_t AchaInicioNota(std::string_view texto, std::size_t de = 0);

// Start of the document that follows the one starting at `inicio` (the next "<infNFe"); with npos, the
// first document of the text. npos when there is none. Walking a lot this way finds document i where
// counting i occurrences from the start would, without reading the text again for every document.
std::size_t ProximaNota(std::string_view lote, std::size_t inicio);

// The range of the document starting at `inicio`; an empty range when it has no end.
TvxnFaixaNota FaixaDaNota(std::string_view lote, std::size_t inicio);

// A document of the prepared lot.
struct TvxnNotaDoLote {
  // Where the document lies in TvxnLoteAssinatura::Lote(); empty when it has no end (it is skipped).
  TvxnFaixaNota faixa;
  // The Id that GetReferenceInfo would read from the document once it is wrapped for signing, when the
  // reading of its key already established it: the parse found the document well-formed, the first Id
  // is written plainly on its infNFe, it has no comment, CDATA section or processing instruction and is
  // not nested deeply, and the CSRT change only set character data. Valid for a template that
  // ModeloApenasEnvolve and a document without "º". Empty when it must be read.
  std::string id;
};

// Prepares the documents of an escaped lot text in lot order: the Id of each infNFe is read (a text that
// is not XML raises the parser's error), its key (the 44 characters after "NFe") must be 44 digits, and
// with the component's IdCSRT and CSRT set, the document's non-empty infRespTec gets idCSRT and hashCSRT
// (Base64 of SHA-1 of CSRT and that document's key), replaced when present and appended otherwise.
//
// The lot is walked once and the changed text is built by appending. This gives the text that changing
// each document in place and looking for the next one in the changed text gives, as long as the
// documents do not overlap and no change removes or adds a "<" beyond its own idCSRT and hashCSRT tags;
// a lot outside that (a nested infNFe, markup inside an old idCSRT, an IdCSRT with "<") is prepared the
// in-place way.
class TvxnLoteAssinatura {
public:
  TvxnLoteAssinatura(TvxnNFe& nfe, std::string lote);

  // Prepares the first numNotas documents (fewer when the text has fewer).
  void PrepararNotas(int numNotas);

  const std::string& Lote() const { return lote_; }
  const std::vector<TvxnNotaDoLote>& Notas() const { return notas_; }

private:
  struct Alteracao;

  bool PrepararEmUmaPassagem(int numNotas);
  void PrepararNoLugar(int numNotas);
  // The Id of the document's infNFe (empty when it has none) after the key check.
  std::string ChecarChave(std::string_view nota) const;
  // The change the CSRT makes to the document (none when the component has no CSRT or the document no
  // non-empty infRespTec).
  Alteracao AlteracaoCSRT(std::string_view nota, std::string_view chave) const;

  TvxnNFe& nfe_;
  TvxnGovUtils& utils_;
  std::string logDir_;
  std::string original_;
  std::string lote_;
  std::vector<TvxnNotaDoLote> notas_;
};

// Whether the template of assinar_nota.xml only wraps the document in one element that declares the
// NF-e namespace, <Name xmlns="http://www.portalfiscal.inf.br/nfe">%s%s</Name>: wrapped so, a document
// that is well-formed stays so and keeps its first Id, which is what TvxnNotaDoLote::id relies on.
bool ModeloApenasEnvolve(std::string_view modelo);

} // namespace vxn
