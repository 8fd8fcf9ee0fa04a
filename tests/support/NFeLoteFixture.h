// Unsigned NF-e 4.00 documents and lots for signing tests and benchmarks, made from the 10-item sample
// of tests/data: each document gets its own number, cNF and a valid access key, so that every document
// of a lot is distinct.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace vxn::test {

struct NotaOpcoes {
  std::string tpEmis = "1";
  // An infRespTec group (without idCSRT and hashCSRT) at the end of infNFe.
  bool comRespTec = false;
  // Extra elements written right after tpEmis's group element ide ends (dhCont, xJust go inside ide).
  std::string contingencia;
};

// Options with an infRespTec group; options with an issue type and contingency elements.
NotaOpcoes ComRespTec();
NotaOpcoes ComTpEmis(std::string tpEmis, std::string contingencia = {});

// The access key of document number nNF as NotaNaoAssinada writes it.
std::string ChaveDaNota(int nNF, std::string_view tpEmis = "1");
// One unsigned NFe element (with its namespace declaration).
std::string NotaNaoAssinada(int nNF, const NotaOpcoes& opcoes = {});
// An enviNFe lot of `quantidade` documents numbered 1..quantidade.
std::string LoteNaoAssinado(int quantidade, const NotaOpcoes& opcoes = {});

} // namespace vxn::test
