// Walking a libxml2 subtree in document order without recursion.
#pragma once

#include <libxml/tree.h>

namespace vxn {

// Calls `visit` with `top` and then every node inside it, in document order, descending into elements
// only (an entity reference's expansion is not visited); stops as soon as `visit` returns false and
// answers whether the walk went to the end.
template <class Visit> bool WalkNodes(const xmlNode* top, Visit&& visit) {
  for (const xmlNode* n = top; n;) {
    if (!visit(n))
      return false;
    if (n->type == XML_ELEMENT_NODE && n->children) {
      n = n->children;
      continue;
    }
    while (n != top && !n->next)
      n = n->parent;
    n = n == top ? nullptr : n->next;
  }
  return true;
}

} // namespace vxn
