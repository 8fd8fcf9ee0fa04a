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

#include <memory>

namespace vxn::outside {

template <auto Fn> struct CFree {
  template <class T> void operator()(T* p) const noexcept {
    if (p)
      Fn(p);
  }
};

using XmlDocPtr = std::unique_ptr<xmlDoc, CFree<xmlFreeDoc>>;
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

using CurlPtr = std::unique_ptr<CURL, CFree<curl_easy_cleanup>>;
using CurlSlistPtr = std::unique_ptr<curl_slist, CFree<curl_slist_free_all>>;

} // namespace vxn::outside
