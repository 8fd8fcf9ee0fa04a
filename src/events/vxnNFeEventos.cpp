#include "events/vxnNFeEventos.h"

#include "events/vxnEventosXMLUtils.h"
#include "events/vxnNFeEventosParametros.h"
#include "vxnCnpj.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeXMLLogs.h"
#include "xml/vxnNFeXmlProcDestinatario.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vxn {

namespace {

constexpr std::string_view kPrefixoEnvio = "Um problema foi encontrado durante a geração do XML de envio: ";
constexpr std::string_view kPrefixoComprovante =
    "Um problema foi encontrado durante a geração do XML de envio comprovante entrega: ";
constexpr std::string_view kPrefixoCancComprovante =
    "Um problema foi encontrado durante a geração do XML de envio do cancelamento comprovante entrega: ";
constexpr std::string_view kPrefixoEPEC =
    "Um problema foi encontrado durante a geração do XML de evento EPEC: ";
constexpr std::string_view kPrefixoManifestacao =
    "Um problema foi encontrado durante o Envio de Manifestação do Destinatário: ";
constexpr std::string_view kCondUsoAtor = "O emitente ou destinatário da NF-e, declara que permite o "
                                          "transportador declarado no campo CNPJ/CPF deste "
                                          "evento a autorizar os transportadores subcontratados ou "
                                          "redespachados a terem acesso ao download da NF-e";
constexpr std::size_t kMinTexto = 15;

// Runs a builder; a check that fails reaches the host as the kind's prefix and the cause in quotes.
template <typename F> auto Envolver(std::string_view prefixo, const std::string& logDir, F&& builder) {
  try {
    return builder();
  } catch (const EvxnEventoCheckParams& e) {
    throw EvxnEventoCheckParams(std::string(prefixo) + "\"" + e.Message() + "\"", logDir);
  }
}

std::string Seq(int sequencia) {
  return std::to_string(sequencia);
}

// "+05:30" -> offset in seconds.
long OffsetSegundos(std::string_view fuso) {
  const long h = (fuso[1] - '0') * 10 + (fuso[2] - '0');
  const long m = (fuso[4] - '0') * 10 + (fuso[5] - '0');
  return (fuso[0] == '-' ? -1 : 1) * (h * 3600 + m * 60);
}

std::string FormatarHora(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

// What both cancellations ask of the document's protocol and of the justification, in this order.
void ChecarProtocoloEJustificativa(std::string_view protocolo, std::string_view justificativa,
                                   const std::string& logErro) {
  if (Trim(protocolo).empty())
    throw EvxnNFeEventosNumeroProtException("Código do Protocolo não pode ser vazio.", logErro);
  if (Utf8Length(Trim(justificativa)) < kMinTexto)
    throw EvxnNFeEventosJustificativaInvalidException("Justificativa deve possuir no mínimo 15 caracteres.",
                                                      logErro);
}

} // namespace

// ---- Authors' codes ---------------------------------------------------------------------------------

namespace {
constexpr std::string_view kAutoresInteressado[] = {"1", "2", "3"};
constexpr std::string_view kAutoresCompEntrega[] = {"1", "2", "3", "5", "6", "9"};

template <typename E, std::size_t N>
E DoCodigo(const std::string_view (&codigos)[N], std::string_view s, std::string_view logDir) {
  const std::string codigo = Trim(s);
  for (std::size_t i = 0; i < N; ++i)
    if (codigos[i] == codigo)
      return static_cast<E>(i);
  throw EvxnEventoCheckParams("Tipo do Autor inválido: %s", {codigo}, logDir);
}
} // namespace

std::string TipoAutorInteressadoToStr(TTipoAutorInteressado t) {
  return std::string(kAutoresInteressado[static_cast<std::size_t>(t)]);
}
TTipoAutorInteressado StrToTipoAutorInteressado(std::string_view s, std::string_view logDir) {
  return DoCodigo<TTipoAutorInteressado>(kAutoresInteressado, s, logDir);
}
std::string TipoAutorCompEntregaToStr(TTipoAutorCompEntrega t) {
  return std::string(kAutoresCompEntrega[static_cast<std::size_t>(t)]);
}
TTipoAutorCompEntrega StrToTipoAutorCompEntrega(std::string_view s, std::string_view logDir) {
  return DoCodigo<TTipoAutorCompEntrega>(kAutoresCompEntrega, s, logDir);
}

// ---- Shared pieces
// -----------------------------------------------------------------------------------------

std::string TvxnNFeEventos::ElementoAutor() const {
  const std::string cnpj = Trim(GetCNPJ());
  return cnpj.size() == 11 ? "<CPF>" + cnpj + "</CPF>" : "<CNPJ>" + cnpj + "</CNPJ>";
}

std::string TvxnNFeEventos::TpAmb() const {
  return GetAmbiente() == akProducao ? "1" : "2";
}

std::string TvxnNFeEventos::TextoLivre(std::string_view texto) const {
  std::string s = caracteresRemoverAcentos_.empty()
                      ? std::string(texto)
                      : Utils().DynamicRemoveAccents(texto, caracteresRemoverAcentos_);
  // A line break inside a signed text would be read back as another character than the one signed (XML
  // normalises CR LF and CR to LF), and the authority would refuse the signature: every break, and every
  // tab, becomes one blank.
  s = ReplaceAll(s, "\r\n", " ");
  for (char& c : s)
    if (c == '\r' || c == '\n' || c == '\t')
      c = ' ';
  return TvxnNFe::EscapeCaracteres(Trim(s));
}

std::string TvxnNFeEventos::FormataDataHoraEvento(std::string_view dataHora, std::string_view fuso) const {
  const std::string d = Trim(dataHora);
  if (d.empty()) {
    // Now, as the clock reads in the event's time zone (the authority compares it with its own clock).
    const std::time_t agora = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    return FormatarHora(agora + (TvxnEventoParametros::FusoValido(fuso) ? OffsetSegundos(fuso) : 0));
  }
  if (TvxnEventosXMLUtils::SeguePadrao(d, "####-##-##T##:##:##"))
    return d;
  try {
    const auto t = Utils().XsdDateTimeToDateTime(d);
    return FormatarHora(std::chrono::system_clock::to_time_t(t) +
                        (TvxnEventoParametros::FusoValido(fuso) ? OffsetSegundos(fuso) : 0));
  } catch (const EvxnException&) {
    throw EvxnEventoCheckParams("Data/Hora do evento inválida", GetDiretorioLogErro());
  }
}

std::string TvxnNFeEventos::SalvarDestinatario(const std::string& xml, const std::string& arquivo,
                                               const TOnXmlEvento& aviso) {
  if (!GetSalvarLogsEmDisco())
    return {};
  ForceDirectories(ExtractFilePath(arquivo));
  Utils().SaveToFileUtf8(xml, arquivo);
  ultimoXmlDestinatario_ = arquivo;
  if (aviso)
    aviso(arquivo);
  return arquivo;
}

std::string TvxnNFeEventos::EnviarEGerar(std::string_view lote, const std::string& assinado,
                                         std::string_view templateEnvio, std::string_view comando,
                                         std::string_view logEnvio, std::string_view logRetorno,
                                         const std::string& id, std::string_view chave,
                                         std::string_view sufixo, std::vector<std::string_view> aceitos,
                                         const TOnXmlEvento& aviso) {
  ultimoXmlDestinatario_.clear();
  const std::string resposta = EnviarEvento(lote, assinado, templateEnvio, comando, logEnvio, logRetorno);
  const std::string cStat = Utils().GetValueTag("infEvento", "cStat", resposta);
  bool aceito = false;
  for (std::string_view a : aceitos)
    aceito = aceito || cStat == a;
  if (aceito && GetSalvarLogsEmDisco()) {
    const std::string xml = GerarXMLEventoDestinatario(UltimoLogEnvio(), resposta, id);
    SalvarDestinatario(xml,
                       IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioXmlDestinatario())) +
                           std::string(chave) + std::string(sufixo),
                       aviso);
  }
  return resposta;
}

// ---- Correction letter ---------------------------------------------------------------------------------

std::string TvxnNFeEventos::MontarXmlCCe(std::string_view chave, std::string_view correcao,
                                         std::string_view orgao, std::string_view dataHora,
                                         std::string_view fuso, int sequencia) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const std::string evento = Envolver(kPrefixoEnvio, GetDiretorioLogErro(), [&] {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    p.Chave(chave);
    p.Orgao(orgao);
    p.Sequencia(sequencia);
    p.DataHora(dataHora);
    p.Fuso(fusoEfetivo);
    p.Autor(GetCNPJ());
    if (Trim(correcao).empty())
      throw EvxnEventoCheckParams("Favor preencher o Texto de Correção", GetDiretorioLogErro());
    if (Utf8Length(Trim(correcao)) < kMinTexto)
      throw EvxnEventoCheckParams("O Texto de Correção deve ter no mínimo 15 Caracteres",
                                  GetDiretorioLogErro());
    tpEvento_ = tpevento::kCCe;
    return Format(LoadTemplateCCe(),
                  {GerarIdEvento(Trim(chave), sequencia), Trim(orgao), TpAmb(), ElementoAutor(), Trim(chave),
                   FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo, Seq(sequencia),
                   TextoLivre(correcao)});
  });
  return AssinarCCe(evento);
}

std::string TvxnNFeEventos::EnviarCCe(std::string_view chave, std::string_view correcao,
                                      std::string_view orgao, std::string_view dataHora,
                                      std::string_view fuso, int sequencia, std::string_view lote) {
  const std::string assinado = MontarXmlCCe(chave, correcao, orgao, dataHora, fuso, sequencia);
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "envioCCe.xml", "ENVIOCCE", "env-lot", "rec",
                      GerarIdEvento(Trim(chave), sequencia), Trim(chave), "-cce.xml", {"135", "136"},
                      onXmlEventoDestinatario_);
}

std::string TvxnNFeEventos::EnviarCCe(std::string_view lote, std::string_view xml) {
  tpEvento_ = tpevento::kCCe;
  return EnviarEvento(lote, xml, "envioCCe.xml", "ENVIOCCE", "env-lot", "rec");
}

std::string TvxnNFeEventos::LoadTemplateCCe() {
  if (GetVersaoManual() == vm50a || GetVersaoManual() == vm60)
    return LoadTemplate("eventoCCe.xml");
  const std::string pasta =
      IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioTemplates())) + "cce/eventoCCe.xml";
  if (!FileExists(pasta))
    throw EvxnTemplateNotFoundException("Arquivo de template não encontrado: %s", {pasta},
                                        GetDiretorioLogErro());
  return Utils().RemoveAccents(Utils().LoadFromFile(pasta));
}

// ---- Cancellation --------------------------------------------------------------------------------------

std::string TvxnNFeEventos::CancelarNFeEvento(std::string_view chave, std::string_view protocolo,
                                              std::string_view justificativa, std::string_view dataHora,
                                              std::string_view fuso, int sequencia, std::string_view lote) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const TvxnEventoParametros p(GetDiretorioLogErro());
  p.CheckParamsEventos(fusoEfetivo, dataHora, chave);
  ChecarProtocoloEJustificativa(protocolo, justificativa, GetDiretorioLogErro());
  ForceDirectories(GetDiretorioLogErro());
  tpEvento_ = tpevento::kCancelamento;
  const std::string id = GerarIdEvento(Trim(chave), sequencia);
  const std::string evento = Format(LoadTemplate("evento_cancelar.xml"),
                                    {id, CodigoUF(GetUF()), TpAmb(), ElementoAutor(), Trim(chave),
                                     FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo,
                                     std::string(tpevento::kCancelamento), Seq(sequencia), Trim(protocolo),
                                     TextoLivre(justificativa)});
  std::string assinado = AssinarEvento(evento);
  RemoveEspacosAssinatura(assinado);
  ultimoXmlDestinatario_.clear();
  const std::string resposta = CancelarEvento(lote.empty() ? "1" : lote, assinado);
  const std::string cStat = Utils().GetValueTag("infEvento", "cStat", resposta);
  if ((cStat == "135" || cStat == "155") && GetSalvarLogsEmDisco()) {
    TvxnNFeEventoXmlCancelamentoDestinatario builder;
    builder.SetLogPedido(assinado);
    builder.SetLogRetorno(resposta);
    builder.SetTemplate(LoadTemplate("eventoxml_dest.xml"));
    builder.SetId(id);
    builder.SetDiretorioLogErro(GetDiretorioLogErro());
    SalvarDestinatario(builder.GerarXmlDestinatario(),
                       IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioXmlDestinatario())) +
                           Trim(chave) + "-caneve.xml",
                       onXmlCanDestinatario_);
  }
  return resposta;
}

// ---- Cancellation by substitution ----------------------------------------------------------------------

std::string TvxnNFeEventos::CancelarNFeEventoSubstituicao(std::string_view chave, std::string_view protocolo,
                                                          std::string_view justificativa,
                                                          std::string_view chaveSubstituta,
                                                          std::string_view verAplic,
                                                          std::string_view dataHora, std::string_view fuso,
                                                          int sequencia, std::string_view lote) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const TvxnEventoParametros p(GetDiretorioLogErro());
  p.CheckParamsEventos(fusoEfetivo, dataHora, chave);
  ChecarProtocoloEJustificativa(protocolo, justificativa, GetDiretorioLogErro());
  p.ChaveSubstituta(chaveSubstituta, chave);
  if (Utf8Length(Trim(verAplic)) < 1 || Utf8Length(Trim(verAplic)) > 20)
    throw EvxnEventoCheckParams("O Tamanho do campo Versão Aplicativo deve ser de 1 a 20.",
                                GetDiretorioLogErro());
  ForceDirectories(GetDiretorioLogErro());
  tpEvento_ = tpevento::kCancelamentoSubstituicao;
  const std::string id = GerarIdEvento(Trim(chave), sequencia);
  // The author is always the issuer (tpAutor 1), from the state of the document.
  const std::string evento = Format(
      R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe><dhEvento>%s</dhEvento>)"
      R"(<tpEvento>110112</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento>)"
      R"(<detEvento versao="1.00"><descEvento>Cancelamento por substituicao</descEvento>)"
      R"(<cOrgaoAutor>%s</cOrgaoAutor><tpAutor>1</tpAutor><verAplic>%s</verAplic><nProt>%s</nProt>)"
      R"(<xJust>%s</xJust><chNFeRef>%s</chNFeRef></detEvento></infEvento>)",
      {id, CodigoUF(GetUF()), TpAmb(), ElementoAutor(), Trim(chave),
       FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo, Seq(sequencia), Trim(chave).substr(0, 2),
       TextoLivre(verAplic), Trim(protocolo), TextoLivre(justificativa), Trim(chaveSubstituta)});
  std::string assinado = AssinarEvento(evento);
  RemoveEspacosAssinatura(assinado);
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "evento_enviocancelar.xml", "ENVIOCANCSUBST",
                      "cansub-env", "cansub-ret", id, Trim(chave), "-cansub.xml", {"135", "155"},
                      onXmlCanDestinatario_);
}

// ---- Recipient manifestation ---------------------------------------------------------------------------

std::string TvxnNFeEventos::ManifestacaoDestinatario(int tipo, std::string_view chave,
                                                     std::string_view justificativa,
                                                     std::string_view dataHora, std::string_view fuso,
                                                     std::string_view lote, int sequencia) {
  static constexpr std::string_view kCodigos[] = {tpevento::kConfirmacao, tpevento::kCiencia,
                                                  tpevento::kDesconhecimento, tpevento::kNaoRealizada};
  static constexpr std::string_view kDescricoes[] = {"Confirmacao da Operacao", "Ciencia da Operacao",
                                                     "Desconhecimento da Operacao", "Operacao nao Realizada"};
  if (tipo < 1 || tipo > 4)
    throw EvxnNFeEventosTipoEventoException("Tipo do evento inválido.Apenas 1,2,3 e 4 são aceitos",
                                            GetDiretorioLogErro());
  const std::string codigo(kCodigos[tipo - 1]);
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const TvxnEventoParametros p(GetDiretorioLogErro());
  p.CheckParamsEventos(fusoEfetivo, dataHora, chave);
  if (codigo == tpevento::kNaoRealizada && Utf8Length(Trim(justificativa)) < kMinTexto)
    throw EvxnNFeEventosJustificativaInvalidException("Justificativa deve possuir no mínimo 15 caracteres.",
                                                      GetDiretorioLogErro());
  const std::string evento = Envolver(kPrefixoManifestacao, GetDiretorioLogErro(), [&] {
    const std::string autor = Trim(GetCNPJ());
    std::string modelo;
    if (FormaCnpj(autor)) {
      if (!Utils().ValidateCNPJ(autor))
        throw EvxnEventoCheckParams("CNPJ é inválido.", GetDiretorioLogErro());
      modelo = LoadTemplate("evento_manifestacaodestinatariocnpj.xml");
    } else if (autor.size() == 11 && IsDigits(autor)) {
      if (!Utils().ValidateCPF(autor))
        throw EvxnEventoCheckParams("CPF é inválido.", GetDiretorioLogErro());
      modelo = LoadTemplate("evento_manifestacaodestinatariocpf.xml");
    } else {
      throw EvxnEventoCheckParams("Campo CNPJ/CPF é inválido.", GetDiretorioLogErro());
    }
    if (codigo != tpevento::kNaoRealizada)
      modelo = ReplaceAll(modelo, "<xJust>%s</xJust>", "");
    tpEvento_ = codigo;
    const std::string id = GerarIdEvento(Trim(chave), sequencia);
    const std::string dh = FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo;
    const std::string descricao(kDescricoes[tipo - 1]);
    if (codigo == tpevento::kNaoRealizada)
      return Format(modelo, {id, CodigoUF(GetUF()), TpAmb(), autor, Trim(chave), dh, codigo, Seq(sequencia),
                             descricao, TextoLivre(justificativa)});
    return Format(
        modelo, {id, CodigoUF(GetUF()), TpAmb(), autor, Trim(chave), dh, codigo, Seq(sequencia), descricao});
  });
  const std::string assinado = AssinarEvento(evento);
  static constexpr std::string_view kSufixos[] = {"-co-mde.xml", "-ci-mde.xml", "-do-mde.xml", "-or-mde.xml"};
  ultimoXmlDestinatario_.clear();
  const std::string resposta =
      EnviarEvento(lote.empty() ? "1" : lote, assinado, "envio_manifestacaodestinatario.xml", "ENVIOMANDEST",
                   "mandest-env", "mandest-ret");
  const std::string cStat = Utils().GetValueTag("infEvento", "cStat", resposta);
  if ((cStat == "135" || cStat == "136") && GetSalvarLogsEmDisco()) {
    TvxnNFeEventoXmlManifestacaoDestinatario builder(codigo);
    builder.SetLogPedido(assinado);
    builder.SetLogRetorno(resposta);
    builder.SetTemplate(LoadTemplate("manxmlevento_dest.xml"));
    builder.SetId(GerarIdEvento(Trim(chave), sequencia));
    builder.SetDiretorioLogErro(GetDiretorioLogErro());
    SalvarDestinatario(builder.GerarXmlDestinatario(),
                       IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioXmlDestinatario())) +
                           Trim(chave) + std::string(kSufixos[tipo - 1]),
                       onXmlManDestinatario_);
  }
  return resposta;
}

// ---- EPEC ----------------------------------------------------------------------------------------------

std::string TvxnNFeEventos::MontarXmlEPEC(std::string_view lote, std::string_view xmlEnvio,
                                          std::string_view dataHora, std::string_view fuso) {
  return Envolver(kPrefixoEPEC, GetDiretorioLogErro(), [&] {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    if (!IsDigits(Trim(lote)))
      throw EvxnEventoCheckParams("idLote deve conter apenas números.", GetDiretorioLogErro());
    p.Autor(GetCNPJ());
    p.DataHora(dataHora);
    p.Fuso(fuso);
    if (Trim(xmlEnvio).empty())
      throw EvxnEventoCheckParams("Favor preencher XmlEnvio.", GetDiretorioLogErro());
    tpEvento_ = tpevento::kEPEC;
    TvxnGovUtils& u = Utils();
    std::vector<std::string> notas;
    try {
      notas = u.XPathSelectNodes(xmlEnvio, R"(//*[local-name()="infNFe"])");
    } catch (const EvxnException& e) {
      throw EvxnEventoCheckParams(
          "Não foi possível montar o EPEC da nota porque o xml de entrada é inválido. Erro: " + e.Message(),
          GetDiretorioLogErro());
    }
    std::string eventos;
    for (const std::string& nota : notas) {
      const std::string chave = ReplaceAll(u.GetValueParam("infNFe", "Id", nota), "NFe", "");
      p.Chave(chave);
      const std::string emit = u.GetValueTag("emit", nota);
      const std::string emitente =
          !u.GetValueTag("CNPJ", emit).empty()  ? "<CNPJ>" + u.GetValueTag("CNPJ", emit) + "</CNPJ>"
          : !u.GetValueTag("CPF", emit).empty() ? "<CPF>" + u.GetValueTag("CPF", emit) + "</CPF>"
                                                : "";
      if (emitente.empty())
        throw EvxnEventoCheckParams("CNPJ/CPF do emitente é inválido", GetDiretorioLogErro());
      const std::string dest = u.GetValueTag("dest", nota);
      const std::string ufDest = u.GetValueTag("UF", u.GetValueTag("enderDest", dest));
      std::string idDest;
      if (ufDest == "EX")
        idDest = "<idEstrangeiro>" + u.GetValueTag("idEstrangeiro", dest) + "</idEstrangeiro>";
      else if (!u.GetValueTag("CNPJ", dest).empty())
        idDest = "<CNPJ>" + u.GetValueTag("CNPJ", dest) + "</CNPJ>";
      else if (!u.GetValueTag("CPF", dest).empty())
        idDest = "<CPF>" + u.GetValueTag("CPF", dest) + "</CPF>";
      else
        throw EvxnEventoCheckParams("CNPJ/CPF do destinatário é inválido", GetDiretorioLogErro());
      const std::string ieDest = u.GetValueTag("IE", dest);
      const std::string ide = u.GetValueTag("ide", nota);
      std::string dhEmi = u.GetValueTag("dhEmi", ide);
      if (dhEmi.empty())
        dhEmi = u.GetValueTag("dEmi", ide) + "T" + u.GetValueTag("hSaiEnt", ide) + std::string(fuso);
      const std::string total = u.GetValueTag("ICMSTot", nota);
      eventos +=
          Format(LoadTemplate("evento_epec.xml"),
                 {GerarIdEvento(chave, 1), TpAmb(), emitente, chave,
                  FormataDataHoraEvento(dataHora, fuso) + std::string(fuso), chave.substr(0, 2), dhEmi,
                  u.GetValueTag("tpNF", ide), u.GetValueTag("IE", emit), ufDest, idDest,
                  ieDest.empty() || ieDest == "ISENTO" ? "" : "<IE>" + ieDest + "</IE>",
                  u.GetValueTag("vNF", total), u.GetValueTag("vICMS", total), u.GetValueTag("vST", total)});
    }
    const std::string assinados = AssinarEPEC("<eventos>" + eventos + "</eventos>");
    const std::string loteEPEC = Format(LoadTemplate("evento_envio.xml"), {Trim(lote), assinados});
    GravarLog(loteEPEC, "epec-lot", Trim(lote));
    return loteEPEC;
  });
}

std::string TvxnNFeEventos::EnviarEPEC(std::string_view loteEPEC) {
  tpEvento_ = tpevento::kEPEC;
  ValidarTamanhoArquivoEnvio(loteEPEC, 500);
  if (!TvxnEventosXMLUtils::IsSignedXml(loteEPEC))
    throw EvxnEventoInvalidSigner("A nota não possui assinatura", GetDiretorioLogErro());
  if (GetValidarEsquemaAntesEnvio())
    Utils().ValidateSchema(loteEPEC, GetURIEsquema(),
                           IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioEsquemas())) +
                               "epec/envEPEC_v1.00.xsd");
  const std::string id = ObterValorIdEvento(loteEPEC).substr(1);
  const std::string idLog = id.substr(2);
  const std::string envio = GravarLog(loteEPEC, "epec-env", idLog);
  const std::string resposta =
      TvxnEventosXMLUtils::Eventos_DesenveloparSOAP(EnviarPorSoap(Utils().Escape(loteEPEC)));
  GravarLog(resposta, "epec-ret", idLog);
  ultimoXmlDestinatario_.clear();
  if (Utils().GetValueTag("infEvento", "cStat", resposta) == "136" && gerarXmlEPEC_ &&
      GetSalvarLogsEmDisco()) {
    const std::string chave = id.substr(8, 44);
    SalvarDestinatario(GerarXMLEventoDestinatario(loteEPEC, resposta, id, "manxmlevento_dest.xml"),
                       IncludeTrailingPathDelimiter(Utils().ExpandPath(GetDiretorioXmlDestinatario())) +
                           chave + "-epec.xml",
                       onXmlEventoDestinatario_);
  }
  (void)envio;
  return resposta;
}

// ---- Delivery proof and its cancellation ---------------------------------------------------------------

std::string TvxnNFeEventos::MontarXmlEnvioComprovanteEntrega(
    std::string_view chave, std::string_view orgao, std::string_view orgaoAutor,
    TTipoAutorCompEntrega tpAutor, std::string_view verAplic, std::string_view dataHoraEntrega,
    std::string_view nDoc, std::string_view nome, std::string_view latitude, std::string_view longitude,
    std::string_view imagem, std::string_view dataHora, std::string_view fuso, int sequencia) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const std::string evento = Envolver(kPrefixoComprovante, GetDiretorioLogErro(), [&] {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    const std::string& log = GetDiretorioLogErro();
    p.Chave(chave);
    p.Orgao(orgao);
    p.OrgaoAutor(orgaoAutor);
    p.Sequencia(sequencia);
    p.DataHora(dataHora);
    p.Fuso(fusoEfetivo);
    p.Autor(GetCNPJ());
    if (!TvxnEventoParametros::DataHoraValida(dataHoraEntrega))
      throw EvxnEventoCheckParams("Data/Hora da entrega inválida", log);
    if (Trim(dataHoraEntrega).empty())
      throw EvxnEventoCheckParams("Favor preencher a Data da Entrega do Comprovante.", log);
    if (Trim(nDoc).empty())
      throw EvxnEventoCheckParams(
          "Favor preencher o Documento de Identificação do assinante do comprovante de entrega.", log);
    if (Utf8Length(Trim(nDoc)) < 2 || Utf8Length(Trim(nDoc)) > 20)
      throw EvxnEventoCheckParams(
          "O Tamanho do campo Documento de Identificação do assinante deve ser de 2 a 20.", log);
    if (Trim(nome).empty())
      throw EvxnEventoCheckParams("Favor preencher o nome do assinante do comprovante de entrega.", log);
    if (Utf8Length(Trim(nome)) < 2 || Utf8Length(Trim(nome)) > 60)
      throw EvxnEventoCheckParams("O Tamanho do campo Nome do assinante deve ser de 2 a 60.", log);
    if (Utf8Length(Trim(verAplic)) < 1 || Utf8Length(Trim(verAplic)) > 20)
      throw EvxnEventoCheckParams("O Tamanho do campo Versão Aplicativo deve ser de 1 a 20.", log);
    if (Trim(imagem).empty() || !FileExists(imagem))
      throw EvxnEventoCheckParams("Favor preencher o caminho da imagem capturada do comprovante de entrega.",
                                  log);
    tpEvento_ = tpevento::kComprovanteEntrega;
    TvxnGovUtils& u = Utils();
    const std::string hash =
        u.HashSha1Base64(Trim(chave) + u.EncodeBase64(ReadWholeFile(std::string(imagem))));
    const std::string dh = FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo;
    const std::string entrega = FormataDataHoraEvento(dataHoraEntrega, fusoEfetivo) + fusoEfetivo;
    return Format(LoadTemplate("evento_enviocomprovanteentrega.xml"),
                  {GerarIdEvento(Trim(chave), sequencia), Trim(orgao), TpAmb(), ElementoAutor(), Trim(chave),
                   dh, std::string(tpevento::kComprovanteEntrega), Seq(sequencia), Trim(orgaoAutor),
                   TipoAutorCompEntregaToStr(tpAutor), Trim(verAplic), entrega, TextoLivre(nDoc),
                   TextoLivre(nome), Trim(latitude).empty() ? "" : "<latGPS>" + Trim(latitude) + "</latGPS>",
                   Trim(longitude).empty() ? "" : "<longGPS>" + Trim(longitude) + "</longGPS>", hash, dh});
  });
  return AssinarComprovanteEntrega(evento);
}

std::string TvxnNFeEventos::EnviarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                                     std::string_view orgaoAutor,
                                                     TTipoAutorCompEntrega tpAutor, std::string_view verAplic,
                                                     std::string_view dataHoraEntrega, std::string_view nDoc,
                                                     std::string_view nome, std::string_view latitude,
                                                     std::string_view longitude, std::string_view imagem,
                                                     std::string_view dataHora, std::string_view fuso,
                                                     int sequencia, std::string_view lote) {
  const std::string assinado =
      MontarXmlEnvioComprovanteEntrega(chave, orgao, orgaoAutor, tpAutor, verAplic, dataHoraEntrega, nDoc,
                                       nome, latitude, longitude, imagem, dataHora, fuso, sequencia);
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "evento_envio.xml", "ENVIOCOMPROVANTEENTREGA",
                      "cent-env", "cent-ret", GerarIdEvento(Trim(chave), sequencia), Trim(chave), "-cent.xml",
                      {"135", "136"}, onXmlEventoDestinatario_);
}

std::string TvxnNFeEventos::EnviarComprovanteEntrega(
    std::string_view chave, std::string_view orgao, std::string_view orgaoAutor, std::string_view tpAutor,
    std::string_view verAplic, std::string_view dataHoraEntrega, std::string_view nDoc, std::string_view nome,
    std::string_view latitude, std::string_view longitude, std::string_view imagem, std::string_view dataHora,
    std::string_view fuso, int sequencia, std::string_view lote) {
  const TTipoAutorCompEntrega tipo = Envolver(kPrefixoComprovante, GetDiretorioLogErro(), [&] {
    return StrToTipoAutorCompEntrega(tpAutor, GetDiretorioLogErro());
  });
  return EnviarComprovanteEntrega(chave, orgao, orgaoAutor, tipo, verAplic, dataHoraEntrega, nDoc, nome,
                                  latitude, longitude, imagem, dataHora, fuso, sequencia, lote);
}

std::string TvxnNFeEventos::CancelarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                                       std::string_view orgaoAutor, std::string_view tpAutor,
                                                       std::string_view verAplic,
                                                       std::string_view protocoloEntrega,
                                                       std::string_view dataHora, std::string_view fuso,
                                                       int sequencia, std::string_view lote) {
  const TTipoAutorCompEntrega tipo = Envolver(kPrefixoCancComprovante, GetDiretorioLogErro(), [&] {
    return StrToTipoAutorCompEntrega(tpAutor, GetDiretorioLogErro());
  });
  return CancelarComprovanteEntrega(chave, orgao, orgaoAutor, tipo, verAplic, protocoloEntrega, dataHora,
                                    fuso, sequencia, lote);
}

std::string TvxnNFeEventos::CancelarComprovanteEntrega(
    std::string_view chave, std::string_view orgao, std::string_view orgaoAutor,
    TTipoAutorCompEntrega tpAutor, std::string_view verAplic, std::string_view protocoloEntrega,
    std::string_view dataHora, std::string_view fuso, int sequencia, std::string_view lote) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const std::string evento = Envolver(kPrefixoCancComprovante, GetDiretorioLogErro(), [&] {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    p.Chave(chave);
    p.Orgao(orgao);
    p.OrgaoAutor(orgaoAutor);
    p.Sequencia(sequencia);
    p.DataHora(dataHora);
    p.Fuso(fusoEfetivo);
    p.Autor(GetCNPJ());
    if (Trim(protocoloEntrega).size() != 15 || !IsDigits(Trim(protocoloEntrega)))
      throw EvxnEventoCheckParams(
          "O Tamanho do campo Protocolo de autorização do evento de entrega deve conter "
          "exatamente 15 dígitos.",
          GetDiretorioLogErro());
    if (Utf8Length(Trim(verAplic)) < 1 || Utf8Length(Trim(verAplic)) > 20)
      throw EvxnEventoCheckParams("O Tamanho do campo Versão Aplicativo deve ser de 1 a 20.",
                                  GetDiretorioLogErro());
    tpEvento_ = tpevento::kCancelamentoComprovanteEntrega;
    return Format(LoadTemplate("evento_cancelacomprovanteentrega.xml"),
                  {GerarIdEvento(Trim(chave), sequencia), Trim(orgao), TpAmb(), ElementoAutor(), Trim(chave),
                   FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo,
                   std::string(tpevento::kCancelamentoComprovanteEntrega), Seq(sequencia), Trim(orgaoAutor),
                   TipoAutorCompEntregaToStr(tpAutor), Trim(verAplic), Trim(protocoloEntrega)});
  });
  return EnviarEGerar(lote.empty() ? "1" : lote, AssinarCancelaComprovanteEntrega(evento), "evento_envio.xml",
                      "CANCELACOMPROVANTEENTREGA", "canccent-env", "canccent-ret",
                      GerarIdEvento(Trim(chave), sequencia), Trim(chave), "-canccent.xml", {"135", "136"},
                      onXmlEventoDestinatario_);
}

// ---- Interested party ----------------------------------------------------------------------------------

std::string TvxnNFeEventos::MontarXmlEnvioAtorInteressado(
    std::string_view chave, std::string_view orgao, std::string_view orgaoAutor,
    TTipoAutorInteressado tpAutor, std::string_view verAplic, std::string_view autorizado,
    TTipoAutorizacaoAtorInter tipo, std::string_view dataHora, std::string_view fuso, int sequencia) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const std::string evento = Envolver(kPrefixoEnvio, GetDiretorioLogErro(), [&] {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    p.Chave(chave);
    p.Orgao(orgao);
    p.OrgaoAutor(orgaoAutor);
    p.Sequencia(sequencia);
    p.DataHora(dataHora);
    p.Fuso(fusoEfetivo);
    p.Autor(GetCNPJ());
    const std::string aut = Trim(autorizado);
    if (aut.empty())
      throw EvxnEventoCheckParams("Favor preencher CNPJ/CPF do Autorizado.", GetDiretorioLogErro());
    if (!IsDigits(aut) && !FormaCnpj(aut))
      throw EvxnEventoCheckParams("CNPJ/CPF do Autorizado deve conter apenas números.",
                                  GetDiretorioLogErro());
    if (aut.size() != 11 && aut.size() != 14)
      throw EvxnEventoCheckParams("CNPJ do Autorizado deve conter 14 dígitos ou 11 dígitos quando for CPF.",
                                  GetDiretorioLogErro());
    tpEvento_ = tpevento::kAtorInteressado;
    const bool permite = tipo == TTipoAutorizacaoAtorInter::tEAIPermite;
    return Format(
        LoadTemplate("evento_envioatorinteressado.xml"),
        {GerarIdEvento(Trim(chave), sequencia), Trim(orgao), TpAmb(), ElementoAutor(), Trim(chave),
         FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo, std::string(tpevento::kAtorInteressado),
         Seq(sequencia), Trim(orgaoAutor), TipoAutorInteressadoToStr(tpAutor), Trim(verAplic),
         aut.size() == 11 ? "<CPF>" + aut + "</CPF>" : "<CNPJ>" + aut + "</CNPJ>", permite ? "1" : "0",
         permite ? "<xCondUso>" + std::string(kCondUsoAtor) + "</xCondUso>" : std::string()});
  });
  return AssinarAtorInteressado(evento);
}

std::string TvxnNFeEventos::EnviarAtorInteressado(std::string_view chave, std::string_view orgao,
                                                  std::string_view orgaoAutor, TTipoAutorInteressado tpAutor,
                                                  std::string_view verAplic, std::string_view autorizado,
                                                  TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                                  std::string_view fuso, int sequencia,
                                                  std::string_view lote) {
  const std::string assinado = MontarXmlEnvioAtorInteressado(chave, orgao, orgaoAutor, tpAutor, verAplic,
                                                             autorizado, tipo, dataHora, fuso, sequencia);
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "evento_envio.xml", "ENVIOATORINTERESSADO",
                      "atorint-env", "atorint-ret", GerarIdEvento(Trim(chave), sequencia), Trim(chave),
                      "-atorint.xml", {"135", "136"}, onXmlEventoDestinatario_);
}

std::string TvxnNFeEventos::EnviarAtorInteressado(std::string_view chave, std::string_view orgao,
                                                  std::string_view orgaoAutor, std::string_view tpAutor,
                                                  std::string_view verAplic, std::string_view autorizado,
                                                  TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                                  std::string_view fuso, int sequencia,
                                                  std::string_view lote) {
  const TTipoAutorInteressado autor = Envolver(kPrefixoEnvio, GetDiretorioLogErro(), [&] {
    return StrToTipoAutorInteressado(tpAutor, GetDiretorioLogErro());
  });
  return EnviarAtorInteressado(chave, orgao, orgaoAutor, autor, verAplic, autorizado, tipo, dataHora, fuso,
                               sequencia, lote);
}

// ---- Extension request and its cancellation ------------------------------------------------------------

std::string TvxnNFeEventos::MontarXmlPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                                       TTipoPedidoProrrogacao tipo, std::string_view dataHora,
                                                       std::string_view fuso, int sequencia) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const std::string evento = Envolver(kPrefixoEnvio, GetDiretorioLogErro(), [&] {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    p.Chave(chave);
    p.Sequencia(sequencia);
    p.DataHora(dataHora);
    p.Fuso(fusoEfetivo);
    p.Autor(GetCNPJ());
    if (Trim(protocolo).empty())
      throw EvxnEventoCheckParams("Código do Protocolo não pode ser vazio.", GetDiretorioLogErro());
    if (itens_.Itens().empty())
      throw EvxnEventoCheckParams(
          "Nenhum item encontrado,favor adicione utilizando o método: AdicionarItens.",
          GetDiretorioLogErro());
    std::string itens;
    for (const auto& [item, quantidade] : itens_.Itens()) {
      if (Trim(item).empty())
        throw EvxnEventoCheckParams(
            "Item não pode ser vazio, favor adicione utilizando o método: AdicionarItens.",
            GetDiretorioLogErro());
      if (Trim(quantidade).empty())
        throw EvxnEventoCheckParams(
            "Não foi preenchido a quantidade, favor adicione utilizando o método: AdicionarItens.",
            GetDiretorioLogErro());
      itens += Format(R"(<itemPedido numItem="%s"><qtdeItem>%s</qtdeItem></itemPedido>)",
                      {Trim(item), Trim(quantidade)});
    }
    tpEvento_ = tipo == TTipoPedidoProrrogacao::tEPP1 ? "111500" : "111501";
    return Format(LoadTemplate("evento_pedidoprorrogacao.xml"),
                  {GerarIdEvento(Trim(chave), sequencia), CodigoUF(GetUF()), TpAmb(), ElementoAutor(),
                   Trim(chave), FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo, tpEvento_,
                   Seq(sequencia), Trim(protocolo), itens});
  });
  return AssinarPedidoProrrogacao(evento);
}

std::string TvxnNFeEventos::EnviarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                                    TTipoPedidoProrrogacao tipo, std::string_view dataHora,
                                                    std::string_view fuso, int sequencia,
                                                    std::string_view lote) {
  const std::string assinado = MontarXmlPedidoProrrogacao(chave, protocolo, tipo, dataHora, fuso, sequencia);
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "evento_envio.xml", "ENVIAPEDIDOPRORROGACAO",
                      "eppenv-lot", "epprec", GerarIdEvento(Trim(chave), sequencia), Trim(chave), "-epp.xml",
                      {"135", "136"}, onXmlEventoDestinatario_);
}

std::string TvxnNFeEventos::CancelarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                                      TTipoCancelamentoPedidoProrrogacao tipo,
                                                      std::string_view dataHora, std::string_view fuso,
                                                      int sequencia, std::string_view lote) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  try {
    const TvxnEventoParametros p(GetDiretorioLogErro());
    p.CheckParamsEventos(fusoEfetivo, dataHora, chave);
    if (Trim(protocolo).empty())
      throw EvxnNFeEventosNumeroProtException("Código do Protocolo não pode ser vazio.",
                                              GetDiretorioLogErro());
    const bool primeiro = tipo == TTipoCancelamentoPedidoProrrogacao::tECPP1;
    char seq[16];
    std::snprintf(seq, sizeof seq, "%02d", sequencia);
    const std::string idPedido = "ID" + std::string(primeiro ? "111500" : "111501") + Trim(chave) + seq;
    tpEvento_ = primeiro ? "111502" : "111503";
    const std::string evento =
        Format(LoadTemplate("evento_cancelarpedidoprorrogacao.xml"),
               {GerarIdEvento(Trim(chave), sequencia), CodigoUF(GetUF()), TpAmb(), ElementoAutor(),
                Trim(chave), FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo, tpEvento_,
                Seq(sequencia), idPedido, Trim(protocolo)});
    // This kind has no schema of its own in the mapping: signature and lot checks only.
    const bool validar = GetValidarEsquemaAntesEnvio();
    SetValidarEsquemaAntesEnvio(false);
    std::string resposta;
    try {
      resposta = EnviarEGerar(lote.empty() ? "1" : lote, AssinarEvento(evento), "evento_enviocancelar.xml",
                              "", "canepp-env", "canepp-ret", GerarIdEvento(Trim(chave), sequencia),
                              Trim(chave), "-canepp.xml", {"135", "136"}, onXmlEventoDestinatario_);
    } catch (...) {
      SetValidarEsquemaAntesEnvio(validar);
      throw;
    }
    SetValidarEsquemaAntesEnvio(validar);
    return resposta;
  } catch (const EvxnNFeEventosException&) {
    throw;
  } catch (const std::exception& e) {
    throw EvxnEventosException(std::string("Erro ao cancelar Pedido de prorrogação: ") + e.what(),
                               GetDiretorioLogErro());
  }
}

// ---- Signing of events built by the host ---------------------------------------------------------------

std::string TvxnNFeEventos::AssinarCCe(std::string_view xml) {
  tpEvento_ = tpevento::kCCe;
  return AssinarEvento(xml);
}
std::string TvxnNFeEventos::AssinarEPEC(std::string_view xml) {
  tpEvento_ = tpevento::kEPEC;
  return AssinarEvento(xml);
}
std::string TvxnNFeEventos::AssinarComprovanteEntrega(std::string_view xml) {
  tpEvento_ = tpevento::kComprovanteEntrega;
  return AssinarEvento(xml);
}
std::string TvxnNFeEventos::AssinarCancelaComprovanteEntrega(std::string_view xml) {
  tpEvento_ = tpevento::kCancelamentoComprovanteEntrega;
  return AssinarEvento(xml);
}
std::string TvxnNFeEventos::AssinarAtorInteressado(std::string_view xml) {
  tpEvento_ = tpevento::kAtorInteressado;
  return AssinarEvento(xml);
}
// ---- The tax authority's answer to an extension request -----------------------------------------------

std::string TvxnNFeEventos::MontarXMLEventoFisco(std::string_view chave, std::string_view orgao,
                                                 std::string_view tpEvento,
                                                 const std::vector<TvxnItemRespostaPedido>& itens,
                                                 const TvxnRespostaCancelamentoPedido& cancelamento,
                                                 std::string_view dataHora, std::string_view fuso,
                                                 int sequencia) {
  const std::string fusoEfetivo = Trim(fuso).empty() ? "-03:00" : std::string(fuso);
  const std::string evento = Envolver(kPrefixoEnvio, GetDiretorioLogErro(), [&] {
    const std::string& logDir = GetDiretorioLogErro();
    const TvxnEventoParametros p(logDir);
    p.Chave(chave);
    p.Orgao(orgao);
    p.Sequencia(sequencia);
    p.DataHora(dataHora);
    p.Fuso(fusoEfetivo);
    p.Autor(GetCNPJ());
    const std::string tp = Trim(tpEvento);
    if (tp.empty())
      throw EvxnEventoCheckParams("Favor preencher tpEvento.", logDir);
    if (!IsDigits(tp))
      throw EvxnEventoCheckParams("tpEvento deve conter apenas números.", logDir);
    auto outra = [this](const std::string& texto) {
      return Trim(texto).empty() ? std::string() : "<justStaOutra>" + TextoLivre(texto) + "</justStaOutra>";
    };
    std::string resposta;
    if (tp == "411502" || tp == "411503") {
      if (Trim(cancelamento.StatCancPedido).empty())
        throw EvxnEventoCheckParams("Favor preencher o status do pedido de prorrogação", logDir);
      if (Trim(cancelamento.JustStatus).empty())
        throw EvxnEventoCheckParams("Favor preencher a justificativa do pedido de prorrogação", logDir);
      resposta = "<respCancPedido><statCancPedido>" + Trim(cancelamento.StatCancPedido) +
                 "</statCancPedido><justStatus>" + Trim(cancelamento.JustStatus) + "</justStatus>" +
                 outra(cancelamento.JustStaOutra) + "</respCancPedido>";
    } else {
      if (itens.empty())
        throw EvxnEventoCheckParams("Favor preencher o número dos itens", logDir);
      bool concedido = false;
      for (const TvxnItemRespostaPedido& i : itens) {
        if (Trim(i.NumItem).empty())
          throw EvxnEventoCheckParams("Favor preencher o número dos itens", logDir);
        if (Trim(i.StatPedido).empty())
          throw EvxnEventoCheckParams("Favor preencher o status do pedido de prorrogação", logDir);
        if (Trim(i.JustStatus).empty())
          throw EvxnEventoCheckParams("Favor preencher a justificativa de status", logDir);
        concedido = concedido || Trim(i.StatPedido) == "1";
        resposta +=
            Format(R"(<itemPedido numItem="%s"><statPedido>%s</statPedido><justStatus>%s</justStatus>)",
                   {Trim(i.NumItem), Trim(i.StatPedido), Trim(i.JustStatus)}) +
            outra(i.JustStaOutra) + "</itemPedido>";
      }
      resposta = "<respPedido><statPrazo>" + std::string(concedido ? "1" : "0") + "</statPrazo>" + resposta +
                 "</respPedido>";
    }
    tpEvento_ = tp;
    // The request answered: 1115xx for the answer 4115xx, the same key and sequence.
    char seq[16];
    std::snprintf(seq, sizeof seq, "%02d", sequencia);
    const std::string idPedido = "ID1" + tp.substr(1) + Trim(chave) + seq;
    return Format(
        R"(<infEvento Id="%s"><cOrgao>%s</cOrgao><tpAmb>%s</tpAmb>%s<chNFe>%s</chNFe><dhEvento>%s</dhEvento>)"
        R"(<tpEvento>%s</tpEvento><nSeqEvento>%s</nSeqEvento><verEvento>1.00</verEvento><detEvento versao="1.00">)"
        R"(<descEvento>Fisco - Prorrogacao ICMS remessa para industrializacao</descEvento><idPedido>%s</idPedido>)"
        R"(%s</detEvento></infEvento>)",
        {GerarIdEvento(Trim(chave), sequencia), Trim(orgao), TpAmb(), ElementoAutor(), Trim(chave),
         FormataDataHoraEvento(dataHora, fusoEfetivo) + fusoEfetivo, tp, Seq(sequencia), idPedido, resposta});
  });
  return AssinarEvento(evento);
}

std::string TvxnNFeEventos::EnviarEventoFisco(std::string_view chave, std::string_view orgao,
                                              std::string_view tpEvento,
                                              const std::vector<TvxnItemRespostaPedido>& itens,
                                              const TvxnRespostaCancelamentoPedido& cancelamento,
                                              std::string_view dataHora, std::string_view fuso, int sequencia,
                                              std::string_view lote) {
  const std::string assinado =
      MontarXMLEventoFisco(chave, orgao, tpEvento, itens, cancelamento, dataHora, fuso, sequencia);
  return EnviarEGerar(lote.empty() ? "1" : lote, assinado, "evento_envio.xml", "ENVIAPEDIDOPRORROGACAO",
                      "eppenv-lot", "epprec", GerarIdEvento(Trim(chave), sequencia), Trim(chave),
                      "-" + tpEvento_ + ".xml", {"135", "136"}, onXmlEventoDestinatario_);
}

std::string TvxnNFeEventos::AssinarPedidoProrrogacao(std::string_view xml) {
  if (tpEvento_ != "111500" && tpEvento_ != "111501")
    tpEvento_ = "111500";
  return AssinarEvento(xml);
}

// ---- Distribution XML ----------------------------------------------------------------------------------

std::string TvxnNFeEventos::GerarDestinatarioKind(std::string_view evento, std::string_view retorno,
                                                  std::string_view mensagem, std::string_view templateNome) {
  const std::string textoRetorno = TvxnNFeXMLLogs::LoadLog(retorno, Utils().ExpandPath(GetDiretorioLog()));
  const std::string cStat = Utils().GetValueTag("infEvento", "cStat", textoRetorno);
  if (cStat != "135" && cStat != "136")
    throw EvxnEventoXmlDestinatario("Não foi possível gerar o XML Destinatário: " + std::string(mensagem),
                                    GetDiretorioLogErro());
  const std::string textoEvento = TvxnNFeXMLLogs::LoadLog(evento, Utils().ExpandPath(GetDiretorioLog()));
  std::string id;
  Utils().FindAttribute(textoEvento, "infEvento", "Id", id);
  return GerarXMLEventoDestinatario(textoEvento, textoRetorno, id, templateNome);
}

std::string TvxnNFeEventos::GerarXMLCCeDestinatario(std::string_view evento, std::string_view retorno) {
  return GerarDestinatarioKind(evento, retorno, "A CCe não está autorizada.", "eventoxml_dest.xml");
}
std::string TvxnNFeEventos::GerarXMLManifestoDestinatario(std::string_view evento, std::string_view retorno) {
  return GerarDestinatarioKind(evento, retorno, "A Manifestação não está autorizada.",
                               "manxmlevento_dest.xml");
}
std::string TvxnNFeEventos::GerarXMLEPECDestinatario(std::string_view evento, std::string_view retorno) {
  return GerarDestinatarioKind(evento, retorno, "O EPEC não está autorizado.", "manxmlevento_dest.xml");
}
std::string TvxnNFeEventos::GerarXMLDestinatarioComprovanteEntrega(std::string_view evento,
                                                                   std::string_view retorno) {
  return GerarDestinatarioKind(evento, retorno, "O comprovante de entrega não está autorizado.",
                               "eventoxml_dest.xml");
}
std::string TvxnNFeEventos::GerarXMLDestinatarioCancelamentoComprovanteEntrega(std::string_view evento,
                                                                               std::string_view retorno) {
  return GerarDestinatarioKind(
      evento, retorno, "O cancelamento do comprovante de entrega não está autorizado.", "eventoxml_dest.xml");
}

} // namespace vxn
