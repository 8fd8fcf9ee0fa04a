// Paths on Linux for a system whose configuration may still carry Windows-style paths.
//
// Configured paths (from an INI file or the host) may use "\" or "/"; everything here returns "/".
// Directory values that the system hands on always end with "/" (the trailing-separator rule).
#pragma once

#include <string>
#include <string_view>

namespace vxn {

// The folder of the shipped data and the files the component writes beside it, with a trailing "/":
// the folder named by QUORVANT_NFE_HOME when it is set and not empty; else the running program's folder
// when the data is beside it (a build tree, an application deployed with its own copy); else
// share/quorvant-nfe of the prefix the library was installed in (found from where the library or the
// program that linked it was loaded, then at the configured prefix); else the program's folder.
std::string ProgramDirectory();

// "\" becomes "/".
std::string ToNativePath(std::string_view path);

// Appends "/" unless the path is empty or already ends with a separator.
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);

// An absolute path here is what a path with a drive letter is on Windows.
bool IsAbsolutePath(std::string_view path);

// A relative path is taken relative to the program directory; "." and ".." segments are folded.
// An empty path stays empty.
std::string ExpandPath(std::string_view path);

// Folder part with its trailing "/" ("" for a bare name) and the name part of a path.
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileName(std::string_view path);

} // namespace vxn
