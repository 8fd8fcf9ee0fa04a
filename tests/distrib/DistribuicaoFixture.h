// What the distribution tests share: the local tax-authority server, a component configured for it with
// its own log and distribution folders, documents signed by the library, and lots sent through the
// component (which writes their logs and index files).
#pragma once

#include "sefaz-sim/SefazSim.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlTag.h"
#include "vxnNFe.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vxn::test {

// The text of the first element `name` (with its tags) after `from`; "" when absent.
inline std::string Elemento(const std::string& xml, const std::string& name, std::size_t from = 0) {
  return Between(xml, "<" + name, "</" + name + ">", from);
}
// `from` replaced by `to` once, after position `after`.
std::string TrocarUma(std::string s, const std::string& from, const std::string& to, std::size_t after = 0);

class DistribuicaoTest : public ::testing::Test {
protected:
  DistribuicaoTest();

  // The server's authority (PEM file), the trusted root of the signatures it returns.
  const std::string& CaFile() const { return caFile_; }

  // A document signed by the library; every call gives a new number (the server refuses a key twice).
  std::string NovaNota();
  static std::string ChaveDe(const std::string& nfe);

  // The retEnviNFe of a lot sent to the server and the retConsReciNFe of a receipt query, from outside
  // the component: the tests change them before the component reads them.
  std::string Enviar(const std::string& lote);
  std::string ConsultarRecibo(const std::string& nRec);

  // Sends the documents as one asynchronous lot with EnviarNF; returns the receipt number.
  std::string EnviarLote(const std::vector<std::string>& notas, const std::string& idLote);
  // Logs the reply of a receipt query under the name ConsultarRecibo gives it; returns that name.
  std::string LogarRetornoRecibo(const std::string& nRec, const std::string& retorno);

  std::string Pasta() const { return nfe_->GetDiretorioXmlDestinatario(); }
  std::string NaPasta(const std::string& nome) const { return Pasta() + nome; }
  std::string Log() const { return nfe_->GetDiretorioLog(); }

  sim::TSefazSim sim_{test::SimOptions()};
  dev::TvxnDevIdentity cliente_;
  TempDir dir_;
  std::string assinante_ = dir_.File("assinatura.pfx");
  std::string caFile_ = dir_.File("ca.pem");
  sim::TSefazSimConfigFiles config_;
  std::unique_ptr<TvxnNFe> nfe_;
  std::vector<std::string> escritos_; // what OnXmlDestinatario announced
};

} // namespace vxn::test
