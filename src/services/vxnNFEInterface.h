// The web-service object of the NF-e component: the base that every layout version's class derives
// from. It builds the service data of the requests from templates, finds a service's address in the
// servers file of the current environment, and offers the escape and clean-up helpers the version
// classes use. The component owns it and hands it its configuration snapshot before each operation.
#pragma once

#include "vxnNFeSettings.h"

#include <functional>
#include <string>
#include <string_view>

namespace vxn {

class TvxnGovX;
class TvxnGovUtils;

// Told the name of the certificate the web-service object would use; the component sets none.
using TOnGetValidCertificateNFe = std::function<void(std::string& certificateName)>;

class TvxnNFEInterface {
public:
  // The snapshot and the two government-services objects are borrowed, never freed.
  TvxnNFEInterface(TNFeData& nfeData, TvxnGovX& gov, TvxnGovUtils& utils);
  virtual ~TvxnNFEInterface() = default;
  TvxnNFEInterface(const TvxnNFEInterface&) = delete;
  TvxnNFEInterface& operator=(const TvxnNFEInterface&) = delete;

  // ---- Service data (the XML that goes into the body of a request) ----
  // consStatServ with the snapshot's environment and state code.
  virtual std::string GetPedido_Status();
  virtual std::string GetPedido_CancelarNF(std::string_view x);
  virtual std::string GetPedido_ConsultarNF(std::string_view chave);
  virtual std::string GetPedido_ConsultaRecibo(std::string_view recibo);
  virtual std::string GetPedido_InutilizarNF(std::string_view x);
  virtual std::string GetPedido_ConsultaCadastro(std::string_view a, std::string_view b);

  // ---- Operations each layout version implements. The base has none of them: calling one on a class
  // that does not implement it raises EvxnException "Abstract Error". ----
  virtual std::string CalculaChaveNFe(std::string_view dEmi, std::string_view cUF, std::string_view cnpj,
                                      std::string_view modelo, std::string_view serie, std::string_view nNF,
                                      std::string_view tpEmis, std::string_view cNF);
  virtual std::string StatusDoServico();
  virtual std::string CancelarNF(std::string_view x);
  virtual std::string ConsultarNF(std::string_view chave);
  virtual std::string InutilizarNF(std::string_view x);
  virtual std::string EnviarNF(std::string_view lote, std::string_view xml, bool compactar);
  virtual std::string EnviarNFSincrono(std::string_view lote, std::string_view xml, bool compactar);
  virtual std::string ConsultarRecibo(std::string_view recibo);
  virtual std::string ConsultarCadastro(std::string_view a, std::string_view b);

  // The template text: in-program for layouts 3.10 and 4.00, otherwise the file of the snapshot's
  // templates folder + UF, with its accents removed. A missing file raises
  // EvxnTemplateNotFoundException.
  std::string LoadTemplate(std::string_view name) const;
  // The address of a service in the servers file, by operating mode: the UF's section (moNormal),
  // "SVCAN" or "SVCRS"; moEPEC has none. An empty address with mustExist raises EvxnNFeAddressException
  // "Servidor para <service> não definido no arquivo: <servers file>".
  std::string GetWSAddress(std::string_view service, bool mustExist) const;
  // Removes the first `<?xml version="1.0"?>` and then every CR LF pair.
  static std::string LimparXML(std::string_view xml);
  std::string Escape(std::string_view text) const;
  std::string GetSignatureInfo() const;

  void SetNFEData(TNFeData& nfeData) { nfeData_ = &nfeData; }
  void SetOnGetValidCertificate(TOnGetValidCertificateNFe callback) {
    onGetValidCertificate_ = std::move(callback);
  }
  void SetDiretorioLogErro(std::string_view dir) { diretorioLogErro_ = dir; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }

protected:
  const TNFeData& NFeData() const { return *nfeData_; }
  TvxnGovX& Gov() const { return *gov_; }
  TvxnGovUtils& Utils() const { return *utils_; }
  // The file name the address error names: the servers file of the snapshot's environment.
  std::string ArquivoServidores() const;
  // One call of a service: the address of the service key; the envelope template filled with the state
  // code (when comUF) and the service data, which is built only once the address is known; posted with
  // the action "<NF-e namespace>/wsdl/<wsdl>/<operacao>" (the namespace itself when operacao is empty)
  // and the result element. Returns the whole reply.
  std::string ChamarServico(std::string_view chave, std::string_view envelope, bool comUF,
                            const std::function<std::string()>& dados, std::string_view wsdl,
                            std::string_view resultado, std::string_view operacao) const;

private:
  TNFeData* nfeData_;
  TOnGetValidCertificateNFe onGetValidCertificate_;
  std::string diretorioLogErro_;
  TvxnGovX* gov_;
  TvxnGovUtils* utils_;
};

} // namespace vxn
