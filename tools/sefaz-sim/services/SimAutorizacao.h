// The authorisation web service: receives a lot of signed NF-e documents (enviNFe), layouts 4.00
// (NFeAutorizacao4) and 3.10 (NfeAutorizacao). Asynchronous lots get a receipt for the receipt-query
// service; synchronous lots (indSinc 1) get the document's protocol at once. In layout 4.00 an NFC-e's
// QR code is checked, and the rules on the recipient's registration and on the issue-date delay apply.
#pragma once

#include "sefaz-sim/SimLayoutService.h"

namespace vxn::sim {

struct TSimLotDocument;

class TSimAutorizacao : public TSimLayoutService {
public:
  // versao: "4.00" or "3.10".
  explicit TSimAutorizacao(std::string versao);

  std::string WsdlName() const override;
  std::vector<std::string> ServerKeys() const override;
  std::vector<std::string> Actions() const override;
  std::string ResultElement() const override;
  std::string ResultElementOf(const TSimRequest& request) const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  // The protNFe of one document: its authorisation, or the reason `cStat` (from Check) it was refused.
  std::string Protocol(const TSimLotDocument& document, int cStat, const TSimContext& context) const;
  // The rejection code of a document, 0 when nothing stands against it (a duplicate is found later,
  // under the lock that records the authorisation).
  int Check(const TSimLotDocument& document, const TSimRequest& request, const TSimContext& context) const;
  std::string Reply(int cStat, std::string_view cUF, std::string_view content) const;
  std::string Reply(int cStat, std::string_view xMotivo, std::string_view cUF,
                    std::string_view content) const;
};

// A protNFe element of the given layout version.
std::string ProtNFeXml(std::string_view versao, std::string_view chNFe, std::string_view dhRecbto,
                       std::string_view nProt, std::string_view digVal, int cStat, std::string_view xMotivo);

} // namespace vxn::sim
