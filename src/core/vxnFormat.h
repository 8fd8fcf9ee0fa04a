// printf-style formatting of the system's fixed message texts ("%s", "%d", "%2.2d", "%.2f").
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace vxn {

// One argument of Format: a text, an integer or a floating-point number.
class FormatArg {
public:
  FormatArg(std::string_view s) : value_(std::string(s)) {}
  FormatArg(const std::string& s) : value_(s) {}
  FormatArg(const char* s) : value_(std::string(s ? s : "")) {}
  FormatArg(int v) : value_(static_cast<long long>(v)) {}
  FormatArg(long v) : value_(static_cast<long long>(v)) {}
  FormatArg(long long v) : value_(v) {}
  FormatArg(unsigned v) : value_(static_cast<long long>(v)) {}
  FormatArg(unsigned long v) : value_(static_cast<long long>(v)) {}
  FormatArg(unsigned long long v) : value_(static_cast<long long>(v)) {}
  FormatArg(double v) : value_(v) {}

  const std::variant<std::string, long long, double>& Value() const { return value_; }

private:
  std::variant<std::string, long long, double> value_;
};

// Fills `format` with `args` the way printf does. A format that does not fit its arguments never
// throws: the result is the format followed by the arguments, so a message is never lost.
std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

} // namespace vxn
