// File operations every part of the system uses.
//
// Whole-file writes go to a temporary file in the same folder, are flushed, and are renamed over the
// target: a crash or a full disk never leaves a truncated file where a later step will read it.
// Failures raise EvxnException (the root class, which writes no error log of its own, so that the
// error log itself can use these functions).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vxn {

bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view path);
bool DeleteFileIfExists(std::string_view path);

// Appends text to the file (created when missing), in one write.
void AppendToFile(std::string_view text, std::string_view path);
// AppendToFile that raises nothing: "" when the text was appended, else what went wrong (with the path).
std::string TryAppendToFile(std::string_view text, std::string_view path);
// The file's bytes; EvxnException when it cannot be read.
std::string ReadWholeFile(std::string_view path);
// Atomic replacement of the file's content (temporary file + rename); parents are created.
void WriteFileAtomic(std::string_view path, std::string_view content);

struct FileToWrite {
  std::string path;
  std::string content;
};
// WriteFileAtomic of many files in order, with one flush of the disk for all of them instead of one
// each: every file goes to its temporary name, the file systems holding them are flushed (syncfs), and
// only then are the files renamed into place and their folders flushed. `placed(i)` is called for each
// file in place, in order. When a file cannot be written, the files before it are still put in place
// (and reported), none after it is, no temporary file is left, and the failure is raised.
void WriteFilesAtomic(std::span<const FileToWrite> files,
                      const std::function<void(std::size_t)>& placed = {});

} // namespace vxn
