// Pieces every reply of the local server shares: the application version, the reply time, and the
// published reason texts of the status codes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vxn::sim {

// verAplic of every reply.
inline constexpr std::string_view kVerAplic = "QVX-SIM-1.0";

// Now in Brasilia time, as the services stamp their replies: "2026-12-05T15:04:05-03:00".
std::string NowBrasilia();

// The published reason text of a status code ("Servico em Operacao" for 107); "" for a code the server
// does not use.
std::string MotivoOf(int cStat);

// First element named `localName` in the NF-e namespace (text search on a standalone message):
// its text, or "" when it is absent.
std::string ElementText(std::string_view xml, std::string_view localName);
// The texts of every element `localName` written plainly (<name>...</name>, without attributes), in
// document order (plain text search: exact on a message the parser or the schema has accepted).
std::vector<std::string> ElementTexts(std::string_view xml, std::string_view localName);

} // namespace vxn::sim
