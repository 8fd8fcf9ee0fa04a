// Copying one element of a received message out as a document of its own.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>

namespace vxn::sim {

// The element's text as the message has it, as a standalone document. An element whose namespace is
// declared by an ancestor gets that declaration on itself; nothing else is added or rewritten, so a
// signed document inside keeps the exact namespaces it was signed with.
std::string StandaloneElementXml(const xmlNode* element);
// The same from the element's text as xmlNodeDump writes it (the bytes it was received in, when those
// are the same: ReceivedElement).
std::string StandaloneElementXml(const xmlNode* element, std::string_view written);

} // namespace vxn::sim
