// Distribution documents of a request joined with its reply: the old-style cancellation (procCancNFe),
// the cancellation and manifestation events (procEventoNFe) and the invalidation (ProcInutNFe).
//
// Every kind has the same shape: the request log must be of the kind, the reply must be the answer to
// that request (same id, same key) and an accepted one; then the request element and the reply element
// fill the kind's template. Refusals raise EvxnNFeNotaCanceladaDestinatario with the kind's message; a
// reply without its element raises EvxnEventoRetException.
#pragma once

#include "vxnNFeType.h"

#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnNFeXmlProcDestinatario {
public:
  virtual ~TvxnNFeXmlProcDestinatario() = default;

  void SetLogPedido(std::string_view v) { logPedido_ = v; }
  void SetLogRetorno(std::string_view v) { logRetorno_ = v; }
  // The template text (two %s slots: request element, reply element).
  void SetTemplate(std::string_view v) { template_ = v; }
  // The id the request must carry (key, event id or invalidation id).
  void SetId(std::string_view v) { id_ = v; }
  void SetDiretorioLogErro(std::string_view v) { logDirErro_ = v; }

  // The distribution document, after every check.
  std::string GerarXmlDestinatario() const;

protected:
  // What differs between the kinds.
  struct TRegras {
    std::vector<std::string> marcadoresPedido; // texts the request must contain (any case)
    std::string elementoPedido;                // local name of the request element kept
    std::string elementoRetorno;               // local name of the reply element kept
    std::string msgPedidoInvalido;             // "" for a kind without a content check
    std::string msgRetornoInvalido;
    std::string msgIdNaoConfere;
    bool compararChaves = true; // chNFe of request and reply must be equal
    std::vector<std::string> cStatAceitos;
    std::string msgStatus;
    std::string msgSemRetorno; // EvxnEventoRetException when the reply element is missing; "" uses
                               // msgRetornoInvalido
  };
  explicit TvxnNFeXmlProcDestinatario(TRegras regras) : regras_(std::move(regras)) {}

  // Whether the request carries the id; the invalidation looks into the infInut Id attribute.
  virtual bool IdConfere(const std::string& pedido) const;

  const std::string& Id() const { return id_; }

private:
  [[noreturn]] void Recusar(const std::string& mensagem) const;
  std::string ElementoPedido(const std::string& pedido) const;
  std::string ElementoRetorno(const std::string& retorno, const std::string& chave) const;

  TRegras regras_;
  std::string logPedido_, logRetorno_, template_, id_, logDirErro_;
};

// Old-style cancellation: cancNFe joined with retCancNFe (status 101 or 151), "cancxml_dest.xml".
class TvxnNFeXmlCancelamentoDestinatario : public TvxnNFeXmlProcDestinatario {
public:
  TvxnNFeXmlCancelamentoDestinatario();
};

// Cancellation event (110111): evento joined with retEvento (status 135 or 155), "eventoxml_dest.xml".
class TvxnNFeEventoXmlCancelamentoDestinatario : public TvxnNFeXmlProcDestinatario {
public:
  TvxnNFeEventoXmlCancelamentoDestinatario();
};

// Recipient manifestation of the given event type: evento joined with retEvento (status 135 or 136),
// "manxmlevento_dest.xml".
class TvxnNFeEventoXmlManifestacaoDestinatario : public TvxnNFeXmlProcDestinatario {
public:
  explicit TvxnNFeEventoXmlManifestacaoDestinatario(std::string_view tpEvento);
};

// Any other event (correction letter, EPEC, delivery proof and its cancellation, interested party):
// the evento of the identifier joined with its retEvento (status 135 or 136), "eventoxml_dest.xml".
class TvxnEventosXmlDestinatario : public TvxnNFeXmlProcDestinatario {
public:
  TvxnEventosXmlDestinatario();
};

// Invalidation: inutNFe joined with retInutNFe (status 102), "inutxml_dest.xml". The id is looked for
// in the Id attribute of infInut.
class TvxnNFeInutilizacaoDestinatario : public TvxnNFeXmlProcDestinatario {
public:
  TvxnNFeInutilizacaoDestinatario();

protected:
  bool IdConfere(const std::string& pedido) const override;
};

// What the component hands to the free functions below.
struct TvxnDestinatarioConfig {
  TVersaoManual VersaoManual = vm60;
  std::string DiretorioXmlDestinatario;
  std::string UF;
  std::string DiretorioTemplates; // ends in the layout folder
  std::string DiretorioLog;
  std::string DiretorioLogErro;
};

// The cancellation distribution document of the key: the event builder (id "110111" + key + "01") when
// the request log holds an evento element, the old builder otherwise. Both logs are read with LoadLog
// (a name in DiretorioLog, a path or the text). Written to salvarComo (expanded) when it is not empty.
std::string GerarXMLCancelamentoDestinatario(const TvxnDestinatarioConfig& config, std::string_view chave,
                                             std::string_view pedido, std::string_view retorno,
                                             std::string_view salvarComo);
// The invalidation distribution document of the id, as above.
std::string GerarXMLInutilizacaoDestinatario(const TvxnDestinatarioConfig& config, std::string_view id,
                                             std::string_view pedido, std::string_view retorno,
                                             std::string_view salvarComo);

// Drops the XML declarations a log may start with and every CR LF.
std::string LimparXmlLog(std::string_view xml);

} // namespace vxn
