// The readers of the XML logs the distribution XML and the index files are built from: the signed
// documents of a lot-sending log, the protocols of a receipt or situation reply, the keys of a lot and of
// a receipt, and the digest comparison that ties a protocol to its document.
#include "support/FuzzHome.h"
#include "vxnNFeException.h"
#include "vxnStringList.h"
#include "xml/vxnNFeLogsLidos.h"
#include "xml/vxnNFeUtils.h"
#include "xml/vxnNFeXMLLogs.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kChaveNumerica = "A Chave deve ser composta apenas por Números";

// A folder without files: the input is always the log's XML itself, never the name of a file in it.
const std::string& EmptyFolder() {
  static const std::string folder = [] {
    const std::string f = vxn::fuzz::FuzzHome() + "logs-vazios/";
    std::filesystem::create_directory(f);
    return f;
  }();
  return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  EmptyFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view log(reinterpret_cast<const char*>(data), size);
  // An absolute name is a file name for these readers; a relative one is XML unless the folder has it.
  if (!log.empty() && (log.front() == '/' || log.front() == '\\'))
    return -1;
  const std::string& dir = EmptyFolder();
  std::string chave = vxn::ObterChaveNota(log);
  if (chave.empty())
    chave = "35261211222333000181550010000000011000000011";
  using Logs = vxn::TvxnNFeXMLLogs;
  const auto read = [&](auto&& reader) {
    try {
      reader();
    } catch (const vxn::EvxnException&) {
    } catch (const std::runtime_error& e) {
      // The one refusal outside the hierarchy, kept as the host knows it: a key that begins with "N"
      // given to the lot-sending log's readers.
      if (std::string_view(e.what()) != kChaveNumerica)
        throw;
    }
  };
  std::string nfe, prot;
  read([&] { nfe = Logs::AchaNFeAssinadaLogEnvio(chave, log, dir); });
  read([&] { prot = Logs::AchaInfProtLogConsRec(chave, log, dir); });
  read([&] { Logs::AchaInfProtLogConsNF(chave, log, dir); });
  read([&] {
    vxn::TvxnStringList chaves;
    Logs::ListaChavesLogRecibo(log, 100, &chaves, dir);
    Logs::ListaChavesLogEnv(log, &chaves, dir);
  });
  read([&] { vxn::TvxnNFeLogEnvioLido(log, dir).NFeAssinada(chave); });
  read([&] { vxn::TvxnNFeLogReciboLido(log, dir).InfProt(chave); });
  read([&] { vxn::CompareDigValLogsNFe(nfe.empty() ? log : nfe, prot.empty() ? log : prot); });
  return 0;
}
