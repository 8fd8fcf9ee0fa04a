#!/usr/bin/env python3
"""Issues the example sale (examples/venda-sp-mg-comandos.txt) with the component of an INI file.

With the local server, in one terminal:
    sefaz-sim --port 0 --write-config ~/nfe-sim
and in another:
    python3 emitir_venda.py ~/nfe-sim/nfeConfig.ini examples/venda-sp-mg-comandos.txt ~/nfe-sim/xml

It prints the access key, the status of the authority, the protocol, the distribution XML written and
the DANFE exported beside it.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from quorvant_nfe import ErroNfe, Nfe  # noqa: E402


def tag(xml, nome, depois=""):
    inicio = xml.find(depois) if depois else 0
    m = re.search(f"<{nome}>([^<]*)</{nome}>", xml[max(inicio, 0):])
    return m.group(1) if m else ""


def main(config, venda, pasta_xml):
    with Nfe() as nfe:
        nfe.carregar_config(config)
        nfe["DiretorioXmlDestinatario"] = pasta_xml
        with open(venda, encoding="utf-8") as f:
            xml = nfe.converter_texto(f.read())
        assinado = nfe.assinar(xml)
        resposta = nfe.enviar("1", assinado)
        print("chave", tag(resposta, "chNFe"))
        print("status", tag(resposta, "cStat", "<protNFe"), tag(resposta, "xMotivo", "<protNFe"))
        print("protocolo", tag(resposta, "nProt"))
        distribuicao = nfe.ultimo_xml_destinatario
        print("distribuicao", distribuicao)
        if distribuicao:
            pdf = os.path.splitext(distribuicao)[0] + ".pdf"
            nfe.exportar_danfe(distribuicao, pdf)
            print("danfe", pdf)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print("usage: emitir_venda.py CONFIG.ini VENDA.txt PASTA_XML", file=sys.stderr)
        sys.exit(2)
    try:
        sys.exit(main(*sys.argv[1:]))
    except ErroNfe as e:
        print(f"{e.classe}: {e.mensagem}", file=sys.stderr)
        sys.exit(1)
