// The pipe-text converter: blocks of "|"-separated data lines, each block opened by a marker line
// ("C|" header, "D|" detail, "R|" footer), written as XML through three dictionary files
// (dicCabecalho.txt, dicDetalhe.txt, dicRodape.txt). Line n of a block is laid out by line n of its
// dictionary; the entries of a dictionary line say, position by position, what each field becomes:
//
//   tag           <tag>value</tag>, nothing for an empty value
//   elem attr*    <elem attr="value">; "infNFe Id*" writes the document's Id and version
//   cDV           <cDV> with the key's check digit
//   ?? and /??    the value itself is the tag to open or close
//   otherwise     a value equal to the entry, or beginning with "/", is written as a tag
//
// A data line beginning with ICMS00 ... ICMS90 is laid out by the dictionary line of that tax group
// (ICMS00 at the current line, each next group one line further), and the line after it by the first
// dictionary line beginning with "PIS". A data line beginning with "+" (+ide, +IS, +IBSCBS, +det, +total:
// the groups of the tax reform package) is laid out by the dictionary line of that first entry, which
// writes nothing itself; each element the line writes goes into the group already written (ide, the
// current item, total), before the element that follows it in the schema. The access key of each document is
// computed from the values it carried (cUF and CNPJ of the issuer, mod, serie, nNF, cNF, the issue date and
// tpEmis).
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnGovUtils;

class TvxnNFeConvDic {
public:
  // diretorioDicionarios: the folder holding the three dictionaries.
  explicit TvxnNFeConvDic(std::string_view diretorioDicionarios, std::string_view diretorioLogErro = {});
  ~TvxnNFeConvDic();
  TvxnNFeConvDic(const TvxnNFeConvDic&) = delete;
  TvxnNFeConvDic& operator=(const TvxnNFeConvDic&) = delete;

  // The XML of every document of the text, each followed by CR LF; `versao` is the document version
  // written into infNFe. Errors of the text raise EvxnNFeCheckTXT.
  std::string Converter(std::string_view texto, std::string_view versao);

  // Names of the dictionary files.
  static constexpr std::string_view kDicCabecalho = "dicCabecalho.txt";
  static constexpr std::string_view kDicDetalhe = "dicDetalhe.txt";
  static constexpr std::string_view kDicRodape = "dicRodape.txt";

private:
  // The values of the document that make its access key.
  struct ValoresChave {
    std::string cUF, CNPJ, mod, serie, nNF, cNF, dEmi, tpEmis;
    bool destEncontrado = false;
  };
  // Where a placeholder sits in the document text, completed once the key is known.
  struct Marca {
    std::size_t posicao;
    bool id; // the infNFe Id (otherwise the check digit)
  };

  void ValidaPonteiro(char anterior, char atual) const;
  void ValidaFimDoArquivo(char ultimo) const;
  const std::vector<std::string>& CarregaDicionario(char bloco);
  void ValidaQtdeCamposLinha(std::string_view linha, std::string_view linhaDicionario) const;
  void EscreveLinha(std::string_view linha);
  // A "+" line: its elements inserted at their places in the groups already written.
  void EscreveLinhaInserida(std::string_view linha);
  void Insere(std::string_view elemento, std::string_view linha);
  void EscreveCampo(std::string_view entrada, std::string valor);
  void CapturaValoresChave(std::string_view entrada, std::string_view valor);
  std::string Substitui(std::string valor) const;
  void IniciaDocumento();
  void FinalizaDocumento(std::string& resultado);
  [[noreturn]] void Falha(std::string_view mensagem) const;

  std::string diretorio_;
  std::string logDir_;
  std::unique_ptr<TvxnGovUtils> govUtils_;
  // Loaded once per conversion, on the first block of their kind.
  std::array<std::optional<std::vector<std::string>>, 3> dicionarios_;

  // State of the conversion in progress.
  std::string versao_;
  const std::vector<std::string>* dicionario_ = nullptr;
  std::size_t indice_ = 0;
  std::string documento_;
  std::vector<Marca> marcas_;
  ValoresChave chave_;
};

} // namespace vxn
