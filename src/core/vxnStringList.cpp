#include "vxnStringList.h"
#include "vxnStringListText.h"

#include "vxnText.h"

namespace vxn {

std::size_t TvxnStringList::Add(std::string_view line) {
  lines_.emplace_back(line);
  return lines_.size() - 1;
}

void TvxnStringList::Insert(std::size_t index, std::string_view line) {
  if (index > lines_.size())
    index = lines_.size();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::string(line));
}

void TvxnStringList::Delete(std::size_t index) {
  if (index < lines_.size())
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

int TvxnStringList::IndexOf(std::string_view s) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (SameText(lines_[i], s))
      return static_cast<int>(i);
  return -1;
}

std::string TvxnStringList::Text() const {
  std::string out;
  for (const auto& l : lines_) {
    out += l;
    out += "\r\n";
  }
  return out;
}

void TvxnStringList::SetText(std::string_view text) {
  lines_.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t e = text.find_first_of("\r\n", i);
    if (e == std::string_view::npos) {
      lines_.emplace_back(text.substr(i));
      break;
    }
    lines_.emplace_back(text.substr(i, e - i));
    i = e + ((text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1);
  }
}

std::string StringListText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t e = i;
    while (e < text.size() && text[e] != '\r' && text[e] != '\n')
      ++e;
    out.append(text.substr(i, e - i)).append("\r\n");
    if (e == text.size())
      break;
    i = e + ((text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1);
  }
  return out;
}

std::string TvxnStringList::Join(std::string_view sep) const {
  std::string out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i)
      out += sep;
    out += lines_[i];
  }
  return out;
}

int TvxnStringList::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    std::size_t eq = lines_[i].find('=');
    if (eq != std::string::npos && SameText(std::string_view(lines_[i]).substr(0, eq), name))
      return static_cast<int>(i);
  }
  return -1;
}

std::string TvxnStringList::Name(std::size_t i) const {
  const std::string& l = lines_.at(i);
  std::size_t eq = l.find('=');
  return eq == std::string::npos ? std::string() : l.substr(0, eq);
}

std::string TvxnStringList::ValueFromIndex(std::size_t i) const {
  const std::string& l = lines_.at(i);
  std::size_t eq = l.find('=');
  return eq == std::string::npos ? std::string() : l.substr(eq + 1);
}

std::string TvxnStringList::Value(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(static_cast<std::size_t>(i));
}

void TvxnStringList::SetValue(std::string_view name, std::string_view value) {
  int i = IndexOfName(name);
  std::string row = std::string(name) + "=" + std::string(value);
  if (i < 0) {
    if (!value.empty())
      lines_.push_back(row);
  } else if (value.empty()) {
    Delete(static_cast<std::size_t>(i));
  } else {
    lines_[static_cast<std::size_t>(i)] = row;
  }
}

} // namespace vxn
