// Directory and file-name resolution of the component.
//
// Configured paths may come from a Windows-era INI file: "\" counts as "/", and
// a path that starts with one backslash ("\Templates", no drive) is relative to
// the program directory, as it was there.
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"

#include <cerrno>
#include <sys/stat.h>

#include <filesystem>

namespace vxn {

namespace {

// An existing folder gets its trailing "/"; anything else is left as it is.
std::string TrailingRule(std::string p) {
  if (!p.empty() && p.back() != '/' && DirectoryExists(p))
    p += '/';
  return p;
}

bool Exists(const std::string& p) {
  return FileExists(p) || DirectoryExists(p);
}

// The program directory, which every default folder and relative path hangs from: one that does not
// exist (QUORVANT_NFE_HOME pointing nowhere) is refused instead of resolving paths into nothing. The
// exception names no log directory, so its line is not written beside a program directory that is not
// there through this lookup again: that append fails and the line goes to standard error.
std::string DiretorioPrograma() {
  std::string dir = ProgramDirectory();
  if (!DirectoryExists(dir))
    throw EvxnNFeDirNotFoundException("Não foi possível encontrar o Diretório Atual: " + dir);
  return dir;
}

} // namespace

std::string TvxnCustomNFe::ExpandirCaminho(std::string_view path) {
  if (path.empty())
    return {};
  std::string given(path);
  // "\x" without a drive is relative to the program directory; "/x" is absolute
  // on this system.
  bool rootRelative = given[0] == '\\' && (given.size() == 1 || given[1] != '\\');
  std::string p = ToNativePath(given);
  if (rootRelative)
    p.erase(0, p.find_first_not_of('/'));
  const bool absoluto = IsAbsolutePath(p);
  const std::string programa = absoluto ? ProgramDirectory() : DiretorioPrograma();
  std::string expanded = TrailingRule(ExpandPath(absoluto ? p : programa + p));
  if (!Exists(expanded)) {
    // What a relative name would have meant beside the program.
    std::string beside = ExpandPath(programa + p);
    if (FileExists(beside))
      expanded = beside;
  }
  return TrailingRule(expanded);
}

bool TvxnCustomNFe::CriarDiretorioUmNivel(std::string_view path) {
  std::string p = ExcludeTrailingPathDelimiter(path);
  if (p.empty())
    return false;
  return ::mkdir(p.c_str(), 0755) == 0 || (errno == EEXIST && DirectoryExists(p));
}

std::string TvxnCustomNFe::UpdatePathVersaoManual(std::string_view path) {
  std::string p(path);
  RemoveVersaoManualDoPath(p);
  auto v = static_cast<int>(versaoManual_);
  if (v < static_cast<int>(vm202a) || v > static_cast<int>(vm60))
    throw EvxnNFeVersaoManualException("Não foi possível completar o processo. "
                                       "A versão do manual não é válida.",
                                       GetDiretorioLogErro());
  return IncludeTrailingPathDelimiter(p) + VersaoManualSubdir(versaoManual_);
}

std::string TvxnCustomNFe::ResolverDiretorioVersao(std::string_view configured, std::string_view whenEmpty) {
  std::string expanded = ExpandirCaminho(configured.empty() ? whenEmpty : configured);
  return UpdatePathVersaoManual(ExtractFilePath(expanded));
}

std::string TvxnCustomNFe::GetDiretorioTemplates() {
  return ResolverDiretorioVersao(diretorioTemplates_, "Templates/");
}

std::string TvxnCustomNFe::GetDiretorioEsquemas() {
  return ResolverDiretorioVersao(diretorioEsquemas_, "Esquemas/");
}

std::string TvxnCustomNFe::GetArquivoServidoresHom() const {
  return ExpandirCaminho(arquivoServidoresHom_);
}

std::string TvxnCustomNFe::GetArquivoServidoresProd() const {
  return ExpandirCaminho(arquivoServidoresProd_);
}

std::string TvxnCustomNFe::GetDiretorioLog() {
  if (diretorioLog_.empty())
    diretorioLog_ = DiretorioPrograma() + "Log/";
  return ExpandirCaminho(diretorioLog_);
}

std::string TvxnCustomNFe::GetDiretorioLogErro() {
  diretorioLogErro_ = ExpandirCaminho(diretorioLogErro_);
  if (DirectoryExists(diretorioLogErro_))
    return diretorioLogErro_;
  // Every exception of the component appends to a log in this folder: the default must exist. Without
  // a program directory it is named all the same and not created (nor the program directory with it):
  // the exception that asks for it keeps its class and message, and its line goes to standard error.
  const std::string programa = ProgramDirectory();
  std::string padrao = programa + "LogErro/";
  if (DirectoryExists(programa))
    ForceDirectories(padrao);
  return padrao;
}

void TvxnCustomNFe::SetDiretorioLogErro(std::string_view v) {
  std::string dir = ExpandirCaminho(v.empty() ? DiretorioPrograma() + "LogErro/" : std::string(v));
  if (!DirectoryExists(dir))
    ForceDirectories(dir);
  diretorioLogErro_ = DirectoryExists(dir) ? TrailingRule(dir) : DiretorioPrograma() + "LogErro/";
  // The events component and the DANFE printer receive the folder too once they
  // exist.
}

std::string TvxnCustomNFe::DiretorioTemporarioPadrao() {
  return ExpandirCaminho(
      GetGovUtils().GetSpecialDirectories(static_cast<int>(TvxnSpecialDirectory::Temporary)));
}

std::string TvxnCustomNFe::GetDiretorioTemporario() {
  if (diretorioTemporario_.empty())
    diretorioTemporario_ = DiretorioTemporarioPadrao();
  if (!DirectoryExists(diretorioTemporario_))
    ForceDirectories(diretorioTemporario_);
  return TrailingRule(diretorioTemporario_);
}

void TvxnCustomNFe::SetDiretorioTemporario(std::string_view v) {
  diretorioTemporario_ = ExpandirCaminho(v);
  if (!diretorioTemporario_.empty() && !DirectoryExists(diretorioTemporario_))
    ForceDirectories(diretorioTemporario_);
}

std::string TvxnCustomNFe::GetINIFilePath(std::string_view fileName) {
  static constexpr std::string_view kPadrao = "nfeConfig.ini";
  if (fileName.empty())
    return DiretorioPrograma() + std::string(kPadrao);
  std::string nome = ToNativePath(fileName);
  std::string dir = ExtractFilePath(nome);
  std::string arquivo = ExtractFileName(nome);
  // A file named relative to the current folder is that file, as the host's shell would take it.
  if (FileExists(nome))
    return IsAbsolutePath(nome) ? ExpandirCaminho(nome)
                                : std::filesystem::absolute(nome).lexically_normal().string();
  if (DirectoryExists(nome))
    return dir + std::string(kPadrao);
  if (!dir.empty() && DirectoryExists(dir) && !arquivo.empty())
    return dir + arquivo;
  const std::string programa = DiretorioPrograma();
  if (!arquivo.empty() && FileExists(programa + arquivo))
    return programa + arquivo;
  if (!arquivo.empty() && dir.empty())
    return programa + nome;
  return programa + std::string(kPadrao);
}

// ---- TvxnNFe
// ----------------------------------------------------------------------------------------

std::string TvxnNFe::GetDiretorioXmlDestinatario() const {
  return diretorioXmlDestinatario_.empty() ? ExpandirCaminho(DiretorioPrograma() + "XmlDestinatario/")
                                           : ExpandirCaminho(diretorioXmlDestinatario_);
}

void TvxnNFe::SetDiretorioXmlDestinatario(std::string_view v) {
  diretorioXmlDestinatario_ =
      v.empty() ? ExpandirCaminho(DiretorioPrograma() + "XmlDestinatario/") : ExpandirCaminho(v);
  ForceDirectories(diretorioXmlDestinatario_);
}

std::string TvxnNFe::GetDiretorioDownloads() const {
  return diretorioDownloads_.empty() ? ExpandirCaminho(DiretorioPrograma() + "Downloads/")
                                     : ExpandirCaminho(diretorioDownloads_);
}

void TvxnNFe::SetDiretorioDownloads(std::string_view v) {
  diretorioDownloads_ = v.empty() ? ExpandirCaminho(DiretorioPrograma() + "Downloads/") : ExpandirCaminho(v);
  ForceDirectories(diretorioDownloads_);
}

} // namespace vxn
