// The web-service class of layout 3.10 (vm50a): replies are unwrapped from their SOAP envelope.
#pragma once

#include "services/vxnNFEInterface.h"

#include <initializer_list>
#include <string_view>

namespace vxn {

class TvxnNFE50aIntf : public TvxnNFEInterface {
public:
  using TvxnNFEInterface::TvxnNFEInterface;

  std::string StatusDoServico() override;

  // The result element of a reply: the first of the layout's known reply elements found anywhere, else
  // the SOAP body's child; the reply unchanged when none is found or the text is not XML.
  virtual std::string NFe_DesenveloparSOAP(std::string_view reply) const;

protected:
  // Tries the XPath expressions in order, with the prefix soap bound to the namespace of the reply's
  // document element.
  std::string Desenvelopar(std::string_view reply, std::initializer_list<std::string_view> xpaths) const;
};

} // namespace vxn
