// The INI reader fed with arbitrary text. Beyond not crashing, what it writes must read back the same:
// every section, key and value of the parsed text survives GetText and a second parse, since the
// component saves its configuration that way and a value that changes on the way is a setting lost.
#include "support/FuzzHome.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool ok, const char* what, const std::string& detail) {
  if (ok)
    return;
  std::fprintf(stderr, "INI round trip: %s: [%s]\n", what, detail.c_str());
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vxn::fuzz::FuzzHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vxn::TvxnIniFile ini, again;
  try {
    ini.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const vxn::EvxnException&) {
    return 0;
  }
  again.SetText(ini.GetText());
  // Compared as sets: the keys before any section header (and those of a section line "[]") are written
  // first, so that section may change place; the keys of each section keep their order.
  auto sections = ini.ReadSections();
  auto sectionsAgain = again.ReadSections();
  std::sort(sections.begin(), sections.end());
  std::sort(sectionsAgain.begin(), sectionsAgain.end());
  Check(sectionsAgain == sections, "sections differ", ini.GetText());
  for (const std::string& section : sections) {
    const auto keys = ini.ReadSection(section);
    Check(again.ReadSection(section) == keys, "keys differ", section);
    for (const std::string& key : keys) {
      const std::string value = ini.ReadString(section, key, "\x01");
      Check(again.ReadString(section, key, "\x02") == value, "value differs", section + "/" + key);
      Check(again.ReadInteger(section, key, -7) == ini.ReadInteger(section, key, -7), "integer differs", key);
      Check(again.ReadBool(section, key, false) == ini.ReadBool(section, key, false), "bool differs", key);
    }
  }
  return 0;
}
