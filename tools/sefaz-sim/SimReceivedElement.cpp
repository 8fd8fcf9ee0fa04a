#include "sefaz-sim/SimReceivedElement.h"

#include "vxnXmlNodeWalk.h"

#include <array>
#include <cstring>
#include <string>

#include <strings.h>

namespace vxn::sim {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// The characters of the names this reads (ASCII letters, digits, '_', '-', '.', ':'), as a table: most
// of a document's bytes are in its names.
constexpr std::array<bool, 256> kNameChars = [] {
  std::array<bool, 256> name{};
  for (int c = 0; c < 256; ++c)
    name[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '.' || c == ':';
  return name;
}();

bool IsNameChar(char c) {
  return kNameChars[static_cast<unsigned char>(c)];
}

// The bytes of text that xmlNodeDump writes as they are: not '<' (markup), '&' (an escape), '>' (escaped),
// a carriage return (escaped) or another control character than tab and line feed; bytes of UTF-8
// sequences only when the text is read as UTF-8.
std::array<bool, 256> TextBytes(bool utf8) {
  std::array<bool, 256> plain{};
  for (int c = 0; c < 256; ++c)
    plain[c] = (c >= 0x20 && c < 0x7F && c != '<' && c != '&' && c != '>') || c == '\t' || c == '\n' ||
               (utf8 && c >= 0x80);
  return plain;
}

std::string QualifiedName(const xmlNode* n) {
  std::string name = n->ns && n->ns->prefix ? reinterpret_cast<const char*>(n->ns->prefix) + std::string(":")
                                            : std::string();
  return name + reinterpret_cast<const char*>(n->name);
}

// The position of `element`'s start tag in `body`: the start tags counted in document order, markup
// that is not an element skipped (the declaration, comments, processing instructions, CDATA).
std::size_t StartTagOf(std::string_view body, const xmlNode* element) {
  std::size_t ordinal = 0;
  const bool found = !WalkNodes(xmlDocGetRootElement(element->doc), [&](const xmlNode* n) {
    if (n == element)
      return false;
    ordinal += n->type == XML_ELEMENT_NODE;
    return true;
  });
  if (!found)
    return kNone;
  std::size_t seen = 0;
  for (std::size_t p = body.find('<'); p != kNone; p = body.find('<', p)) {
    const std::string_view rest = body.substr(p);
    if (rest.starts_with("<!--")) {
      p = body.find("-->", p + 4);
      p = p == kNone ? kNone : p + 3;
    } else if (rest.starts_with("<![CDATA[")) {
      p = body.find("]]>", p + 9);
      p = p == kNone ? kNone : p + 3;
    } else if (rest.starts_with("<?")) {
      p = body.find("?>", p + 2);
      p = p == kNone ? kNone : p + 2;
    } else if (rest.starts_with("<!")) {
      return kNone; // a document type declaration
    } else if (rest.starts_with("</")) {
      ++p;
    } else {
      if (seen++ == ordinal)
        return p;
      // Past the start tag: '>' may stand inside an attribute's value, '<' may not.
      char quote = 0;
      for (++p; p < body.size() && (quote || body[p] != '>'); ++p)
        if (quote ? body[p] == quote : body[p] == '"' || body[p] == '\'')
          quote = quote ? 0 : body[p];
    }
    if (p == kNone)
      return kNone;
  }
  return kNone;
}

// Reads the element from its start tag on, keeping to the form xmlNodeDump writes.
class TDumpedForm {
public:
  TDumpedForm(std::string_view body, std::size_t start, bool utf8)
      : s_(body), p_(start), start_(start), text_(TextBytes(utf8)) {}

  std::optional<TSimReceivedElement> Read() {
    TSimReceivedElement out;
    int depth = 0;
    bool emptySoFar = false; // nothing since the last start tag: its end tag would be written "/>"
    std::size_t childStart = 0;
    while (p_ < s_.size()) {
      if (s_[p_] != '<') {
        emptySoFar = false;
        while (p_ < s_.size() && text_[static_cast<unsigned char>(s_[p_])])
          ++p_;
        if (p_ < s_.size() && s_[p_] != '<' && !Escape(false))
          return std::nullopt;
        continue;
      }
      const std::size_t tagStart = p_;
      if (At("</")) {
        p_ += 2;
        if (Name().empty() || !Skip('>') || emptySoFar)
          return std::nullopt;
        emptySoFar = false;
        if (--depth == 1)
          out.Children.push_back(s_.substr(childStart, p_ - childStart));
        if (depth == 0)
          return Done(out);
        continue;
      }
      ++p_;
      if (Name().empty())
        return std::nullopt; // a comment, a processing instruction, CDATA
      const std::optional<bool> selfClosed = Attributes();
      if (!selfClosed)
        return std::nullopt;
      if (depth == 1)
        childStart = tagStart;
      if (*selfClosed) {
        if (depth == 1)
          out.Children.push_back(s_.substr(childStart, p_ - childStart));
        if (depth == 0)
          return Done(out);
        emptySoFar = false;
      } else {
        ++depth;
        emptySoFar = true;
      }
    }
    return std::nullopt;
  }

private:
  std::string_view s_;
  std::size_t p_;
  std::size_t start_;
  std::array<bool, 256> text_;

  bool At(std::string_view what) const { return s_.substr(p_).starts_with(what); }

  bool Skip(char c) {
    if (p_ >= s_.size() || s_[p_] != c)
      return false;
    ++p_;
    return true;
  }

  // Past an escape xmlNodeDump writes as it reads: "&amp;", "&lt;" and "&gt;", and in an attribute's
  // value "&quot;" (character references and "&apos;" are written otherwise). A namespace declaration's
  // value is written unescaped, so has none.
  bool Escape(bool attribute) {
    for (const std::string_view escape : {"&amp;", "&lt;", "&gt;", "&quot;"})
      if ((attribute || escape != "&quot;") && At(escape)) {
        p_ += escape.size();
        return true;
      }
    return false;
  }

  std::string_view Name() {
    const std::size_t from = p_;
    while (p_ < s_.size() && IsNameChar(s_[p_]))
      ++p_;
    return s_.substr(from, p_ - from);
  }

  // The attributes of a start tag and its end: true for "/>", false for '>', nothing for a tag written
  // otherwise than xmlNodeDump writes it.
  std::optional<bool> Attributes() {
    bool attributeSeen = false;
    while (Skip(' ')) {
      const std::string_view name = Name();
      const bool declaration = name == "xmlns" || name.starts_with("xmlns:");
      // Declarations are written before the attributes; the xml prefix's is never kept.
      if (name.empty() || (declaration && (attributeSeen || name == "xmlns:xml")))
        return std::nullopt;
      attributeSeen = attributeSeen || !declaration;
      if (!Skip('=') || !Skip('"'))
        return std::nullopt;
      const std::size_t from = p_;
      while (p_ < s_.size() && s_[p_] != '"') {
        const char c = s_[p_];
        if (c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>')
          ++p_;
        else if (declaration || !Escape(true))
          return std::nullopt;
      }
      if ((declaration && p_ == from) || !Skip('"'))
        return std::nullopt;
    }
    if (Skip('>'))
      return false;
    if (Skip('/') && Skip('>'))
      return true;
    return std::nullopt;
  }

  std::optional<TSimReceivedElement> Done(TSimReceivedElement& out) const {
    out.Text = s_.substr(start_, p_ - start_);
    return std::move(out);
  }
};

bool SameElements(const TSimReceivedElement& received, const xmlNode* element) {
  std::size_t i = 0;
  for (const xmlNode* c = element->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE)
      continue;
    const std::string name = QualifiedName(c);
    if (i >= received.Children.size() || !received.Children[i].substr(1).starts_with(name) ||
        IsNameChar(received.Children[i][name.size() + 1]))
      return false;
    ++i;
  }
  return i == received.Children.size();
}

} // namespace

std::optional<TSimReceivedElement> ReceivedElement(std::string_view body, const xmlNode* element) {
  const xmlDoc* doc = element ? element->doc : nullptr;
  if (!doc || doc->intSubset || doc->extSubset)
    return std::nullopt;
  const std::size_t start = StartTagOf(body, element);
  if (start == kNone)
    return std::nullopt;
  const bool utf8 = !doc->encoding || strcasecmp(reinterpret_cast<const char*>(doc->encoding), "UTF-8") == 0;
  std::optional<TSimReceivedElement> read = TDumpedForm(body, start, utf8).Read();
  const std::string name = QualifiedName(element);
  if (!read || !read->Text.substr(1).starts_with(name) || IsNameChar(read->Text[name.size() + 1]) ||
      !SameElements(*read, element))
    return std::nullopt;
  return read;
}

} // namespace vxn::sim
