// The local tax-authority server and a component configured from the files it writes, with a
// document authorised for each test, for the event round trips.
#pragma once

#include "sefaz-sim/SefazSim.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "vxnNFe.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vxn::test {

inline constexpr const char* kCnpjCertificado = "11222333000181";  // CNPJ of the server's client certificate
inline constexpr const char* kCnpjDestinatario = "99888777000166"; // recipient of the signed test document
// The signed element of an event, for xmlsec1's --id-attr.
inline constexpr const char* kInfEvento = "http://www.portalfiscal.inf.br/nfe:infEvento";

class EventosTest : public ::testing::Test {
protected:
  EventosTest();
  void SetUp() override;
  void TearDown() override;

  // Authorises a new document through the component (a synchronous lot) and returns its key; nProt
  // receives its protocol. `change` edits its infNFe before it is signed.
  std::string Autorizar(std::string* nProt = nullptr,
                        const std::function<std::string(std::string)>& change = {});
  // A signed document that was never sent.
  std::string NotaAssinada(const std::function<std::string(std::string)>& change = {});

  // The retEvento's field of a reply.
  static std::string Ret(const std::string& resposta, const std::string& tag);
  // The distribution file of the folder, "" when it does not exist.
  std::string Distribuicao(const std::string& nome) const;
  // Checks a distribution document: schema(s) and both signatures (the event's and the authority's)
  // with the xmlsec1 command line, the authority being the trusted root.
  void ChecarDistribuicao(const std::string& xml, const std::vector<std::string>& esquemas) const;

  // A server of the test's own, and the files written for it.
  TempDir dir_;
  sim::TSefazSim sim_{test::SimOptions()};
  sim::TSefazSimConfigFiles files_;
  int proximoNumero_ = 7000;
  std::unique_ptr<TvxnNFe> nfe_;
  std::vector<std::string> anunciados_;    // OnXmlDestinatario
  std::vector<std::string> cancelamentos_; // OnXmlCanDestinatario
};

} // namespace vxn::test
