// What one web service of the local tax-authority server implements. The server does the transport
// (TLS, routing by path and SOAP action, envelope parsing, faults); a service sees only the data message
// and returns the result element's content.
#pragma once

#include "sefaz-sim/SimNFCeQRCode.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode;

namespace vxn {
class TvxnXmlSignatureVerifier;
}

namespace vxn::sim {

class TSimDFe;
class TSimDpec;
class TSimEvents;
class TSimLots;
class TSimReplySigner;
class TSimSchemas;
class TSimStates;
class TSimTaxpayers;

// A request as a service sees it.
struct TSimRequest {
  std::string Section;       // section of the address: a state ("SP"), "AN", "SVCAN" or "SVCRS"
  std::string SoapAction;    // as sent
  std::string BodyNamespace; // namespace of the nfeDadosMsg element
  std::string HeaderCUF;     // cUF of the nfeCabecMsg header, when the envelope has one
  std::string DataXml;       // the message inside nfeDadosMsg, as a standalone document
  bool Compressed = false;   // the message came in nfeDadosMsgZip (and DataXml is it unpacked)
  std::string ClientCnpj;    // CNPJ of the client certificate ("" when it names none)
  // The message's element in the envelope's tree, when it reads there as DataXml parsed on its own
  // would (null otherwise): a service may read it instead of parsing DataXml again.
  const _xmlNode* DataElement = nullptr;
  // With DataElement, the text of each of its element children as received, when that is what writing
  // the child out of the tree gives (empty otherwise).
  std::vector<std::string_view> DataChildren;
};

// Server-wide switches and resources a service may use. Services read them for each request.
struct TSimContext {
  const TSimSchemas& Schemas;
  const TSimStates& States;
  // When set, the status service answers this code (108 or 109) for an otherwise good request.
  std::optional<int> StatusPaused;
  // Lots received and keys authorised, kept between requests.
  TSimLots& Lots;
  // The taxpayer registry of the taxpayer query.
  const TSimTaxpayers& Taxpayers;
  // Events accepted, kept between requests.
  TSimEvents& Events;
  // Signs the replies that carry a signature (retEvento).
  TSimReplySigner& Signer;
  // Checks the signatures of what clients send; made once per server.
  const TvxnXmlSignatureVerifier& Verifier;
  // The parties' feeds of the distribution service, kept between requests.
  TSimDFe& DFe;
  // Seconds a party must wait after "nothing found" (137) before asking again (656 otherwise); 0: no wait.
  int DFeWaitSeconds = 0;
  // The NSU whose docZip is sent damaged (a switched-on fault); 0: none.
  long long DFeDamagedNsu = 0;
  // Seconds the clock of the event deadlines runs ahead of the real one: an authorisation of now is that
  // old for the cancellation deadlines (24 hours, 168 hours for the substitution). 0: the real clock.
  long long PrazoAdiantadoSegundos = 0;
  // The CSC of the NFC-e QR codes of version 2.
  TSimCsc Csc;
  // The issue-date delay control of authorisations (150 after 7 days, 228 after 30), on a clock this
  // many seconds ahead of the real one.
  bool IssueDateDelay = false;
  long long EmissaoAdiantadaSegundos = 0;
  // A lot of one document must ask for the synchronous answer (452 otherwise).
  bool SingleDocumentSynchronous = false;
  // The states whose own authoriser is paralysed, with the code it answers (108 or 109). While a state
  // is paralysed its contingency authoriser (SVC-AN or SVC-RS) takes its documents.
  std::map<std::string, int> ParalysedStates;
  // The declarations of documents issued in contingency (DPEC) registered, kept between requests.
  TSimDpec& Dpec;

  // The code a paralysed state answers; 0 when the state ("SP") is in operation.
  int ParalysedCode(const std::string& uf) const {
    const auto it = ParalysedStates.find(uf);
    return it == ParalysedStates.end() ? 0 : it->second;
  }
};

class TSimService {
public:
  virtual ~TSimService() = default;
  // The WSDL name that ends the service's path: /<section>/ws/<WsdlName>.asmx.
  virtual std::string WsdlName() const = 0;
  // Whether the service is offered under a section of the servers file ("SP", "AN", ...): a service of
  // the national environment only is neither listed for nor answered under the other sections.
  virtual bool Serves(const std::string& /*section*/) const { return true; }
  // The keys of the servers file that point to this service.
  virtual std::vector<std::string> ServerKeys() const = 0;
  // The SOAP actions the service answers (compared without regard to case, as clients differ in the
  // case of the service name).
  virtual std::vector<std::string> Actions() const = 0;
  // The element that wraps the result in the reply body.
  virtual std::string ResultElement() const = 0;
  // The result element for one request (the compressed form of an operation may name another).
  virtual std::string ResultElementOf(const TSimRequest&) const { return ResultElement(); }
  // Content of the reply's SOAP header ("" for none).
  virtual std::string ReplyHeader(const TSimRequest&) const { return {}; }
  // The result document (for example a retConsStatServ element). Never throws for bad data: the tax
  // authority answers a rejection code instead.
  virtual std::string Handle(const TSimRequest& request, const TSimContext& context) const = 0;
};

} // namespace vxn::sim
