// E-mail of the distribution XML to the recipient through the mail function of the government-services
// object: the authorised document, the files the host names, the cancellation document.
//
// Temporary copies go to DiretorioTemporario and are removed when the operation ends, also after a
// failure. With AnexarDanfePDF the DANFE of the document is exported to a PDF beside it and attached.
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnTelemetriaOperacao.h"
#include "vxnText.h"
#include "xml/vxnNFeXMLLogs.h"

#include <filesystem>
#include <functional>
#include <system_error>

namespace vxn {
namespace {

// The platform copy that leaves an existing target as it is.
void CopiarSemSobrescrever(const std::string& origem, const std::string& destino) {
  std::error_code ec;
  std::filesystem::copy_file(origem, destino, std::filesystem::copy_options::skip_existing, ec);
}

// Runs the clean-up when the operation ends, however it ends.
class AoSair {
public:
  explicit AoSair(std::function<void()> f) : f_(std::move(f)) {}
  ~AoSair() {
    try {
      f_();
    } catch (...) {
      // A temporary file that cannot be removed must not hide the operation's own outcome.
    }
  }
  AoSair(const AoSair&) = delete;
  AoSair& operator=(const AoSair&) = delete;

private:
  std::function<void()> f_;
};

} // namespace

void TvxnNFe::ChecarConfiguracoesEmail() {
  const TvxnEmailSettings& m = GetEmailSettings();
  const std::pair<bool, const char*> campos[] = {{Trim(m.ServidorSmtp).empty(), "ServidorSmtp"},
                                                 {m.Porta == 0, "Porta"},
                                                 {m.Usuario.empty(), "Usuário"},
                                                 {m.Senha.empty(), "Senha"},
                                                 {m.Assunto.empty(), "Assunto"},
                                                 {m.Mensagem.empty(), "Mensagem"}};
  for (const auto& [vazio, nome] : campos)
    if (vazio)
      throw EvxnNFeException("O campo %s da configuração de e-mail está vazio.", {nome},
                             GetDiretorioLogErro());
}

void TvxnNFe::EnviarNotaDestinatario(std::string_view chave, std::string_view logEnvio,
                                     std::string_view logResposta) {
  ComTelemetria(GetTelemetria(), "EnviarNotaDestinatario", [&] {
    UpdateNFeData();
    ChecarConfiguracoesEmail();
    const std::string temp = IncludeTrailingPathDelimiter(GetDiretorioTemporario());
    const std::string xmlTemp = temp + std::string(chave) + "-nfe.xml";
    const std::string pdfTemp = temp + std::string(chave) + ".pdf";
    AoSair limpeza([&] {
      DeleteFileIfExists(xmlTemp);
      DeleteFileIfExists(pdfTemp);
    });
    if (!logEnvio.empty() || !logResposta.empty()) {
      GerarXMLEnvioDestinatario(chave, logEnvio, logResposta, xmlTemp);
    } else {
      const std::string pasta =
          IncludeTrailingPathDelimiter(GetDiretorioXmlDestinatario()) + std::string(chave);
      if (FileExists(pasta + ".xml"))
        CopiarSemSobrescrever(pasta + ".xml", xmlTemp);
      else if (FileExists(pasta + "-nfe.xml"))
        CopiarSemSobrescrever(pasta + "-nfe.xml", xmlTemp);
      else
        throw EvxnNFeException("Xml da NFe: %s na pasta XMLDestinatário não encontrado.", {chave},
                               GetDiretorioLogErro());
    }
    if (!FileExists(xmlTemp))
      throw EvxnFileNotFoundException("Arquivo não Encontrado: %s ", {xmlTemp}, GetDiretorioLogErro());
    TvxnStringList anexos;
    anexos.Add(xmlTemp);
    if (GetAnexarDanfePDF()) {
      ExportarDanfe(ReadWholeFile(xmlTemp), {}, pdfTemp, 1);
      if (!FileExists(pdfTemp))
        throw EvxnFileNotFoundException("Arquivo não Encontrado: %s ", {pdfTemp}, GetDiretorioLogErro());
      anexos.Add(pdfTemp);
    }
    GetGov().SendEmail(GetEmailSettings().EmailDestinatario, anexos.Text());
  });
}

void TvxnNFe::EnviarNotaDestinatarioAnexos(std::string_view arquivoPdf, std::string_view arquivoXml,
                                           std::string_view outros) {
  ComTelemetria(GetTelemetria(), "EnviarNotaDestinatarioAnexos", [&] {
    UpdateNFeData();
    TvxnStringList anexos;
    if (!arquivoPdf.empty())
      anexos.Add(arquivoPdf);
    if (!arquivoXml.empty())
      anexos.Add(arquivoXml);
    for (const std::string& item : Split(outros, ',')) {
      const std::string arquivo = Trim(item);
      if (arquivo.empty())
        continue;
      if (!FileExists(arquivo))
        throw EvxnNFeCheckParams("Arquivo %s não encontrado para anexar ao email.", {arquivo},
                                 GetDiretorioLogErro());
      anexos.Add(arquivo);
    }
    if (arquivoPdf.empty() && arquivoXml.empty())
      throw EvxnCheckParams("É necessário informar pelo menos um arquivo para Anexar no Email",
                            GetDiretorioLogErro());
    if (!arquivoPdf.empty() && !FileExists(arquivoPdf))
      throw EvxnFileNotFoundException("Arquivo: [%s] PDF da danfe não foi encontrado", {arquivoPdf},
                                      GetDiretorioLogErro());
    if (!arquivoXml.empty() && !FileExists(arquivoXml))
      throw EvxnFileNotFoundException("Arquivo: [%s] XML da NFe não foi encontrado", {arquivoXml},
                                      GetDiretorioLogErro());
    try {
      GetGov().SendEmail(GetEmailSettings().EmailDestinatario, anexos.Text());
    } catch (const std::exception& e) {
      throw EvxnNFeEnviarNotaDestinatarioException(
          std::string("Erro ao enviar e-mail ao destinatário: ") + e.what(), GetDiretorioLogErro());
    }
  });
}

void TvxnNFe::EnviarNotaCanceladaDestinatario(std::string_view chave, std::string_view logPedido,
                                              std::string_view logRetorno, std::string_view email) {
  ComTelemetria(GetTelemetria(), "EnviarNotaCanceladaDestinatario", [&] {
    const std::string temp = IncludeTrailingPathDelimiter(GetDiretorioTemporario()) + std::string(chave);
    const std::string pasta =
        IncludeTrailingPathDelimiter(GetDiretorioXmlDestinatario()) + std::string(chave);
    AoSair limpeza([&] {
      if (!DeleteFileIfExists(temp + "-can.xml"))
        DeleteFileIfExists(temp + "-caneve.xml");
    });
    if (logPedido.empty() && logRetorno.empty()) {
      if (FileExists(pasta + "-can.xml"))
        CopiarSemSobrescrever(pasta + "-can.xml", temp + "-can.xml");
      else if (FileExists(pasta + "-caneve.xml"))
        CopiarSemSobrescrever(pasta + "-caneve.xml", temp + "-caneve.xml");
      else
        throw EvxnNFeException("Xml de Cancelamento da NFe: %s não foi encontrado na pasta XMLDestinatário.",
                               {chave}, GetDiretorioLogErro());
    } else {
      const std::string log = IncludeTrailingPathDelimiter(GetDiretorioLog());
      auto existe = [&log](std::string_view nome) {
        return !nome.empty() && (FileExists(nome) || FileExists(log + ExtractFileName(nome)));
      };
      if (!existe(logPedido) || !existe(logRetorno))
        throw EvxnNFeEnviarNotaCanceladaDestinatario("O Log informado está errado ou inválido.",
                                                     GetDiretorioLogErro());
      const std::string pedido = TvxnNFeXMLLogs::LoadLog(logPedido, log);
      const std::string retorno = TvxnNFeXMLLogs::LoadLog(logRetorno, log);
      std::string evento;
      const bool porEvento =
          GetGovUtils().IsValidXml(pedido) &&
          GetGovUtils().XPathSelectSingleNode(pedido, "//*[local-name()=\"evento\"]", evento);
      const std::string sufixo = porEvento ? "-caneve.xml" : "-can.xml";
      GerarXMLCancelamentoDestinatario(chave, pedido, retorno, temp + sufixo);
      CopiarSemSobrescrever(temp + sufixo, pasta + sufixo);
    }
    const std::string destinatario =
        email.empty() ? GetEmailSettings().EmailDestinatario : std::string(email);
    if (Trim(destinatario).empty())
      throw EvxnNFeEnviarNotaCanceladaDestinatario(
          "O endereço de email do destinatário deve ser preenchido antes de executar o envio.",
          GetDiretorioLogErro());
    const std::string anexo = FileExists(pasta + "-can.xml") ? temp + "-can.xml" : temp + "-caneve.xml";
    try {
      GetGov().SendEmail(destinatario, anexo);
    } catch (const std::exception& e) {
      throw EvxnNFeEnviarNotaCanceladaDestinatario("Erro ao enviar e-mail ao destinatário: %s", {e.what()},
                                                   GetDiretorioLogErro());
    }
  });
}

} // namespace vxn
