// Owning handles for the C libraries behind src/outside: each C handle is held by a std::unique_ptr
// whose deleter is the library's own free function. Included only by files in src/outside (and by test
// helpers that stand in for the outside world).
#pragma once

#include <curl/curl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>

namespace vxn::outside {

template <auto Fn> struct CFree {
  template <class T> void operator()(T* p) const noexcept {
    if (p)
      Fn(p);
  }
};

using XmlDocPtr = std::unique_ptr<xmlDoc, CFree<xmlFreeDoc>>;
using XmlParserCtxtPtr = std::unique_ptr<xmlParserCtxt, CFree<xmlFreeParserCtxt>>;
using XmlXPathContextPtr = std::unique_ptr<xmlXPathContext, CFree<xmlXPathFreeContext>>;
using XmlXPathObjectPtr = std::unique_ptr<xmlXPathObject, CFree<xmlXPathFreeObject>>;
using XmlSchemaParserCtxtPtr = std::unique_ptr<xmlSchemaParserCtxt, CFree<xmlSchemaFreeParserCtxt>>;
using XmlSchemaPtr = std::unique_ptr<xmlSchema, CFree<xmlSchemaFree>>;
using XmlSchemaValidCtxtPtr = std::unique_ptr<xmlSchemaValidCtxt, CFree<xmlSchemaFreeValidCtxt>>;
using XmlBufferPtr = std::unique_ptr<xmlBuffer, CFree<xmlBufferFree>>;
// xmlFree is a variable (a function pointer), so it is called through a lambda.
using XmlCharPtr = std::unique_ptr<xmlChar, CFree<[](xmlChar* p) { xmlFree(p); }>>;

using BioPtr = std::unique_ptr<BIO, CFree<BIO_free_all>>;
using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, CFree<EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, CFree<X509_free>>;
using X509StackPtr =
    std::unique_ptr<STACK_OF(X509), CFree<[](STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); }>>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, CFree<PKCS12_free>>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, CFree<EVP_MD_CTX_free>>;
using X509ExtensionPtr = std::unique_ptr<X509_EXTENSION, CFree<X509_EXTENSION_free>>;
using X509StorePtr = std::unique_ptr<X509_STORE, CFree<X509_STORE_free>>;
using X509StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, CFree<X509_STORE_CTX_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, CFree<BN_free>>;
using Asn1TimePtr = std::unique_ptr<ASN1_TIME, CFree<ASN1_TIME_free>>;
// Same as X509StackPtr with a named deleter, for members of types shared between translation units (a
// lambda's type is local to each one).
struct X509StackFree {
  void operator()(STACK_OF(X509) * s) const noexcept { sk_X509_pop_free(s, X509_free); }
};
using X509ChainPtr = std::unique_ptr<STACK_OF(X509), X509StackFree>;

using CurlPtr = std::unique_ptr<CURL, CFree<curl_easy_cleanup>>;
using CurlSlistPtr = std::unique_ptr<curl_slist, CFree<curl_slist_free_all>>;
using CurlMimePtr = std::unique_ptr<curl_mime, CFree<curl_mime_free>>;

} // namespace vxn::outside
