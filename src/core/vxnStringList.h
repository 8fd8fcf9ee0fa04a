// A list of text lines, also read as name=value rows. Its Text joins the lines with CR LF (each line
// followed by CR LF) and assigning Text splits on CR LF, LF or CR, as the configuration files, the
// certificate names and the validator error lists expect.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnStringList {
public:
  TvxnStringList() = default;
  TvxnStringList(std::initializer_list<std::string> lines) : lines_(lines) {}
  virtual ~TvxnStringList() = default;
  TvxnStringList(const TvxnStringList&) = default;
  TvxnStringList& operator=(const TvxnStringList&) = default;
  TvxnStringList(TvxnStringList&&) = default;
  TvxnStringList& operator=(TvxnStringList&&) = default;

  std::size_t Count() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }
  const std::string& operator[](std::size_t i) const { return lines_.at(i); }
  std::string& operator[](std::size_t i) { return lines_.at(i); }
  const std::vector<std::string>& Lines() const { return lines_; }
  auto begin() const { return lines_.begin(); }
  auto end() const { return lines_.end(); }

  std::size_t Add(std::string_view line);
  void Insert(std::size_t index, std::string_view line);
  void Delete(std::size_t index);
  void Clear() { lines_.clear(); }
  // Index of the line equal to s, ignoring ASCII case; -1 when absent.
  int IndexOf(std::string_view s) const;

  std::string Text() const;
  virtual void SetText(std::string_view text);
  // Lines joined with `sep` and no trailing separator.
  std::string Join(std::string_view sep) const;

  // name=value rows. Names compare without regard to ASCII case; the first matching row wins.
  int IndexOfName(std::string_view name) const;
  std::string Name(std::size_t i) const;
  std::string ValueFromIndex(std::size_t i) const;
  std::string Value(std::string_view name) const;
  // Replaces the value of the first row named `name`, or appends a row; an empty value deletes it.
  void SetValue(std::string_view name, std::string_view value);

private:
  std::vector<std::string> lines_;
};

} // namespace vxn
