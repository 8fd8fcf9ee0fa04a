#include "SignedNFeDocument.h"

#include "NFeDocumentFiller.h"
#include "datasets/vxnNFeDataSets.h"
#include "vxnGovX.h"

namespace vxn::test {

std::string SignedNFeDocument(int nNF, const std::string& pkcs12File, const std::string& password,
                              const std::function<std::string(std::string)>& change) {
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(ShippedDictionary());
  FillDocument(ds, nNF, 1);
  ds.Salvar();
  std::string infNFe = ds.GetLoteNFe()[0];
  if (change)
    infNFe = change(infNFe);
  return SignedInfNFe(infNFe, pkcs12File, password);
}

std::string SignedElement(const std::string& xml, const std::string& elementName, const std::string& id,
                          const std::string& pkcs12File, const std::string& password) {
  TvxnGovX gov;
  auto& s = gov.Get_SignerSettings();
  s.CertificateKind = ckFile;
  s.CertificatePath = pkcs12File;
  s.CertificatePassword = password;
  s.ElementName = elementName;
  std::string signed_ = gov.SignXmlById(xml, id);
  if (signed_.starts_with("<?xml"))
    signed_.erase(0, signed_.find("?>") + 2);
  return signed_;
}

std::string SignedInfNFe(const std::string& infNFe, const std::string& pkcs12File,
                         const std::string& password) {
  return SignedElement("<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + infNFe + "</NFe>", "infNFe",
                       infNFe.substr(std::string("<infNFe Id=\"").size(), 47), pkcs12File, password);
}

std::string EnviNFeLot(const std::string& documents, bool synchronous, const std::string& idLote) {
  return R"(<enviNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><idLote>)" + idLote +
         "</idLote><indSinc>" + (synchronous ? "1" : "0") + "</indSinc>" + documents + "</enviNFe>";
}

} // namespace vxn::test
