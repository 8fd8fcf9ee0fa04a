"""Quorvant NFe from Python, on the library's C interface (quorvant-nfe/qnfe.h) through ctypes only.

    from quorvant_nfe import Nfe, ErroNfe

    with Nfe() as nfe:
        nfe.carregar_config("/home/voce/nfe-sim/nfeConfig.ini")
        print(nfe.status_servico())

The shared library is found through the variable QUORVANT_NFE_LIB (a path), else as the system finds
libquorvant-nfe.so.0 (an installed package). Every failure of the library raises ErroNfe with the
component's exception class and its message.
"""

import ctypes
import ctypes.util
import os

__all__ = ["Nfe", "ErroNfe", "TEXTO_COMANDOS", "TEXTO_PIPE", "TEXTO_REC", "versao"]

TEXTO_COMANDOS, TEXTO_PIPE, TEXTO_REC = 0, 1, 2
_OK, _ERRO_ARGUMENTO, _ERRO_NFE, _ERRO_SISTEMA = 0, 1, 2, 3


class ErroNfe(Exception):
    """A failed call: `codigo` (1 argument, 2 the component's exception, 3 system), `classe`, `mensagem`."""

    def __init__(self, codigo, classe, mensagem):
        super().__init__(f"{classe}: {mensagem}")
        self.codigo, self.classe, self.mensagem = codigo, classe, mensagem


def _carregar():
    caminho = os.environ.get("QUORVANT_NFE_LIB") or ctypes.util.find_library("quorvant-nfe")
    lib = ctypes.CDLL(caminho or "libquorvant-nfe.so.0")
    h, s, st, i, saida = ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_void_p)
    assinaturas = {
        "qnfe_versao": (s, []),
        "qnfe_criar": (st, [ctypes.POINTER(ctypes.c_void_p)]),
        "qnfe_destruir": (None, [h]),
        "qnfe_liberar": (None, [ctypes.c_void_p]),
        "qnfe_erro_classe": (s, [h]),
        "qnfe_erro_mensagem": (s, [h]),
        "qnfe_carregar_config": (st, [h, s]),
        "qnfe_salvar_config": (st, [h, s]),
        "qnfe_definir_propriedade": (st, [h, s, s]),
        "qnfe_obter_propriedade": (st, [h, s, saida]),
        "qnfe_converter_texto": (st, [h, s, i, saida]),
        "qnfe_assinar": (st, [h, s, saida]),
        "qnfe_validar": (st, [h, s, s]),
        "qnfe_validar_lote": (st, [h, s, s, saida]),
        "qnfe_status_servico": (st, [h, saida]),
        "qnfe_enviar": (st, [h, s, s, i, saida]),
        "qnfe_enviar_sincrono": (st, [h, s, s, i, saida]),
        "qnfe_consultar_recibo": (st, [h, s, saida]),
        "qnfe_consultar_nf": (st, [h, s, saida]),
        "qnfe_cancelar": (st, [h, s, s, s, s, s, i, s, saida]),
        "qnfe_corrigir": (st, [h, s, s, s, s, s, i, s, saida]),
        "qnfe_ultimo_xml_destinatario": (s, [h]),
        "qnfe_gerar_xml_destinatario": (st, [h, s, s, s, s, saida]),
        "qnfe_exportar_danfe": (st, [h, s, s, s, i]),
    }
    for nome, (restype, argtypes) in assinaturas.items():
        funcao = getattr(lib, nome)
        funcao.restype, funcao.argtypes = restype, argtypes
    return lib


_lib = _carregar()


def _c(texto):
    """Text going in: UTF-8, None stays NULL."""
    return None if texto is None else str(texto).encode("utf-8")


def versao():
    return _lib.qnfe_versao().decode("utf-8")


class Nfe:
    """An NF-e component. Release it with fechar(), or use it in a `with` block."""

    def __init__(self):
        self._h = ctypes.c_void_p()
        if _lib.qnfe_criar(ctypes.byref(self._h)) != _OK:
            raise ErroNfe(_ERRO_SISTEMA, "qnfe_criar", "o componente não pôde ser criado")

    def fechar(self):
        if self._h:
            _lib.qnfe_destruir(self._h)
            self._h = ctypes.c_void_p()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.fechar()

    def __del__(self):
        self.fechar()

    def _conferir(self, codigo):
        if codigo != _OK:
            raise ErroNfe(codigo, _lib.qnfe_erro_classe(self._h).decode("utf-8"),
                          _lib.qnfe_erro_mensagem(self._h).decode("utf-8"))

    def _texto(self, funcao, *args):
        """Calls a function whose last argument receives text, and takes the text over."""
        saida = ctypes.c_void_p()
        self._conferir(funcao(self._h, *args, ctypes.byref(saida)))
        try:
            return ctypes.string_at(saida.value).decode("utf-8")
        finally:
            _lib.qnfe_liberar(saida)

    # Configuration
    def carregar_config(self, arquivo_ini):
        self._conferir(_lib.qnfe_carregar_config(self._h, _c(arquivo_ini)))

    def salvar_config(self, arquivo_ini):
        self._conferir(_lib.qnfe_salvar_config(self._h, _c(arquivo_ini)))

    def __setitem__(self, nome, valor):
        """nfe["UF"] = "SP": a property by its INI key name; True/False are written 1/0."""
        if isinstance(valor, bool):
            valor = int(valor)
        self._conferir(_lib.qnfe_definir_propriedade(self._h, _c(nome), _c(valor)))

    def __getitem__(self, nome):
        return self._texto(_lib.qnfe_obter_propriedade, _c(nome))

    # Documents
    def converter_texto(self, texto, tipo=TEXTO_COMANDOS):
        return self._texto(_lib.qnfe_converter_texto, _c(texto), tipo)

    def assinar(self, xml):
        return self._texto(_lib.qnfe_assinar, _c(xml))

    def validar(self, xml, comando):
        self._conferir(_lib.qnfe_validar(self._h, _c(xml), _c(comando)))

    def validar_lote(self, numero_lote, lote):
        return self._texto(_lib.qnfe_validar_lote, _c(numero_lote), _c(lote))

    # The tax authority
    def status_servico(self):
        return self._texto(_lib.qnfe_status_servico)

    def enviar(self, numero_lote, lote, compactar=False):
        return self._texto(_lib.qnfe_enviar, _c(numero_lote), _c(lote), int(compactar))

    def enviar_sincrono(self, numero_lote, lote, compactar=False):
        return self._texto(_lib.qnfe_enviar_sincrono, _c(numero_lote), _c(lote), int(compactar))

    def consultar_recibo(self, recibo):
        return self._texto(_lib.qnfe_consultar_recibo, _c(recibo))

    def consultar_nf(self, chave):
        return self._texto(_lib.qnfe_consultar_nf, _c(chave))

    # Events
    def cancelar(self, chave, protocolo, justificativa, numero_lote, sequencia=1, data_hora=None, fuso=None):
        return self._texto(_lib.qnfe_cancelar, _c(chave), _c(protocolo), _c(justificativa), _c(data_hora),
                           _c(fuso), sequencia, _c(numero_lote))

    def corrigir(self, chave, correcao, numero_lote, sequencia=1, orgao=None, data_hora=None, fuso=None):
        return self._texto(_lib.qnfe_corrigir, _c(chave), _c(correcao), _c(orgao), _c(data_hora), _c(fuso),
                           sequencia, _c(numero_lote))

    # Distribution XML and DANFE
    @property
    def ultimo_xml_destinatario(self):
        return _lib.qnfe_ultimo_xml_destinatario(self._h).decode("utf-8")

    def gerar_xml_destinatario(self, chave, envio, resposta, salvar_como=None):
        return self._texto(_lib.qnfe_gerar_xml_destinatario, _c(chave), _c(envio), _c(resposta), _c(salvar_como))

    def exportar_danfe(self, xml, arquivo, modelo=None, formato=1):
        self._conferir(_lib.qnfe_exportar_danfe(self._h, _c(xml), _c(modelo), _c(arquivo), formato))
