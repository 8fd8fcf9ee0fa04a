// The local tax-authority server: answers the NF-e web services over HTTPS on 127.0.0.1 as a state
// authority's homologation environment would, for development and tests.
//
// TLS with its own server certificate; every client must present a certificate that chains to the
// server's test authority. Requests are routed by path (/<section>/ws/<service>.asmx, the section being
// a state, "AN", "SVCAN" or "SVCRS") and SOAP action; a request that is not SOAP 1.2, has an action the
// service does not know, or is not well-formed gets a SOAP fault with HTTP 500.
#pragma once

#include "sefaz-sim/SimFaults.h"
#include "sefaz-sim/SimTaxpayers.h"
#include "vxnDevCertificates.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vxn::sim {

struct TSefazSimOptions {
  // 0 picks a free port.
  int Port = 0;
  // Folder of the official schemas; empty means "Esquemas/" in the program directory.
  std::string SchemasDir;
  // PEM of an authority made earlier, so that client certificates issued then stay valid; empty makes
  // a new one.
  std::string AuthorityCertificatePem;
  std::string AuthorityPrivateKeyPem;
  // PEM of a server certificate issued earlier by that authority, and its key, so that a server started
  // again makes no key; empty issues a new one.
  std::string ServerCertificatePem;
  std::string ServerPrivateKeyPem;
  // Where the authority takes the keys of what it issues (and its own when it makes a new one); empty
  // makes each key when needed.
  std::shared_ptr<dev::TvxnDevKeySource> Keys;
  // Folder of the server's state (the database "sefaz-sim.db": authorised documents, protocols,
  // receipts, invalidations, events), created when missing; a server started again on the same folder
  // remembers all of it. Empty keeps the state in memory for the life of the server.
  std::string DataDir;
  // Seconds a party must wait, after the distribution service answered "nothing found" (137), before it
  // asks again; asking sooner is refused (656) and starts the wait again. 0 (the default) waits nothing.
  int DFeWaitSeconds = 0;
  // A fault for tests of the client's handling: the distribution service sends the document of this NSU
  // as a docZip that does not decompress. 0 (the default) sends every one as it is.
  long long DFeDamagedNsu = 0;
  // The server's TLS certificate. With ServerViaIntermediate it is issued by an intermediate authority
  // under the test authority and the server sends that intermediate along, as the tax authorities'
  // servers do (a client that trusts the root only must build the chain); otherwise the test authority
  // issues it. ServerNames are its DNS names and IP addresses ("127.0.0.1" and "localhost" by default);
  // ServerValidDays its validity relative to now (a negative end gives an expired certificate).
  bool ServerViaIntermediate = false;
  std::vector<std::string> ServerDnsNames{"localhost"};
  std::vector<std::string> ServerIpAddresses{"127.0.0.1"};
  int ServerValidFromDays = -1;
  int ServerValidToDays = 825;
  // The CSC every issuer holds for the NFC-e QR codes of version 2 (its id as the state hands it out);
  // WriteConfig puts them into the configuration it writes.
  std::string NFCeCscId = "000001";
  std::string NFCeCsc = "QVXSIM0CSC0HOMOLOGACAO0000000000001";
  // The issue-date delay control of the authorisations: an NF-e issued more than 7 days before it
  // arrives is authorised late (150), more than 30 days before refused (228) unless in contingency.
  // Off by default (examples and tests carry fixed dates); sefaz-sim --date-delay switches it on.
  bool IssueDateDelay = false;
  // A lot of one document sent for an asynchronous answer (indSinc 0) is refused (452), as the
  // authorities do since the synchronous answer became compulsory for such lots. Off by default (hosts
  // of the documented asynchronous flow send such lots); sefaz-sim --single-sync switches it on.
  bool SingleDocumentSynchronous = false;
  // Faults switched on from the start, by the WSDL name of the service ("NFeAutorizacao4"); see
  // SimFaults.h and SetFault.
  std::map<std::string, TSimFault> Faults;
  // Told of every request once answered: "<method> <path> <HTTP status> <action>".
  std::function<void(const std::string&)> OnRequest;
  // How many of the latest data messages ReceivedMessages keeps, the oldest dropped first, so that a
  // server left running for days does not grow with every request.
  std::size_t KeptMessages = 1000;
};

// The files WriteConfig leaves in a folder.
struct TSefazSimConfigFiles {
  std::string ServersFile;       // servers file with every section pointing at this server
  std::string ConfigFile;        // component INI file (section NFE) that uses it
  std::string ClientCertificate; // e-CNPJ test certificate, PKCS#12
  std::string ClientPassword;
  std::string AuthorityCertificate; // PEM of the test authority (to verify the server)
  std::string Cnpj;                 // CNPJ of the client certificate
  // The CL-e component's configuration (section CLE) of the same party, certificate and servers file.
  std::string CleConfigFile;
  // The other side of the examples' sale, in the subfolder "destinatario/": a configuration of the
  // recipient (CNPJ 17444555000125, state MG) with a certificate of its own from the same authority.
  std::string RecipientConfigFile;
  std::string RecipientCertificate;
  std::string RecipientCnpj;
  // An issuer of alphanumeric CNPJ (12ABC34501DE35, state SP) in the subfolder "alfanumerico/": its
  // configuration and a certificate of its own from the same authority.
  std::string AlphanumericConfigFile;
  std::string AlphanumericCertificate;
  std::string AlphanumericCnpj;
};

class TSefazSim {
public:
  explicit TSefazSim(TSefazSimOptions options = {});
  ~TSefazSim();
  TSefazSim(const TSefazSim&) = delete;
  TSefazSim& operator=(const TSefazSim&) = delete;

  // Binds 127.0.0.1 and starts answering on a thread of its own; throws std::runtime_error when the
  // port cannot be bound or the TLS setup fails.
  void Start();
  // Stops listening and waits for the server thread. Safe to call twice.
  void Stop();
  bool IsRunning() const;

  int Port() const;
  // "https://127.0.0.1:<port>"
  std::string BaseUrl() const;
  // Address of a service under a section: BaseUrl() + "/SP/ws/NFeStatusServico4.asmx".
  std::string ServiceUrl(const std::string& section, const std::string& wsdlName) const;

  const dev::TvxnDevAuthority& Authority() const;
  // The options the server was made with.
  const TSefazSimOptions& Options() const;
  // Makes the status service answer 108 or 109 (service paused) to good requests; nullopt restores 107.
  void SetStatusPaused(std::optional<int> cStat);
  // Paralyses the authoriser of a state ("SP"): its status and authorisation services answer 108 or 109,
  // and its contingency authoriser (SVC-AN or SVC-RS) takes the state's documents (114 otherwise);
  // nullopt puts it back in operation.
  void SetStateParalysed(const std::string& uf, std::optional<int> cStat);
  // How many receipt queries of each lot answer 105 (in processing) before it answers 104; 0 (the
  // default) processes lots at once.
  void SetQueriesInProcessing(int count);
  // The wait of the distribution service after "nothing found" (TSefazSimOptions::DFeWaitSeconds).
  void SetDFeWait(int seconds);
  // The distribution service's damaged document (TSefazSimOptions::DFeDamagedNsu).
  void SetDFeDamagedNsu(long long nsu);
  // Runs the clock of the event deadlines ahead, so that the documents authorised now look that old to
  // a cancellation (155 after 24 hours, 501 for a substitution after 168 hours); 0 restores it.
  void SetEventDeadlineClockAhead(std::chrono::seconds ahead);
  // Runs the clock of the issue-date rules ahead, so that a document dated now looks that late to the
  // delay control (TSefazSimOptions::IssueDateDelay); 0 restores it.
  void SetIssueDateClockAhead(std::chrono::seconds ahead);
  // Switches the rules of TSefazSimOptions::IssueDateDelay and SingleDocumentSynchronous.
  void SetIssueDateDelay(bool on);
  void SetSingleDocumentSynchronous(bool on);

  // Switches a fault on for every request of the service of that WSDL name (compared without regard to
  // case), or off with TSimFault::None. WrongCertificate starts a second listener, with a server
  // certificate of an authority the clients do not know, and gives the service its address there in the
  // servers file written from then on (ServersIniText, WriteConfig). A reply held by Timeout goes out
  // when its fault is switched off or the server stops.
  void SetFault(const std::string& wsdlName, TSimFault fault);
  TSimFault FaultOf(const std::string& wsdlName) const;

  // Registers a taxpayer for the taxpayer query (111 with its infCad; an unknown one is refused).
  void AddTaxpayer(TSimTaxpayer taxpayer);

  // The servers file: a section per state, "AN", "SVCAN" and "SVCRS", each key of every service
  // pointing at this server. CR LF line ends.
  std::string ServersIniText() const;
  // Writes into `dir` (created when missing) the servers file, a component INI file that uses it, a
  // client certificate and the authority's certificate; and into `dir`/destinatario/ the recipient's
  // INI file and certificate.
  TSefazSimConfigFiles WriteConfig(const std::string& dir) const;

  // The database file of the state; "" when it is kept in memory.
  std::string StatePath() const;

  // The latest data messages received (the XML inside nfeDadosMsg; at most KeptMessages), oldest first.
  std::vector<std::string> ReceivedMessages() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace vxn::sim
