#include "vxnFormat.h"

#include <fmt/args.h>
#include <fmt/printf.h>

namespace vxn {

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  fmt::dynamic_format_arg_store<fmt::printf_context> store;
  for (const FormatArg& a : args)
    std::visit([&store](const auto& v) { store.push_back(v); }, a.Value());
  try {
    return fmt::vsprintf(fmt::string_view(format.data(), format.size()), store);
  } catch (const std::exception&) {
    std::string out(format);
    for (const FormatArg& a : args) {
      out += ' ';
      std::visit(
          [&out](const auto& v) {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
              out += v;
            else
              out += std::to_string(v);
          },
          a.Value());
    }
    return out;
  }
}

} // namespace vxn
