// The servers files (one per environment, naming each service's address), their
// automatic update, and the web-service object that reads them.
#include "vxnNFe.h"

#include "services/vxnNFE30Intf.h"
#include "services/vxnNFE50Intf.h"
#include "services/vxnNFE50aIntf.h"
#include "services/vxnNFE60Intf.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <filesystem>

namespace vxn {

namespace fs = std::filesystem;

namespace {

constexpr auto kIdadeMaxima = std::chrono::hours(4);

// True when the file changed less than `limite` whole hours ago; a missing file is older than anything.
bool MaisNovoQue(const std::string& path, std::chrono::hours limite) {
  std::error_code ec;
  auto t = fs::last_write_time(path, ec);
  if (ec)
    return false;
  auto idade = std::chrono::duration_cast<std::chrono::hours>(fs::file_time_type::clock::now() - t);
  return idade < limite;
}

std::string CaminhoBackup(const std::string& path) {
  return ExtractFilePath(path) + "bkp_" + ExtractFileName(path);
}

// True when one line of the text is "endereco=" + the portal address, ignoring
// case and blanks around.
bool TemMarcador(const std::string& path, std::string_view portal) {
  if (portal.empty())
    return false;
  std::string esperado = "endereco=" + std::string(portal);
  for (const auto& linha : Split(ReadWholeFile(path), '\n'))
    if (SameText(Trim(linha), esperado))
      return true;
  return false;
}

// The layout-version service class of each version (vm202a and vm30 share the 3.0 class) and how to
// create it.
struct ClasseServico {
  std::string_view nome;
  std::unique_ptr<TvxnNFEInterface> (*criar)(TNFeData&, TvxnGovX&, TvxnGovUtils&);
};

template <class T> std::unique_ptr<TvxnNFEInterface> Criar(TNFeData& d, TvxnGovX& g, TvxnGovUtils& u) {
  return std::make_unique<T>(d, g, u);
}

ClasseServico ClasseDaVersao(TVersaoManual v) {
  switch (v) {
  case vm202a:
  case vm30:
    return {"TvxnNFE30Intf", &Criar<TvxnNFE30Intf>};
  case vm40:
    return {"TvxnNFE40Intf", &Criar<TvxnNFE40Intf>};
  case vm50:
    return {"TvxnNFE50Intf", &Criar<TvxnNFE50Intf>};
  case vm50a:
    return {"TvxnNFE50aIntf", &Criar<TvxnNFE50aIntf>};
  case vm60:
    return {"TvxnNFE60Intf", &Criar<TvxnNFE60Intf>};
  }
  return {"", nullptr};
}

} // namespace

std::string TvxnCustomNFe::ArquivoServidoresAtual() const {
  return ambiente_ == akProducao ? GetArquivoServidoresProd() : GetArquivoServidoresHom();
}

std::string TvxnCustomNFe::CaminhoArquivoServidores(const std::string& expanded) const {
  return ExpandirCaminho(ExtractFilePath(expanded)) + ExtractFileName(expanded);
}

TvxnIniFile& TvxnCustomNFe::AbrirArquivoServidores() {
  std::string path = CaminhoArquivoServidores(ArquivoServidoresAtual());
  if (!FileExists(path))
    throw EvxnFileNotFoundException("O arquivo de servidores informado não existe: %s", {path},
                                    GetDiretorioLogErro());
  if (!serversIni_ || serversIni_->FileName() != path)
    serversIni_ = std::make_unique<TvxnIniFile>(path);
  return *serversIni_;
}

void TvxnCustomNFe::RecarregarArquivoServidores() {
  if (!serversIni_)
    return;
  std::string path = serversIni_->FileName();
  if (FileExists(path))
    serversIni_ = std::make_unique<TvxnIniFile>(path);
  else
    serversIni_.reset();
  nfeData_.ServersIni = serversIni_.get();
}

void TvxnCustomNFe::UpdateIniServidores() {
  if (!atualizarArquivoServidores_)
    return;
  try {
    std::string prod = GetArquivoServidoresProd();
    std::string hom = GetArquivoServidoresHom();
    if (prod.empty() || hom.empty())
      return;
    if (MaisNovoQue(prod, kIdadeMaxima) && MaisNovoQue(hom, kIdadeMaxima))
      return;
    // Without a download location there is nothing to fetch
    // (docs/servers-files.md).
    if (enderecoDownloadProd_.empty() || enderecoDownloadHom_.empty())
      return;
    if (AtualizarArquivosServidores(prod, hom))
      RecarregarArquivoServidores();
  } catch (...) {
    // The update is a convenience: the operation goes on with the servers files
    // that are there.
  }
}

// Backup, download, check, and restore on any failure; the backups never
// outlive the call.
bool TvxnCustomNFe::AtualizarArquivosServidores(const std::string& prod, const std::string& hom) {
  struct Arquivo {
    const std::string& path;
    const std::string& url;
    const std::string& portal;
    bool tinhaVersao = false;
    fs::file_time_type modificado{};
  };
  Arquivo arquivos[] = {{prod, enderecoDownloadProd_, enderecoPortalProd_},
                        {hom, enderecoDownloadHom_, enderecoPortalHom_}};
  for (auto& a : arquivos) {
    a.tinhaVersao = FileExists(a.path);
    if (a.tinhaVersao) {
      a.modificado = fs::last_write_time(a.path);
      fs::copy_file(a.path, CaminhoBackup(a.path), fs::copy_options::overwrite_existing);
    }
  }
  bool ok = true;
  try {
    TvxnGovX& gov = GetGov();
    for (auto& a : arquivos)
      if (!gov.UpdateResource(a.url, a.path) || !TemMarcador(a.path, a.portal)) {
        ok = false;
        break;
      }
    if (ok) {
      auto agora = fs::file_time_type::clock::now();
      for (auto& a : arquivos)
        fs::last_write_time(a.path, agora);
    }
  } catch (...) {
    ok = false;
  }
  std::error_code ec;
  for (auto& a : arquivos) {
    std::string bkp = CaminhoBackup(a.path);
    if (!ok) {
      // The previous state comes back: the old file, or no file when there was
      // none before.
      // The restored file keeps its old time, so the next operation tries the update again.
      if (a.tinhaVersao) {
        if (fs::copy_file(bkp, a.path, fs::copy_options::overwrite_existing, ec))
          fs::last_write_time(a.path, a.modificado, ec);
      } else
        fs::remove(a.path, ec);
    }
    fs::remove(bkp, ec);
  }
  return ok;
}

// Where the class of the web-service object is chosen by layout version. A version without a class
// keeps no object, and GetNFE reports that its service is not available.
void TvxnCustomNFe::InstanciarNFeIntf() {
  if (!gov_) {
    GetGov(); // creates the object, configures it and comes back here
    return;
  }
  ClasseServico classe = ClasseDaVersao(versaoManual_);
  if (nfeIntf_ && nfeIntfClasse_ == classe.nome)
    return;
  nfeIntf_.reset();
  nfeIntfClasse_.clear();
  if (!classe.criar)
    return;
  nfeIntf_ = classe.criar(nfeData_, *gov_, GetGovUtils());
  nfeIntfClasse_ = classe.nome;
}

TvxnNFEInterface& TvxnCustomNFe::GetNFE() {
  if (!nfeIntf_) {
    if (gov_)
      throw EvxnNFeConfigException(
          "O serviço web da classe %s (versão %s do manual) ainda não está "
          "disponível.",
          {std::string(ClasseDaVersao(versaoManual_).nome), VersaoManualToStr(versaoManual_)},
          GetDiretorioLogErro());
    throw EvxnNFeConfigException("Versão do Manual não definida", GetDiretorioLogErro());
  }
  if (ambiente_ == akHomologacao) {
    if (arquivoServidoresHom_.empty())
      throw EvxnNFeConfigException("Arquivo de servidores de homologação não informado",
                                   GetDiretorioLogErro());
    std::string path = GetArquivoServidoresHom();
    if (!FileExists(path))
      throw EvxnNFeConfigException("Arquivo \"" + path + "\" de servidores de homologação não encontrado",
                                   GetDiretorioLogErro());
  } else {
    if (arquivoServidoresProd_.empty())
      throw EvxnNFeConfigException("Arquivo de servidores de produção não informado");
    std::string path = GetArquivoServidoresProd();
    if (!FileExists(path))
      throw EvxnNFeConfigException("Arquivo \"" + path + "\" de servidores de produção não encontrado");
  }
  return *nfeIntf_;
}

} // namespace vxn
