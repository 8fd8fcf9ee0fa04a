#include "danfe/vxnNFeDanfeDados.h"

#include "danfe/vxnNFeDanfeFormatacao.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "vxnXmlLightTree.h"
#include "xml/vxnNFeUtils.h"

#include <array>
#include <utility>

namespace vxn {

namespace {

const TvxnXmlLightElement& kVazio = ElementoVazio();

std::string_view Texto(const TvxnXmlLightElement* pai, std::string_view nome) {
  return pai ? pai->ChildText(nome) : std::string_view();
}

// CNPJ, CPF or foreign id: the documents put one of them in the same place.
std::string_view Documento(const TvxnXmlLightElement& e) {
  for (const std::string_view nome : {"CNPJ", "CPF", "idEstrangeiro"})
    if (const TvxnXmlLightElement* filho = e.Child(nome))
      return filho->text;
  return {};
}

// Street, ", " and number, as the address boxes print them.
std::string Endereco(const TvxnXmlLightElement& ender) {
  std::string out(ender.ChildText("xLgr"));
  if (const std::string_view nro = ender.ChildText("nro"); !nro.empty())
    out.append(", ").append(nro);
  return out;
}

// The first element below `e` whose name starts with `prefixo` (the ICMS00, ICMSSN102... groups).
const TvxnXmlLightElement& GrupoImposto(const TvxnXmlLightElement& imposto, std::string_view grupo) {
  const TvxnXmlLightElement& g = Filho(&imposto, grupo);
  return g.children.empty() ? kVazio : g.children.front();
}

// An optional decimal in the Brazilian form; "" stays "" (absent values print as blanks).
std::string Valor(std::string_view v) {
  return v.empty() ? std::string() : VirgulaDecimal(v);
}

bool Zero(std::string_view v) {
  return v.empty() || FormatarDecimal(v, 2) == "0,00";
}

// The text document of an XML file read as a whole: declarations dropped and everything under one root,
// so that several documents (an nfeProc and its events) can be given together.
std::string UmDocumento(std::string_view xml) {
  if (xml.starts_with("\xEF\xBB\xBF"))
    xml.remove_prefix(3);
  std::string texto = "<vxnDanfe>";
  texto.reserve(xml.size() + 24);
  std::size_t pos = 0;
  while (true) {
    const std::size_t decl = xml.find("<?xml", pos);
    if (decl == std::string_view::npos)
      break;
    const std::size_t fim = xml.find("?>", decl);
    if (fim == std::string_view::npos)
      break;
    texto.append(xml.substr(pos, decl - pos));
    pos = fim + 2;
  }
  texto.append(xml.substr(pos));
  texto.append("</vxnDanfe>");
  return texto;
}

constexpr std::string_view kXmlInvalido = "XML para exportação do Danfe inválido.";

} // namespace

TvxnNFeDanfeDados::TvxnNFeDanfeDados(TVersaoManual versao) : versao_(versao) {
  CriarTabelas();
}

TvxnNFeDanfeDados::~TvxnNFeDanfeDados() = default;

void TvxnNFeDanfeDados::Campo(TvxnDataSet& tabela, std::string_view campo, std::string_view valor) {
  tabela.FieldByName(campo).SetAsString(valor);
}

std::string TvxnNFeDanfeDados::GetUFCode(std::string_view uf) {
  if (SameText(uf, "EX"))
    return "99";
  if (SameText(uf, "AN"))
    return {};
  return GetCodeUF(uf);
}

bool TvxnNFeDanfeDados::LerXml(TvxnXmlLightElement& raiz) const {
  std::string erro;
  return ReadXmlLightTree(UmDocumento(GetXml()), raiz, erro);
}

std::vector<TvxnDanfeNota> TvxnNFeDanfeDados::Notas(const TvxnXmlLightElement& raiz) {
  std::vector<const TvxnXmlLightElement*> infNFes, infProts, nfes;
  raiz.FindAll("infNFe", infNFes);
  raiz.FindAll("infProt", infProts);
  raiz.FindAll("NFe", nfes);
  std::vector<TvxnDanfeNota> notas;
  notas.reserve(infNFes.size());
  for (const TvxnXmlLightElement* infNFe : infNFes) {
    TvxnDanfeNota& nota = notas.emplace_back();
    nota.infNFe = infNFe;
    nota.ide = &Filho(infNFe, "ide");
    const std::string* id = infNFe->Attribute("Id");
    nota.chave = id ? (id->starts_with("NFe") ? id->substr(3) : *id) : std::string();
    nota.nNF = std::string(nota.ide->ChildText("nNF"));
    if (const std::string* versao = infNFe->Attribute("versao"))
      nota.versao = *versao;
    for (const TvxnXmlLightElement* prot : infProts)
      if (prot->ChildText("chNFe") == nota.chave) {
        nota.infProt = prot;
        break;
      }
    for (const TvxnXmlLightElement* nfe : nfes)
      if (nfe->Child("infNFe") == infNFe)
        nota.nfe = nfe;
  }
  return notas;
}

void TvxnNFeDanfeDados::PopulaDataSet() {
  LimparDataSets();
  raiz_.reset();
  auto raiz = std::make_unique<TvxnXmlLightElement>();
  if (!LerXml(*raiz))
    throw EvxnNFeException(kXmlInvalido, GetDiretorioLogErro());
  std::vector<TvxnDanfeNota> notas = Notas(*raiz);
  if (notas.empty())
    throw EvxnNFeException(kXmlInvalido, GetDiretorioLogErro());
  raiz_ = std::move(raiz);
  // Every document is checked before the first row is written.
  try {
    if (validarRegrasNegocio_)
      for (const TvxnDanfeNota& nota : notas)
        ValidarXmlEntrada(nota);
    for (TvxnDanfeNota& nota : notas)
      LerNota(nota);
  } catch (...) {
    LimparDataSets();
    throw;
  }
}

int TvxnNFeDanfeDados::GetNumNotas() const {
  TvxnXmlLightElement raiz;
  if (!LerXml(raiz))
    return 0;
  std::vector<const TvxnXmlLightElement*> notas;
  raiz.FindAll("infNFe", notas);
  return static_cast<int>(notas.size());
}

std::string TvxnNFeDanfeDados::GetCodigoBarrasNFeOffline() {
  return {};
}

void TvxnNFeDanfeDados::LerNota(TvxnDanfeNota& nota) {
  TvxnDataSet& dados = GetDataSource();
  dados.Append();
  Dado("nNF", nota.nNF);
  GetDadosChaveNF(nota);
  GetDadosIdNF(nota);
  GetDadosEmitente(nota);
  GetDadosDestinatario(nota);
  GetDadosEntrega(nota);
  GetDadosCalcImposto(nota);
  GetDadosTotalISSQN(nota);
  GetDadosRetTrib(nota);
  GetDadosTroco(nota);
  GetDadosTransp(nota);
  GetDadosVeicTransp(nota);
  GetDadosVolumeTransp(nota);
  GetDadosFatura(nota);
  GetDadosDuplicata(nota);
  Dado("imprimirDuplicata", imprimirDuplicata_ ? "1" : "0");
  Dado("imprimirLocalRetiradaEntrega", imprimirLocalRetiradaEntrega_ ? "1" : "0");
  Dado("ConfigTextoRodapeEsq", configTextoRodapeEsq_);
  Dado("ConfigTextoRodapeDir", configTextoRodapeDir_);
  if (nota.ide->ChildText("tpAmb") == "2")
    Dado("FraseHomologacao", fraseHomologacao_);
  if (!validarRegrasNegocio_)
    Dado("FraseHomologacao", "PREVISÃO DE DANFE. SEM VALOR FISCAL");
  if (imprimirTarjaCancelada_ && NFeIsCancelado(nota.chave))
    Dado("TarjaCancelada", "CANCELADA");
  if (imprimirTarjaDenegada_)
    Dado("TarjaDenegada", "NFe SEM VALOR FISCAL\r\n" + std::string(Texto(nota.infProt, "xMotivo")));
  GetDadosReferencias(nota);
  GetDadosPagamento(nota);
  GetDadosLocais(nota);
  LerItens(nota);
  GetDadosAdicionais(nota);
  dados.Post();
}

bool TvxnNFeDanfeDados::NFeIsCancelado(std::string_view chave) const {
  if (!raiz_)
    return false;
  std::vector<const TvxnXmlLightElement*> eventos;
  raiz_->FindAll("infEvento", eventos);
  for (const TvxnXmlLightElement* evento : eventos)
    if (evento->ChildText("tpEvento") == "110111" && evento->ChildText("chNFe") == chave)
      return true;
  return false;
}

// ---- Checks -------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados::ValidarXmlEntrada(const TvxnDanfeNota& nota) {
  const std::string tpEmis = GetTpEmis(nota);
  if (tpEmis != "1" && tpEmis != "3")
    return;
  if (!nota.infProt)
    throw EvxnNFeReportException("O Xml não é válido para impressão em modo Normal / SCAN",
                                 GetDiretorioLogErro());
  const std::string_view cStat = nota.infProt->ChildText("cStat");
  if (cStat != "100" && cStat != "301" && cStat != "302")
    throw EvxnNFeReportException("Danfe não autorizada para Impressão.", GetDiretorioLogErro());
  if (nota.infProt->ChildText("nProt").empty())
    throw EvxnNFeReportException("Número de Protocolo não encontrado.", GetDiretorioLogErro());
}

void TvxnNFeDanfeDados::ValidaAssinatura(const TvxnDanfeNota&) {}

std::string TvxnNFeDanfeDados::GetTpEmis(const TvxnDanfeNota& nota) const {
  const std::string_view tpEmis = nota.ide->ChildText("tpEmis");
  return tpEmis.empty() ? "1" : std::string(tpEmis);
}

// ---- Identification -----------------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosChaveNF(TvxnDanfeNota& nota) {
  Dado("CodBarra", nota.chave);
}

void TvxnNFeDanfeDados::GetDadosIdNF(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& ide = *nota.ide;
  const std::string tpEmis = GetTpEmis(nota);
  Dado("NatOper", ide.ChildText("natOp"));
  Dado("Serie", ide.ChildText("serie"));
  Dado("cNF", ide.ChildText("cNF"));
  const std::string_view dhEmi = ide.ChildText("dhEmi");
  Dado("DtEmissao", dhEmi.empty() ? ide.ChildText("dEmi") : dhEmi);
  const std::string_view dhSaiEnt = ide.ChildText("dhSaiEnt");
  Dado("DtSaida", dhSaiEnt.empty() ? ide.ChildText("dSaiEnt") : dhSaiEnt);
  Dado("hSaida", ide.ChildText("hSaiEnt"));
  Dado("tpEmis", tpEmis);
  std::string_view indPag = ide.ChildText("indPag");
  if (indPag.empty()) // layout 4.00: in the first payment
    indPag = Filho(&Filho(nota.infNFe, "pag"), "detPag").ChildText("indPag");
  Dado("indPag", indPag);
  Dado("nProt", Texto(nota.infProt, "nProt"));
  Dado("dhRecbto", Texto(nota.infProt, "dhRecbto"));
  if (tpEmis != "1")
    Dado("FraseContingencia", fraseContingencia_);
}

// ---- Parties --------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosParte(std::string_view prefixo, const TvxnXmlLightElement& parte,
                                      const TvxnXmlLightElement& ender, std::string_view campoFone) {
  const std::pair<std::string_view, std::string_view> campos[] = {
      {"Logradouro", "xLgr"}, {"Numero", "nro"}, {"Complemento", "xCpl"}, {"Bairro", "xBairro"},
      {"Mun", "xMun"},        {"UF", "UF"},      {"Cep", "CEP"},          {"Pais", "xPais"}};
  std::string nome(prefixo);
  auto campo = [&](std::string_view sufixo) -> const std::string& {
    nome.resize(prefixo.size());
    return nome.append(sufixo);
  };
  Dado(campo("Nome"), parte.ChildText("xNome"));
  Dado(campo("CNPJ"), Documento(parte));
  Dado(campo("IE"), parte.ChildText("IE"));
  for (const auto& [sufixo, elemento] : campos)
    Dado(campo(sufixo), ender.ChildText(elemento));
  Dado(campo("End"), Endereco(ender));
  Dado(campoFone, ender.ChildText("fone"));
}

void TvxnNFeDanfeDados::GetDadosEmitente(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& emit = Filho(nota.infNFe, "emit");
  GetDadosParte("Emit", emit, Filho(&emit, "enderEmit"), "EmitFone");
  Dado("EmitIEST", emit.ChildText("IEST"));
  Dado("EmitIM", emit.ChildText("IM"));
  Dado("EmitFantasia", emit.ChildText("xFant"));
  Dado("EmitCRT", emit.ChildText("CRT"));
}

void TvxnNFeDanfeDados::GetDadosDestinatario(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& dest = Filho(nota.infNFe, "dest");
  GetDadosParte("Dest", dest, Filho(&dest, "enderDest"), "DestFoneFax");
  Dado("DestIndIE", dest.ChildText("indIEDest"));
  Dado("DestEmail", dest.ChildText("email"));
}

void TvxnNFeDanfeDados::GetDadosEntrega(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement* entrega = nota.infNFe->Child("entrega");
  if (!entrega)
    return;
  Dado("EntCNPJ", Documento(*entrega));
  Dado("EntEnd", entrega->ChildText("xLgr"));
  Dado("EntNumero", entrega->ChildText("nro"));
  Dado("EntComplemento", entrega->ChildText("xCpl"));
  Dado("EntBairro", entrega->ChildText("xBairro"));
  Dado("EntMun", entrega->ChildText("xMun"));
  Dado("EntUF", entrega->ChildText("UF"));
}

void TvxnNFeDanfeDados::GetDadosLocais(TvxnDanfeNota& nota) {
  const std::pair<const char*, TvxnDataSet*> locais[] = {{"retirada", localRetirada_},
                                                         {"entrega", localEntrega_}};
  for (const auto& [elemento, tabela] : locais) {
    const TvxnXmlLightElement* local = nota.infNFe->Child(elemento);
    if (!local)
      continue;
    tabela->Append();
    Campo(*tabela, "nNF", nota.nNF);
    Campo(*tabela, "CnpjCpf", Documento(*local));
    for (const std::string_view campo : {"xNome", "xLgr", "nro", "xCpl", "xBairro", "cMun", "xMun", "UF",
                                         "CEP", "cPais", "fone", "email", "IE"})
      Campo(*tabela, campo, local->ChildText(campo));
    tabela->Post();
  }
}

// ---- References -----------------------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosReferencias(TvxnDanfeNota& nota) {
  for (const TvxnXmlLightElement& ref : nota.ide->children) {
    if (ref.name != "NFref")
      continue;
    for (const TvxnXmlLightElement& r : ref.children) {
      if (r.name == "refNFe") {
        refNFe_->Append();
        Campo(*refNFe_, "nNF", nota.nNF);
        Campo(*refNFe_, "ChaveNFeRef", r.text);
        refNFe_->Post();
      } else if (r.name == "refNF") {
        refNF1A_->Append();
        Campo(*refNF1A_, "nNF", nota.nNF);
        Campo(*refNF1A_, "UFNF1ARef", r.ChildText("cUF"));
        Campo(*refNF1A_, "AnoMesNF1ARef", r.ChildText("AAMM"));
        Campo(*refNF1A_, "ModeloNF1ARef", r.ChildText("mod"));
        Campo(*refNF1A_, "SerieNF1ARef", r.ChildText("serie"));
        Campo(*refNF1A_, "NumeroNF1ARef", r.ChildText("nNF"));
        Campo(*refNF1A_, "CNPJNF1ARef", r.ChildText("CNPJ"));
        refNF1A_->Post();
      } else if (r.name == "refNFP") {
        refProdutor_->Append();
        Campo(*refProdutor_, "nNF", nota.nNF);
        Campo(*refProdutor_, "UFNFProdutorRef", r.ChildText("cUF"));
        Campo(*refProdutor_, "AnoMesNFProdutorRef", r.ChildText("AAMM"));
        Campo(*refProdutor_, "ModeloNFProdutorRef", r.ChildText("mod"));
        Campo(*refProdutor_, "SerieNFProdutorRef", r.ChildText("serie"));
        Campo(*refProdutor_, "NumeroNFProdutorRef", r.ChildText("nNF"));
        Campo(*refProdutor_, "IENFProdutorRef", r.ChildText("IE"));
        Campo(*refProdutor_, "CNPJNFProdutorRef", Documento(r));
        refProdutor_->Post();
      } else if (r.name == "refECF") {
        refCupom_->Append();
        Campo(*refCupom_, "nNF", nota.nNF);
        Campo(*refCupom_, "NumeroECFCupomFiscalRef", r.ChildText("nECF"));
        Campo(*refCupom_, "NumeroCOOCupomFiscalRef", r.ChildText("nCOO"));
        Campo(*refCupom_, "ModeloCupomFiscalRef", r.ChildText("mod"));
        refCupom_->Post();
      } else if (r.name == "refCTe") {
        refCTe_->Append();
        Campo(*refCTe_, "nNF", nota.nNF);
        Campo(*refCTe_, "ChaveCTeRef", r.text);
        refCTe_->Post();
      }
    }
  }
}

// ---- Totals -----------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosCalcImposto(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& tot = Filho(&Filho(nota.infNFe, "total"), "ICMSTot");
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 23> kCampos = {{
      {"BaseCalcIcms", "vBC"},          {"ValorIcms", "vICMS"},
      {"BaseCalcIcmsSubs", "vBCST"},    {"ValorIcmsSubs", "vST"},
      {"ValorIcmsDeson", "vICMSDeson"}, {"ValorFCP", "vFCP"},
      {"ValorFCPST", "vFCPST"},         {"ValorFCPSTRet", "vFCPSTRet"},
      {"ValorTotProd", "vProd"},        {"ValorFrete", "vFrete"},
      {"ValorSeguro", "vSeg"},          {"Desconto", "vDesc"},
      {"OutrasDesp", "vOutro"},         {"ValorIPI", "vIPI"},
      {"ValorIPIDevol", "vIPIDevol"},   {"ValorII", "vII"},
      {"ValorTotNota", "vNF"},          {"ValorTotCOFINS", "vCOFINS"},
      {"ValorTotPIS", "vPIS"},          {"ValorTotTrib", "vTotTrib"},
      {"vICMSUFDest", "vICMSUFDest"},   {"vFCPUFDest", "vFCPUFDest"},
      {"vICMSUFRemet", "vICMSUFRemet"},
  }};
  for (const auto& [campo, tag] : kCampos)
    Dado(campo, Valor(tot.ChildText(tag)));
}

void TvxnNFeDanfeDados::GetDadosTotalISSQN(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& iss = Filho(&Filho(nota.infNFe, "total"), "ISSQNtot");
  Dado("BaseCalcISSQN", Valor(iss.ChildText("vBC")));
  Dado("ValorTotServ", Valor(iss.ChildText("vServ")));
  Dado("ValorTotISSQN", Valor(iss.ChildText("vISS")));
  Dado("vISSRet", Valor(iss.ChildText("vISSRet")));
}

void TvxnNFeDanfeDados::GetDadosRetTrib(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& ret = Filho(&Filho(nota.infNFe, "total"), "retTrib");
  for (const std::string_view campo :
       {"vRetPIS", "vRetCOFINS", "vRetCSLL", "vBCIRRF", "vIRRF", "vBCRetPrev", "vRetPrev"})
    Dado(campo, Valor(ret.ChildText(campo)));
}

void TvxnNFeDanfeDados::GetDadosTroco(TvxnDanfeNota& nota) {
  Dado("vTroco", Valor(Filho(nota.infNFe, "pag").ChildText("vTroco")));
}

// ---- Transport
// ---------------------------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosTransp(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& transp = Filho(nota.infNFe, "transp");
  const TvxnXmlLightElement& transporta = Filho(&transp, "transporta");
  Dado("TraModFrete", transp.ChildText("modFrete"));
  Dado("TraCNPJ", Documento(transporta));
  Dado("TraNome", transporta.ChildText("xNome"));
  Dado("TraIE", transporta.ChildText("IE"));
  Dado("TraEnd", transporta.ChildText("xEnder"));
  Dado("TraMun", transporta.ChildText("xMun"));
  Dado("TraUF", transporta.ChildText("UF"));
}

void TvxnNFeDanfeDados::GetDadosVeicTransp(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& veic = Filho(&Filho(nota.infNFe, "transp"), "veicTransp");
  Dado("VeiCodigoANTT", veic.ChildText("RNTC"));
  Dado("VeiPlaca", veic.ChildText("placa"));
  Dado("VeiUF", veic.ChildText("UF"));
}

void TvxnNFeDanfeDados::GetDadosVolumeTransp(TvxnDanfeNota& nota) {
  std::vector<const TvxnXmlLightElement*> vols;
  for (const TvxnXmlLightElement& e : Filho(nota.infNFe, "transp").children)
    if (e.name == "vol")
      vols.push_back(&e);
  TvxnDanfeSoma quantidade, pesoBruto, pesoLiquido;
  for (const TvxnXmlLightElement* vol : vols) {
    volume_->Append();
    Campo(*volume_, "nNF", nota.nNF);
    Campo(*volume_, "VolQuantidade", vol->ChildText("qVol"));
    Campo(*volume_, "VolEspecie", vol->ChildText("esp"));
    Campo(*volume_, "VolMarca", vol->ChildText("marca"));
    Campo(*volume_, "VolNumeracao", vol->ChildText("nVol"));
    Campo(*volume_, "VolPesoBruto", Valor(vol->ChildText("pesoB")));
    Campo(*volume_, "VolPesoLiquido", Valor(vol->ChildText("pesoL")));
    volume_->Post();
    quantidade.Somar(vol->ChildText("qVol"));
    pesoBruto.Somar(vol->ChildText("pesoB"));
    pesoLiquido.Somar(vol->ChildText("pesoL"));
  }
  if (vols.size() == 1 || (vols.size() > 1 && !imprimirVolume_)) {
    const TvxnXmlLightElement& vol = *vols.front();
    Dado("VolQuantidade", vol.ChildText("qVol"));
    Dado("VolEspecie", vol.ChildText("esp"));
    Dado("VolMarca", vol.ChildText("marca"));
    Dado("VolNumeracao", vol.ChildText("nVol"));
    Dado("VolPesoBruto", Valor(vol.ChildText("pesoB")));
    Dado("VolPesoLiquido", Valor(vol.ChildText("pesoL")));
    return;
  }
  if (vols.empty())
    return;
  // Several volumes: the box shows the sums and the complementary information each volume.
  Dado("VolEspecie", "VER INF. COMP.");
  Dado("VolMarca", "VER INF. COMP.");
  Dado("VolNumeracao", "VER INF. COMP.");
  Dado("VolQuantidade", FormatarDecimal(quantidade.Texto(0), 0));
  Dado("VolPesoBruto", FormatarDecimal(pesoBruto.Texto(3), 3));
  Dado("VolPesoLiquido", FormatarDecimal(pesoLiquido.Texto(3), 3));
  for (const TvxnXmlLightElement* vol : vols)
    nota.linhasComplementares +=
        Format("Esp.: %s Marca: %s Num.: %s Qtd.: %s P.Liq.: %s",
               {vol->ChildText("esp"), vol->ChildText("marca"), vol->ChildText("nVol"),
                vol->ChildText("qVol"), Valor(vol->ChildText("pesoL"))}) +
        "\r\n";
}

// ---- Billing and payment
// ------------------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosFatura(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement* fat = Filho(nota.infNFe, "cobr").Child("fat");
  if (!fat)
    return;
  fatura_->Append();
  Campo(*fatura_, "nNF", nota.nNF);
  Campo(*fatura_, "NumeroFatura", fat->ChildText("nFat"));
  Campo(*fatura_, "valorOriginalFatura", Valor(fat->ChildText("vOrig")));
  Campo(*fatura_, "ValorDesconto", Valor(fat->ChildText("vDesc")));
  Campo(*fatura_, "ValorLiquido", Valor(fat->ChildText("vLiq")));
  fatura_->Post();
}

void TvxnNFeDanfeDados::GetDadosDuplicata(TvxnDanfeNota& nota) {
  int handle = 0;
  for (const TvxnXmlLightElement& dup : Filho(nota.infNFe, "cobr").children) {
    if (dup.name != "dup")
      continue;
    cobranca_->Append();
    Campo(*cobranca_, "nNF", nota.nNF);
    Campo(*cobranca_, "NumDuplicata", dup.ChildText("nDup"));
    Campo(*cobranca_, "DtVencimento", dup.ChildText("dVenc"));
    Campo(*cobranca_, "ValorDuplicata", Valor(dup.ChildText("vDup")));
    Campo(*cobranca_, "Handle_Duplicata", std::to_string(++handle));
    cobranca_->Post();
    if (imprimirDuplicata_)
      nota.linhasComplementares +=
          Format("Parcela Num.: %s, Venc.: %s, Valor: %s",
                 {dup.ChildText("nDup"), dup.ChildText("dVenc"), Valor(dup.ChildText("vDup"))}) +
          "\r\n";
  }
}

void TvxnNFeDanfeDados::GetDadosPagamento(TvxnDanfeNota& nota) {
  if (!pagamento_)
    return;
  for (const TvxnXmlLightElement& det : Filho(nota.infNFe, "pag").children) {
    if (det.name != "detPag")
      continue;
    const TvxnXmlLightElement& card = Filho(&det, "card");
    pagamento_->Append();
    Campo(*pagamento_, "nNF", nota.nNF);
    Campo(*pagamento_, "indPag", det.ChildText("indPag"));
    Campo(*pagamento_, "tPag", det.ChildText("tPag"));
    Campo(*pagamento_, "xPag", det.ChildText("xPag"));
    Campo(*pagamento_, "vPag", Valor(det.ChildText("vPag")));
    Campo(*pagamento_, "tpIntegra", card.ChildText("tpIntegra"));
    Campo(*pagamento_, "CNPJ", card.ChildText("CNPJ"));
    Campo(*pagamento_, "tBand", card.ChildText("tBand"));
    Campo(*pagamento_, "cAut", card.ChildText("cAut"));
    pagamento_->Post();
  }
}

// ---- Items ------------------------------------------------------------------------------------------------

namespace {

// The item base totals of "Dados": the sums of one value of every item.
struct TotaisItens {
  TvxnDanfeSoma bcIcms, bcPIS, bcCOFINS, bcIcmsST, bcFCP, bcFCPST, bcFCPSTRet, bcEfet, bcSTRet, iiBC;

  void Somar(const TvxnXmlLightElement& det) {
    const TvxnXmlLightElement& imposto = Filho(&det, "imposto");
    const TvxnXmlLightElement& icms = GrupoImposto(imposto, "ICMS");
    bcIcms.Somar(icms.ChildText("vBC"));
    bcIcmsST.Somar(icms.ChildText("vBCST"));
    bcFCP.Somar(icms.ChildText("vBCFCP"));
    bcFCPST.Somar(icms.ChildText("vBCFCPST"));
    bcFCPSTRet.Somar(icms.ChildText("vBCFCPSTRet"));
    bcEfet.Somar(icms.ChildText("vBCEfet"));
    bcSTRet.Somar(icms.ChildText("vBCSTRet"));
    bcPIS.Somar(GrupoImposto(imposto, "PIS").ChildText("vBC"));
    bcCOFINS.Somar(GrupoImposto(imposto, "COFINS").ChildText("vBC"));
    iiBC.Somar(Filho(&imposto, "II").ChildText("vBC"));
  }
};

std::string Total(const TvxnDanfeSoma& soma) {
  return FormatarDecimal(soma.Texto(2), 2);
}

} // namespace

void TvxnNFeDanfeDados::LerItens(TvxnDanfeNota& nota) {
  TotaisItens totais;
  for (const TvxnXmlLightElement& det : nota.infNFe->children) {
    if (det.name != "det")
      continue;
    const std::string* nItem = det.Attribute("nItem");
    const std::string item = nItem ? *nItem : std::string();
    const TvxnXmlLightElement& prod = Filho(&det, "prod");
    itens_->Append();
    Campo(*itens_, "nNF", nota.nNF);
    Campo(*itens_, "Item", item);
    GetDadosItem(nota, det);
    GetDadosMed_1Lote(prod);
    itens_->Post();
    GetDadosMed_NLotes(prod, item);
    GetDadosRastros(prod, item);
    GetDadosVeiculos(prod, item);
    GetDadosDeclaracoesImportacao(prod, item);
    totais.Somar(det);
  }
  Dado("TotalItemBCalcIcms", Total(totais.bcIcms));
  Dado("TotalItemBCalcPIS", Total(totais.bcPIS));
  Dado("TotalItemBCalcCOFINS", Total(totais.bcCOFINS));
  Dado("TotalItemBCalcIcmsST", Total(totais.bcIcmsST));
  Dado("TotalItemBcalcFCP", Total(totais.bcFCP));
  Dado("TotalItemBcalcFCPST", Total(totais.bcFCPST));
  Dado("TotalItemBcalcFCPSTRet", Total(totais.bcFCPSTRet));
  Dado("TotalItemVBcEfet", Total(totais.bcEfet));
  Dado("TotalItemVBCSTRet", Total(totais.bcSTRet));
  Dado("TotalItemIIvBC", Total(totais.iiBC));
}

void TvxnNFeDanfeDados::GetDadosItem(TvxnDanfeNota&, const TvxnXmlLightElement& det) {
  TvxnDataSet& t = *itens_;
  const TvxnXmlLightElement& prod = Filho(&det, "prod");
  const TvxnXmlLightElement& imposto = Filho(&det, "imposto");
  const TvxnXmlLightElement& icms = GrupoImposto(imposto, "ICMS");
  const TvxnXmlLightElement& ipi = Filho(&imposto, "IPI");
  const TvxnXmlLightElement& ipiTrib = Filho(&ipi, "IPITrib");
  const TvxnXmlLightElement& pis = GrupoImposto(imposto, "PIS");
  const TvxnXmlLightElement& cofins = GrupoImposto(imposto, "COFINS");
  const TvxnXmlLightElement& ii = Filho(&imposto, "II");
  const TvxnXmlLightElement& devol = Filho(&det, "impostoDevol");

  Campo(t, "ItemCodigo", prod.ChildText("cProd"));
  Campo(t, "ItemEAN", prod.ChildText("cEAN"));
  Campo(t, "ItemNCM", prod.ChildText("NCM"));
  Campo(t, "ItemCEST", prod.ChildText("CEST"));
  Campo(t, "ItemDescricao", GetValueTagTratado(prod.ChildText("xProd"), GetLineDelimiter()));
  Campo(t, "ItemCST", icms.ChildText("CST"));
  Campo(t, "ItemORIG", icms.ChildText("orig"));
  Campo(t, "ItemCFOP", prod.ChildText("CFOP"));
  Campo(t, "ItemUnidade", prod.ChildText("uCom"));
  Campo(t, "ItemQuantidade", Valor(prod.ChildText("qCom")));
  Campo(t, "ItemVUnit", Valor(prod.ChildText("vUnCom")));
  if (imprimirUnidadeTributada_) {
    Campo(t, "ItemUnidadeTributada", prod.ChildText("uTrib"));
    Campo(t, "ItemQuantidadeTributada", Valor(prod.ChildText("qTrib")));
    Campo(t, "ItemVUnitTributado", Valor(prod.ChildText("vUnTrib")));
  }
  Campo(t, "ItemVTotal", Valor(prod.ChildText("vProd")));
  Campo(t, "ItemEANTributada", prod.ChildText("cEANTrib"));
  Campo(t, "ItemBCalcIcms", Valor(icms.ChildText("vBC")));
  Campo(t, "ItemVIcms", Valor(icms.ChildText("vICMS")));
  Campo(t, "ItemAliqIcms", Valor(icms.ChildText("pICMS")));
  Campo(t, "ItemVIPI", Valor(ipiTrib.ChildText("vIPI")));
  Campo(t, "ItemAliqIPI", Valor(ipiTrib.ChildText("pIPI")));
  Campo(t, "ItemPDevol", Valor(devol.ChildText("pDevol")));
  Campo(t, "ItemVIPIDevol", Valor(Filho(&devol, "IPI").ChildText("vIPIDevol")));
  Campo(t, "ItemObs", GetValueTagTratado(det.ChildText("infAdProd"), GetLineDelimiter()));
  Campo(t, "ItemClEnq", ipi.ChildText("clEnq"));
  Campo(t, "ItemCNPJProd", ipi.ChildText("CNPJProd"));
  Campo(t, "ItemCSelo", ipi.ChildText("cSelo"));
  Campo(t, "ItemQCelo", ipi.ChildText("qSelo"));
  Campo(t, "ItemCEnq", ipi.ChildText("cEnq"));
  Campo(t, "ItemVPIS", Valor(pis.ChildText("vPIS")));
  Campo(t, "ItemBCalcPIS", Valor(pis.ChildText("vBC")));
  Campo(t, "ItemAliqPIS", Valor(pis.ChildText("pPIS")));
  Campo(t, "ItemCSTPIS", pis.ChildText("CST"));
  Campo(t, "ItemQBCProdPIS", Valor(pis.ChildText("qBCProd")));
  Campo(t, "ItemVAliqProdPIS", Valor(pis.ChildText("vAliqProd")));
  Campo(t, "ItemVCOFINS", Valor(cofins.ChildText("vCOFINS")));
  Campo(t, "ItemBCalcCOFINS", Valor(cofins.ChildText("vBC")));
  Campo(t, "ItemAliqCOFINS", Valor(cofins.ChildText("pCOFINS")));
  Campo(t, "ItemCSTCOFINS", cofins.ChildText("CST"));
  Campo(t, "ItemQBCProdCOFINS", Valor(cofins.ChildText("qBCProd")));
  Campo(t, "ItemVAliqProdCOFINS", Valor(cofins.ChildText("vAliqProd")));
  Campo(t, "ItemBCalcIcmsST", Valor(icms.ChildText("vBCST")));
  Campo(t, "ItemAliqIcmsST", Valor(icms.ChildText("pICMSST")));
  Campo(t, "ItemVIcmsST", Valor(icms.ChildText("vICMSST")));
  Campo(t, "ItemVDesc", Valor(prod.ChildText("vDesc")));
  Campo(t, "ItemVSeg", Valor(prod.ChildText("vSeg")));
  Campo(t, "ItemVFrete", Valor(prod.ChildText("vFrete")));
  Campo(t, "ItemVOutro", Valor(prod.ChildText("vOutro")));
  Campo(t, "ItemVTotTrib", Valor(imposto.ChildText("vTotTrib")));
  Campo(t, "ItemNFCI", prod.ChildText("nFCI"));
  Campo(t, "ItemPedido", prod.ChildText("xPed"));
  Campo(t, "ItemNumeroPed", prod.ChildText("nItemPed"));
  Campo(t, "ItemIIVBC", Valor(ii.ChildText("vBC")));
  Campo(t, "ItemIIvIOF", Valor(ii.ChildText("vIOF")));
  Campo(t, "ItemIIvDespAdu", Valor(ii.ChildText("vDespAdu")));
  Campo(t, "ItemIIvII", Valor(ii.ChildText("vII")));
  Campo(t, "ItemEX_TIPI", prod.ChildText("EXTIPI"));
  Campo(t, "ItemPercMargemValorAdiICMSST", Valor(icms.ChildText("pMVAST")));
  Campo(t, "ItemVIcmsDesonerado", Valor(icms.ChildText("vICMSDeson")));
  Campo(t, "ItemMotivoDesoneracaoICMS", icms.ChildText("motDesICMS"));
}

void TvxnNFeDanfeDados::GetDadosMed_1Lote(const TvxnXmlLightElement& prod) {
  std::vector<const TvxnXmlLightElement*> meds;
  for (const TvxnXmlLightElement& e : prod.children)
    if (e.name == "med")
      meds.push_back(&e);
  if (meds.size() != 1)
    return;
  Campo(*itens_, "ItemNLote", meds.front()->ChildText("nLote"));
  Campo(*itens_, "ItemQLote", Valor(meds.front()->ChildText("qLote")));
  Campo(*itens_, "ItemDFab", meds.front()->ChildText("dFab"));
  Campo(*itens_, "ItemDVal", meds.front()->ChildText("dVal"));
  Campo(*itens_, "ItemVPMC", Valor(meds.front()->ChildText("vPMC")));
}

void TvxnNFeDanfeDados::GetDadosMed_NLotes(const TvxnXmlLightElement& prod, std::string_view item) {
  for (const TvxnXmlLightElement& med : prod.children) {
    if (med.name != "med")
      continue;
    med_->Append();
    Campo(*med_, "Item", item);
    Campo(*med_, "nLote", med.ChildText("nLote"));
    Campo(*med_, "qLote", Valor(med.ChildText("qLote")));
    Campo(*med_, "dFab", med.ChildText("dFab"));
    Campo(*med_, "dVal", med.ChildText("dVal"));
    Campo(*med_, "vPMC", Valor(med.ChildText("vPMC")));
    med_->Post();
  }
}

void TvxnNFeDanfeDados::GetDadosRastros(const TvxnXmlLightElement&, std::string_view) {}

void TvxnNFeDanfeDados::GetDadosDeclaracoesImportacao(const TvxnXmlLightElement&, std::string_view) {}

void TvxnNFeDanfeDados::GetDadosVeiculos(const TvxnXmlLightElement& prod, std::string_view item) {
  const TvxnXmlLightElement* veic = prod.Child("veicProd");
  if (!veic)
    return;
  veic_->Append();
  Campo(*veic_, "Item", item);
  for (const auto& campo : veic_->Fields())
    if (campo->FieldName() != "Item")
      campo->SetAsString(veic->ChildText(campo->FieldName()));
  veic_->Post();
}

// ---- Complementary information ---------------------------------------------------------------------------

void TvxnNFeDanfeDados::GetDadosAdicionais(TvxnDanfeNota& nota) {
  const TvxnXmlLightElement& infAdic = Filho(nota.infNFe, "infAdic");
  const TvxnXmlLightElement& tot = Filho(&Filho(nota.infNFe, "total"), "ICMSTot");
  std::string texto(infAdic.ChildText("infCpl"));
  if (const std::string_view fisco = infAdic.ChildText("infAdFisco"); !fisco.empty())
    texto.append("\r\nObservações destinadas ao Fisco:\r\n").append(fisco);

  std::string identCampo, contCampo;
  for (const TvxnXmlLightElement& obs : infAdic.children) {
    if (obs.name != "obsCont")
      continue;
    const std::string* xCampo = obs.Attribute("xCampo");
    const std::string campo = xCampo ? *xCampo : std::string();
    obsCont_->Append();
    Campo(*obsCont_, "nNF", nota.nNF);
    Campo(*obsCont_, "xCampo", campo);
    Campo(*obsCont_, "xTexto", obs.ChildText("xTexto"));
    obsCont_->Post();
    identCampo += (identCampo.empty() ? "" : "\r\n") + campo;
    contCampo += (contCampo.empty() ? "" : "\r\n") + std::string(obs.ChildText("xTexto"));
    if (imprimirObsCont_)
      texto += "\r\n" + campo + ": " + std::string(obs.ChildText("xTexto"));
  }
  Dado("IdentCampo", identCampo);
  Dado("ContCampo", contCampo);

  if (mensagemFCP_) {
    std::string fcp;
    const std::pair<std::string_view, std::string_view> totais[] = {
        {"Total FCP R$: ", "vFCP"},
        {"Total FCP ST R$: ", "vFCPST"},
        {"Total FCP ST Retido Ant. R$: ", "vFCPSTRet"}};
    for (const auto& [rotulo, tag] : totais)
      if (!Zero(tot.ChildText(tag)))
        fcp += (fcp.empty() ? "" : " ") + std::string(rotulo) + VirgulaDecimal(tot.ChildText(tag));
    if (!fcp.empty())
      texto += "\r\n" + fcp;
  }
  if (mensagemPartilhaAutomatica_) {
    const std::pair<std::string_view, std::string_view> partilha[] = {
        {"Total do ICMS interestadual para a UF do destinatário: %s", "vICMSUFDest"},
        {"Total do ICMS relativo Fundo de Combate à Pobreza para a UF do destinatário: %s", "vFCPUFDest"},
        {"Total do ICMS interestadual para a UF do remetente: %s", "vICMSUFRemet"}};
    for (const auto& [mensagem, tag] : partilha)
      if (!Zero(tot.ChildText(tag)))
        texto += "\r\n" + Format(mensagem, {VirgulaDecimal(tot.ChildText(tag))});
  }
  if (mensagemIcmsDesonerado_ && !Zero(tot.ChildText("vICMSDeson")))
    texto += " Valor do ICMS Desonerado: " + VirgulaDecimal(tot.ChildText("vICMSDeson"));
  if (!nota.linhasComplementares.empty()) {
    std::string linhas = nota.linhasComplementares;
    linhas.resize(linhas.size() - 2); // the last CR LF
    texto += (texto.empty() ? "" : "\r\n") + linhas;
  }

  const TvxnObservacoesSeparadas partes = SeparaObservacoes(
      GetValueTagTratado(texto, GetLineDelimiter()), infCplMaxCol_, infCplMaxRow_, infCplQuebrarLinhaAut_);
  Dado("ObsContribuinte", partes.caixa);
  Dado("ContinuaObsContribuinte", partes.continuacao);
}

// ---- Contingency data code
// ---------------------------------------------------------------------------------

std::string TvxnNFeDanfeDados::CalcularDadosDaNFe(const TvxnDanfeNota& nota) const {
  const TvxnXmlLightElement& dest = Filho(nota.infNFe, "dest");
  const TvxnXmlLightElement& tot = Filho(&Filho(nota.infNFe, "total"), "ICMSTot");
  const std::string_view dhEmi = nota.ide->ChildText("dhEmi");
  const std::string_view emissao = dhEmi.empty() ? nota.ide->ChildText("dEmi") : dhEmi;
  const std::string_view destDoc = Documento(dest);
  return CalculaDadosDaNFe(
      GetUFCode(Filho(&dest, "enderDest").ChildText("UF")), GetTpEmis(nota),
      Utf8PadLeft(IsDigits(destDoc) ? destDoc : std::string_view(), 14, '0'),
      ReplaceAll(tot.ChildText("vNF"), ".", ""), tot.ChildText("vBC") != "0.00" ? "1" : "2",
      tot.ChildText("vBCST") != "0.00" ? "1" : "2",
      emissao.size() >= 10 ? emissao.substr(8, 2) : std::string_view(), TvxnLogDir{GetDiretorioLogErro()});
}

std::unique_ptr<TvxnNFeDanfeDados> CriarNFeDanfeDados(TVersaoManual versao) {
  switch (versao) {
  case TVersaoManual::vm202a:
    return std::make_unique<TvxnNFeDanfeDados202>();
  case TVersaoManual::vm30:
    return std::make_unique<TvxnNFeDanfeDados30>();
  case TVersaoManual::vm40:
    return std::make_unique<TvxnNFeDanfeDados40>();
  case TVersaoManual::vm50:
    return std::make_unique<TvxnNFeDanfeDados50>();
  case TVersaoManual::vm50a:
    return std::make_unique<TvxnNFeDanfeDados50a>();
  case TVersaoManual::vm60:
    return std::make_unique<TvxnNFeDanfeDados60>();
  }
  return std::make_unique<TvxnNFeDanfeDados60>();
}

} // namespace vxn
