// What the distribution tests share: the local tax-authority server, a component configured for it with
// its own log and distribution folders, documents signed by the library, and the logs and index files a
// lot leaves behind, written as the component writes them.
#pragma once

#include "sefaz-sim/SefazSim.h"
#include "support/TempDir.h"
#include "vxnNFe.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vxn::test {

// The text of the first element `name` (with its tags) after `from`; "" when absent.
std::string Elemento(const std::string& xml, const std::string& name, std::size_t from = 0);
// The content of the first <name>...</name> after `from`.
std::string Conteudo(const std::string& xml, const std::string& name, std::size_t from = 0);
// `from` replaced by `to` once, after position `after`.
std::string TrocarUma(std::string s, const std::string& from, const std::string& to, std::size_t after = 0);

class DistribuicaoTest : public ::testing::Test {
public:
  // The server's authority (PEM file), the trusted root of the signatures it returns.
  static const std::string& CaFile() { return *caFile_; }

protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  // A document signed by the library; every call gives a new number (the server refuses a key twice).
  static std::string NovaNota();
  static std::string ChaveDe(const std::string& nfe);

  // The retEnviNFe of a lot sent to the server and the retConsReciNFe of a receipt query.
  static std::string Enviar(const std::string& lote);
  static std::string ConsultarRecibo(const std::string& nRec);

  // Sends the documents as one asynchronous lot, logs it and writes its index files as EnviarNF does;
  // returns the receipt number.
  std::string EnviarLoteComLogs(const std::vector<std::string>& notas, const std::string& idLote);
  // Logs the reply of a receipt query as ConsultarRecibo does; returns the log's file name.
  std::string LogarRetornoRecibo(const std::string& nRec, const std::string& retorno);

  std::string Pasta() const { return nfe_->GetDiretorioXmlDestinatario(); }
  std::string NaPasta(const std::string& nome) const { return Pasta() + nome; }
  std::string Log() const { return nfe_->GetDiretorioLog(); }

  static sim::TSefazSim* sim_;
  static TempDir* suiteDir_;
  static std::string* assinante_;
  static std::string* caFile_;
  static dev::TvxnDevIdentity* cliente_;

  TempDir dir_;
  sim::TSefazSimConfigFiles config_;
  std::unique_ptr<TvxnNFe> nfe_;
  std::vector<std::string> escritos_; // what OnXmlDestinatario announced
};

} // namespace vxn::test
