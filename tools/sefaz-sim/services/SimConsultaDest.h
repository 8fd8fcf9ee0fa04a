// The two services the distribution service replaced, kept for the clients that still call them: the
// query of the documents addressed to a company (NfeConsultaDest, consNFeDest 1.01: summaries of
// documents, cancellations and correction letters after a number, filtered by manifestation and
// issuer) and the download of up to ten documents by key (NfeDownloadNF, downloadNFe 1.00). Both read
// the distribution feeds and answer with the 3.10 header.
#pragma once

#include "sefaz-sim/SimOperationService.h"

namespace vxn::sim {

class TSimConsultaDest : public TSimOperationService {
public:
  TSimConsultaDest() : TSimOperationService("NfeConsultaDest", "nfeConsultaNFDest", "nfeConsultaNFDest") {}
  std::string ReplyHeader(const TSimRequest& request) const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;
};

class TSimDownloadNF : public TSimOperationService {
public:
  TSimDownloadNF() : TSimOperationService("NfeDownloadNF", "NFeDownloadNf", "nfeDownloadNF") {}
  std::string ReplyHeader(const TSimRequest& request) const override;
  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;
};

} // namespace vxn::sim
