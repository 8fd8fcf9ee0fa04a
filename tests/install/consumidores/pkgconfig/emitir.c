/* Issues the documents of a command text through the C interface, built with pkg-config:
 *   cc emitir.c $(pkg-config --cflags --libs quorvant-nfe)
 *   emitir CONFIG.ini TEXTO.txt PASTA_XML_DESTINATARIO
 * Prints the reply of the authority and, on the last line, the distribution XML written. */
#include <quorvant-nfe/qnfe.h>

#include <stdio.h>

static int falhou(qnfe_nfe* nfe, const char* passo) {
  fprintf(stderr, "%s: %s: %s\n", passo, qnfe_erro_classe(nfe), qnfe_erro_mensagem(nfe));
  qnfe_destruir(nfe);
  return 1;
}

int main(int argc, char** argv) {
  qnfe_nfe* nfe = NULL;
  char *xml = NULL, *assinado = NULL, *resposta = NULL;
  if (argc != 4) {
    fprintf(stderr, "usage: emitir CONFIG.ini TEXTO.txt PASTA_XML_DESTINATARIO\n");
    return 2;
  }
  if (qnfe_criar(&nfe) != QNFE_OK)
    return 1;
  if (qnfe_carregar_config(nfe, argv[1]) != QNFE_OK)
    return falhou(nfe, "configuração");
  if (qnfe_definir_propriedade(nfe, "DiretorioXmlDestinatario", argv[3]) != QNFE_OK)
    return falhou(nfe, "DiretorioXmlDestinatario");
  /* The command text may be given as the path of its file. */
  if (qnfe_converter_texto(nfe, argv[2], QNFE_TEXTO_COMANDOS, &xml) != QNFE_OK)
    return falhou(nfe, "conversão");
  if (qnfe_assinar(nfe, xml, &assinado) != QNFE_OK)
    return falhou(nfe, "assinatura");
  if (qnfe_enviar(nfe, "1", assinado, 0, &resposta) != QNFE_OK)
    return falhou(nfe, "envio");
  printf("%s\ndistribuicao %s\n", resposta, qnfe_ultimo_xml_destinatario(nfe));
  qnfe_liberar(xml);
  qnfe_liberar(assinado);
  qnfe_liberar(resposta);
  qnfe_destruir(nfe);
  return 0;
}
