// The C interface (include/quorvant-nfe/qnfe.h): each function checks its arguments, calls the
// component and hands the result over as C text; no exception crosses it.
#include "capi/vxnQnfeHandle.h"

#include "vxnNFeEsquemaPadrao.h"
#include "vxnNFeException.h"
#include "vxnNFeType.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vxn::capi {

std::string_view Exigido(const char* s, const char* nome) {
  if (!s)
    throw EArgumento(std::string("o argumento ") + nome + " não pode ser NULL");
  return s;
}

qnfe_status Executar(qnfe_nfe* h, const std::function<void(TvxnNFe&)>& corpo) {
  if (!h)
    return QNFE_ERRO_ARGUMENTO;
  h->ErroClasse.clear();
  h->ErroMensagem.clear();
  auto falha = [h](qnfe_status codigo, std::string classe, std::string mensagem) {
    h->ErroClasse = std::move(classe);
    h->ErroMensagem = std::move(mensagem);
    return codigo;
  };
  try {
    try {
      corpo(*h->Nfe);
      return QNFE_OK;
    } catch (const EArgumento& e) {
      return falha(QNFE_ERRO_ARGUMENTO, kClasseArgumento, e.what());
    } catch (const EvxnException& e) {
      return falha(QNFE_ERRO_NFE, e.ClassName(), e.Message());
    } catch (const std::bad_alloc& e) {
      return falha(QNFE_ERRO_SISTEMA, "std::bad_alloc", e.what());
    } catch (const std::exception& e) {
      return falha(QNFE_ERRO_SISTEMA, "std::exception", e.what());
    } catch (...) {
      return falha(QNFE_ERRO_SISTEMA, "desconhecida", "falha desconhecida");
    }
  } catch (...) { // keeping the failure's texts failed as well (no memory left)
    return QNFE_ERRO_SISTEMA;
  }
}

char* Entregar(std::string_view texto) {
  char* c = static_cast<char*>(std::malloc(texto.size() + 1));
  if (!c)
    throw std::bad_alloc();
  std::memcpy(c, texto.data(), texto.size());
  c[texto.size()] = '\0';
  return c;
}

qnfe_status Produzir(qnfe_nfe* h, char** saida, const std::function<std::string(TvxnNFe&)>& corpo) {
  if (saida)
    *saida = nullptr;
  return Executar(h, [&](TvxnNFe& nfe) {
    if (!saida)
      throw EArgumento("o argumento de saída não pode ser NULL");
    const std::string texto = corpo(nfe);
    *saida = Entregar(texto);
  });
}

namespace {

TLayoutConvKind LayoutDoTexto(qnfe_texto tipo) {
  switch (tipo) {
  case QNFE_TEXTO_COMANDOS:
    return lkTXTDataSet;
  case QNFE_TEXTO_PIPE:
    return lkTXTDic;
  case QNFE_TEXTO_REC:
    return lkTXTRec;
  }
  throw EArgumento("tipo de texto desconhecido: " + std::to_string(static_cast<int>(tipo)));
}

} // namespace

} // namespace vxn::capi

using namespace vxn::capi;
using vxn::TvxnNFe;

extern "C" {

const char* qnfe_versao(void) {
  return QVX_VERSION;
}

qnfe_status qnfe_criar(qnfe_nfe** nfe) {
  if (!nfe)
    return QNFE_ERRO_ARGUMENTO;
  *nfe = nullptr;
  try {
    auto h = std::make_unique<qnfe_nfe>();
    h->Nfe = std::make_unique<TvxnNFe>();
    qnfe_nfe* p = h.get();
    auto guardar = [p](const std::string& arquivo) { p->UltimoXmlDestinatario = arquivo; };
    h->Nfe->SetOnXmlDestinatario(guardar);
    h->Nfe->SetOnXmlCanDestinatario(guardar);
    *nfe = h.release();
    return QNFE_OK;
  } catch (const std::bad_alloc&) {
    return QNFE_ERRO_SISTEMA;
  } catch (...) {
    return QNFE_ERRO_NFE;
  }
}

void qnfe_destruir(qnfe_nfe* nfe) {
  // The handle was made by make_unique in qnfe_criar and released to the caller: it comes back here.
  std::unique_ptr<qnfe_nfe> fim(nfe);
}

void qnfe_liberar(char* texto) {
  std::free(texto);
}

const char* qnfe_erro_classe(const qnfe_nfe* nfe) {
  return nfe ? nfe->ErroClasse.c_str() : "";
}

const char* qnfe_erro_mensagem(const qnfe_nfe* nfe) {
  return nfe ? nfe->ErroMensagem.c_str() : "";
}

qnfe_status qnfe_carregar_config(qnfe_nfe* nfe, const char* arquivo_ini) {
  return Executar(nfe, [&](TvxnNFe& n) { n.LoadConfig(Exigido(arquivo_ini, "arquivo_ini")); });
}

qnfe_status qnfe_salvar_config(qnfe_nfe* nfe, const char* arquivo_ini) {
  return Executar(nfe, [&](TvxnNFe& n) { n.SaveConfig(Exigido(arquivo_ini, "arquivo_ini")); });
}

qnfe_status qnfe_definir_propriedade(qnfe_nfe* nfe, const char* nome, const char* valor) {
  return Executar(nfe, [&](TvxnNFe& n) { DefinirPropriedade(n, Exigido(nome, "nome"), Texto(valor)); });
}

qnfe_status qnfe_obter_propriedade(qnfe_nfe* nfe, const char* nome, char** valor) {
  return Produzir(nfe, valor, [&](TvxnNFe& n) { return ObterPropriedade(n, Exigido(nome, "nome")); });
}

qnfe_status qnfe_converter_texto(qnfe_nfe* nfe, const char* texto, qnfe_texto tipo, char** xml) {
  return Produzir(nfe, xml, [&](TvxnNFe& n) {
    const vxn::TLayoutConvKind layout = LayoutDoTexto(tipo);
    return n.ConverterLoteParaXml(Exigido(texto, "texto"), layout,
                                  vxn::GetUltimoEsquemaDaVersaoManual(n.GetVersaoManual()), false);
  });
}

qnfe_status qnfe_assinar(qnfe_nfe* nfe, const char* xml, char** assinado) {
  return Produzir(nfe, assinado, [&](TvxnNFe& n) { return n.AssinarNota(Exigido(xml, "xml")); });
}

qnfe_status qnfe_validar(qnfe_nfe* nfe, const char* xml, const char* comando) {
  return Executar(nfe,
                  [&](TvxnNFe& n) { n.ValidarXMLNFe(Exigido(xml, "xml"), Exigido(comando, "comando")); });
}

qnfe_status qnfe_validar_lote(qnfe_nfe* nfe, const char* numero_lote, const char* lote, char** envio) {
  return Produzir(nfe, envio, [&](TvxnNFe& n) {
    return n.ValidarLoteParaEnvio(Exigido(numero_lote, "numero_lote"), Exigido(lote, "lote"));
  });
}

qnfe_status qnfe_status_servico(qnfe_nfe* nfe, char** resposta) {
  return Produzir(nfe, resposta, [](TvxnNFe& n) { return n.StatusDoServico(); });
}

qnfe_status qnfe_enviar(qnfe_nfe* nfe, const char* numero_lote, const char* lote, int compactar,
                        char** resposta) {
  return Produzir(nfe, resposta, [&](TvxnNFe& n) {
    return n.EnviarNF(Exigido(numero_lote, "numero_lote"), Exigido(lote, "lote"), compactar != 0);
  });
}

qnfe_status qnfe_enviar_sincrono(qnfe_nfe* nfe, const char* numero_lote, const char* lote, int compactar,
                                 char** resposta) {
  return Produzir(nfe, resposta, [&](TvxnNFe& n) {
    return n.EnviarNFSincrono(Exigido(numero_lote, "numero_lote"), Exigido(lote, "lote"), compactar != 0);
  });
}

qnfe_status qnfe_consultar_recibo(qnfe_nfe* nfe, const char* recibo, char** resposta) {
  return Produzir(nfe, resposta, [&](TvxnNFe& n) { return n.ConsultarRecibo(Exigido(recibo, "recibo")); });
}

qnfe_status qnfe_consultar_nf(qnfe_nfe* nfe, const char* chave, char** resposta) {
  return Produzir(nfe, resposta, [&](TvxnNFe& n) { return n.ConsultarNF(Exigido(chave, "chave")); });
}

qnfe_status qnfe_cancelar(qnfe_nfe* nfe, const char* chave, const char* protocolo, const char* justificativa,
                          const char* data_hora, const char* fuso, int sequencia, const char* numero_lote,
                          char** resposta) {
  return Produzir(nfe, resposta, [&](TvxnNFe& n) {
    return n.CancelarNFeEvento(Exigido(chave, "chave"), Exigido(protocolo, "protocolo"),
                               Exigido(justificativa, "justificativa"), Texto(data_hora), Texto(fuso),
                               sequencia, Exigido(numero_lote, "numero_lote"));
  });
}

qnfe_status qnfe_corrigir(qnfe_nfe* nfe, const char* chave, const char* correcao, const char* orgao,
                          const char* data_hora, const char* fuso, int sequencia, const char* numero_lote,
                          char** resposta) {
  return Produzir(nfe, resposta, [&](TvxnNFe& n) {
    const std::string_view k = Exigido(chave, "chave");
    // The receiving body of a correction is the state of the document, the first two digits of its key.
    const std::string_view o =
        orgao ? std::string_view(orgao) : k.substr(0, std::min<std::size_t>(2, k.size()));
    return n.EnviarCCe(k, Exigido(correcao, "correcao"), o, Texto(data_hora), Texto(fuso), sequencia,
                       Exigido(numero_lote, "numero_lote"));
  });
}

const char* qnfe_ultimo_xml_destinatario(const qnfe_nfe* nfe) {
  return nfe ? nfe->UltimoXmlDestinatario.c_str() : "";
}

qnfe_status qnfe_gerar_xml_destinatario(qnfe_nfe* nfe, const char* chave, const char* envio,
                                        const char* resposta, const char* salvar_como, char** xml) {
  return Produzir(nfe, xml, [&](TvxnNFe& n) {
    return n.GerarXMLEnvioDestinatario(Exigido(chave, "chave"), Exigido(envio, "envio"),
                                       Exigido(resposta, "resposta"), Texto(salvar_como));
  });
}

qnfe_status qnfe_exportar_danfe(qnfe_nfe* nfe, const char* xml, const char* modelo, const char* arquivo,
                                int formato) {
  return Executar(nfe, [&](TvxnNFe& n) {
    n.ExportarDanfe(Exigido(xml, "xml"), Texto(modelo), Exigido(arquivo, "arquivo"), formato);
  });
}

} // extern "C"
