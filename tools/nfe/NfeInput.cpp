#include "NfeInput.h"

#include "NfeToolError.h"
#include "vxnText.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace vxn::tool {

namespace {

std::string_view SkipBom(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF"))
    text.remove_prefix(3);
  return text;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string ReadInput(const std::string& path) {
  if (path == "-") {
    std::ostringstream all;
    all << std::cin.rdbuf();
    return all.str();
  }
  std::error_code ec;
  if (!std::filesystem::exists(path, ec))
    throw ENfeToolError(kExitEntrada, "input file not found: " + path);
  if (std::filesystem::is_directory(path, ec))
    throw ENfeToolError(kExitEntrada, "input is a folder, not a file: " + path);
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw ENfeToolError(kExitEntrada, "cannot read " + path + ": " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    throw ENfeToolError(kExitEntrada, "cannot read " + path);
  return text;
}

TNfeInputKind DetectInputKind(std::string_view text) {
  text = SkipBom(text);
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i]))
    ++i;
  if (i < text.size() && text[i] == '<')
    return TNfeInputKind::Xml;
  // The first non-blank line, with its leading blanks.
  const std::size_t lineStart = text.rfind('\n', i) == std::string_view::npos ? 0 : text.rfind('\n', i) + 1;
  std::string_view line = text.substr(lineStart);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
    line.remove_prefix(1);
  if (line.size() >= 2 && line[1] == '|' && (line[0] == 'C' || line[0] == 'D' || line[0] == 'R'))
    return TNfeInputKind::PipeText;
  for (std::string_view rec : {"NOTAFISCAL|", "NOTA FISCAL|", "A|"})
    if (line.size() >= rec.size() && AsciiUpper(line.substr(0, rec.size())) == rec)
      return TNfeInputKind::RecText;
  return TNfeInputKind::CommandText;
}

const char* InputKindName(TNfeInputKind kind) {
  switch (kind) {
  case TNfeInputKind::Xml:
    return "NF-e XML";
  case TNfeInputKind::CommandText:
    return "command text";
  case TNfeInputKind::PipeText:
    return "pipe text";
  case TNfeInputKind::RecText:
    return "REC text";
  }
  return "";
}

std::string RootElementName(std::string_view xml) {
  xml = SkipBom(xml);
  std::size_t p = 0;
  while (true) {
    p = xml.find('<', p);
    if (p == std::string_view::npos || p + 1 >= xml.size())
      return {};
    if (xml.compare(p, 4, "<!--") == 0) {
      const std::size_t end = xml.find("-->", p);
      if (end == std::string_view::npos)
        return {};
      p = end + 3;
      continue;
    }
    if (xml[p + 1] == '?' || xml[p + 1] == '!') {
      p = xml.find('>', p);
      if (p == std::string_view::npos)
        return {};
      continue;
    }
    std::size_t end = p + 1;
    while (end < xml.size() && !IsBlank(xml[end]) && xml[end] != '>' && xml[end] != '/')
      ++end;
    std::string name(xml.substr(p + 1, end - p - 1));
    if (const std::size_t colon = name.find(':'); colon != std::string::npos)
      name.erase(0, colon + 1);
    return name;
  }
}

} // namespace vxn::tool
