// Shared pieces of the converter tests: the documents of examples/, exception messages and simple
// lookups in XML text.
#pragma once

#include "support/TempDir.h"
#include "support/XmlTag.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vxn::test {

// The example documents shipped in examples/ (read from the source tree).
inline std::string ExemploComandos() {
  return ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-comandos.txt");
}
inline std::string ExemploPipe() {
  return ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-pipe.txt");
}
inline std::string ExemploRec() {
  return ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-rec.txt");
}
// The layout folder of the shipped templates next to the test executables.
inline std::string TemplatesVm60() {
  return std::string(QVX_BIN_DIR) + "/Templates/vm60/";
}

// Number of non-overlapping occurrences of `what`.
inline std::size_t Ocorrencias(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string_view::npos; p = text.find(what, p + what.size()))
    ++n;
  return n;
}

// Replaces the first occurrence of `from`; a missing one fails the test (the change would be lost).
inline std::string TrocaPrimeira(std::string text, std::string_view from, std::string_view to) {
  const std::size_t p = text.find(from);
  if (p == std::string::npos) {
    ADD_FAILURE() << "text to replace not found: " << from;
    return text;
  }
  text.replace(p, from.size(), to);
  return text;
}

} // namespace vxn::test
