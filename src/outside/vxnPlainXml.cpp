#include "vxnPlainXml.h"

#include <array>

namespace vxn::outside {

namespace {

// Beyond these libxml2 has limits of its own (depth 256, text nodes of 10 MB); such texts are not plain.
constexpr std::size_t kMaxDepth = 200;
constexpr std::size_t kMaxText = 8u << 20;
constexpr std::size_t kMaxName = 1000;

// The XML declarations a plain text may start with.
constexpr std::array<std::string_view, 3> kDeclarations = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
    "<?xml version=\"1.0\"?>",
};

// Bytes of character data libxml2 reads as they are and writes back the same: printable ASCII and tab
// and line feed, less "<", "&" (markup) and ">" (written as "&gt;"). "\r" is not among them: the parser
// turns it into "\n". In attribute values tab and line feed are read as spaces, and '"' ends the value.
enum : unsigned char { kPlainText = 1, kPlainValue = 2, kNameStart = 4, kNameChar = 8 };

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> c{};
  for (int b = 0x20; b < 0x7F; ++b)
    c[b] = kPlainText | kPlainValue;
  for (char b : {'<', '&', '>'})
    c[static_cast<unsigned char>(b)] = 0;
  c['"'] = kPlainText;
  // Names of the form are ASCII: a letter or "_", then letters, digits, ".", "-" or "_".
  for (int b = 0; b < 256; ++b) {
    const bool start = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
    if (start)
      c[b] |= kNameStart | kNameChar;
    if ((b >= '0' && b <= '9') || b == '.' || b == '-')
      c[b] |= kNameChar;
  }
  c['\t'] = kPlainText;
  c['\n'] = kPlainText;
  return c;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool IsNameStart(char c) {
  return kClasses[static_cast<unsigned char>(c)] & kNameStart;
}
bool IsNameChar(char c) {
  return kClasses[static_cast<unsigned char>(c)] & kNameChar;
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The length of the well-formed UTF-8 sequence of an XML character at `p` (not ASCII), 0 when there is
// none: no overlong forms, surrogates, U+FFFE, U+FFFF or values past U+10FFFF.
std::size_t Utf8CharAt(std::string_view t, std::size_t p) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(t[p + k]); };
  const auto cont = [&](std::size_t k, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
    return p + k < t.size() && at(k) >= lo && at(k) <= hi;
  };
  const unsigned char c = at(0);
  if (c >= 0xC2 && c <= 0xDF)
    return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    const bool ok = c == 0xE0 ? cont(1, 0xA0) : c == 0xED ? cont(1, 0x80, 0x9F) : cont(1);
    if (!ok || !cont(2))
      return 0;
    if (c == 0xEF && at(1) == 0xBF && at(2) >= 0xBE)
      return 0;
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const bool ok = c == 0xF0 ? cont(1, 0x90) : c == 0xF4 ? cont(1, 0x80, 0x8F) : cont(1);
    return ok && cont(2) && cont(3) ? 4 : 0;
  }
  return 0;
}

// The references a plain text may hold, as libxml2 writes them back: in text "&amp;" "&lt;" "&gt;", in
// attribute values "&quot;" too.
std::size_t ReferenceAt(std::string_view t, std::size_t p, bool inValue) {
  for (std::string_view r : {"&amp;", "&lt;", "&gt;"})
    if (t.substr(p, r.size()) == r)
      return r.size();
  if (inValue && t.substr(p, 6) == "&quot;")
    return 6;
  return 0;
}

// Past the character data at `p` up to the next "<" (text) or '"' (attribute value); npos when a byte
// is not plain.
std::size_t SkipCharacters(std::string_view t, std::size_t p, bool inValue) {
  const unsigned char want = inValue ? kPlainValue : kPlainText;
  const char stop = inValue ? '"' : '<';
  const std::size_t n = t.size();
  for (;;) {
    while (p < n && (kClasses[static_cast<unsigned char>(t[p])] & want))
      ++p;
    if (p >= n || t[p] == stop)
      return p;
    std::size_t k = 0;
    if (t[p] == '&')
      k = ReferenceAt(t, p, inValue);
    else if (static_cast<unsigned char>(t[p]) >= 0x80)
      k = Utf8CharAt(t, p);
    if (k == 0)
      return std::string_view::npos;
    p += k;
  }
}

std::size_t SkipName(std::string_view t, std::size_t p) {
  if (p >= t.size() || !IsNameStart(t[p]))
    return std::string_view::npos;
  const std::size_t begin = p;
  while (p < t.size() && IsNameChar(t[p]))
    ++p;
  return p - begin > kMaxName ? std::string_view::npos : p;
}

// A default namespace a plain text may declare: an absolute URI of plain characters, not one of the two
// names reserved by the namespaces recommendation (which libxml2 refuses).
bool PlainNamespace(std::string_view uri) {
  if (uri.empty() || !IsNameStart(uri[0]) || uri.find(':') == std::string_view::npos)
    return false;
  for (char c : uri)
    if (!IsNameChar(c) && c != ':' && c != '/' && c != '#' && c != '~')
      return false;
  return uri != "http://www.w3.org/XML/1998/namespace" && uri != "http://www.w3.org/2000/xmlns/";
}

class PlainReader {
public:
  explicit PlainReader(std::string_view t) : t_(t) {}

  std::optional<PlainXml> Read() {
    if (t_.size() > kMaxText)
      return std::nullopt;
    xml_.elements.reserve(t_.size() / 32 + 1);
    xml_.attributes.reserve(t_.size() / 256 + 1);
    for (std::string_view d : kDeclarations)
      if (t_.starts_with(d)) {
        p_ = d.size();
        break;
      }
    while (p_ < t_.size() && IsBlank(t_[p_]))
      ++p_;
    if (!Element())
      return std::nullopt;
    while (p_ < t_.size() && IsBlank(t_[p_]))
      ++p_;
    if (p_ != t_.size())
      return std::nullopt;
    return std::move(xml_);
  }

private:
  // The element starting at p_ (a "<"), with everything in it; p_ ends past it.
  bool Element() {
    struct Open {
      std::size_t index;
      std::string_view name;
    };
    std::vector<Open> open;
    for (;;) {
      if (p_ + 1 >= t_.size() || t_[p_] != '<')
        return false;
      if (t_[p_ + 1] == '/') {
        // An end tag, written as libxml2 writes it: "</name>".
        if (open.empty())
          return false;
        const std::string_view name = open.back().name;
        const std::size_t close = p_ + 2 + name.size();
        if (close >= t_.size() || t_[close] != '>' || t_.compare(p_ + 2, name.size(), name) != 0)
          return false;
        p_ = close + 1;
        xml_.elements[open.back().index].end = p_;
        open.pop_back();
      } else {
        bool empty = false;
        const std::string_view inherited =
            open.empty() ? std::string_view() : xml_.elements[open.back().index].namespaceUri;
        if (open.size() > kMaxDepth || !StartTag(open.size(), inherited, empty))
          return false;
        if (!empty) {
          // An element without content is written "<a/>", never "<a></a>".
          if (t_.substr(p_, 2) == "</")
            return false;
          open.push_back({xml_.elements.size() - 1, xml_.elements.back().name});
        }
      }
      if (open.empty())
        return true;
      p_ = SkipCharacters(t_, p_, false);
      if (p_ == std::string_view::npos)
        return false;
    }
  }

  // The start tag at p_: "<name", each attribute as ' name="value"', then ">" or "/>".
  bool StartTag(std::size_t depth, std::string_view inherited, bool& empty) {
    PlainXmlElement e;
    e.begin = p_;
    e.depth = depth;
    e.firstAttribute = xml_.attributes.size();
    std::size_t p = SkipName(t_, p_ + 1);
    if (p == std::string_view::npos)
      return false;
    e.name = t_.substr(p_ + 1, p - p_ - 1);
    while (p < t_.size() && t_[p] == ' ') {
      const std::size_t nameEnd = SkipName(t_, p + 1);
      if (nameEnd == std::string_view::npos || t_.substr(nameEnd, 2) != "=\"")
        return false;
      const std::string_view name = t_.substr(p + 1, nameEnd - p - 1);
      const std::size_t valueEnd = SkipCharacters(t_, nameEnd + 2, true);
      if (valueEnd == std::string_view::npos || valueEnd >= t_.size())
        return false;
      const std::string_view value = t_.substr(nameEnd + 2, valueEnd - nameEnd - 2);
      p = valueEnd + 1;
      if (name.starts_with("xmlns")) {
        // Only a default namespace, declared before every attribute (libxml2 writes declarations first).
        if (name != "xmlns" || e.declaresNamespace || e.attributeCount > 0 || !PlainNamespace(value))
          return false;
        e.declaresNamespace = true;
        e.namespaceUri = value;
        continue;
      }
      for (std::size_t a = e.firstAttribute; a < xml_.attributes.size(); ++a)
        if (xml_.attributes[a].name == name)
          return false;
      xml_.attributes.push_back({name, value});
      ++e.attributeCount;
    }
    if (p < t_.size() && t_[p] == '>') {
      p_ = p + 1;
    } else if (t_.substr(p, 2) == "/>") {
      p_ = p + 2;
      e.end = p_;
      empty = true;
    } else {
      return false;
    }
    if (!e.declaresNamespace)
      e.namespaceUri = inherited;
    xml_.elements.push_back(e);
    return true;
  }

  std::string_view t_;
  std::size_t p_ = 0;
  PlainXml xml_;
};

} // namespace

std::string PlainXmlAttribute::Value() const {
  std::string v;
  v.reserve(rawValue.size());
  for (std::size_t p = 0; p < rawValue.size();) {
    const std::size_t amp = rawValue.find('&', p);
    v.append(rawValue.substr(p, amp - p));
    if (amp == std::string_view::npos)
      break;
    const std::string_view rest = rawValue.substr(amp);
    const char c = rest.starts_with("&amp;")  ? '&'
                   : rest.starts_with("&lt;") ? '<'
                   : rest.starts_with("&gt;") ? '>'
                                              : '"';
    v.push_back(c);
    p = rawValue.find(';', amp) + 1;
  }
  return v;
}

const PlainXmlAttribute* PlainXml::Attribute(const PlainXmlElement& e, std::string_view name) const {
  for (std::size_t a = e.firstAttribute; a < e.firstAttribute + e.attributeCount; ++a)
    if (attributes[a].name == name)
      return &attributes[a];
  return nullptr;
}

std::optional<PlainXml> ReadPlainXml(std::string_view text) {
  return PlainReader(text).Read();
}

std::string PlainElementXml(std::string_view xml, const PlainXml& plain, std::size_t e) {
  const PlainXmlElement& el = plain.elements[e];
  const std::string_view text = xml.substr(el.begin, el.end - el.begin);
  if (el.declaresNamespace || el.namespaceUri.empty())
    return std::string(text);
  // A copy of the element gains the declaration of the namespace it inherits, before its attributes.
  const std::size_t afterName = 1 + el.name.size();
  std::string out;
  out.reserve(text.size() + el.namespaceUri.size() + 9);
  out.append(text.substr(0, afterName)).append(" xmlns=\"").append(el.namespaceUri).append("\"");
  out.append(text.substr(afterName));
  return out;
}

} // namespace vxn::outside
