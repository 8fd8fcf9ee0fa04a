// The CL-e component: configuration, the lot request and its checks, sending, logs and certificates.
#include "cle/vxnCle.h"

#include "cle/vxnCleException.h"
#include "events/vxnEventosXMLUtils.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"
#include "xml/vxnNFeUtils.h"

#include <chrono>
#include <ctime>
#include <set>

namespace vxn {

namespace {

constexpr std::string_view kServico = "CleCadastro";
constexpr std::string_view kPrefixoCarga =
    "Um problema foi encontrado durante o carregamento do arquivo de configuração: ";

// A value of the state code table, the national environment left out: "" when the text names no state.
std::string CodigoEstado(std::string_view uf) {
  const std::string sigla = Trim(uf);
  if (SameText(sigla, "AN"))
    return {};
  return GetCodeUF(sigla);
}

// Every character a digit or an upper-case letter A to Z. Plates have no length limit here: the schema
// bounds them.
bool PlacaValida(std::string_view placa) {
  if (placa.empty())
    return false;
  for (const char c : placa)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')))
      return false;
  return true;
}

// "<tag>value</tag>" for a filled value, nothing otherwise.
std::string Opcional(std::string_view tag, std::string_view valor) {
  if (valor.empty())
    return {};
  return Format("<%s>%s</%s>", {std::string(tag), std::string(valor), std::string(tag)});
}

// A moment with microseconds, shared by the request's and the reply's log names.
std::string Carimbo() {
  const auto agora = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(agora);
  std::tm tm{};
  localtime_r(&t, &tm);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y%m%d%H%M%S", &tm);
  const auto micro =
      std::chrono::duration_cast<std::chrono::microseconds>(agora.time_since_epoch()).count() % 1000000;
  return Format("%s%06d", {std::string(texto), static_cast<int>(micro)});
}

std::string SemDeclaracao(std::string_view xml) {
  std::string texto(Trim(xml));
  if (StartsWithText(texto, "<?xml")) {
    const std::size_t fim = texto.find("?>");
    texto = fim == std::string::npos ? std::string() : Trim(std::string_view(texto).substr(fim + 2));
  }
  return texto;
}

} // namespace

bool ModalidadeOutroValida(std::string_view codigo) {
  static const std::set<std::string, std::less<>> codigos{"02", "03", "04", "05", "06"};
  return codigos.contains(codigo);
}

std::string SituacaoCleToStr(TvxnSituacaoCleKind s) {
  switch (s) {
  case ckEmAberto:
    return "EmAberto";
  case ckApresentada:
    return "Apresentada";
  case ckBaixada:
    return "Baixada";
  case ckCancelada:
    return "Cancelada";
  }
  return {};
}

bool TvxnCleModRodoviario::Preenchido() const {
  for (const std::string* v :
       {&placaVeiculo_, &ufVeiculo_, &placaCarreta_, &ufCarreta_, &placaCarreta2_, &ufCarreta2_})
    if (!Trim(*v).empty())
      return true;
  return false;
}

bool TvxnCleModOutro::Preenchido() const {
  return !Trim(modalidade_).empty() || !Trim(ufTransporte_).empty() || !Trim(identMeioTransporte_).empty();
}

TvxnCle::TvxnCle() = default;
TvxnCle::~TvxnCle() = default;

void TvxnCle::LimparDados() {
  transportador_.Limpar();
  modalidade_.Limpar();
  ufDestino_.clear();
}

// ---- Configuration ---------------------------------------------------------------------------------------

std::string TvxnCle::RetornaNomeArquivoConfig() {
  return "cleConfig.ini";
}

std::string TvxnCle::Secao() const {
  return sectionINI_.empty() ? std::string("CLE") : sectionINI_;
}

std::string TvxnCle::Pasta(std::string_view diretorio) const {
  return IncludeTrailingPathDelimiter(ExpandPath(ToNativePath(diretorio)));
}

void TvxnCle::LoadConfig(std::string_view fileName) {
  const std::string nome = fileName.empty() ? RetornaNomeArquivoConfig() : std::string(fileName);
  const std::string caminho = ExpandPath(ToNativePath(nome));
  if (!FileExists(caminho))
    throw EvxnCLeConfigException("Arquivo ini de configuração não foi encontrado em %s", {caminho},
                                 diretorioLogErro_);
  configINI_ = caminho;
  CarregarConfiguracoes();
}

void TvxnCle::LoadConfig(TvxnIniFile* ini) {
  if (!ini)
    throw EvxnCLeConfigException("O parâmetro não pode ser nil para realizar LoadConfig", diretorioLogErro_);
  iniEmprestado_ = ini;
  try {
    CarregarConfiguracoes();
  } catch (...) {
    iniEmprestado_ = nullptr;
    throw;
  }
  iniEmprestado_ = nullptr;
}

void TvxnCle::SaveConfig(std::string_view fileName) {
  if (!fileName.empty() || configINI_.empty())
    configINI_ = ExpandPath(ToNativePath(fileName.empty() ? RetornaNomeArquivoConfig() : fileName));
  SalvarConfiguracoes();
}

void TvxnCle::SaveConfig(TvxnIniFile* ini) {
  if (!ini)
    throw EvxnCLeConfigException("O parâmetro não pode ser nil para realizar SaveConfig", diretorioLogErro_);
  iniEmprestado_ = ini;
  try {
    SalvarConfiguracoes();
  } catch (...) {
    iniEmprestado_ = nullptr;
    throw;
  }
  iniEmprestado_ = nullptr;
}

void TvxnCle::CarregarConfiguracoes() {
  try {
    if (iniEmprestado_) {
      LerConfiguracoes(*iniEmprestado_);
      return;
    }
    const std::string caminho = configINI_.empty() ? ExpandPath(RetornaNomeArquivoConfig()) : configINI_;
    if (!FileExists(caminho))
      throw EvxnCLeConfigException("Arquivo ini de configuração não foi encontrado em %s", {caminho},
                                   diretorioLogErro_);
    TvxnIniFile ini(caminho);
    LerConfiguracoes(ini);
  } catch (const EvxnCLeConfigException&) {
    throw;
  } catch (const EvxnException& e) {
    throw EvxnCLeConfigException(std::string(kPrefixoCarga) + "\"" + e.Message() + "\"", diretorioLogErro_);
  } catch (const std::exception& e) {
    throw EvxnCLeConfigException(std::string(kPrefixoCarga) + "\"" + e.what() + "\"", diretorioLogErro_);
  }
}

void TvxnCle::SalvarConfiguracoes() {
  try {
    // One replacement of the file for all the keys.
    std::unique_ptr<TvxnIniFile> proprio;
    if (!iniEmprestado_)
      proprio = std::make_unique<TvxnIniFile>(configINI_.empty() ? ExpandPath(RetornaNomeArquivoConfig())
                                                                 : configINI_);
    TvxnIniFile& ini = iniEmprestado_ ? *iniEmprestado_ : *proprio;
    TvxnIniFile::UpdateBatch lote(ini);
    GravarConfiguracoes(ini);
    lote.Commit();
  } catch (const EvxnCLeConfigException&) {
    throw;
  } catch (const std::exception& e) {
    throw EvxnCLeConfigException(std::string("Erro ao salvar configurações: ") + e.what(), diretorioLogErro_);
  }
}

void TvxnCle::LerConfiguracoes(TvxnIniFile& ini) {
  const std::string s = Secao();
  const std::string programa = ProgramDirectory();
  diretorioLogErro_ = ini.ReadString(s, "DiretorioLogErro", diretorioLogErro_);
  tipoCertificado_ = StrToTipoCertificado(ini.ReadString(s, "TipoCertificado", ""));
  diretorioTemplates_ = ini.ReadString(s, "DiretorioTemplates", programa + "Templates/Cle");
  diretorioEsquemas_ = ini.ReadString(s, "DiretorioEsquemas", programa + "Esquemas/Cle");
  cnpj_ = ini.ReadString(s, "CNPJ", "");
  arquivoServidoresHom_ = ini.ReadString(s, "ArquivoServidoresHom", "cleServidoresHom.ini");
  arquivoServidoresProd_ = ini.ReadString(s, "ArquivoServidoresProd", "cleServidoresProd.ini");
  diretorioLog_ = ini.ReadString(s, "DiretorioLog", programa + "Log");
  // 1 is production; anything else is homologation, never production by mistake.
  ambiente_ = ini.ReadInteger(s, "Ambiente", 2) == 1 ? akProducao : akHomologacao;
  validarEsquema_ = ini.ReadBool(s, "ValidarEsquema", false);
  nomeCertificado_ = ini.ReadString(s, "NomeCertificado", "");
  moduloPKCS11_ = ini.ReadString(s, "ModuloPKCS11", "");
  const std::string pin = ini.ReadString(s, "PinCode", "");
  pinCode_ = pin.empty() ? std::string() : GetGovUtils().Decrypt(pin);
  conexaoSegura_ = ini.ReadBool(s, "ConexaoSegura", true);
  proxy_ = ini.ReadString(s, "Proxy", "");
  senha_ = ini.ReadString(s, "Senha", "");
  usuario_ = ini.ReadString(s, "Usuario", "");
  timeOut_ = ini.ReadInteger(s, "TimeOut", 0);
  ufOrigem_ = ini.ReadString(s, "UFOrigem", "SP");
  caminhoCertificado_ = ini.ReadString(s, "CaminhoCertificado", "");
  senhaCertificado_ = ini.ReadString(s, "SenhaCertificado", "");
  arquivoCAExclusivo_ = ini.ReadString(s, "ArquivoCAExclusivo", "");
  ignoreInvalidCertificates_ = ini.ReadBool(s, "IgnoreInvalidCertificates", false);
  salvarLogsEmDisco_ = ini.ReadBool(s, "SalvarLogsEmDisco", true);
  email_.ServidorSmtp = ini.ReadString(s, "Servidor", "");
  email_.EmailRemetente = ini.ReadString(s, "EmailRemetente", "");
  email_.EmailDestinatario = ini.ReadString(s, "EmailDestinatario", "");
  email_.Assunto = ini.ReadString(s, "Assunto", "");
  email_.Mensagem = ini.ReadString(s, "Mensagem", "");
  email_.Porta = ini.ReadInteger(s, "Porta", 0);
  email_.Autenticacao = ini.ReadBool(s, "Autenticacao", false);
  email_.CCo = ini.ReadString(s, "CCo", "");
  email_.CC = ini.ReadString(s, "CC", "");
}

void TvxnCle::GravarConfiguracoes(TvxnIniFile& ini) {
  const std::string s = Secao();
  ini.WriteString(s, "TipoCertificado", TipoCertificadoToString(tipoCertificado_));
  ini.WriteString(s, "Repositorio", TipoCertificadoToRepositorio(tipoCertificado_));
  ini.WriteString(s, "DiretorioTemplates", diretorioTemplates_);
  ini.WriteString(s, "DiretorioEsquemas", diretorioEsquemas_);
  ini.WriteString(s, "CNPJ", cnpj_);
  ini.WriteString(s, "ArquivoServidoresHom", arquivoServidoresHom_);
  ini.WriteString(s, "ArquivoServidoresProd", arquivoServidoresProd_);
  ini.WriteString(s, "DiretorioLog", diretorioLog_);
  ini.WriteInteger(s, "Ambiente", ambiente_ == akProducao ? 1 : 2);
  ini.WriteBool(s, "ValidarEsquema", validarEsquema_);
  ini.WriteString(s, "NomeCertificado", nomeCertificado_);
  ini.WriteString(s, "ModuloPKCS11", moduloPKCS11_);
  ini.WriteString(s, "PinCode", pinCode_.empty() ? std::string() : GetGovUtils().Encrypt(pinCode_));
  ini.WriteBool(s, "ConexaoSegura", conexaoSegura_);
  ini.WriteString(s, "Proxy", proxy_);
  ini.WriteString(s, "Senha", senha_);
  ini.WriteString(s, "Usuario", usuario_);
  ini.WriteInteger(s, "TimeOut", timeOut_);
  ini.WriteString(s, "UFOrigem", ufOrigem_);
  ini.WriteString(s, "CaminhoCertificado", caminhoCertificado_);
  ini.WriteString(s, "SenhaCertificado", senhaCertificado_);
  ini.WriteString(s, "ArquivoCAExclusivo", arquivoCAExclusivo_);
  ini.WriteBool(s, "IgnoreInvalidCertificates", ignoreInvalidCertificates_);
  ini.WriteBool(s, "SalvarLogsEmDisco", salvarLogsEmDisco_);
  ini.WriteString(s, "DiretorioLogErro", diretorioLogErro_);
  ini.WriteString(s, "Servidor", email_.ServidorSmtp);
  ini.WriteString(s, "EmailRemetente", email_.EmailRemetente);
  ini.WriteString(s, "EmailDestinatario", email_.EmailDestinatario);
  ini.WriteString(s, "Assunto", email_.Assunto);
  ini.WriteString(s, "Mensagem", email_.Mensagem);
  ini.WriteInteger(s, "Porta", email_.Porta);
  ini.WriteBool(s, "Autenticacao", email_.Autenticacao);
  ini.WriteString(s, "CCo", email_.CCo);
  ini.WriteString(s, "CC", email_.CC);
}

// ---- Government-services objects and certificates
// ----------------------------------------------------------

TvxnGovUtils& TvxnCle::GetGovUtils() {
  if (!utils_)
    utils_ = std::make_unique<TvxnGovUtils>();
  utils_->SetDiretorioLogErro(diretorioLogErro_);
  return *utils_;
}

TvxnGovX& TvxnCle::GetGov() {
  if (!gov_)
    gov_ = std::make_unique<TvxnGovX>();
  ConfigurarGov();
  return *gov_;
}

void TvxnCle::ConfigurarGov() {
  TvxnHttpSettings& http = gov_->Get_HttpSettings();
  TvxnSignerSettings& signer = gov_->Get_SignerSettings();
  for (TvxnCertificateSettings* c :
       {static_cast<TvxnCertificateSettings*>(&http), static_cast<TvxnCertificateSettings*>(&signer)}) {
    c->CertificateKind = tipoCertificado_;
    c->CertificatePath = caminhoCertificado_.empty() ? std::string() : ExpandPath(caminhoCertificado_);
    c->CertificateName = nomeCertificado_;
    c->CertificatePassword = senhaCertificado_;
    c->PinCode = pinCode_;
    c->Pkcs11Module = moduloPKCS11_;
  }
  http.Proxy = proxy_;
  http.User = usuario_;
  http.Password = senha_;
  http.IgnoreInvalidCertificates = ignoreInvalidCertificates_;
  http.SecureConnection = conexaoSegura_;
  http.TimeOut = timeOut_;
  http.TrustedCAFile = arquivoCAExclusivo_.empty() ? std::string() : ExpandPath(arquivoCAExclusivo_);
  http.ShippedRootsDir = ProgramDirectory() + "ICP-Brasil/";
  gov_->Set_ErrorLogDirectory(diretorioLogErro_);
}

void TvxnCle::ListarCertificados(TvxnStringList* lista) {
  if (!lista)
    throw EvxnCLeCertificadoException("A lista do certificado não foi instanciada. ", diretorioLogErro_);
  lista->Clear();
  try {
    for (const std::string& nome : GetGov().ListCertificates())
      lista->Add(nome);
  } catch (const EvxnCLeException&) {
    throw;
  } catch (const EvxnException& e) {
    throw EvxnCLeCertificadoException(e.Message(), diretorioLogErro_);
  }
}

bool TvxnCle::RemoverCertificado(std::string_view nome) {
  return GetGov().RemoveCertificate(nome);
}

std::chrono::system_clock::time_point TvxnCle::GetVencimentoCertificado() {
  try {
    return GetGov().CertificateExpiration();
  } catch (const EvxnException& e) {
    throw EvxnCLeCertificadoException(e.Message(), diretorioLogErro_);
  }
}

void TvxnCle::CheckCertificate() {
  try {
    GetGov().CheckCertificate();
  } catch (const EvxnException& e) {
    throw EvxnCLeCertificadoException(e.Message(), diretorioLogErro_);
  }
}

// ---- The lot request
// ---------------------------------------------------------------------------------------

std::string TvxnCle::LoadTemplate(std::string_view nome) const {
  const std::string caminho = Pasta(diretorioTemplates_) + std::string(nome);
  if (!FileExists(caminho))
    throw EvxnCLeException("Arquivo de template não encontrado: %s", {caminho}, diretorioLogErro_);
  return ExpandNamespaceMarkers(TrimRight(ReadWholeFile(caminho)));
}

std::string TvxnCle::GrupoTransportador() const {
  const std::string cpf = Trim(transportador_.GetCPF());
  const std::string cnpj = Trim(transportador_.GetCNPJ());
  auto recusa = [this](std::string_view mensagem) { return EvxnCLeException(mensagem, diretorioLogErro_); };
  if (cpf.empty() && cnpj.empty())
    throw recusa("Favor preencher o CPF ou o CNPJ do Transportador");
  if (!cpf.empty() && !cnpj.empty())
    throw recusa("Favor preencher somente o CPF ou o CNPJ do Transportador");
  std::string grupo;
  if (!cpf.empty()) {
    if (!IsDigits(cpf))
      throw recusa("CPF do Transportador deve conter apenas números");
    if (Utf8Length(cpf) != 11)
      throw recusa("CPF do Transportador deve conter 11 dígitos");
    grupo = "<CPF>" + cpf + "</CPF>";
  } else {
    if (!IsDigits(cnpj))
      throw recusa("CNPJ do Transportador deve conter apenas números");
    if (Utf8Length(cnpj) != 14)
      throw recusa("CNPJ do Transportador deve conter 14 dígitos");
    grupo = "<CNPJ>" + cnpj + "</CNPJ>";
  }
  const std::string nome = Trim(transportador_.GetNome());
  if (nome.empty())
    throw recusa("Favor preencher o Nome do Transportador");
  grupo += "<xNome>" + TvxnEventosXMLUtils::EscapeXml(nome) + "</xNome>";
  grupo += Opcional("xFant", TvxnEventosXMLUtils::EscapeXml(Trim(transportador_.GetFantasia())));
  return grupo;
}

std::string TvxnCle::GrupoModalidade() const {
  const TvxnCleModRodoviario& rodo = modalidade_.Rodoviario();
  const TvxnCleModOutro& outro = modalidade_.Outro();
  auto recusa = [this](std::string_view mensagem) { return EvxnCLeException(mensagem, diretorioLogErro_); };
  if (rodo.Preenchido() && outro.Preenchido())
    throw recusa("Favor preencher os dados apenas da modalidade Rodoviário ou apenas da modalidade Outros");
  if (!rodo.Preenchido() && !outro.Preenchido())
    throw recusa("Favor preencher os dados da modalidade Rodoviário ou da modalidade Outros");

  if (rodo.Preenchido()) {
    const std::string placa = Trim(rodo.GetPlacaVeiculo());
    if (placa.empty())
      throw recusa("Favor preencher o campo de Placa do Veículo");
    if (!PlacaValida(placa))
      throw recusa("Placa do veículo é inválida");
    if (Trim(rodo.GetUFVeiculo()).empty())
      throw recusa("Favor preencher o campo de UF do Veículo");
    const std::string cUFVeiculo = CodigoEstado(rodo.GetUFVeiculo());
    if (cUFVeiculo.empty())
      throw recusa("UF do veículo é inválida");
    // A trailer's plate and state are each optional, and checked when filled.
    auto opcional = [&](const std::string& valor, bool placaCampo, std::string_view mensagem,
                        std::string_view tag) {
      const std::string v = Trim(valor);
      if (v.empty())
        return std::string();
      const std::string escrito = placaCampo ? v : CodigoEstado(v);
      if (placaCampo ? !PlacaValida(v) : escrito.empty())
        throw recusa(mensagem);
      return Opcional(tag, escrito);
    };
    const std::string carreta =
        opcional(rodo.GetPlacaCarreta(), true, "Placa da carreta é inválida", "pCarreta");
    const std::string ufCarreta =
        opcional(rodo.GetUFCarreta(), false, "UF da carreta é inválida", "cUFCarreta");
    const std::string carreta2 =
        opcional(rodo.GetPlacaCarreta2(), true, "Placa da segunda carreta é inválida", "pCarreta2");
    const std::string ufCarreta2 =
        opcional(rodo.GetUFCarreta2(), false, "UF da segunda carreta é inválida", "cUFCarreta2");
    return Format(LoadTemplate("rodoviario.xml"),
                  {placa, cUFVeiculo, carreta, ufCarreta, carreta2 + ufCarreta2});
  }

  const std::string modal = Trim(outro.GetModalidade());
  if (modal.empty())
    throw recusa("Favor preencher o campo de Modalidade de transporte");
  if (!ModalidadeOutroValida(modal))
    throw recusa("Modalidade de transporte é inválida");
  if (Trim(outro.GetUFTransporte()).empty())
    throw recusa("Favor preencher o campo de UF do transporte");
  const std::string cUFTransporte = CodigoEstado(outro.GetUFTransporte());
  if (cUFTransporte.empty())
    throw recusa("UF do transporte é inválida");
  const std::string ident = Trim(outro.GetIdentMeioTransporte());
  if (ident.empty())
    throw recusa("Favor preencher o campo de Identificação do transporte");
  return Format(LoadTemplate("outro.xml"), {modal, cUFTransporte, TvxnEventosXMLUtils::EscapeXml(ident)});
}

std::string TvxnCle::MontarXmlCLe(std::string_view chaves) {
  auto recusa = [this](std::string_view mensagem) { return EvxnCLeException(mensagem, diretorioLogErro_); };
  if (Trim(chaves).empty())
    throw recusa("Lista de chaves está vazia");
  const std::string transportador = GrupoTransportador();
  const std::string modalidade = GrupoModalidade();
  const std::string cUFOrigem = CodigoEstado(ufOrigem_);
  if (cUFOrigem.empty())
    throw recusa("UF de origem é inválida");
  const std::string cUFDestino = CodigoEstado(ufDestino_);
  if (cUFDestino.empty())
    throw recusa("UF de destino é inválida");

  std::string elementos;
  std::set<std::string> vistas;
  bool repetida = false;
  int n = 0;
  for (const std::string& item : Split(chaves, ',')) {
    const std::string chave = Trim(item);
    if (chave.empty())
      continue;
    ++n;
    if (!IsDigits(chave))
      throw recusa("A " + std::to_string(n) + "ª chave do lote deve conter apenas números");
    if (Utf8Length(chave) != 44)
      throw recusa("A " + std::to_string(n) + "ª chave" + " do lote não está com 44 caracteres");
    repetida = !vistas.insert(chave).second || repetida;
    elementos += "<chvAcesso>" + chave + "</chvAcesso>";
  }
  if (repetida)
    throw recusa("Não foi possível montar o XML: Contém chaves repetidas no lote");
  if (elementos.empty())
    throw recusa("Lista de chaves não contém nenhuma chave");
  return Format(LoadTemplate("EnviCle.xml"), {versao_, GetTipoAmbiente(ambiente_), transportador, modalidade,
                                              cUFOrigem, cUFDestino, elementos});
}

// ---- Sending -------------------------------------------------------------------------------------------

std::string TvxnCle::GetXSDFileName(std::string_view comando) {
  const std::string pasta = Pasta(diretorioEsquemas_);
  const std::string mapping = pasta + "Mapping.txt";
  if (!FileExists(mapping))
    throw EvxnCLeException("Arquivo %s utilizado na validação de esquema, não foi encontrado", {mapping},
                           diretorioLogErro_);
  const std::string xsd = TvxnIniFile(mapping).ReadString("ValidarXML", comando, "");
  if (xsd.empty())
    throw EvxnCLeException("Não foi encontrado mapeamento de XSD para o comando %s ", {std::string(comando)},
                           diretorioLogErro_);
  return pasta + xsd;
}

void TvxnCle::ValidarXmlCLe(std::string_view xml, std::string_view comando) {
  errosValidador_.Clear();
  if (xml.find("schemaLocation=") == std::string_view::npos)
    return;
  const std::string xsd = GetXSDFileName(comando);
  TvxnGovUtils& utils = GetGovUtils();
  try {
    utils.ValidateSchema(xml, uri::kNFe, xsd);
  } catch (const EvxnException& e) {
    errosValidador_ = utils.Get_ValidatorErrors();
    throw EvxnCLeException(e.Message(), diretorioLogErro_);
  }
}

void TvxnCle::ValidarLoteParaEnvio(std::string_view xml) {
  if (validarEsquema_)
    ValidarXmlCLe(xml, "ENVIO");
}

std::string TvxnCle::EnderecoServico() const {
  const std::string nome = ambiente_ == akProducao ? arquivoServidoresProd_ : arquivoServidoresHom_;
  const std::string caminho = ExpandPath(ToNativePath(nome));
  if (!FileExists(caminho))
    throw EvxnCLeException("O arquivo de servidores informado não existe: %s", {caminho}, diretorioLogErro_);
  const std::string endereco = TvxnIniFile(caminho).ReadString(Trim(ufOrigem_), kServico, "");
  if (endereco.empty())
    throw EvxnCLeException("Servidor para %s não definido no arquivo: %s", {std::string(kServico), caminho},
                           diretorioLogErro_);
  return endereco;
}

std::string TvxnCle::GravarLog(std::string_view xml, std::string_view nome, std::string_view id) {
  TvxnGovUtils& utils = GetGovUtils();
  utils.SetSaveLogToFile(salvarLogsEmDisco_);
  std::string caminho;
  try {
    caminho = utils.Log(xml, nome, id, Pasta(diretorioLog_));
  } catch (const EvxnException& e) {
    throw EvxnCLeException(e.Message(), diretorioLogErro_);
  }
  if (onLog_)
    onLog_(std::string(nome), std::string(id), caminho, std::string(xml));
  return caminho;
}

std::string TvxnCle::EnviarCLe(std::string_view xml) {
  if (Trim(xml).empty())
    throw EvxnCLeException("Falha ao enviar CL-e, Xml vazio.", diretorioLogErro_);
  ValidarLoteParaEnvio(xml);
  const std::string corpo = Format(LoadTemplate("cleCadastroLote.xml"), {SemDeclaracao(xml)});
  const std::string envelope = Format(LoadTemplate("envelope_soap.xml"), {corpo});
  const std::string endereco = EnderecoServico();
  const std::string id = Carimbo();
  ultimoLogEnvio_ = GravarLog(xml, "env-cle", id);
  ultimoLogRetorno_.clear();
  const std::string ns = WsdlNamespace(kServico);
  std::string resposta;
  try {
    resposta = GetGov().PostSOAP(endereco, envelope, ns + "/cleCadastroLote", "cleCadastroLoteResponse", ns);
  } catch (const EvxnException& e) {
    throw EvxnCLeException("Erro ao enviar Cle ao WebService: " + e.Message(), diretorioLogErro_);
  }
  const std::string retorno =
      TvxnEventosXMLUtils::ExtractEscapedContent(TvxnEventosXMLUtils::Eventos_DesenveloparSOAP(resposta));
  ultimoLogRetorno_ = GravarLog(retorno, "ret-cle", id);
  return retorno;
}

} // namespace vxn
