#include "NfeOutput.h"

#include "vxnFiles.h"

#include <unistd.h>

#include <iostream>

namespace vxn::tool {

void WriteOutput(const std::string& path, std::string_view text) {
  if (path.empty() || path == "-") {
    std::cout << text;
    if (!text.empty() && text.back() != '\n')
      std::cout << '\n';
    std::cout.flush();
    return;
  }
  WriteFileAtomic(path, text);
}

TNfeProgress::TNfeProgress(int total) : total_(total), active_(total > 1 && ::isatty(STDERR_FILENO) == 1) {}

TNfeProgress::~TNfeProgress() {
  Clear();
}

void TNfeProgress::Show(int done, std::string_view what) {
  if (!active_)
    return;
  std::cerr << "\r\033[K[" << done << "/" << total_ << "] " << what << std::flush;
  drawn_ = true;
}

void TNfeProgress::Clear() {
  if (!drawn_)
    return;
  std::cerr << "\r\033[K" << std::flush;
  drawn_ = false;
}

} // namespace vxn::tool
