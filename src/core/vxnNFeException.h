// The exception hierarchy of the NF-e component.
//
// Every NF-e exception appends one line to an error log when it is constructed, so even an exception
// that is created and caught inside the component leaves a trace:
//   "[dd/mm/YYYY hh:MM:ss:zzz] <thread id> - <class name> : <message>"
// in "nfe_exception.log" (EvxnNFeException and descendants) or "nfeeventos_exception.log"
// (EvxnNFeEventosException and descendants), in the given log directory or, when it is empty, the
// program directory. The root EvxnException writes no log.
//
// Each class has two constructors: (message, logDir) and (format, {args}, logDir), the format being
// filled printf-style.
#pragma once

#include "vxnFormat.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vxn {

class EvxnException : public std::runtime_error {
public:
  // Called once for every constructed exception of the hierarchy, with that exception.
  using ErrorHook = std::function<void(const EvxnException&)>;

  explicit EvxnException(std::string_view message, std::string_view logDir = {})
      : EvxnException(Kind{"EvxnException", ""}, message, logDir) {}
  EvxnException(std::string_view format, std::initializer_list<FormatArg> args, std::string_view logDir = {})
      : EvxnException(Kind{"EvxnException", ""}, Format(format, args), logDir) {}

  // The class name of the most derived class ("EvxnNFeCheckParams").
  const std::string& ClassName() const noexcept { return className_; }
  const std::string& Message() const noexcept { return message_; }
  // The error log file this exception wrote to ("" for the root class).
  const std::string& LogFileName() const noexcept { return logFileName_; }
  // Full path of the error log this exception wrote to ("" when it writes none).
  const std::string& LogFilePath() const noexcept { return logFilePath_; }

  // The class-wide hook. Set it to an empty function to remove it.
  static void SetOnError(ErrorHook hook);
  // A copy of the exception constructed last in the process (any thread), if any.
  static std::optional<EvxnException> LastException();
  // Forgets the hook and the last exception (what unloading the library does).
  static void ResetClassState();

protected:
  // Carried from the most derived constructor down to the root, which writes the log line: the root
  // constructor must know the final class name and log file before the object is complete.
  struct Kind {
    const char* className;
    const char* logFile;
  };
  EvxnException(Kind kind, std::string_view message, std::string_view logDir);

private:
  std::string className_;
  std::string message_;
  std::string logFileName_;
  std::string logFilePath_;
};

// Appends the line an exception writes ("[timestamp] thread - className : message") to the error log
// `path` without raising anything: the class-wide hook and the last exception are left alone. A line
// that cannot be written goes to standard error after the reason. Never throws.
void AppendErrorLogLine(const std::string& path, std::string_view className,
                        std::string_view message) noexcept;

// Declares an exception class with the two public constructors and the protected one descendants use.
#define VXN_DECLARE_EXCEPTION(Name, Base)                                                                    \
  class Name : public Base {                                                                                 \
  public:                                                                                                    \
    explicit Name(std::string_view message, std::string_view logDir = {})                                    \
        : Base(Kind{#Name, nullptr}, message, logDir) {}                                                     \
    Name(std::string_view format, std::initializer_list<FormatArg> args, std::string_view logDir = {})       \
        : Base(Kind{#Name, nullptr}, Format(format, args), logDir) {}                                        \
                                                                                                             \
  protected:                                                                                                 \
    Name(Kind kind, std::string_view message, std::string_view logDir) : Base(kind, message, logDir) {}      \
  };

// The two main bases fix the log file for themselves and all their descendants.
#define VXN_DECLARE_LOG_BASE(Name, Base, File)                                                               \
  class Name : public Base {                                                                                 \
  public:                                                                                                    \
    explicit Name(std::string_view message, std::string_view logDir = {})                                    \
        : Base(Kind{#Name, File}, message, logDir) {}                                                        \
    Name(std::string_view format, std::initializer_list<FormatArg> args, std::string_view logDir = {})       \
        : Base(Kind{#Name, File}, Format(format, args), logDir) {}                                           \
                                                                                                             \
  protected:                                                                                                 \
    Name(Kind kind, std::string_view message, std::string_view logDir)                                       \
        : Base(Kind{kind.className, File}, message, logDir) {}                                               \
  };

VXN_DECLARE_LOG_BASE(EvxnNFeException, EvxnException, "nfe_exception.log")
VXN_DECLARE_LOG_BASE(EvxnNFeEventosException, EvxnException, "nfeeventos_exception.log")

// NF-e errors.
VXN_DECLARE_EXCEPTION(EvxnNFeConfigException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnConfigINIException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeVersaoManualException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeVersaoEsquemaException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeModoOperacaoException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnTipoConsultaException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeAddressException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnFileNotFoundException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnTemplateNotFoundException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnCheckParams, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeCheckParams, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeMaxSizeException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnSignatureException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnLogException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeLogException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeLogNotFoundException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeDirNotFoundException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnChaveNFeException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeIDInutilizacao, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeGerarIdCCeException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFEConvertDateException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFEConvertHoraException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeRuleException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeCheckTXT, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeXmlDestinatario, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeNotaCanceladaDestinatario, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeEnviarNotaCanceladaDestinatario, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeEnviarManifestacaoDestinatario, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeEnviarNotaDestinatarioException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeDeprecatedException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeReportNotFoundException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeReportException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeExportarPreverDanfeException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeDanfeLoadINIException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeDPecException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeValidadorClientOCXException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeComunicacaoValidadorNotaException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeSchemaNotFoundException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeSchemaValidationException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnSchemaValidationException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeCertificationException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnCertStoreException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeValidadeAssinatura, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNotaSeguraException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnSoapException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeConversaoXMLException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeIndexException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeLoadTemplateException, EvxnNFeException)

// Dataset errors.
VXN_DECLARE_EXCEPTION(EvxnNFeDataSetException, EvxnNFeException)
VXN_DECLARE_EXCEPTION(EvxnDataSetException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnNFeDataSetLoadTemplateException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnDataSetLoadTemplateException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnNfeDataSetStateException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnNfeDataSetFileNotFoundException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnDataSetFileNotFoundException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnNfeDataSetConfigException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnNfeDataSetFieldNotFoundException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnDataSetFieldNotFoundException, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnNFeConvTX2, EvxnNFeDataSetException)
VXN_DECLARE_EXCEPTION(EvxnConvXmlException, EvxnNFeDataSetException)

// Event errors.
VXN_DECLARE_EXCEPTION(EvxnNFeDescompactarXMLException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosCNPJInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosCPFInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosCNPJCPFInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosIndNFeInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosIndEmiInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosUltNSUInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosFusoHorarioInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosDataHoraInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosUFInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosChaveInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosCodigoOrgaoInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosJustificativaInvalidException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosTipoEventoException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventosNumeroProtException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventoDownloadNFeException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeEventoDownloadLimitNotasException, EvxnNFeEventoDownloadNFeException)
VXN_DECLARE_EXCEPTION(EvxnNFeDFeUFInvalidaException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeDFeCNPJInvalidoException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeDFeChaveInvalidaException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeDFeCPFInvalidoException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeDFeNSUInvalidaException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnNFeDFeException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventosException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoCheckParams, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoFileNotFoundException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoXmlDestinatario, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoMaxSizeException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoInvalidSigner, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventosAddressException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoLogNotFoundException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoReportException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnEventoRetException, EvxnNFeEventosException)
VXN_DECLARE_EXCEPTION(EvxnCCeReportException, EvxnNFeEventosException)

} // namespace vxn
