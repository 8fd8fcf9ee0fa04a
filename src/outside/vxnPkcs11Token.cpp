#include "vxnPkcs11Token.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnOpenSsl.h"
#include "vxnPaths.h"

#include <libp11.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

namespace vxn::outside {

namespace {

// The PKCS#11 return values a login is judged by (their values are fixed by the PKCS#11 standard).
constexpr int kCkrPinIncorrect = 0xA0;
constexpr int kCkrPinInvalid = 0xA1;
constexpr int kCkrPinLenRange = 0xA2;
constexpr int kCkrPinLocked = 0xA4;

using PinDigest = std::array<unsigned char, SHA256_DIGEST_LENGTH>;

PinDigest DigestOf(const std::string& pin) {
  PinDigest d{};
  SHA256(reinterpret_cast<const unsigned char*>(pin.data()), pin.size(), d.data());
  return d;
}

// One loaded module with its slots. libp11 keeps the keys and certificates it hands out inside the slots,
// so the slots are enumerated once and the module is unloaded only when nothing of it is in use.
struct Pkcs11Module {
  std::string Path;
  PKCS11_CTX* Ctx = nullptr;
  PKCS11_SLOT* Slots = nullptr;
  unsigned int SlotCount = 0;
  std::mutex Lock;
  // The PIN each slot was logged in with (its digest): a login holds for the whole module, so another
  // PIN given later could not be checked by the token.
  std::map<const PKCS11_SLOT*, PinDigest> LoggedIn;

  ~Pkcs11Module() {
    if (Slots)
      PKCS11_release_all_slots(Ctx, Slots, SlotCount);
    if (Ctx) {
      PKCS11_CTX_unload(Ctx);
      PKCS11_CTX_free(Ctx);
    }
    ERR_clear_error();
  }
};

// What a loaded certificate keeps alive: the module of its key.
struct TokenHold {
  std::shared_ptr<Pkcs11Module> Module;
};

[[noreturn]] void Fail(const std::string& logDir, std::string_view format,
                       std::initializer_list<FormatArg> args) {
  ERR_clear_error();
  throw EvxnNFeCertificationException(format, args, logDir);
}

std::string ModulePath(const TvxnCertificateSettings& s, const std::string& logDir) {
  if (!s.Pkcs11Module.empty()) {
    std::string path = ExpandPath(s.Pkcs11Module);
    if (!FileExists(path))
      Fail(logDir, "Módulo PKCS#11 não encontrado: %s", {path});
    return path;
  }
  for (const auto& p : DefaultPkcs11Modules())
    if (FileExists(p))
      return p;
  Fail(logDir,
       "Nenhum módulo PKCS#11 encontrado nos caminhos usuais; informe em ModuloPKCS11 o módulo do cartão "
       "ou token",
       {});
}

std::shared_ptr<Pkcs11Module> LoadModule(const std::string& path, const std::string& logDir) {
  static std::mutex registryLock;
  static std::map<std::string, std::weak_ptr<Pkcs11Module>> registry;
  std::lock_guard lock(registryLock);
  if (auto m = registry[path].lock())
    return m;
  EnsureOpenSslProviders();
  auto m = std::make_shared<Pkcs11Module>();
  m->Path = path;
  m->Ctx = PKCS11_CTX_new();
  if (!m->Ctx || PKCS11_CTX_load(m->Ctx, path.c_str()) != 0) {
    std::string reason = OpenSslErrors();
    // The failed load left nothing to unload.
    if (m->Ctx)
      PKCS11_CTX_free(m->Ctx);
    m->Ctx = nullptr;
    Fail(logDir, "Não foi possível carregar o módulo PKCS#11 %s: %s", {path, reason});
  }
  if (PKCS11_enumerate_slots(m->Ctx, &m->Slots, &m->SlotCount) != 0)
    Fail(logDir, "O módulo PKCS#11 %s não listou seus leitores: %s", {path, OpenSslErrors()});
  registry[path] = m;
  return m;
}

std::string Trimmed(const char* s) {
  std::string out = s ? s : "";
  while (!out.empty() && out.back() == ' ')
    out.pop_back();
  return out;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
  return out;
}

// A "pkcs11:" address (RFC 7512), reduced to the attributes that choose a token and a certificate.
struct TokenAddress {
  bool Present = false;
  std::string Token, Serial, Object, Id;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// False when a "%" is not followed by two hexadecimal digits.
bool PercentDecoded(std::string_view v, std::string& out) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '%') {
      out += v[i];
      continue;
    }
    if (i + 2 >= v.size() || HexDigit(v[i + 1]) < 0 || HexDigit(v[i + 2]) < 0)
      return false;
    out += static_cast<char>(HexDigit(v[i + 1]) * 16 + HexDigit(v[i + 2]));
    i += 2;
  }
  return true;
}

TokenAddress ParseAddress(std::string_view name, const std::string& logDir) {
  TokenAddress a;
  constexpr std::string_view kScheme = "pkcs11:";
  if (Upper(name.substr(0, kScheme.size())) != "PKCS11:")
    return a;
  a.Present = true;
  std::string_view rest = name.substr(kScheme.size());
  rest = rest.substr(0, rest.find('?'));
  while (!rest.empty()) {
    const std::size_t semi = rest.find(';');
    std::string_view attr = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    const std::size_t eq = attr.find('=');
    if (eq == std::string_view::npos)
      continue;
    std::string value;
    if (!PercentDecoded(attr.substr(eq + 1), value))
      Fail(logDir, "Endereço PKCS#11 inválido: %s", {std::string(name)});
    const std::string key(attr.substr(0, eq));
    if (key == "token")
      a.Token = value;
    else if (key == "serial")
      a.Serial = value;
    else if (key == "object")
      a.Object = value;
    else if (key == "id")
      a.Id = value;
  }
  return a;
}

bool IsHolderCertificate(X509* cert) {
  return cert && X509_check_ca(cert) == 0;
}

bool CertificateMatches(const PKCS11_CERT& c, const PKCS11_TOKEN& token, std::string_view name,
                        const TokenAddress& a) {
  if (a.Present) {
    if (!a.Object.empty() && Trimmed(c.label) != a.Object)
      return false;
    if (!a.Id.empty() && std::string(reinterpret_cast<const char*>(c.id), c.id_len) != a.Id)
      return false;
    return IsHolderCertificate(c.x509);
  }
  if (!IsHolderCertificate(c.x509))
    return false;
  if (name.empty())
    return true;
  const std::string n = Upper(name);
  return Upper(CommonName(c.x509)) == n || Upper(SubjectLine(c.x509)).find(n) != std::string::npos ||
         Upper(Trimmed(c.label)) == n || Upper(Trimmed(token.label)) == n;
}

bool TokenMatches(const PKCS11_TOKEN& t, const TokenAddress& a) {
  return (a.Token.empty() || Trimmed(t.label) == a.Token) &&
         (a.Serial.empty() || Trimmed(t.serialnr) == a.Serial);
}

// The tokens present in the module's slots (that the address names, if any).
std::vector<PKCS11_SLOT*> PresentTokens(Pkcs11Module& m, const TokenAddress& a) {
  std::vector<PKCS11_SLOT*> out;
  for (unsigned int i = 0; i < m.SlotCount; ++i) {
    PKCS11_SLOT* slot = &m.Slots[i];
    if (slot->token && slot->token->initialized && TokenMatches(*slot->token, a))
      out.push_back(slot);
  }
  return out;
}

std::vector<PKCS11_CERT*> Certificates(PKCS11_SLOT* slot) {
  PKCS11_CERT* certs = nullptr;
  unsigned int n = 0;
  std::vector<PKCS11_CERT*> out;
  if (PKCS11_enumerate_certs(slot->token, &certs, &n) != 0) {
    ERR_clear_error();
    return out;
  }
  for (unsigned int i = 0; i < n; ++i)
    out.push_back(&certs[i]);
  return out;
}

// The last PIN each token refused (by module and token serial number), for the life of the process. A
// card locks after a few wrong PINs, and a wrong PIN in the configuration would otherwise be presented
// again by every operation: it is presented once.
class RefusedPins {
public:
  bool Contains(const std::string& token, const PinDigest& pin) {
    std::lock_guard lock(lock_);
    auto it = refused_.find(token);
    return it != refused_.end() && it->second == pin;
  }
  void Set(const std::string& token, const PinDigest& pin) {
    std::lock_guard lock(lock_);
    refused_[token] = pin;
  }
  void Forget(const std::string& token) {
    std::lock_guard lock(lock_);
    refused_.erase(token);
  }

private:
  std::mutex lock_;
  std::map<std::string, PinDigest> refused_;
};

RefusedPins& Refused() {
  static RefusedPins r;
  return r;
}

// Logs in to the token with the PIN, once per module; a token whose PIN is locked is never tried, nor is
// the PIN it refused last.
void Login(Pkcs11Module& m, PKCS11_SLOT* slot, const std::string& pin, const std::string& logDir) {
  const std::string label = Trimmed(slot->token->label);
  const std::string tokenKey = m.Path + '\n' + Trimmed(slot->token->serialnr) + '\n' + label;
  if (auto it = m.LoggedIn.find(slot); it != m.LoggedIn.end()) {
    if (it->second == DigestOf(pin))
      return;
    Fail(logDir, "O cartão ou token %s já está aberto neste programa com outro PIN", {label});
  }
  if (slot->token->userPinLocked)
    Fail(logDir, "PIN bloqueado no cartão ou token %s: desbloqueie-o com o PUK antes de usá-lo", {label});
  const bool pinPad = slot->token->secureLogin;
  if (slot->token->loginRequired && pin.empty() && !pinPad)
    Fail(logDir, "PIN do cartão ou token %s não informado (PinCode)", {label});
  if (slot->token->loginRequired) {
    if (!pin.empty() && Refused().Contains(tokenKey, DigestOf(pin)))
      Fail(logDir, "PIN incorreto para o cartão ou token %s", {label});
    ERR_clear_error();
    if (PKCS11_login(slot, 0, pinPad && pin.empty() ? nullptr : pin.c_str()) != 0) {
      int ckr = 0;
      while (unsigned long e = ERR_get_error())
        if (ERR_GET_LIB(e) == ERR_get_CKR_code())
          ckr = ERR_GET_REASON(e);
      if (ckr == kCkrPinIncorrect || ckr == kCkrPinInvalid || ckr == kCkrPinLenRange) {
        Refused().Set(tokenKey, DigestOf(pin));
        Fail(logDir, "PIN incorreto para o cartão ou token %s", {label});
      }
      if (ckr == kCkrPinLocked)
        Fail(logDir, "PIN bloqueado no cartão ou token %s: desbloqueie-o com o PUK antes de usá-lo", {label});
      char code[16];
      std::snprintf(code, sizeof code, "0x%X", static_cast<unsigned>(ckr));
      Fail(logDir, "Não foi possível entrar no cartão ou token %s (código PKCS#11 %s)", {label, code});
    }
  }
  Refused().Forget(tokenKey);
  m.LoggedIn[slot] = DigestOf(pin);
}

std::string AddressOf(const PKCS11_TOKEN& token, const PKCS11_CERT& cert) {
  return "pkcs11:token=" + Trimmed(token.label) + ";object=" + Trimmed(cert.label);
}

} // namespace

const std::vector<std::string>& DefaultPkcs11Modules() {
  static const std::vector<std::string> paths = {
      "/usr/lib/libeToken.so",  // SafeNet Authentication Client
      "/usr/lib/libaetpkss.so", // SafeSign Identity Client
      "/usr/lib/x86_64-linux-gnu/p11-kit-proxy.so",
      "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so",
      "/usr/lib/x86_64-linux-gnu/pkcs11/opensc-pkcs11.so",
      "/usr/lib/softhsm/libsofthsm2.so",
  };
  return paths;
}

std::shared_ptr<const TvxnLoadedCertificate> OpenTokenCertificate(const TvxnCertificateSettings& s,
                                                                  const std::string& logDir) {
  const std::string path = ModulePath(s, logDir);
  std::shared_ptr<Pkcs11Module> module = LoadModule(path, logDir);
  std::lock_guard lock(module->Lock);
  const TokenAddress address = ParseAddress(s.CertificateName, logDir);
  std::vector<PKCS11_SLOT*> tokens = PresentTokens(*module, address);
  if (tokens.empty()) {
    if (!address.Token.empty() || !address.Serial.empty())
      Fail(logDir, "Cartão ou token não encontrado: %s", {s.CertificateName});
    Fail(logDir, "Nenhum cartão ou token presente no módulo %s", {path});
  }
  // The certificates are public objects on almost every token: the one that holds the chosen certificate
  // is found before any PIN is spent. A token that shows none is logged in to when it is the only one.
  std::vector<std::pair<PKCS11_SLOT*, PKCS11_CERT*>> found;
  const auto collect = [&](PKCS11_SLOT* slot) {
    for (PKCS11_CERT* c : Certificates(slot))
      if (CertificateMatches(*c, *slot->token, address.Present ? "" : s.CertificateName, address))
        found.emplace_back(slot, c);
  };
  for (PKCS11_SLOT* slot : tokens)
    collect(slot);
  if (found.empty() && tokens.size() == 1) {
    Login(*module, tokens.front(), s.PinCode, logDir);
    collect(tokens.front());
  }
  if (found.empty())
    Fail(logDir, "Certificado não encontrado: %s", {s.CertificateName.empty() ? path : s.CertificateName});
  if (s.CertificateName.empty() && found.size() > 1)
    Fail(logDir, "Nome do certificado não informado (%d certificados em %s)",
         {static_cast<int>(found.size()), path});
  PKCS11_SLOT* slot = found.front().first;
  auto loaded = std::make_shared<TvxnLoadedCertificate>();
  loaded->Holder = std::make_shared<TokenHold>(TokenHold{module});
  loaded->Certificate.reset(X509_dup(found.front().second->x509));
  Login(*module, slot, s.PinCode, logDir);

  // The token's objects are listed again after the login, which may show more of them (and libp11 may
  // move its lists); the chosen certificate is found again by its content.
  PKCS11_CERT* cert = nullptr;
  loaded->Chain.reset(sk_X509_new_null());
  for (PKCS11_CERT* c : Certificates(slot)) {
    if (!c->x509)
      continue;
    if (X509_cmp(c->x509, loaded->Certificate.get()) == 0)
      cert = c;
    else if (X509_check_ca(c->x509) != 0)
      sk_X509_push(loaded->Chain.get(), X509_dup(c->x509));
  }
  if (!cert)
    Fail(logDir, "Certificado não encontrado: %s", {s.CertificateName.empty() ? path : s.CertificateName});
  if (PKCS11_KEY* key = PKCS11_find_key(cert))
    loaded->PrivateKey.reset(PKCS11_get_private_key(key));
  ERR_clear_error();
  loaded->Name = CommonName(loaded->Certificate.get());
  loaded->SourcePath = AddressOf(*slot->token, *cert);
  return loaded;
}

std::vector<std::string> ListTokenCertificates(const TvxnCertificateSettings& s, const std::string& logDir) {
  const std::string path = ModulePath(s, logDir);
  std::shared_ptr<Pkcs11Module> module = LoadModule(path, logDir);
  std::lock_guard lock(module->Lock);
  std::vector<std::string> names;
  for (PKCS11_SLOT* slot : PresentTokens(*module, {})) {
    std::vector<PKCS11_CERT*> certs = Certificates(slot);
    if (certs.empty() && !s.PinCode.empty()) {
      Login(*module, slot, s.PinCode, logDir);
      certs = Certificates(slot);
    }
    for (PKCS11_CERT* c : certs)
      if (IsHolderCertificate(c->x509))
        names.push_back(CommonName(c->x509));
  }
  return names;
}

} // namespace vxn::outside
