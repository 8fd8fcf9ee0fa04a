// A complete NF-e 4.00 document built by the input dataset (NFeDocumentFiller) and signed by the
// library, for the tests that send documents to the local tax-authority server.
#pragma once

#include <functional>
#include <string>

namespace vxn::test {

// The signed NFe element (no XML declaration) of document number nNF, signed with the PKCS#12 file.
// `change` edits the infNFe text before it is signed.
std::string SignedNFeDocument(int nNF, const std::string& pkcs12File, const std::string& password,
                              const std::function<std::string(std::string)>& change = {});

// The document signed over its element `elementName` whose Id is `id`, with the PKCS#12 file (no XML
// declaration).
std::string SignedElement(const std::string& xml, const std::string& elementName, const std::string& id,
                          const std::string& pkcs12File, const std::string& password);

// The infNFe element wrapped in NFe and signed with the PKCS#12 file (no XML declaration).
std::string SignedInfNFe(const std::string& infNFe, const std::string& pkcs12File,
                         const std::string& password);

// An enviNFe lot of layout 4.00 holding the documents.
std::string EnviNFeLot(const std::string& documents, bool synchronous, const std::string& idLote = "1");

} // namespace vxn::test
