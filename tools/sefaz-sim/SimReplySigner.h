// The local server's signature on the replies that carry one (retEvento): a certificate of the server's
// test authority, issued on the first signature and kept for the life of the server. Shared by the
// request threads; one signature at a time.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace vxn {
class TvxnGovX;
namespace dev {
class TvxnDevAuthority;
}
} // namespace vxn

namespace vxn::sim {

class TSimReplySigner {
public:
  explicit TSimReplySigner(const dev::TvxnDevAuthority& authority);
  ~TSimReplySigner();
  TSimReplySigner(const TSimReplySigner&) = delete;
  TSimReplySigner& operator=(const TSimReplySigner&) = delete;

  // The document with an enveloped signature over the element `elementName` whose Id is `id`.
  std::string Sign(std::string_view xml, std::string_view elementName, std::string_view id);

private:
  void Prepare();

  const dev::TvxnDevAuthority& authority_;
  std::mutex mutex_;
  std::string folder_; // holds the PKCS#12 of the signing certificate; removed with the signer
  std::unique_ptr<TvxnGovX> gov_;
};

} // namespace vxn::sim
