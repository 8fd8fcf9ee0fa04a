#include "sefaz-sim/SimFaults.h"

#include <array>
#include <utility>

namespace vxn::sim {
namespace {

constexpr std::array<std::pair<TSimFault, std::string_view>, 10> kNames{{
    {TSimFault::None, "none"},
    {TSimFault::Timeout, "timeout"},
    {TSimFault::ConnectionClosed, "closed"},
    {TSimFault::Http500, "http500"},
    {TSimFault::Http503, "http503"},
    {TSimFault::SoapFault, "soap-fault"},
    {TSimFault::Malformed, "malformed"},
    {TSimFault::Truncated, "truncated"},
    {TSimFault::BadSignature, "bad-signature"},
    {TSimFault::WrongCertificate, "wrong-certificate"},
}};

// The text of the xMotivo of the signed element (the last one before its Signature) changes by one
// letter: the digest of the signed element no longer matches, while the reply stays well-formed and
// valid.
std::string SpoilSignedPart(std::string_view reply) {
  std::string out(reply);
  const std::size_t signature = out.find("<Signature");
  if (signature == std::string::npos)
    return out;
  const std::size_t motivo = out.rfind("<xMotivo>", signature);
  if (motivo != std::string::npos)
    out.insert(motivo + 9, "X");
  return out;
}

} // namespace

std::optional<TSimFault> SimFaultFromText(std::string_view text) {
  for (const auto& [fault, name] : kNames)
    if (name == text)
      return fault;
  return std::nullopt;
}

std::string_view SimFaultText(TSimFault fault) {
  for (const auto& [f, name] : kNames)
    if (f == fault)
      return name;
  return "none";
}

std::string SpoilReply(TSimFault fault, std::string_view reply) {
  switch (fault) {
  case TSimFault::Malformed: {
    std::string out(reply);
    if (const std::size_t end = out.rfind("</"); end != std::string::npos)
      out.insert(end + 2, "x");
    return out;
  }
  case TSimFault::Truncated:
    return std::string(reply.substr(0, reply.size() / 2));
  case TSimFault::BadSignature:
    return SpoilSignedPart(reply);
  default:
    return std::string(reply);
  }
}

} // namespace vxn::sim
