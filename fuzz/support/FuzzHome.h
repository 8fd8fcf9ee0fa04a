// The program directory of a fuzz target: a fresh folder whose entries are links to the data shipped
// beside the program (templates, schemas, converter dictionaries), so that the library finds its files as
// in an installed tree, while the two error logs every refused input appends a line to are links to
// /dev/null: millions of refusals must neither fill the disk nor slow the run down. The folder is removed
// when the program ends.
#pragma once

#include <string>
#include <string_view>

namespace vxn::fuzz {

// Makes the folder once and points QUORVANT_NFE_HOME at it; returns it with a trailing "/".
const std::string& FuzzHome();

// True when the input, taken as the library takes a text that may be a file name (one line naming an
// existing file), would be read from a file instead of being the content: such inputs are skipped, since
// reading /dev/zero or a shipped schema tests the file system, not the parser.
bool NamesAFile(std::string_view input);

} // namespace vxn::fuzz
