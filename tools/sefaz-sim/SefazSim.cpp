#include "sefaz-sim/SefazSim.h"

#include "sefaz-sim/SimDFe.h"
#include "sefaz-sim/SimDpec.h"
#include "sefaz-sim/SimEvents.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimOpenConnections.h"
#include "sefaz-sim/SimReplySigner.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimService.h"
#include "sefaz-sim/SimSoap.h"
#include "sefaz-sim/SimStates.h"
#include "sefaz-sim/SimStore.h"
#include "sefaz-sim/services/SimAutorizacao.h"
#include "sefaz-sim/services/SimCleCadastro.h"
#include "sefaz-sim/services/SimConsultaCadastro.h"
#include "sefaz-sim/services/SimConsultaDest.h"
#include "sefaz-sim/services/SimConsultaProtocolo.h"
#include "sefaz-sim/services/SimDPEC.h"
#include "sefaz-sim/services/SimDistribuicaoDFe.h"
#include "sefaz-sim/services/SimInutilizacao.h"
#include "sefaz-sim/services/SimRecepcaoEvento.h"
#include "sefaz-sim/services/SimRetAutorizacao.h"
#include "sefaz-sim/services/SimStatusServico.h"
#include "vxnCnpj.h"
#include "vxnGovX.h"
#include "vxnOutsideHandles.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"

#include <httplib.h>
#include <openssl/ssl.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vxn::sim {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
// Requests one connection may carry before the server closes it.
constexpr std::size_t kKeepAliveRequests = 1000;

outside::X509Ptr ReadCertificate(const std::string& pem) {
  outside::BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return outside::X509Ptr(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

outside::EvpPkeyPtr ReadKey(const std::string& pem) {
  outside::BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return outside::EvpPkeyPtr(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
}

// Marks each request of a connection as answered from its routing until its reply is written (when
// the library calls its logger), so that stopping waits for the replies being written; `logger` runs
// then too.
void FollowAnswers(httplib::Server& server, httplib::Logger logger) {
  server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
    TSimOpenConnections::Answering(req.ssl);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_logger([logger = std::move(logger)](const httplib::Request& req, const httplib::Response& res) {
    logger(req, res);
    TSimOpenConnections::Answered(req.ssl);
  });
}

// Every service the server offers. A new service is one more file under services/ and one line here.
std::vector<std::unique_ptr<TSimService>> MakeServices() {
  std::vector<std::unique_ptr<TSimService>> services;
  services.push_back(std::make_unique<TSimStatusServico>("4.00"));
  services.push_back(std::make_unique<TSimStatusServico>("3.10"));
  services.push_back(std::make_unique<TSimAutorizacao>("4.00"));
  services.push_back(std::make_unique<TSimAutorizacao>("3.10"));
  services.push_back(std::make_unique<TSimRetAutorizacao>("4.00"));
  services.push_back(std::make_unique<TSimRetAutorizacao>("3.10"));
  services.push_back(std::make_unique<TSimConsultaProtocolo>("4.00"));
  services.push_back(std::make_unique<TSimConsultaProtocolo>("3.10"));
  services.push_back(std::make_unique<TSimInutilizacao>("4.00"));
  services.push_back(std::make_unique<TSimInutilizacao>("3.10"));
  services.push_back(std::make_unique<TSimConsultaCadastro>("4"));
  services.push_back(std::make_unique<TSimConsultaCadastro>("2"));
  services.push_back(std::make_unique<TSimRecepcaoEvento>("4.00"));
  services.push_back(std::make_unique<TSimRecepcaoEvento>("3.10"));
  services.push_back(std::make_unique<TSimDistribuicaoDFe>());
  services.push_back(std::make_unique<TSimConsultaDest>());
  services.push_back(std::make_unique<TSimDownloadNF>());
  services.push_back(std::make_unique<TSimCleCadastro>());
  services.push_back(std::make_unique<TSimRecepcaoDPEC>());
  services.push_back(std::make_unique<TSimConsultaDPEC>());
  return services;
}

dev::TvxnDevAuthority MakeAuthority(const TSefazSimOptions& options) {
  if (!options.AuthorityCertificatePem.empty())
    return dev::TvxnDevAuthority::FromPem(options.AuthorityCertificatePem, options.AuthorityPrivateKeyPem,
                                          options.Keys);
  return dev::TvxnDevAuthority::Create("Quorvant NFe sefaz-sim CA", options.Keys);
}

struct TRoute {
  std::string section;
  std::string wsdlName;
};

// "/SP/ws/NFeStatusServico4.asmx" -> {"SP", "NFeStatusServico4"}; nullopt for any other shape.
std::optional<TRoute> ParsePath(const std::string& path) {
  const auto parts = Split(path, '/');
  if (parts.size() != 4 || !parts[0].empty() || !SameText(parts[2], "ws"))
    return std::nullopt;
  const std::string& file = parts[3];
  if (file.size() <= 5 || !SameText(file.substr(file.size() - 5), ".asmx"))
    return std::nullopt;
  return TRoute{AsciiUpper(parts[1]), file.substr(0, file.size() - 5)};
}

// The CNPJ an e-CNPJ certificate names at the end of its common name ("COMPANY NAME:11222333000181",
// or an alphanumeric one: "COMPANY NAME:12ABC34501DE35");
// "" when the client presented none or its name carries no CNPJ.
std::string ClientCnpjOf(const SSL* ssl) {
  outside::X509Ptr cert(ssl ? SSL_get1_peer_certificate(ssl) : nullptr);
  if (!cert)
    return {};
  char cn[256] = {};
  if (X509_NAME_get_text_by_NID(X509_get_subject_name(cert.get()), NID_commonName, cn, sizeof cn) <= 0)
    return {};
  const std::string name = cn;
  const std::size_t colon = name.rfind(':');
  const std::string cnpj = colon == std::string::npos ? "" : name.substr(colon + 1);
  return FormaCnpj(cnpj) ? cnpj : "";
}

} // namespace

struct TSefazSim::Impl {
  TSefazSimOptions options;
  dev::TvxnDevAuthority authority;
  std::string intermediatePem; // sent along with the server's certificate; "" when there is none
  dev::TvxnDevIdentity serverIdentity;
  TSimStates states;
  TSimSchemas schemas;
  TSimStore store;
  TSimLots lots{store};
  TSimEvents events{store};
  TSimDFe dfe{store};
  TSimDpec dpec{store};
  std::unique_ptr<TSimReplySigner> signer;
  TvxnXmlSignatureVerifier verifier;
  TSimTaxpayers taxpayers;
  std::vector<std::unique_ptr<TSimService>> services = MakeServices();
  // The connections of each listener, ended when it stops (declared before the listeners they outlive).
  TSimOpenConnections connections;
  TSimOpenConnections impostorConnections;
  std::unique_ptr<httplib::SSLServer> server;
  std::thread thread;
  std::atomic<int> port{0};
  std::atomic<int> statusPaused{0};
  mutable std::mutex paralysedMutex;
  std::map<std::string, int> paralysedStates;
  std::atomic<int> dfeWait{0};
  std::atomic<long long> dfeDamaged{0};
  std::atomic<long long> prazoAdiantado{0};
  std::atomic<long long> emissaoAdiantada{0};
  std::atomic<bool> issueDateDelay{false};
  std::atomic<bool> singleDocumentSynchronous{false};
  mutable std::mutex receivedMutex;
  std::deque<std::string> received;
  // Faults by upper-cased WSDL name; a reply held by Timeout waits on faultChanged.
  mutable std::mutex faultMutex;
  std::condition_variable faultChanged;
  std::map<std::string, TSimFault> faults;
  bool stopping = false;
  // The listener of WrongCertificate, started on first need.
  std::unique_ptr<httplib::SSLServer> impostor;
  std::thread impostorThread;
  std::atomic<int> impostorPort{0};

  explicit Impl(TSefazSimOptions o)
      : options(std::move(o)), authority(MakeAuthority(options)), serverIdentity(IssueServerIdentity()),
        schemas(options.SchemasDir.empty() ? ProgramDirectory() + "Esquemas/" : options.SchemasDir),
        store(options.DataDir), signer(std::make_unique<TSimReplySigner>(authority)),
        dfeWait(options.DFeWaitSeconds), dfeDamaged(options.DFeDamagedNsu),
        issueDateDelay(options.IssueDateDelay), singleDocumentSynchronous(options.SingleDocumentSynchronous) {
    for (const auto& [wsdlName, fault] : options.Faults)
      faults[AsciiUpper(wsdlName)] = fault;
  }

  TSimFault FaultOf(const std::string& wsdlName) const {
    std::lock_guard lock(faultMutex);
    const auto it = faults.find(AsciiUpper(wsdlName));
    return it == faults.end() ? TSimFault::None : it->second;
  }

  // A server certificate issued earlier is taken as it stands (the options that shape a new one do not
  // apply to it); otherwise one is issued, directly or through an intermediate.
  dev::TvxnDevIdentity IssueServerIdentity() {
    if (!options.ServerCertificatePem.empty() && !options.ServerPrivateKeyPem.empty())
      return {options.ServerCertificatePem, options.ServerPrivateKeyPem};
    if (!options.ServerViaIntermediate)
      return authority.IssueServer(options.ServerDnsNames, options.ServerIpAddresses,
                                   options.ServerValidFromDays, options.ServerValidToDays);
    const dev::TvxnDevAuthority intermediate = authority.IssueIntermediate("Quorvant NFe sefaz-sim AC SSL");
    intermediatePem = intermediate.CertificatePem();
    return intermediate.IssueServer(options.ServerDnsNames, options.ServerIpAddresses,
                                    options.ServerValidFromDays, options.ServerValidToDays);
  }

  const TSimService* FindService(const std::string& wsdlName) const {
    for (const auto& s : services)
      if (SameText(s->WsdlName(), wsdlName))
        return s.get();
    return nullptr;
  }

  // TLS: the server's certificate, TLS 1.2 or newer, and a client certificate that must chain to the
  // test authority.
  bool SetupTls(SSL_CTX& ctx, const dev::TvxnDevIdentity& identity, const std::string& chainPem) const {
    outside::X509Ptr cert = ReadCertificate(identity.CertificatePem);
    outside::EvpPkeyPtr key = ReadKey(identity.PrivateKeyPem);
    outside::X509Ptr ca = ReadCertificate(authority.CertificatePem());
    if (!cert || !key || !ca)
      return false;
    if (SSL_CTX_use_certificate(&ctx, cert.get()) != 1 || SSL_CTX_use_PrivateKey(&ctx, key.get()) != 1 ||
        SSL_CTX_check_private_key(&ctx) != 1)
      return false;
    if (!chainPem.empty()) {
      outside::X509Ptr intermediate = ReadCertificate(chainPem);
      if (!intermediate || SSL_CTX_add1_chain_cert(&ctx, intermediate.get()) != 1)
        return false;
    }
    if (X509_STORE_add_cert(SSL_CTX_get_cert_store(&ctx), ca.get()) != 1 ||
        SSL_CTX_add_client_CA(&ctx, ca.get()) != 1)
      return false;
    SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(&ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    return true;
  }

  void Fault(httplib::Response& res, const std::string& code, const std::string& reason) const {
    res.status = 500;
    res.set_content(BuildSoapFault(code, reason), "application/soap+xml; charset=utf-8");
  }

  void HandlePost(const httplib::Request& req, httplib::Response& res) {
    const auto route = ParsePath(req.path);
    const TSimService* service =
        route && states.IsSection(route->section) ? FindService(route->wsdlName) : nullptr;
    if (service && !service->Serves(route->section))
      service = nullptr;
    if (!service) {
      res.status = 404;
      res.set_content("Not Found", "text/plain");
      return;
    }
    const std::string action =
        SoapActionOf(req.get_header_value("Content-Type"), req.get_header_value("SOAPAction"));
    try {
      Answer(*route, *service, req, action, res);
    } catch (const TSimSoapFault& fault) {
      Fault(res, fault.Code(), fault.what());
    } catch (const std::exception& e) {
      Fault(res, "soap:Receiver", std::string("Server was unable to process request. ") + e.what());
    }
    ApplyFault(service->WsdlName(), res);
  }

  // The service has answered; a fault switched on for it changes what goes back.
  void ApplyFault(const std::string& wsdlName, httplib::Response& res) {
    const TSimFault fault = FaultOf(wsdlName);
    switch (fault) {
    case TSimFault::None:
    case TSimFault::WrongCertificate: // a matter of the listener, not of the reply
      return;
    case TSimFault::Timeout: {
      std::unique_lock lock(faultMutex);
      faultChanged.wait_for(lock, std::chrono::minutes(2), [&] {
        const auto it = faults.find(AsciiUpper(wsdlName));
        return stopping || it == faults.end() || it->second != TSimFault::Timeout;
      });
      return;
    }
    case TSimFault::ConnectionClosed: {
      // Returning false from the provider makes the library close the connection with the rest of
      // the announced body unsent.
      auto body = std::make_shared<std::string>(std::move(res.body));
      const std::string type = res.get_header_value("Content-Type");
      res.body.clear();
      res.headers.erase("Content-Type");
      res.set_content_provider(body->size(), type, [body](std::size_t, std::size_t, httplib::DataSink& sink) {
        sink.write(body->data(), body->size() / 2);
        return false;
      });
      return;
    }
    case TSimFault::Http500:
    case TSimFault::Http503:
      res.status = fault == TSimFault::Http500 ? 500 : 503;
      res.headers.erase("Content-Type");
      res.set_content(fault == TSimFault::Http500 ? "Internal Server Error" : "Service Unavailable",
                      "text/plain");
      return;
    case TSimFault::SoapFault:
      res.headers.erase("Content-Type");
      Fault(res, "soap:Receiver", std::string(kSimulatedFaultReason));
      return;
    case TSimFault::Malformed:
    case TSimFault::Truncated:
    case TSimFault::BadSignature: {
      const std::string type = res.get_header_value("Content-Type");
      res.headers.erase("Content-Type");
      res.set_content(SpoilReply(fault, res.body), type);
      return;
    }
    }
  }

  // A listener that serves the same requests, with a server certificate that clients of the test
  // authority do not trust; the address of a service with WrongCertificate points here.
  void StartImpostor() {
    if (impostor)
      return;
    const dev::TvxnDevAuthority stranger =
        dev::TvxnDevAuthority::Create("Autoridade desconhecida", options.Keys);
    const dev::TvxnDevIdentity identity =
        stranger.IssueServer(options.ServerDnsNames, options.ServerIpAddresses, options.ServerValidFromDays,
                             options.ServerValidToDays);
    auto server = std::make_unique<httplib::SSLServer>([this, identity](SSL_CTX& ctx) {
      impostorConnections.Follow(ctx);
      return SetupTls(ctx, identity, "");
    });
    if (!server->is_valid())
      throw std::runtime_error("sefaz-sim: TLS setup of the wrong-certificate listener failed");
    server->Post(".*", [this](const httplib::Request& req, httplib::Response& res) { HandlePost(req, res); });
    FollowAnswers(*server, [](const httplib::Request&, const httplib::Response&) {});
    const int bound = server->bind_to_any_port(kLoopback);
    if (bound <= 0)
      throw std::runtime_error("sefaz-sim: cannot bind the wrong-certificate listener");
    impostorPort = bound;
    impostor = std::move(server);
    impostorThread = std::thread([s = impostor.get()] { s->listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!impostor->is_running() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void StopImpostor() {
    if (!impostor)
      return;
    impostor->stop();
    impostorConnections.EndAll();
    if (impostorThread.joinable())
      impostorThread.join();
    impostor.reset();
    impostorPort = 0;
  }

  void Answer(const TRoute& route, const TSimService& service, const httplib::Request& req,
              const std::string& action, httplib::Response& res) {
    if (!StartsWithText(req.get_header_value("Content-Type"), "application/soap+xml"))
      throw TSimSoapFault("soap:Sender",
                          "The request is not SOAP 1.2: Content-Type must be application/soap+xml.");
    if (action.empty())
      throw TSimSoapFault("soap:Sender", "Unable to handle request without a valid action parameter.");
    bool known = false;
    for (const std::string& a : service.Actions())
      known = known || SameText(a, action);
    if (!known)
      throw TSimSoapFault("soap:Sender",
                          "Server did not recognize the value of HTTP Header SOAPAction: " + action + ".");
    const TSimEnvelope envelope = ParseSoapRequest(req.body);
    {
      std::lock_guard lock(receivedMutex);
      received.push_back(envelope.DataXml);
      while (received.size() > options.KeptMessages)
        received.pop_front();
    }
    const TSimRequest request{route.section,         action,           envelope.BodyNamespace,
                              envelope.HeaderCUF,    envelope.DataXml, envelope.Compressed,
                              ClientCnpjOf(req.ssl), envelope.Data,    envelope.DataChildren};
    const int paused = statusPaused.load();
    const TSimContext context{schemas,
                              states,
                              paused ? std::optional<int>(paused) : std::nullopt,
                              lots,
                              taxpayers,
                              events,
                              *signer,
                              verifier,
                              dfe,
                              dfeWait.load(),
                              dfeDamaged.load(),
                              prazoAdiantado.load(),
                              TSimCsc{options.NFCeCscId, options.NFCeCsc},
                              issueDateDelay.load(),
                              emissaoAdiantada.load(),
                              singleDocumentSynchronous.load(),
                              ParalysedStates(),
                              dpec};
    const std::string result = service.Handle(request, context);
    const std::string ns = envelope.BodyNamespace.empty() ? WsdlNamespaceOf(service) : envelope.BodyNamespace;
    res.status = 200;
    res.set_content(
        BuildSoapReply(service.ReplyHeader(request), service.ResultElementOf(request), ns, result),
        "application/soap+xml; charset=utf-8");
  }

  std::map<std::string, int> ParalysedStates() const {
    std::lock_guard lock(paralysedMutex);
    return paralysedStates;
  }

  static std::string WsdlNamespaceOf(const TSimService& service) { return WsdlNamespace(service.WsdlName()); }
};

TSefazSim::TSefazSim(TSefazSimOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

TSefazSim::~TSefazSim() {
  Stop();
}

void TSefazSim::Start() {
  if (impl_->server)
    return;
  {
    std::lock_guard lock(impl_->faultMutex);
    impl_->stopping = false;
  }
  auto server = std::make_unique<httplib::SSLServer>([this](SSL_CTX& ctx) {
    impl_->connections.Follow(ctx);
    return impl_->SetupTls(ctx, impl_->serverIdentity, impl_->intermediatePem);
  });
  if (!server->is_valid())
    throw std::runtime_error("sefaz-sim: TLS setup failed");
  server->set_payload_max_length(16 * 1024 * 1024);
  // A reply goes out in two writes (headers, then body): with Nagle's algorithm the body waits for the
  // client's delayed acknowledgement, some 40 ms for every request on loopback.
  server->set_tcp_nodelay(true);
  // A client keeps its connection for its next requests (a lot, the next lots, their receipts): a TLS
  // handshake per request cost both sides more than the request itself.
  server->set_keep_alive_max_count(kKeepAliveRequests);
  // SO_REUSEADDR only: the library's default SO_REUSEPORT would let a second server share a busy port.
  server->set_socket_options([](int sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  });
  server->Post(".*",
               [this](const httplib::Request& req, httplib::Response& res) { impl_->HandlePost(req, res); });
  server->Get(".*", [](const httplib::Request&, httplib::Response& res) {
    res.status = 405;
    res.set_content("Method Not Allowed", "text/plain");
  });
  FollowAnswers(*server, [this](const httplib::Request& req, const httplib::Response& res) {
    if (impl_->options.OnRequest)
      impl_->options.OnRequest(
          req.method + " " + req.path + " " + std::to_string(res.status) + " " +
          SoapActionOf(req.get_header_value("Content-Type"), req.get_header_value("SOAPAction")));
  });
  int port = impl_->options.Port;
  if (port == 0)
    port = server->bind_to_any_port(kLoopback);
  else if (!server->bind_to_port(kLoopback, port))
    port = -1;
  if (port <= 0)
    throw std::runtime_error("sefaz-sim: cannot bind 127.0.0.1:" + std::to_string(impl_->options.Port));
  impl_->port = port;
  impl_->server = std::move(server);
  impl_->thread = std::thread([s = impl_->server.get()] { s->listen_after_bind(); });
  // stop() only reaches a server whose accept loop has begun, so Start returns once it has.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!impl_->server->is_running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (const auto& [wsdlName, fault] : impl_->options.Faults)
    if (fault == TSimFault::WrongCertificate)
      impl_->StartImpostor();
}

void TSefazSim::Stop() {
  {
    std::lock_guard lock(impl_->faultMutex);
    impl_->stopping = true;
  }
  impl_->faultChanged.notify_all();
  impl_->StopImpostor();
  if (!impl_->server)
    return;
  impl_->server->stop();
  impl_->connections.EndAll(); // a client's idle connection would hold the stop for its keep-alive time
  if (impl_->thread.joinable())
    impl_->thread.join();
  impl_->server.reset();
}

bool TSefazSim::IsRunning() const {
  return impl_->server && impl_->server->is_running();
}

int TSefazSim::Port() const {
  return impl_->port;
}

std::string TSefazSim::BaseUrl() const {
  return std::string("https://") + kLoopback + ":" + std::to_string(Port());
}

std::string TSefazSim::ServiceUrl(const std::string& section, const std::string& wsdlName) const {
  return BaseUrl() + "/" + section + "/ws/" + wsdlName + ".asmx";
}

const dev::TvxnDevAuthority& TSefazSim::Authority() const {
  return impl_->authority;
}

const TSefazSimOptions& TSefazSim::Options() const {
  return impl_->options;
}

void TSefazSim::SetStatusPaused(std::optional<int> cStat) {
  impl_->statusPaused = cStat.value_or(0);
}

void TSefazSim::SetStateParalysed(const std::string& uf, std::optional<int> cStat) {
  if (!TSimStates::IsState(AsciiUpper(uf)) || (cStat && *cStat != 108 && *cStat != 109))
    throw std::invalid_argument("a paralysed authoriser is a state's (SP, ...), answering 108 or 109: " + uf);
  std::lock_guard lock(impl_->paralysedMutex);
  if (cStat)
    impl_->paralysedStates[AsciiUpper(uf)] = *cStat;
  else
    impl_->paralysedStates.erase(AsciiUpper(uf));
}

void TSefazSim::SetQueriesInProcessing(int count) {
  impl_->lots.SetQueriesInProcessing(count);
}

void TSefazSim::SetDFeWait(int seconds) {
  impl_->dfeWait = seconds < 0 ? 0 : seconds;
}

void TSefazSim::SetDFeDamagedNsu(long long nsu) {
  impl_->dfeDamaged = nsu;
}

void TSefazSim::SetEventDeadlineClockAhead(std::chrono::seconds ahead) {
  impl_->prazoAdiantado = ahead.count();
}

void TSefazSim::SetIssueDateClockAhead(std::chrono::seconds ahead) {
  impl_->emissaoAdiantada = ahead.count();
}

void TSefazSim::SetIssueDateDelay(bool on) {
  impl_->issueDateDelay = on;
}

void TSefazSim::SetSingleDocumentSynchronous(bool on) {
  impl_->singleDocumentSynchronous = on;
}

void TSefazSim::SetFault(const std::string& wsdlName, TSimFault fault) {
  {
    std::lock_guard lock(impl_->faultMutex);
    impl_->faults[AsciiUpper(wsdlName)] = fault;
  }
  impl_->faultChanged.notify_all();
  if (fault == TSimFault::WrongCertificate && impl_->server)
    impl_->StartImpostor();
}

TSimFault TSefazSim::FaultOf(const std::string& wsdlName) const {
  return impl_->FaultOf(wsdlName);
}

void TSefazSim::AddTaxpayer(TSimTaxpayer taxpayer) {
  impl_->taxpayers.Add(std::move(taxpayer));
}

std::string TSefazSim::ServersIniText() const {
  std::string ini;
  for (const std::string& section : impl_->states.Sections()) {
    ini += "[" + section + "]\r\n";
    for (const auto& service : impl_->services) {
      if (!service->Serves(section))
        continue;
      std::string url = ServiceUrl(section, service->WsdlName());
      if (impl_->impostorPort > 0 && impl_->FaultOf(service->WsdlName()) == TSimFault::WrongCertificate)
        url = std::string("https://") + kLoopback + ":" + std::to_string(impl_->impostorPort.load()) + "/" +
              section + "/ws/" + service->WsdlName() + ".asmx";
      for (const std::string& key : service->ServerKeys())
        ini += key + "=" + url + "\r\n";
    }
    // The NFC-e's QR code and consultation addresses of the state, which its QR code must name.
    ini += "NFCeQRCode=" + BaseUrl() + NFCeQRCodePath(section) + "\r\n";
    ini += "NFCeConsulta=" + BaseUrl() + NFCeConsultaPath(section) + "\r\n";
    ini += "\r\n";
  }
  return ini;
}

std::string TSefazSim::StatePath() const {
  return impl_->store.Path();
}

std::vector<std::string> TSefazSim::ReceivedMessages() const {
  std::lock_guard lock(impl_->receivedMutex);
  return {impl_->received.begin(), impl_->received.end()};
}

} // namespace vxn::sim
