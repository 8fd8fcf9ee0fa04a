/* The C interface from a C program, against the local server started as a program:
 *   qnfe_test SEFAZ-SIM EXAMPLE-COMMAND-TEXT DATA-DIR
 * The program directory is a temporary folder of its own, with links to the shipped data of DATA-DIR.
 * The main flow (configure, status, convert, sign, validate, send synchronously, query, distribution
 * XML, DANFE, correction and cancellation by event, an asynchronous lot and its receipt) and the failure
 * paths (the component's exception class and message, a wrong argument, the error cleared by the next
 * call that succeeds). Prints each failed check; the exit code is the number of failed checks. */
#define _POSIX_C_SOURCE 200809L
#include <quorvant-nfe/qnfe.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

static int falhas = 0;

#define CONFERE(cond, ...)                                                                                   \
  do {                                                                                                       \
    if (!(cond)) {                                                                                           \
      ++falhas;                                                                                              \
      fprintf(stderr, "%s:%d: falhou: %s: ", __FILE__, __LINE__, #cond);                                     \
      fprintf(stderr, __VA_ARGS__);                                                                          \
      fputc('\n', stderr);                                                                                   \
    }                                                                                                        \
  } while (0)

/* A call that must succeed; its failure stops the test, since what follows needs its result. */
#define EXIGE(nfe, chamada)                                                                                  \
  do {                                                                                                       \
    if ((chamada) != QNFE_OK) {                                                                              \
      fprintf(stderr, "%s:%d: %s: %s: %s\n", __FILE__, __LINE__, #chamada, qnfe_erro_classe(nfe),            \
              qnfe_erro_mensagem(nfe));                                                                      \
      return 1; /* the server is stopped by parar_servidor, registered with atexit */                        \
    }                                                                                                        \
  } while (0)

static pid_t servidor = -1;
static char pasta[256];

/* The text between <tag> and </tag> of the first occurrence after `depois` (or the start); "" when none. */
static void valor_da_tag(const char* xml, const char* tag, const char* depois, char* saida, size_t tamanho) {
  char abre[64], fecha[64];
  const char* inicio = depois ? strstr(xml, depois) : xml;
  saida[0] = '\0';
  if (!inicio)
    return;
  snprintf(abre, sizeof abre, "<%s>", tag);
  snprintf(fecha, sizeof fecha, "</%s>", tag);
  const char* a = strstr(inicio, abre);
  if (!a)
    return;
  a += strlen(abre);
  const char* f = strstr(a, fecha);
  if (!f || (size_t)(f - a) >= tamanho)
    return;
  memcpy(saida, a, (size_t)(f - a));
  saida[f - a] = '\0';
}

static char* ler_arquivo(const char* caminho) {
  FILE* f = fopen(caminho, "rb");
  if (!f)
    return NULL;
  fseek(f, 0, SEEK_END);
  long n = ftell(f);
  fseek(f, 0, SEEK_SET);
  char* texto = malloc((size_t)n + 1);
  if (texto && fread(texto, 1, (size_t)n, f) != (size_t)n) {
    free(texto);
    texto = NULL;
  }
  if (texto)
    texto[n] = '\0';
  fclose(f);
  return texto;
}

static void parar_servidor(void) {
  if (servidor > 0) {
    kill(servidor, SIGTERM);
    waitpid(servidor, NULL, 0);
  }
  char comando[300];
  snprintf(comando, sizeof comando, "rm -rf '%s'", pasta);
  if (system(comando) != 0)
    fprintf(stderr, "could not remove %s\n", pasta);
}

/* Starts the server writing its files into `pasta` and waits for its last line before serving. */
static int iniciar_servidor(const char* programa, char* config, size_t tamanho) {
  int canal[2];
  if (pipe(canal) != 0)
    return 0;
  servidor = fork();
  if (servidor == 0) {
    dup2(canal[1], STDOUT_FILENO);
    close(canal[0]);
    close(canal[1]);
    execl(programa, programa, "--port", "0", "--write-config", pasta, "--quiet", (char*)NULL);
    _exit(127);
  }
  close(canal[1]);
  atexit(parar_servidor);
  FILE* saida = fdopen(canal[0], "r");
  char linha[1024];
  config[0] = '\0';
  while (saida && fgets(linha, sizeof linha, saida)) {
    linha[strcspn(linha, "\n")] = '\0';
    if (strncmp(linha, "config ", 7) == 0)
      snprintf(config, tamanho, "%s", linha + 7);
    if (strncmp(linha, "state ", 6) == 0)
      break;
  }
  return config[0] != '\0';
}


/* A program directory of this test, in its temporary folder, with the shipped data linked. */
static int criar_programa(const char* dados) {
  static const char* const itens[] = {"Templates", "Esquemas", "ICP-Brasil", "nfeServidoresHom.ini",
                                      "nfeServidoresProd.ini"};
  char programa[300], origem[600], destino[600];
  snprintf(programa, sizeof programa, "%s/programa", pasta);
  if (mkdir(programa, 0700) != 0)
    return 0;
  for (size_t i = 0; i < sizeof itens / sizeof itens[0]; ++i) {
    snprintf(origem, sizeof origem, "%s/%s", dados, itens[i]);
    snprintf(destino, sizeof destino, "%s/%s", programa, itens[i]);
    if (symlink(origem, destino) != 0)
      return 0;
  }
  return setenv("QUORVANT_NFE_HOME", programa, 1) == 0;
}

/* The failures: the component's exception with its class and message; a wrong argument; the texts of
 * a failure cleared by the next call that succeeds; no text handed out after a failure. */
static void falhas_sao_informadas(qnfe_nfe* nfe) {
  char* valor = (char*)"nao tocado";
  CONFERE(qnfe_definir_propriedade(nfe, "UF", "XX") == QNFE_ERRO_NFE, "UF XX");
  CONFERE(strcmp(qnfe_erro_classe(nfe), "EvxnCheckParams") == 0, "%s", qnfe_erro_classe(nfe));
  CONFERE(strcmp(qnfe_erro_mensagem(nfe), "a sigla da UF XX, é inválida.") == 0, "%s", qnfe_erro_mensagem(nfe));

  CONFERE(qnfe_obter_propriedade(nfe, "NaoExiste", &valor) == QNFE_ERRO_ARGUMENTO, "unknown property");
  CONFERE(valor == NULL, "no text after a failure");
  CONFERE(strcmp(qnfe_erro_classe(nfe), "qnfe_argumento") == 0, "%s", qnfe_erro_classe(nfe));
  CONFERE(strcmp(qnfe_erro_mensagem(nfe), "propriedade desconhecida: NaoExiste") == 0, "%s",
          qnfe_erro_mensagem(nfe));
  CONFERE(qnfe_definir_propriedade(nfe, "TimeOut", "trinta") == QNFE_ERRO_ARGUMENTO, "a number");
  CONFERE(qnfe_assinar(nfe, NULL, &valor) == QNFE_ERRO_ARGUMENTO, "NULL xml");

  CONFERE(qnfe_validar(nfe, "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"/>",
                       "STATUS") == QNFE_ERRO_NFE,
          "an invalid status request");
  CONFERE(strcmp(qnfe_erro_classe(nfe), "EvxnSchemaValidationException") == 0, "%s", qnfe_erro_classe(nfe));

  CONFERE(qnfe_obter_propriedade(nfe, "uf", &valor) == QNFE_OK, "a name in any case");
  CONFERE(valor && strcmp(valor, "SP") == 0, "%s", valor ? valor : "(null)");
  CONFERE(strcmp(qnfe_erro_classe(nfe), "") == 0 && strcmp(qnfe_erro_mensagem(nfe), "") == 0,
          "cleared after success: %s", qnfe_erro_classe(nfe));
  qnfe_liberar(valor);
  CONFERE(qnfe_criar(NULL) == QNFE_ERRO_ARGUMENTO, "NULL handle pointer");
  CONFERE(qnfe_status_servico(NULL, &valor) == QNFE_ERRO_ARGUMENTO, "NULL handle");
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: qnfe_test SEFAZ-SIM EXAMPLE-COMMAND-TEXT DATA-DIR\n");
    return 2;
  }
  snprintf(pasta, sizeof pasta, "%s/qnfe-test-XXXXXX", getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
  if (!mkdtemp(pasta))
    return 2;
  if (!criar_programa(argv[3]))
    return 2;
  char config[1024], xmlDir[300], danfe[300], cStat[8], chave[64], nProt[32], nRec[32];
  if (!iniciar_servidor(argv[1], config, sizeof config)) {
    fprintf(stderr, "the server did not start\n");
    return 2;
  }
  snprintf(xmlDir, sizeof xmlDir, "%s/XmlDestinatario/", pasta);
  snprintf(danfe, sizeof danfe, "%s/danfe.pdf", pasta);

  qnfe_nfe* nfe = NULL;
  char *resposta = NULL, *xml = NULL, *assinado = NULL, *envio = NULL, *proc = NULL;
  if (qnfe_criar(&nfe) != QNFE_OK)
    return 2;
  EXIGE(nfe, qnfe_carregar_config(nfe, config));
  EXIGE(nfe, qnfe_definir_propriedade(nfe, "DiretorioXmlDestinatario", xmlDir));

  EXIGE(nfe, qnfe_status_servico(nfe, &resposta));
  valor_da_tag(resposta, "cStat", NULL, cStat, sizeof cStat);
  CONFERE(strcmp(cStat, "107") == 0, "status %s", resposta);
  qnfe_liberar(resposta);

  EXIGE(nfe, qnfe_converter_texto(nfe, argv[2], QNFE_TEXTO_COMANDOS, &xml));
  EXIGE(nfe, qnfe_assinar(nfe, xml, &assinado));
  CONFERE(strstr(assinado, "<Signature") != NULL, "signed");
  EXIGE(nfe, qnfe_validar_lote(nfe, "1", assinado, &envio));
  CONFERE(strncmp(envio, "<enviNFe", 8) == 0 || strstr(envio, "<enviNFe") != NULL, "%.60s", envio);
  EXIGE(nfe, qnfe_validar(nfe, envio, "ENVIO"));

  EXIGE(nfe, qnfe_enviar(nfe, "1", assinado, 0, &resposta));
  valor_da_tag(resposta, "cStat", "<protNFe", cStat, sizeof cStat);
  valor_da_tag(resposta, "chNFe", NULL, chave, sizeof chave);
  valor_da_tag(resposta, "nProt", NULL, nProt, sizeof nProt);
  CONFERE(strcmp(cStat, "100") == 0, "authorised: %s", resposta);
  CONFERE(strlen(chave) == 44 && strlen(nProt) == 15, "key %s protocol %s", chave, nProt);

  /* The distribution XML the component wrote, and the same made again from the texts. */
  CONFERE(strncmp(qnfe_ultimo_xml_destinatario(nfe), xmlDir, strlen(xmlDir)) == 0, "%s",
          qnfe_ultimo_xml_destinatario(nfe));
  char* escrito = ler_arquivo(qnfe_ultimo_xml_destinatario(nfe));
  CONFERE(escrito && strstr(escrito, "<nfeProc") && strstr(escrito, nProt), "distribution XML written");
  EXIGE(nfe, qnfe_gerar_xml_destinatario(nfe, chave, envio, resposta, NULL, &proc));
  CONFERE(strstr(proc, "<nfeProc") && strstr(proc, nProt), "distribution XML made");
  EXIGE(nfe, qnfe_validar(nfe, proc, "XMLDESTINATARIO"));
  qnfe_liberar(resposta);

  EXIGE(nfe, qnfe_exportar_danfe(nfe, qnfe_ultimo_xml_destinatario(nfe), NULL, danfe, 1));
  char* pdf = ler_arquivo(danfe);
  CONFERE(pdf && strncmp(pdf, "%PDF-", 5) == 0, "the DANFE is a PDF");
  free(pdf);

  EXIGE(nfe, qnfe_consultar_nf(nfe, chave, &resposta));
  valor_da_tag(resposta, "cStat", NULL, cStat, sizeof cStat);
  CONFERE(strcmp(cStat, "100") == 0, "query %s", resposta);
  qnfe_liberar(resposta);

  EXIGE(nfe, qnfe_corrigir(nfe, chave, "Endereco de entrega: Rua B, 10", NULL, NULL, NULL, 1, "2", &resposta));
  valor_da_tag(resposta, "cStat", "<infEvento", cStat, sizeof cStat);
  CONFERE(strcmp(cStat, "135") == 0, "correction %s", resposta);
  CONFERE(strstr(qnfe_ultimo_xml_destinatario(nfe), "cce") != NULL, "%s", qnfe_ultimo_xml_destinatario(nfe));
  qnfe_liberar(resposta);
  EXIGE(nfe, qnfe_cancelar(nfe, chave, nProt, "Pedido cancelado pelo cliente", NULL, NULL, 1, "3", &resposta));
  valor_da_tag(resposta, "cStat", "<infEvento", cStat, sizeof cStat);
  CONFERE(strcmp(cStat, "135") == 0, "cancellation %s", resposta);
  qnfe_liberar(resposta);

  /* Another sale (number 1002) in a lot that asks for a receipt, and the receipt's result. */
  char* texto = ler_arquivo(argv[2]);
  char* numero = texto ? strstr(texto, "nNF_B08=1001") : NULL;
  CONFERE(numero != NULL, "the example's number");
  if (numero) {
    numero[strlen("nNF_B08=100")] = '2';
    qnfe_liberar(xml);
    qnfe_liberar(assinado);
    EXIGE(nfe, qnfe_definir_propriedade(nfe, "LoteUnicoSincrono", "0"));
    EXIGE(nfe, qnfe_converter_texto(nfe, texto, QNFE_TEXTO_COMANDOS, &xml));
    EXIGE(nfe, qnfe_assinar(nfe, xml, &assinado));
    EXIGE(nfe, qnfe_enviar(nfe, "4", assinado, 1, &resposta));
    valor_da_tag(resposta, "cStat", NULL, cStat, sizeof cStat);
    valor_da_tag(resposta, "nRec", NULL, nRec, sizeof nRec);
    CONFERE(strcmp(cStat, "103") == 0 && strlen(nRec) == 15, "lot received: %s", resposta);
    qnfe_liberar(resposta);
    EXIGE(nfe, qnfe_consultar_recibo(nfe, nRec, &resposta));
    valor_da_tag(resposta, "cStat", "<protNFe", cStat, sizeof cStat);
    CONFERE(strcmp(cStat, "100") == 0, "receipt: %s", resposta);
    qnfe_liberar(resposta);
  }
  free(texto);

  falhas_sao_informadas(nfe);

  qnfe_liberar(xml);
  qnfe_liberar(assinado);
  qnfe_liberar(envio);
  qnfe_liberar(proc);
  free(escrito);
  qnfe_destruir(nfe);
  return falhas;
}
