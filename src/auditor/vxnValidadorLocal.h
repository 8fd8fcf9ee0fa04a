// Our own validation control, in-process: it checks an NF-e (NFe, nfeProc or enviNFe) against the
// official schemas of its layout and, once the schema passes, against the tax authority's rejection
// rules of the rule catalogue, and answers with one entry per finding, in JSON (TipoResposta 1) or as
// text lines. ShowHtml writes the HTML report of an answer to a file.
//
// The catalogue has rule lists up to layout 3.10; a 4.00 document is checked with the 3.10 list, read
// into the 4.00 input dataset, less the rules that layout 4.00 changed (kRegrasAlteradasNo400).
#pragma once

#include "vxnValidadorControle.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnValidadorLocal : public TvxnValidadorControle {
public:
  // The word that marks a finding that the tax authority would reject the document for; it occurs
  // once in each such entry of an answer and nowhere else, so that counting it counts rejections.
  static constexpr std::string_view kRejeicao = "Rejeição";
  // A finding that is no rejection (the rules could not be run over the document's layout).
  static constexpr std::string_view kAviso = "Aviso";

  struct TAchado {
    std::string Tipo;     // kRejeicao or kAviso
    std::string Codigo;   // the authority's code ("610"); "" for a notice
    std::string Regra;    // the rule id ("GW16"), "Esquema" or "XML"
    std::string Campo;    // the input dataset field to correct ("vNF_W16"); may be empty
    std::string Chave;    // the document's access key, when it has one
    std::string Mensagem; // the authority's text without the leading "Rejeição: "
  };

  // A finding as a line of the text answer: "Rejeição 610 [GW16] vNF_W16: text (chave KEY)".
  static std::string Linha(const TAchado& achado);

  void SetProperty(int id, const TvxnValorControle& valor) override;
  // A property never set answers an empty text; 216 answers the number of rejections of the last
  // validation as text ("" before the first).
  TvxnValorControle GetProperty(int id) const override;

  // `parametro`: rule ids to leave out, as the input dataset's ExcecoesDeRegras takes them. Raises
  // EvxnNFeValidadorClientOCXException for a document that is no NF-e or of a layout it cannot check,
  // and in client mode (219 = 1), which this control does not have.
  std::string ValidarXml(std::string_view xml, std::string_view parametro) override;
  // Writes the HTML report to the file of property 230 (empty: "auditoria.html" in the temporary
  // folder): the findings of the last validation when `verdito` is its answer, else the text itself.
  void ShowHtml(std::string_view verdito) override;
  // Section "VALIDADOR", one key per property ("P201"...); unknown keys are ignored.
  void LoadConfig(std::string_view arquivo) override;
  void SaveConfig(std::string_view arquivo) override;
  // The rules are part of the library: writes the list the control runs over layout 4.00 to
  // "regras-4.00.txt" in the rule folder (223), one "id|code|text" line each.
  void DownloadRegras() override;

  // The findings, and the rules run, of the last validation.
  const std::vector<TAchado>& GetAchados() const { return achados_; }
  const std::vector<std::string>& GetRegrasVerificadas() const { return regrasVerificadas_; }

private:
  std::string Texto(int id) const;
  int Inteiro(int id) const;
  void Verificar(std::string_view xml, std::string_view parametro);
  void VerificarRegras(std::string_view xml, std::string_view parametro,
                       const std::vector<std::string>& chaves);
  std::string Resposta() const;
  std::string RelatorioHtml(std::string_view verdito) const;

  std::map<int, TvxnValorControle> propriedades_;
  std::vector<TAchado> achados_;
  std::vector<std::string> regrasVerificadas_;
  std::string leiaute_;
  std::string esquema_;
  std::string ultimaResposta_;
  std::string totalRejeicao_;
};

} // namespace vxn
