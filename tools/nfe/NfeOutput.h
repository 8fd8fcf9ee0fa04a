// Where results go: standard output, or a file written atomically (a failed run never leaves a
// half-written file), and the progress line shown only on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace vxn::tool {

// Writes the text to the file (replacing it atomically), or to standard output when the path is empty
// or "-".
void WriteOutput(const std::string& path, std::string_view text);

// A one-line progress display on standard error, drawn only when standard error is a terminal and there
// is more than one step; otherwise it prints nothing at all.
class TNfeProgress {
public:
  explicit TNfeProgress(int total);
  ~TNfeProgress();
  TNfeProgress(const TNfeProgress&) = delete;
  TNfeProgress& operator=(const TNfeProgress&) = delete;

  void Show(int done, std::string_view what);
  // Erases the line, so that results printed next start on a clean line.
  void Clear();
  bool Active() const { return active_; }

private:
  int total_;
  bool active_;
  bool drawn_ = false;
};

} // namespace vxn::tool
