// Logs read once for a whole lot. Writing the distribution XML of a lot looks up every document of the
// lot-sending log and every protocol of the receipt log; finding each of them in the log text anew costs
// the square of the lot's size. These readers load and select a log once and then find a document or a
// protocol by its access key, giving what TvxnNFeXMLLogs gives for the same key.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// The elements a log selects, each indexed by the access key it belongs to.
class TvxnNFeNosPorChave {
public:
  TvxnNFeNosPorChave() = default;
  // `chaveDe` gives the key an element belongs to ("" for none).
  template <typename ChaveDe>
  TvxnNFeNosPorChave(std::vector<std::string> nos, ChaveDe chaveDe) : nos_(std::move(nos)) {
    for (std::size_t i = 0; i < nos_.size(); ++i)
      Indexar(chaveDe(nos_[i]), i);
  }
  // The elements with their keys, one per element.
  TvxnNFeNosPorChave(std::vector<std::string> nos, const std::vector<std::string>& chaves)
      : nos_(std::move(nos)) {
    for (std::size_t i = 0; i < nos_.size(); ++i)
      Indexar(chaves[i], i);
  }
  bool Vazio() const { return nos_.empty(); }
  // The first element that is the key's own or, having no key of its own, has the key in its text; ""
  // when there is none. An element of another key that merely mentions this one (a referenced
  // document) is not taken for it.
  std::string Acha(std::string_view chave) const;

private:
  void Indexar(const std::string& chave, std::size_t i) {
    if (chave.empty())
      semChave_.push_back(i);
    else
      porChave_.emplace(chave, i); // the first element of a key wins
  }

  std::vector<std::string> nos_;
  std::map<std::string, std::size_t, std::less<>> porChave_;
  std::vector<std::size_t> semChave_;
};

// The signed NFe of a lot-sending log (the children of its root element), by the Id of their infNFe.
class TvxnNFeLogEnvioLido {
public:
  // Reads the log as TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio does, with its exceptions: an empty log, or
  // one without any element under its root, is refused.
  TvxnNFeLogEnvioLido(std::string_view arquivo, std::string_view diretorio);
  // TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio(chave, arquivo, diretorio) of the log read.
  std::string NFeAssinada(std::string_view chave) const;

private:
  TvxnNFeNosPorChave nfe_;
};

// The infProt of a receipt-query reply log, by their chNFe.
class TvxnNFeLogReciboLido {
public:
  TvxnNFeLogReciboLido(std::string_view arquivo, std::string_view diretorio);
  // TvxnNFeXMLLogs::AchaInfProtLogConsRec(chave, arquivo, diretorio) of the log read.
  std::string InfProt(std::string_view chave) const;

private:
  TvxnNFeNosPorChave infProt_;
};

} // namespace vxn
