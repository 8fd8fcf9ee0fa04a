// The DPEC contingency component: for the layouts before 3.10, the prior declaration of documents issued
// in contingency (tpEmis 4) to the national environment. The host builds the declaration of a signed lot
// (MontarDPEC), signs it (AssinarDPEC), sends it (EnviarDPEC) and may query it by access key or by the
// registration number the national environment gave (ConsultarDPEC). Requests come from the file
// templates of the layout's "DPEC/" folder; every address from section "AN" of the DPEC servers files.
#pragma once

#include "vxnNFe.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnNFeDanfe;

class TvxnNFeDPEC : public TvxnCustomNFe {
public:
  // Layout 2.00 with its technical notes (vm50), configuration section "DPEC", the DPEC servers files,
  // the DANFE's contingency phrase of a DPEC and two copies.
  TvxnNFeDPEC();
  ~TvxnNFeDPEC() override;

  // The version folder followed by "DPEC/": the DPEC templates (and schemas) of the layout.
  std::string UpdatePathVersaoManual(std::string_view path) override;
  // DiretorioTemplates itself.
  std::string GetTemplateFolder() override;
  // "DPEC" becomes the main section when none is set, then as TvxnCustomNFe.
  void LoadConfig(std::string_view fileName) override;
  void LoadConfig(TvxnIniFile* ini) override;
  void SaveConfig(std::string_view fileName) override;
  void SaveConfig(TvxnIniFile* ini) override;

  // The unsigned infDPEC of an NF-e lot: one resNFe per document, in lot order.
  std::string MontarDPEC(std::string_view lote);
  // The envDPEC of an infDPEC, signed with the configured certificate.
  std::string AssinarDPEC(std::string_view xml);
  // Sends a signed envDPEC; the reply (also in `resposta`) as the national environment gave it. Logged as
  // "envdpec" and "retdpec". Failures raise EvxnNFeException "Erro ao enviar DPEC" with the cause.
  std::string EnviarDPEC(std::string_view xml, std::string& resposta);
  // Queries a declaration by the document's key (44 characters) or its registration number (15).
  // Logged as "ped-sit-dpec" and "sit-dpec". Failures of the call raise EvxnNFeException
  // "Erro no envio do pacote de consulta DPEC" with the cause.
  std::string ConsultarDPEC(TParamConsDPEC tipo, std::string_view valor);

  // ---- The DANFE of a declared document -------------------------------------------------------------
  // The document (XML text or the path of its file) printed with the declaration's registration number
  // and time in the protocol box; both are required (EvxnCheckParams "Número de Protocolo do DPEC não
  // foi informado", "Data Hora do DPEC não foi informado"). A model name replaces both models.

  // The DANFE printer, created on first use on the component's version and error-log directory.
  TvxnNFeDanfe& GetDanfe();
  void ImprimirDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                     std::string_view impressora = {}, std::string_view modelo = {});
  void VisualizarDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                       std::string_view modelo = {});
  // Raises EvxnNFeReportException: models are edited as text files.
  void EditarModeloDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                         std::string_view modelo = {});
  // Writes the PDF (formato 1 or 2; 3: PNG pages in the directory `arquivo`) atomically; an empty file
  // name raises EvxnNFeReportException "Nome do arquivo de exportação não informado.".
  void ExportarDanfe(std::string_view xml, std::string_view protocolo, std::string_view dataHora,
                     std::string_view arquivo, int formato = 1, std::string_view modelo = {});
  // A preview with the placeholders "000000000000000" and "0000-00-00T00:00:00", the XML wrapped in a
  // root element of the NF-e namespace.
  void PreverDanfe(std::string_view xml, std::string_view modelo = {});

protected:
  void LerConfiguracoes(TvxnIniFile& ini) override;
  void GravarConfiguracoes(TvxnIniFile& ini) override;

private:
  void SecaoPadrao();
  // The file template `nome` of GetTemplateFolder(); EvxnTemplateNotFoundException when it is missing.
  std::string Modelo(std::string_view nome);
  // The address of `servico` in section "AN" of the servers file of the environment.
  std::string EnderecoAN(std::string_view servico);
  std::string Postar(std::string_view servico, std::string_view envelope, std::string_view wsdl,
                     std::string_view operacao, std::string_view resultado);
  // The print parameters of the settings, the model and the declaration; checks the two values first.
  TvxnStringList ParametrosDPEC(std::string_view protocolo, std::string_view dataHora,
                                std::string_view modelo);
  void Executar(std::string_view xml, const TvxnStringList& params, void (TvxnNFeDanfe::*operacao)());

  std::unique_ptr<TvxnNFeDanfe> danfe_;
};

} // namespace vxn
