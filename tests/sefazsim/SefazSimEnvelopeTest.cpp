// A lot read where it stands in the request's envelope instead of from its own text parsed again: the
// server does so only when both give the same, and then they give the same documents (their text
// byte for byte) and the same schema verdict.
#include "sefaz-sim/SimLotDocuments.h"
#include "sefaz-sim/SimReceivedElement.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimSoap.h"
#include "sefaz-sim/SimXmlElement.h"
#include "support/DevPki.h"
#include "support/SignedNFeDocument.h"
#include "vxnGovX.h"
#include "vxnXmlNodeWalk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vxn {
namespace {

const std::string kSoap = "http://www.w3.org/2003/05/soap-envelope";
const std::string kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeAutorizacao4";
const std::string kNFe = "http://www.portalfiscal.inf.br/nfe";
const std::string kXsi = "http://www.w3.org/2001/XMLSchema-instance";

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  const std::size_t p = s.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  return p == std::string::npos ? s : s.replace(p, from.size(), to);
}

// A lot of two signed documents.
const std::string& Lot() {
  static const std::string lot =
      test::EnviNFeLot(test::SignedNFeDocument(501, test::SharedPki().ValidClientFile(), "1234") +
                           test::SignedNFeDocument(502, test::SharedPki().ValidClientFile(), "1234"),
                       false);
  return lot;
}

// The lot inside an envelope as clients write it: the declaration, then the SOAP namespaces on the root.
std::string Envelope(const std::string& lot, const std::string& doctype = "",
                     const std::string& dadosMsg = "<nfeDadosMsg xmlns=\"" + kWsdl + "\">",
                     const std::string& dadosMsgEnd = "</nfeDadosMsg>") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + doctype + "<soap12:Envelope xmlns:soap12=\"" + kSoap +
         "\" xmlns:xsi=\"" + kXsi + "\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap12:Body>" +
         dadosMsg + lot + dadosMsgEnd + "</soap12:Body></soap12:Envelope>";
}

// The lot without its namespace declaration, which the message wrapper around it declares as default.
std::string LotNamespaceOnTheWrapper() {
  return Envelope(
      Replaced(Lot(), "<enviNFe xmlns=\"" + kNFe + "\" versao=\"4.00\">", "<enviNFe versao=\"4.00\">"), "",
      "<w:nfeDadosMsg xmlns:w=\"" + kWsdl + "\" xmlns=\"" + kNFe + "\">", "</w:nfeDadosMsg>");
}

struct TEnvelopeCase {
  const char* Name;
  std::string Text;
  bool InPlace; // whether the server reads the lot where it stands
};

std::vector<TEnvelopeCase> Cases() {
  const std::string openLot = "<enviNFe xmlns=\"" + kNFe + "\" versao=\"4.00\">";
  return {
      {"as_clients_send_it", Envelope(Lot()), true},
      // The lot's namespace declared on the message wrapper, which its own text then declares.
      {"namespace_of_the_lot_from_the_wrapper", LotNamespaceOnTheWrapper(), true},
      // Not escaped in the documents' text when read from the envelope, which names its encoding.
      {"non_ascii_attribute_in_a_document",
       Envelope(
           Replaced(Lot(), "<NFe xmlns=\"" + kNFe + "\">", "<NFe xmlns=\"" + kNFe + "\" nota=\"ação\">")),
       true},
      // A prefix declared by the envelope only: unbound in the lot's own text.
      {"prefix_of_the_envelope_inside_the_lot",
       Envelope(Replaced(Lot(), "<idLote>", "<idLote xsi:nil=\"false\">")), false},
      {"xsi_type_naming_a_type_by_prefix",
       Envelope(Replaced(Lot(), "<idLote>", "<idLote xmlns:x=\"" + kXsi + "\" x:type=\"xsd:string\">")),
       false},
      {"entity_of_the_envelope",
       Envelope(Replaced(Lot(), "<idLote>1</idLote>", "<idLote>&lote;</idLote>"),
                "<!DOCTYPE soap12:Envelope [<!ENTITY lote \"1\">]>"),
       false},
      {"identifier_registered_by_the_parser",
       Envelope(Replaced(Lot(), openLot, openLot.substr(0, openLot.size() - 1) + " xml:id=\"lote\">")),
       false},
  };
}

void ExpectSameDocuments(const std::vector<sim::TSimLotDocument>& a,
                         const std::vector<sim::TSimLotDocument>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE("document " + std::to_string(i));
    EXPECT_EQ(a[i].Xml, b[i].Xml);
    EXPECT_EQ(a[i].Id, b[i].Id);
    const std::vector<std::string> fieldsA{
        a[i].CUF, a[i].CNF,   a[i].Mod,    a[i].Serie, a[i].NNF,      a[i].DhEmi,   a[i].TpEmis,
        a[i].CDV, a[i].TpAmb, a[i].DhCont, a[i].XJust, a[i].EmitCnpj, a[i].EmitCpf, a[i].DigestValue};
    const std::vector<std::string> fieldsB{
        b[i].CUF, b[i].CNF,   b[i].Mod,    b[i].Serie, b[i].NNF,      b[i].DhEmi,   b[i].TpEmis,
        b[i].CDV, b[i].TpAmb, b[i].DhCont, b[i].XJust, b[i].EmitCnpj, b[i].EmitCpf, b[i].DigestValue};
    EXPECT_EQ(fieldsA, fieldsB);
  }
}

class SefazSimEnvelopeTest : public ::testing::TestWithParam<TEnvelopeCase> {};

TEST_P(SefazSimEnvelopeTest, TheLotIsReadInPlaceOnlyWhenItReadsAsItsOwnTextParsed) {
  const TEnvelopeCase& c = GetParam();
  const sim::TSimEnvelope envelope = sim::ParseSoapRequest(c.Text);
  EXPECT_EQ(envelope.Data != nullptr, c.InPlace);
  if (!envelope.Data)
    return;
  const outside::XmlDocPtr parsed = sim::ParseLot(envelope.DataXml);
  ASSERT_TRUE(parsed);
  const xmlNode* own = xmlDocGetRootElement(parsed.get());
  const std::vector<sim::TSimLotDocument> inPlace = sim::LotDocuments(envelope.Data);
  ASSERT_EQ(inPlace.size(), 2u);
  ExpectSameDocuments(inPlace, sim::LotDocuments(own));
  const sim::TSimSchemas schemas(QVX_SCHEMAS_DIR);
  EXPECT_EQ(schemas.Validate(envelope.Data, "enviNFe_v4.00.xsd"), schemas.Validate(own, "enviNFe_v4.00.xsd"));
}

INSTANTIATE_TEST_SUITE_P(Casos, SefazSimEnvelopeTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SefazSimEnvelope, ALotOutsideTheSchemaGetsTheSameErrorsInPlace) {
  const std::string lot = Replaced(Lot(), "<indSinc>0</indSinc>", "<indSinc>7</indSinc>");
  const sim::TSimEnvelope envelope = sim::ParseSoapRequest(Envelope(lot));
  ASSERT_NE(envelope.Data, nullptr);
  const outside::XmlDocPtr parsed = sim::ParseLot(envelope.DataXml);
  const sim::TSimSchemas schemas(QVX_SCHEMAS_DIR);
  const std::string errors = schemas.Validate(envelope.Data, "enviNFe_v4.00.xsd");
  EXPECT_NE(errors.find("indSinc"), std::string::npos) << errors;
  EXPECT_EQ(errors, schemas.Validate(xmlDocGetRootElement(parsed.get()), "enviNFe_v4.00.xsd"));
}

// The lot and its documents taken from the bytes received instead of written out of the tree: only
// where writing them out gives those very bytes, and then the server's texts are those of before.
struct TReceivedCase {
  const char* Name;
  std::string Text; // the envelope
  bool Taken;       // whether the bytes received are taken
};

std::vector<TReceivedCase> ReceivedCases() {
  const std::string openLot = "<enviNFe xmlns=\"" + kNFe + "\" versao=\"4.00\">";
  const std::string idLote = "<idLote>1</idLote>";
  const std::string header = "<soap12:Envelope xmlns:soap12=\"" + kSoap + "\" xmlns:xsi=\"" + kXsi +
                             "\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">";
  return {
      {"as_clients_send_it", Envelope(Lot()), true},
      // The declaration the lot's text gets from its wrapper is added as when written out.
      {"namespace_of_the_lot_from_the_wrapper", LotNamespaceOnTheWrapper(), true},
      {"prefixed_lot",
       Envelope(Replaced(Replaced(Lot(), openLot, "<n:enviNFe xmlns:n=\"" + kNFe + "\" versao=\"4.00\">"),
                         "</enviNFe>", "</n:enviNFe>")),
       true},
      {"self_closed_element", Envelope(Replaced(Lot(), idLote, "<idLote/>")), true},
      {"line_feeds_and_tabs_between_elements", Envelope(Replaced(Lot(), idLote, "\n\t" + idLote + "\n")),
       true},
      {"text_outside_ascii_read_as_utf8",
       Envelope(Replaced(Lot(), idLote, "<idLote>a\xc3\xa7\xc3\xa3o</idLote>")), true},
      // Comments, processing instructions, CDATA and a '>' in an attribute of the envelope before the
      // lot: its start tag is still found.
      {"markup_of_the_envelope_before_the_lot",
       Replaced(Envelope(Lot()), header,
                "<?pi <enviNFe?><!-- <enviNFe> -->" + header +
                    "<soap12:Header><x a=\"1>2\" b='>/\"'/><![CDATA[<enviNFe>]]></soap12:Header>"),
       true},
      // Written out otherwise than received.
      {"text_outside_ascii_read_as_latin1",
       Replaced(Envelope(Replaced(Lot(), idLote, "<idLote>a\xe7\xe3o</idLote>")), "utf-8", "ISO-8859-1"),
       false},
      {"attribute_outside_ascii",
       Envelope(Replaced(Lot(), "<NFe xmlns=\"" + kNFe + "\">",
                         "<NFe xmlns=\"" + kNFe + "\" nota=\"a\xc3\xa7\xc3\xa3o\">")),
       false},
      {"element_opened_and_closed", Envelope(Replaced(Lot(), idLote, "<idLote></idLote>")), false},
      {"attribute_in_single_quotes",
       Envelope(Replaced(Lot(), openLot, "<enviNFe xmlns=\"" + kNFe + "\" versao='4.00'>")), false},
      {"two_spaces_before_an_attribute",
       Envelope(Replaced(Lot(), openLot, "<enviNFe xmlns=\"" + kNFe + "\"  versao=\"4.00\">")), false},
      {"space_before_the_end_of_a_tag", Envelope(Replaced(Lot(), idLote, "<idLote >1</idLote>")), false},
      {"space_in_an_end_tag", Envelope(Replaced(Lot(), idLote, "<idLote>1</idLote >")), false},
      {"attribute_before_a_declaration",
       Envelope(Replaced(Lot(), openLot, "<enviNFe versao=\"4.00\" xmlns=\"" + kNFe + "\">")), false},
      {"character_reference_in_text", Envelope(Replaced(Lot(), idLote, "<idLote>&#49;</idLote>")), false},
      {"greater_than_in_text", Envelope(Replaced(Lot(), idLote, "<idLote>1></idLote>")), false},
      {"carriage_return_between_elements", Envelope(Replaced(Lot(), idLote, idLote + "\r\n")), false},
      {"tab_in_an_attribute",
       Envelope(Replaced(Lot(), openLot, "<enviNFe xmlns=\"" + kNFe + "\" versao=\"4.\t00\">")), false},
      {"escapes_written_as_read",
       Envelope(Replaced(Lot(), idLote, "<idLote a=\"&quot;&amp;&lt;&gt;\">&amp;&lt;&gt;\"'</idLote>")),
       true},
      {"quote_escaped_in_text", Envelope(Replaced(Lot(), idLote, "<idLote>&quot;</idLote>")), false},
      {"apostrophe_escaped_in_an_attribute",
       Envelope(Replaced(Lot(), idLote, "<idLote a=\"&apos;\">1</idLote>")), false},
      {"escape_in_a_namespace_declaration",
       Envelope(Replaced(Lot(), openLot,
                         "<enviNFe xmlns=\"" + kNFe + "\" xmlns:q=\"urn:a&amp;b\" versao=\"4.00\">")),
       false},
      {"comment_in_the_lot", Envelope(Replaced(Lot(), idLote, idLote + "<!--c-->")), false},
      {"cdata_in_the_lot", Envelope(Replaced(Lot(), idLote, "<idLote><![CDATA[1]]></idLote>")), false},
      {"processing_instruction_in_the_lot", Envelope(Replaced(Lot(), idLote, idLote + "<?pi x?>")), false},
  };
}

// The lot's element in a tree of the envelope.
const xmlNode* LotIn(const xmlDoc* doc) {
  const xmlNode* lot = nullptr;
  WalkNodes(xmlDocGetRootElement(doc), [&](const xmlNode* n) {
    if (n->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(n->name), "enviNFe") == 0)
      lot = n;
    return !lot;
  });
  return lot;
}

class SefazSimReceivedTextTest : public ::testing::TestWithParam<TReceivedCase> {};

TEST_P(SefazSimReceivedTextTest, TheBytesReceivedAreTakenOnlyWhereWritingOutGivesThem) {
  const TReceivedCase& c = GetParam();
  const outside::XmlDocPtr doc(xmlReadMemory(c.Text.data(), static_cast<int>(c.Text.size()), "request.xml",
                                             nullptr,
                                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  ASSERT_TRUE(doc);
  const xmlNode* lot = LotIn(doc.get());
  ASSERT_NE(lot, nullptr);
  // What the server wrote out before: the lot from the envelope as parsed, its documents once the
  // envelope's encoding is dropped.
  const std::string lotWritten = sim::StandaloneElementXml(lot);
  const std::optional<sim::TSimReceivedElement> received = sim::ReceivedElement(c.Text, lot);
  ASSERT_EQ(received.has_value(), c.Taken);
  std::vector<const xmlNode*> children;
  for (const xmlNode* n = lot->children; n; n = n->next)
    if (n->type == XML_ELEMENT_NODE)
      children.push_back(n);
  if (received) {
    EXPECT_EQ(sim::StandaloneElementXml(lot, received->Text), lotWritten);
    ASSERT_EQ(received->Children.size(), children.size());
    for (bool encodingDropped : {false, true}) {
      if (encodingDropped) {
        xmlFree(const_cast<xmlChar*>(doc->encoding));
        doc->encoding = nullptr;
      }
      for (std::size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(sim::StandaloneElementXml(children[i], received->Children[i]),
                  sim::StandaloneElementXml(children[i]))
            << "child " << i << (encodingDropped ? ", encoding dropped" : "");
    }
  }
  // Through the server's reading of the request: the same lot text and documents as written out.
  const sim::TSimEnvelope envelope = sim::ParseSoapRequest(c.Text);
  EXPECT_EQ(envelope.DataXml, lotWritten);
  if (envelope.Data) {
    EXPECT_EQ(envelope.DataChildren.size(), c.Taken ? children.size() : 0u);
    ExpectSameDocuments(sim::LotDocuments(envelope.Data, envelope.DataChildren),
                        sim::LotDocuments(envelope.Data));
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, SefazSimReceivedTextTest, ::testing::ValuesIn(ReceivedCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

// The signature of each document checked where it stands in the lot's tree must never pass where the
// check of the document's own text fails, and must pass for the documents clients send.
struct TSignatureCase {
  const char* Name;
  std::string Text;   // the envelope
  bool FirstInPlace;  // whether the first document's signature verifies in place
  bool FirstVerifies; // whether its own text verifies
};

// The Id of the first document's infNFe.
std::string FirstId() {
  const std::size_t p = Lot().find("Id=\"NFe") + 4;
  return Lot().substr(p, Lot().find('"', p) - p);
}

std::vector<TSignatureCase> SignatureCases() {
  const std::string openNFe = "<NFe xmlns=\"" + kNFe + "\">";
  const std::string openLot = "<enviNFe xmlns=\"" + kNFe + "\" versao=\"4.00\">";
  const std::string id = FirstId();
  return {
      {"as_clients_send_it", Envelope(Lot()), true, true},
      // The document's namespace declared by the lot only: its own text declares it on NFe.
      {"namespace_of_the_document_from_the_lot", Envelope(Replaced(Lot(), openNFe, "<NFe>")), true, true},
      // Attributes of the lot's elements around the document are not part of it.
      {"xml_lang_on_the_lot",
       Envelope(Replaced(Lot(), openLot, openLot.substr(0, openLot.size() - 1) + " xml:lang=\"pt\">")), true,
       true},
      {"same_id_on_an_element_of_the_lot_before_it",
       Envelope(Replaced(Lot(), "<idLote>1</idLote>", "<idLote Id=\"" + id + "\">1</idLote>")), true, true},
      {"changed_after_signing", Envelope(Replaced(Lot(), "<nNF>501</nNF>", "<nNF>509</nNF>")), false, false},
      // A copy placed earlier under the same Id is the element the reference names.
      {"same_id_earlier_inside_the_document",
       Envelope(Replaced(Lot(), openNFe, openNFe + "<copia Id=\"" + id + "\"/>")), false, false},
      // A prefix declared by the lot only: unbound in the document's own text, which then reads otherwise
      // (the attribute outside the signed element, its text verifies); not checked in place.
      {"prefix_of_the_lot_inside_the_document",
       Envelope(
           Replaced(Replaced(Lot(), openLot, openLot.substr(0, openLot.size() - 1) + " xmlns:q=\"urn:q\">"),
                    openNFe, "<NFe xmlns=\"" + kNFe + "\" q:a=\"1\">")),
       false, true},
      // The parser registers xml:id first: the reference then names the element that carries it.
      {"identifier_registered_by_the_parser",
       Envelope(Replaced(Lot(), "<KeyInfo>", "<KeyInfo xml:id=\"" + id + "\">")), false, false},
  };
}

class SefazSimSignatureInPlaceTest : public ::testing::TestWithParam<TSignatureCase> {};

TEST_P(SefazSimSignatureInPlaceTest, ADocumentVerifiesInThePlaceOfItsLotOnlyAsItsOwnText) {
  const TSignatureCase& c = GetParam();
  const sim::TSimEnvelope envelope = sim::ParseSoapRequest(c.Text);
  const outside::XmlDocPtr parsed = envelope.Data ? nullptr : sim::ParseLot(envelope.DataXml);
  const xmlNode* lot = envelope.Data ? envelope.Data : xmlDocGetRootElement(parsed.get());
  const std::vector<sim::TSimLotDocument> documents = sim::LotDocuments(lot);
  ASSERT_EQ(documents.size(), 2u);
  const TvxnXmlSignatureVerifier verifier;
  for (std::size_t i = 0; i < documents.size(); ++i) {
    SCOPED_TRACE("document " + std::to_string(i));
    const bool inPlace = verifier.VerifiesInPlace(documents[i].Node);
    const bool ownText = verifier.Verify(documents[i].Xml).Ok;
    EXPECT_EQ(inPlace, i == 0 ? c.FirstInPlace : true);
    EXPECT_EQ(ownText, i == 0 ? c.FirstVerifies : true);
    EXPECT_TRUE(!inPlace || ownText) << "verified in place, refused as its own text";
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, SefazSimSignatureInPlaceTest, ::testing::ValuesIn(SignatureCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace vxn
