#include "vxnValidadorLocal.h"

#include "converters/vxnNFeConvXmlToDataset.h"
#include "rules/vxnNFeRules.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "vxnXmlElementTree.h"
#include "vxnXmlEscape.h"
#include "xml/vxnNFeNamespaces.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <utility>

namespace vxn {

namespace {

namespace id = idValidador;

// Layout 4.00 takes "SEM GTIN" for a product without a GTIN, which the 3.10 rules on cEAN and cEANTrib
// refuse (the 4.00 schema checks the form of both), and has no pMixGN (GL102a).
constexpr std::array<std::string_view, 3> kRegrasAlteradasNo400{"GI03", "GI12", "GL102a"};

// The 3.10 rule list, whatever the document's layout.
class TControleRegrasAuditoria : public TvxnControllerRulesNFe {
public:
  void LoadRulesWebSefaz() override { LoadRulesVM50a(); }
};

bool AlteradaNo400(std::string_view regra) {
  return std::find(kRegrasAlteradasNo400.begin(), kRegrasAlteradasNo400.end(), regra) !=
         kRegrasAlteradasNo400.end();
}

void InfNFes(const TvxnXmlElement& e, std::vector<const TvxnXmlElement*>& encontrados) {
  if (e.name == "infNFe") {
    encontrados.push_back(&e);
    return;
  }
  for (const TvxnXmlElement& filho : e.children)
    InfNFes(filho, encontrados);
}

std::string ChaveDe(const TvxnXmlElement& infNFe) {
  const std::string* id = infNFe.Attribute("Id");
  return id && id->starts_with("NFe") ? id->substr(3) : std::string();
}

std::string SemPrefixoRejeicao(std::string_view mensagem) {
  const std::string prefixo = std::string(TvxnValidadorLocal::kRejeicao) + ":";
  if (mensagem.starts_with(prefixo))
    mensagem.remove_prefix(prefixo.size());
  return Trim(mensagem);
}

// The layout folder of the schemas and templates of a layout version ("4.00").
std::string PastaDoLeiaute(std::string_view versao) {
  if (versao == "4.00")
    return VersaoManualSubdir(vm60);
  if (versao == "3.10")
    return VersaoManualSubdir(vm50a);
  return {};
}

std::string ArquivoDoEsquema(std::string_view raiz, std::string_view versao) {
  const std::string sufixo = "_v" + std::string(versao) + ".xsd";
  if (raiz == "nfeProc")
    return "procNFe" + sufixo;
  if (raiz == "enviNFe")
    return "enviNFe" + sufixo;
  return "nfe" + sufixo;
}

// The kind of each property the settings file stores; the others are texts.
bool Booleana(int propriedade) {
  return propriedade == id::ExibirRegrasValidacao || propriedade == id::AtualizarRegrasAutomaticamente;
}
bool Inteira(int propriedade) {
  static constexpr std::array<int, 9> kInteiras{id::CodigoProduto, id::Estagio,      id::HeigthHtml,
                                                id::WidthHtml,     id::TipoResposta, id::LinguagemResposta,
                                                id::ModoOperacao,  id::PortaProxy,   id::Timeout};
  return std::find(kInteiras.begin(), kInteiras.end(), propriedade) != kInteiras.end();
}

constexpr std::string_view kSecaoConfig = "VALIDADOR";

// Appends the members "nome":"valor" of a JSON object, separated by commas.
void EscreverMembros(std::string& out,
                     std::initializer_list<std::pair<std::string_view, std::string_view>> membros) {
  const char* separador = "";
  for (const auto& [nome, valor] : membros) {
    out += separador;
    EscreverJson(out, nome);
    out += ":";
    EscreverJson(out, valor);
    separador = ",";
  }
}

} // namespace

void TvxnValidadorLocal::SetProperty(int propriedade, const TvxnValorControle& valor) {
  propriedades_[propriedade] = valor;
}

TvxnValorControle TvxnValidadorLocal::GetProperty(int propriedade) const {
  if (propriedade == id::TotalRejeicao)
    return totalRejeicao_;
  const auto it = propriedades_.find(propriedade);
  return it == propriedades_.end() ? TvxnValorControle{std::string()} : it->second;
}

std::string TvxnValidadorLocal::Texto(int propriedade) const {
  const TvxnValorControle v = GetProperty(propriedade);
  if (const auto* s = std::get_if<std::string>(&v))
    return *s;
  if (const auto* n = std::get_if<std::int32_t>(&v))
    return std::to_string(*n);
  return std::to_string(std::get<std::int16_t>(v));
}

int TvxnValidadorLocal::Inteiro(int propriedade) const {
  const TvxnValorControle v = GetProperty(propriedade);
  if (const auto* s = std::get_if<std::string>(&v))
    return static_cast<int>(StrToIntDef(*s, 0));
  if (const auto* n = std::get_if<std::int32_t>(&v))
    return *n;
  return std::get<std::int16_t>(v);
}

std::string TvxnValidadorLocal::ValidarXml(std::string_view xml, std::string_view parametro) {
  const std::string logErro = Texto(id::DiretorioLogErro);
  if (Inteiro(id::ModoOperacao) != 0)
    throw EvxnNFeValidadorClientOCXException(
        "O validador local não tem modo cliente: configure ModoOperacao local", logErro);
  achados_.clear();
  regrasVerificadas_.clear();
  leiaute_.clear();
  esquema_.clear();
  Verificar(xml, parametro);
  const auto rejeicoes =
      std::count_if(achados_.begin(), achados_.end(), [](const TAchado& a) { return a.Tipo == kRejeicao; });
  totalRejeicao_ = std::to_string(rejeicoes);
  ultimaResposta_ = Resposta();
  return ultimaResposta_;
}

void TvxnValidadorLocal::Verificar(std::string_view xml, std::string_view parametro) {
  const std::string logErro = Texto(id::DiretorioLogErro);
  TvxnXmlElement raiz;
  try {
    raiz = ParseXmlElementTree(xml, logErro);
  } catch (const EvxnException& e) {
    achados_.push_back({std::string(kRejeicao), "243", "XML", "", "", "XML Mal Formado: " + e.Message()});
    return;
  }
  if (raiz.name != "NFe" && raiz.name != "nfeProc" && raiz.name != "enviNFe")
    throw EvxnNFeValidadorClientOCXException("O validador audita NF-e (NFe, nfeProc, enviNFe), não <%s>",
                                             {raiz.name}, logErro);
  std::vector<const TvxnXmlElement*> infNFes;
  InfNFes(raiz, infNFes);
  const std::string* versao = infNFes.empty() ? nullptr : infNFes.front()->Attribute("versao");
  leiaute_ = versao ? *versao : std::string();
  const std::string pasta = PastaDoLeiaute(leiaute_);
  if (pasta.empty())
    throw EvxnNFeValidadorClientOCXException("O validador não audita o leiaute \"%s\" (audita 4.00 e 3.10)",
                                             {leiaute_}, logErro);

  // Schema first: the authority runs its rules only over a document that passes it.
  std::string esquemas = Texto(id::DiretorioEsquemas);
  esquemas = IncludeTrailingPathDelimiter(esquemas.empty() ? ProgramDirectory() + "Esquemas" : esquemas);
  esquema_ = ArquivoDoEsquema(raiz.name, leiaute_);
  TvxnGovUtils utils;
  try {
    utils.ValidateSchema(xml, uri::kNFe, esquemas + pasta + esquema_);
  } catch (const EvxnNFeSchemaValidationException&) {
    for (const std::string& erro : utils.Get_ValidatorErrors())
      achados_.push_back({std::string(kRejeicao), "225", "Esquema", "", "",
                          "Falha no Schema XML da NFe (" + esquema_ + "): " + erro});
    return;
  }
  if (leiaute_ != "4.00") {
    achados_.push_back({std::string(kAviso), "", "", "", infNFes.empty() ? "" : ChaveDe(*infNFes.front()),
                        "As regras de negócio são verificadas em documentos do leiaute 4.00; "
                        "este foi verificado só contra o esquema"});
    return;
  }
  std::vector<std::string> chaves;
  for (const TvxnXmlElement* infNFe : infNFes)
    chaves.push_back(ChaveDe(*infNFe));
  VerificarRegras(xml, parametro, chaves);
}

void TvxnValidadorLocal::VerificarRegras(std::string_view xml, std::string_view parametro,
                                         const std::vector<std::string>& chaves) {
  const std::string logErro = Texto(id::DiretorioLogErro);
  std::string templates = Texto(id::DiretorioTemplates);
  templates = IncludeTrailingPathDelimiter(templates.empty() ? ProgramDirectory() + "Templates" : templates);
  const int documentos = TvxnNFeConvXmlToDataset::GetNumNotas(xml);
  for (int i = 0; i < documentos; ++i) {
    // A lone document is read whole, with its protocol: the moment of its receipt is the moment the
    // date rules compare with. The documents of a lot are read one by one, at the present moment.
    const std::string documento =
        documentos == 1 ? std::string(xml) : TvxnNFeConvXmlToDataset::GetNota(i, xml, false);
    TvxnNFeConvXmlToDataset conversor;
    conversor.SetDiretorioLogErro(logErro);
    conversor.SetXmlDicionario(templates + VersaoManualSubdir(vm60) + "Conversor/NFeDataSets.xml");
    conversor.SetXml(documento);
    const std::unique_ptr<TvxnNFeDataSets> dados = conversor.ConvertDataset();
    const std::string recebimento = conversor.GetDadosAutorizacao().Value("dhRecbto");
    TvxnRelogio relogio;
    if (!recebimento.empty())
      relogio = [momento = TvxnGovUtils().XsdDateTimeToDateTime(recebimento)] { return momento; };
    const std::string chave = i < static_cast<int>(chaves.size()) ? chaves[i] : std::string();

    TControleRegrasAuditoria controle;
    controle.SetExcecoesDeRegras(parametro);
    controle.LoadRulesWebSefaz();
    for (const auto& regra : controle.GetListRules()) {
      const std::string& nome = regra->GetName();
      if (AlteradaNo400(nome) || controle.EstaNaListaDeExcecoes(nome))
        continue;
      regra->SetDataSet(&dados->DataSet());
      regra->SetRelogio(relogio);
      try {
        regra->execute();
      } catch (const EvxnNFeRuleException&) {
        const auto& r = dynamic_cast<const TvxnNFeRule&>(*regra);
        // The list may hold one rule in two revisions (GW16): the document is refused for it once.
        const bool repetida = std::any_of(achados_.begin(), achados_.end(), [&](const TAchado& a) {
          return a.Regra == nome && a.Codigo == r.GetCodMensagem() && a.Chave == chave;
        });
        if (!repetida)
          achados_.push_back({std::string(kRejeicao), r.GetCodMensagem(), nome, r.GetFieldName(), chave,
                              SemPrefixoRejeicao(r.GetMensagem())});
      } catch (const EvxnDataSetFieldNotFoundException&) {
        continue; // a field the 4.00 layout no longer has: the rule does not apply
      }
      if (i == 0)
        regrasVerificadas_.push_back(nome);
    }
  }
}

std::string TvxnValidadorLocal::Linha(const TAchado& a) {
  std::string linha = a.Tipo;
  if (!a.Codigo.empty())
    linha += " " + a.Codigo;
  if (!a.Regra.empty())
    linha += " [" + a.Regra + "]";
  if (!a.Campo.empty())
    linha += " " + a.Campo;
  linha += ": " + a.Mensagem;
  if (!a.Chave.empty())
    linha += " (chave " + a.Chave + ")";
  return linha;
}

std::string TvxnValidadorLocal::Resposta() const {
  std::string out;
  if (Inteiro(id::TipoResposta) != 1) {
    for (const TAchado& a : achados_)
      out += Linha(a) + "\n";
    if (Inteiro(id::ExibirRegrasValidacao) != 0 && !regrasVerificadas_.empty()) {
      out += "Regras verificadas:";
      for (const std::string& r : regrasVerificadas_)
        out += " " + r;
      out += "\n";
    }
    return out;
  }
  out = "{";
  EscreverMembros(out, {{"leiaute", leiaute_}, {"esquema", esquema_}});
  out += ",\"achados\":[";
  for (std::size_t i = 0; i < achados_.size(); ++i) {
    const TAchado& a = achados_[i];
    out += i ? ",\n{" : "\n{";
    EscreverMembros(out, {{"tipo", a.Tipo},
                          {"codigo", a.Codigo},
                          {"regra", a.Regra},
                          {"campo", a.Campo},
                          {"chave", a.Chave},
                          {"mensagem", a.Mensagem}});
    out += "}";
  }
  out += "]";
  if (Inteiro(id::ExibirRegrasValidacao) != 0) {
    out += ",\"regras\":[";
    for (std::size_t i = 0; i < regrasVerificadas_.size(); ++i) {
      if (i)
        out += ",";
      EscreverJson(out, regrasVerificadas_[i]);
    }
    out += "]";
  }
  out += "}\n";
  return out;
}

std::string TvxnValidadorLocal::RelatorioHtml(std::string_view verdito) const {
  auto texto = [](std::string& out, std::string_view s) { outside::AppendWrittenAttribute(out, s); };
  std::string html = "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n";
  if (const std::string base = Texto(id::HtmlBaseUrl); !base.empty()) {
    html += "<base href=\"";
    texto(html, base);
    html += "\">\n";
  }
  html += "<title>Auditoria da NF-e</title>\n</head>\n<body>\n<main style=\"overflow:auto";
  if (const int largura = Inteiro(id::WidthHtml); largura > 0)
    html += ";width:" + std::to_string(largura) + "px";
  if (const int altura = Inteiro(id::HeigthHtml); altura > 0)
    html += ";height:" + std::to_string(altura) + "px";
  html += "\">\n";
  if (verdito != ultimaResposta_ || ultimaResposta_.empty()) {
    html += "<pre>";
    texto(html, verdito);
    html += "</pre>\n</main>\n</body>\n</html>\n";
    return html;
  }
  html += "<h1>Auditoria da NF-e ";
  texto(html, leiaute_);
  html += "</h1>\n<p>" + totalRejeicao_ + " rejeições</p>\n";
  html += "<table>\n<tr><th>Tipo</th><th>Código</th><th>Regra</th><th>Campo</th><th>Chave</th><th>Mensagem</"
          "th></tr>\n";
  for (const TAchado& a : achados_) {
    html += "<tr>";
    for (const std::string* c : {&a.Tipo, &a.Codigo, &a.Regra, &a.Campo, &a.Chave, &a.Mensagem}) {
      html += "<td>";
      texto(html, *c);
      html += "</td>";
    }
    html += "</tr>\n";
  }
  html += "</table>\n</main>\n</body>\n</html>\n";
  return html;
}

void TvxnValidadorLocal::ShowHtml(std::string_view verdito) {
  std::string arquivo = Texto(id::ArquivoHtml);
  if (arquivo.empty())
    arquivo = TvxnGovUtils().GetSpecialDirectories(1) + "auditoria.html";
  WriteFileAtomic(arquivo, RelatorioHtml(verdito));
}

void TvxnValidadorLocal::LoadConfig(std::string_view arquivo) {
  const TvxnIniFile ini(arquivo);
  for (const std::string& chave : ini.ReadSection(kSecaoConfig)) {
    const long long propriedade = chave.starts_with("P") ? StrToIntDef(chave.substr(1), -1) : -1;
    if (propriedade < id::Senha || propriedade > id::ArquivoHtml || propriedade == id::TotalRejeicao)
      continue;
    const int p = static_cast<int>(propriedade);
    if (Booleana(p))
      SetProperty(p, ini.ReadBool(kSecaoConfig, chave, false) ? kVerdadeiro16 : kFalso16);
    else if (Inteira(p))
      SetProperty(p, std::int32_t{ini.ReadInteger(kSecaoConfig, chave, 0)});
    else
      SetProperty(p, ini.ReadString(kSecaoConfig, chave, ""));
  }
}

void TvxnValidadorLocal::SaveConfig(std::string_view arquivo) {
  TvxnIniFile ini(arquivo);
  for (const auto& [propriedade, valor] : propriedades_) {
    const std::string chave = "P" + std::to_string(propriedade);
    if (Booleana(propriedade))
      ini.WriteBool(kSecaoConfig, chave, Inteiro(propriedade) != 0);
    else
      ini.WriteString(kSecaoConfig, chave, Texto(propriedade));
  }
  ini.UpdateFile();
}

void TvxnValidadorLocal::DownloadRegras() {
  const std::string logErro = Texto(id::DiretorioLogErro);
  const std::string pasta = IncludeTrailingPathDelimiter(Texto(id::DiretorioRegras));
  if (Texto(id::DiretorioRegras).empty() || !ForceDirectories(pasta))
    throw EvxnNFeValidadorClientOCXException("Diretório para regras não encontrado. %s", {pasta}, logErro);
  TControleRegrasAuditoria controle;
  controle.LoadRulesWebSefaz();
  std::string lista;
  for (const auto& regra : controle.GetListRules()) {
    const auto& r = dynamic_cast<const TvxnNFeRule&>(*regra);
    if (!AlteradaNo400(r.GetName()))
      lista += r.GetName() + "|" + r.GetCodMensagem() + "|" + r.GetMensagem() + "\n";
  }
  WriteFileAtomic(pasta + "regras-4.00.txt", lista);
}

} // namespace vxn
