/* Quorvant NFe: the C interface.
 *
 * For programs written in C, and for every language that calls C (Python's ctypes, Delphi, Java's FFM,
 * C#'s P/Invoke, PHP's FFI, Node's ffi): an opaque handle per NF-e component, UTF-8 strings, and a
 * status code from every call. Nothing of C++ crosses this interface; no exception leaves it.
 *
 * Rules that hold for every function:
 * - Text going in is UTF-8 and NUL-terminated; NULL stands for "" where a text may be empty.
 * - Text coming out through a `char** saida` is allocated by the library and belongs to the caller, who
 *   releases it with qnfe_liberar(); on failure *saida is set to NULL.
 * - A call that fails returns a code other than QNFE_OK, and qnfe_erro_classe() / qnfe_erro_mensagem()
 *   of the same handle say what failed until the next call on that handle. For QNFE_ERRO_NFE the class
 *   is the component's exception class ("EvxnNFeException", "EvxnSchemaValidationException", ...) and
 *   the message is its Portuguese message.
 * - A handle is used by one thread at a time; different handles may be used by different threads.
 * - Replies of the tax authority that refuse a document are not failures: they come back as the reply
 *   XML, with its cStat and xMotivo.
 */
#ifndef QUORVANT_NFE_QNFE_H
#define QUORVANT_NFE_QNFE_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QNFE_API __attribute__((visibility("default")))
#else
#define QNFE_API
#endif

/* An NF-e component. */
typedef struct qnfe_nfe qnfe_nfe;

typedef enum qnfe_status {
  QNFE_OK = 0,
  /* A NULL handle or pointer where one is needed, an unknown property, a value out of its range. */
  QNFE_ERRO_ARGUMENTO = 1,
  /* The component raised one of its exceptions: its class and message are kept. */
  QNFE_ERRO_NFE = 2,
  /* Any other failure (memory exhausted, a failure of the system). */
  QNFE_ERRO_SISTEMA = 3
} qnfe_status;

/* The text layouts qnfe_converter_texto() reads. */
typedef enum qnfe_texto {
  QNFE_TEXTO_COMANDOS = 0, /* the command text (INCLUIR ... SALVAR) */
  QNFE_TEXTO_PIPE = 1,     /* the pipe-delimited text (NOTAFISCAL|1 ...) */
  QNFE_TEXTO_REC = 2       /* the REC text */
} qnfe_texto;

/* The library's version ("0.1.0"); static storage. */
QNFE_API const char* qnfe_versao(void);

/* A new component with its defaults (homologation, layout 6.0, no state yet). Release it with
 * qnfe_destruir. */
QNFE_API qnfe_status qnfe_criar(qnfe_nfe** nfe);
/* Releases the component; NULL is accepted. */
QNFE_API void qnfe_destruir(qnfe_nfe* nfe);
/* Releases text that the library handed out; NULL is accepted. */
QNFE_API void qnfe_liberar(char* texto);

/* The class and the message of the last failure on this handle ("" after a call that succeeded).
 * The texts belong to the handle and stay valid until its next call. */
QNFE_API const char* qnfe_erro_classe(const qnfe_nfe* nfe);
QNFE_API const char* qnfe_erro_mensagem(const qnfe_nfe* nfe);

/* ---- Configuration ---------------------------------------------------------------------------- */

/* Reads a component INI file (section NFE, MAIL, DANFE), as sefaz-sim --write-config writes one. */
QNFE_API qnfe_status qnfe_carregar_config(qnfe_nfe* nfe, const char* arquivo_ini);
/* Writes the configuration to an INI file. */
QNFE_API qnfe_status qnfe_salvar_config(qnfe_nfe* nfe, const char* arquivo_ini);
/* Sets a property by its name, the key of the INI file ("UF", "CNPJ", "Ambiente", "VersaoManual",
 * "CaminhoCertificado", "SenhaCertificado", "DiretorioLog", "DiretorioXmlDestinatario", ...), the value
 * written as the INI file writes it ("1"/"0" for switches). An unknown name is QNFE_ERRO_ARGUMENTO. */
QNFE_API qnfe_status qnfe_definir_propriedade(qnfe_nfe* nfe, const char* nome, const char* valor);
/* The value of a property by name, as the INI file would store it. */
QNFE_API qnfe_status qnfe_obter_propriedade(qnfe_nfe* nfe, const char* nome, char** valor);

/* ---- Documents ---------------------------------------------------------------------------------- */

/* A text in one of the text layouts (or the path of its file) converted into NF-e XML: one infNFe
 * per document, for the component's layout version. */
QNFE_API qnfe_status qnfe_converter_texto(qnfe_nfe* nfe, const char* texto, qnfe_texto tipo, char** xml);
/* Signs every NF-e of a lot text (at most 50) with the configured certificate: the signed NFe
 * documents, joined. */
QNFE_API qnfe_status qnfe_assinar(qnfe_nfe* nfe, const char* xml, char** assinado);
/* Validates an XML text against the official schema of a command of the schema mapping ("ENVIO" for
 * an enviNFe lot, "XMLDESTINATARIO" for an nfeProc, "STATUS", ...). A document that fails the schema is
 * QNFE_ERRO_NFE with class "EvxnSchemaValidationException" and the schema's findings in the message. */
QNFE_API qnfe_status qnfe_validar(qnfe_nfe* nfe, const char* xml, const char* comando);
/* The enviNFe request of a lot of signed documents after every check that precedes sending (the
 * certificate, the lot size, the signature and, with ValidarEsquema=1, the schema). */
QNFE_API qnfe_status qnfe_validar_lote(qnfe_nfe* nfe, const char* numero_lote, const char* lote, char** envio);

/* ---- The tax authority -------------------------------------------------------------------------- */

/* The service status reply (retConsStatServ; cStat 107 when in operation). */
QNFE_API qnfe_status qnfe_status_servico(qnfe_nfe* nfe, char** resposta);
/* Sends a lot of signed documents. With LoteUnicoSincrono=1 (the default) a lot of one document gets
 * the synchronous answer with its protocol; otherwise the reply carries the receipt (nRec) to query. */
QNFE_API qnfe_status qnfe_enviar(qnfe_nfe* nfe, const char* numero_lote, const char* lote, int compactar,
                                 char** resposta);
/* Sends a lot of exactly one signed document for the synchronous answer (retEnviNFe with protNFe). */
QNFE_API qnfe_status qnfe_enviar_sincrono(qnfe_nfe* nfe, const char* numero_lote, const char* lote,
                                          int compactar, char** resposta);
/* The result of a lot by its receipt number (retConsReciNFe); a processed lot's authorised documents
 * get their distribution XML. */
QNFE_API qnfe_status qnfe_consultar_recibo(qnfe_nfe* nfe, const char* recibo, char** resposta);
/* The situation of a document by its access key (retConsSitNFe). */
QNFE_API qnfe_status qnfe_consultar_nf(qnfe_nfe* nfe, const char* chave, char** resposta);

/* ---- Events ------------------------------------------------------------------------------------- */
/* data_hora ("2026-12-05T10:30:00") and fuso ("-03:00") may be NULL: the event then carries the current
 * time of the machine. An accepted event gets its distribution XML. */

/* Cancels an authorised document (event 110111) with its protocol number and a justification of at
 * least 15 characters. */
QNFE_API qnfe_status qnfe_cancelar(qnfe_nfe* nfe, const char* chave, const char* protocolo,
                                   const char* justificativa, const char* data_hora, const char* fuso,
                                   int sequencia, const char* numero_lote, char** resposta);
/* Sends a correction letter (event 110110); orgao NULL means the state of the key. */
QNFE_API qnfe_status qnfe_corrigir(qnfe_nfe* nfe, const char* chave, const char* correcao, const char* orgao,
                                   const char* data_hora, const char* fuso, int sequencia,
                                   const char* numero_lote, char** resposta);

/* ---- Distribution XML and DANFE ------------------------------------------------------------------ */

/* The path of the last distribution XML the component wrote on this handle ("" when none yet); it
 * belongs to the handle and stays valid until its next call. */
QNFE_API const char* qnfe_ultimo_xml_destinatario(const qnfe_nfe* nfe);
/* The distribution XML (nfeProc) of a document from the request that was sent (the enviNFe text that
 * qnfe_validar_lote gives, or the name of the send log in DiretorioLog, or its path) and the reply that
 * carries its protocol (text, log name or path); written to salvar_como unless it is NULL or "". */
QNFE_API qnfe_status qnfe_gerar_xml_destinatario(qnfe_nfe* nfe, const char* chave, const char* envio,
                                                 const char* resposta, const char* salvar_como, char** xml);
/* Exports the DANFE of a distribution XML (text or path) to a PDF file (formato 1), or as PNG pages
 * into the folder `arquivo` (formato 3). modelo NULL: the configured model. */
QNFE_API qnfe_status qnfe_exportar_danfe(qnfe_nfe* nfe, const char* xml, const char* modelo,
                                         const char* arquivo, int formato);

#ifdef __cplusplus
}
#endif

#endif /* QUORVANT_NFE_QNFE_H */
