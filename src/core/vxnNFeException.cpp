#include "vxnNFeException.h"

#include "vxnFiles.h"
#include "vxnPaths.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>

namespace vxn {
namespace {

// Class-wide state: the host's hook and the last constructed exception. The hook and the last
// exception are process-wide, as the host expects; the mutex only keeps the std::function and the
// optional from being torn when exceptions are built on several threads at once.
struct ClassState {
  std::mutex mutex;
  EvxnException::ErrorHook hook;
  std::optional<EvxnException> last;
};

ClassState& State() {
  static ClassState state;
  return state;
}

// "dd/mm/YYYY hh:MM:ss:zzz" in local time.
std::string Timestamp() {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[40];
  std::strftime(buf, sizeof buf, "%d/%m/%Y %H:%M:%S", &tm);
  return Format("%s:%03d", {buf, static_cast<int>(ms)});
}

std::string LogLine(std::string_view className, std::string_view message) {
  return Format("[%s] %d - %s : %s",
                {Timestamp(), static_cast<long long>(::syscall(SYS_gettid)), className, message});
}

} // namespace

void AppendErrorLogLine(const std::string& path, std::string_view className,
                        std::string_view message) noexcept {
  try {
    const std::string line = LogLine(className, message);
    if (std::string failure = TryAppendToFile(line + "\r\n", path); !failure.empty())
      std::cerr << "quorvant-nfe: " << failure << "; " << line << std::endl;
  } catch (...) {
  }
}

EvxnException::EvxnException(Kind kind, std::string_view message, std::string_view logDir)
    : std::runtime_error(std::string(message)), className_(kind.className), message_(message),
      logFileName_(kind.logFile ? kind.logFile : "") {
  std::string logLine, logFailure;
  if (!logFileName_.empty()) {
    std::string dir = logDir.empty() ? ProgramDirectory() : IncludeTrailingPathDelimiter(logDir);
    logFilePath_ = dir + logFileName_;
    logLine = LogLine(className_, message_);
    logFailure = TryAppendToFile(logLine + "\r\n", logFilePath_);
  }
  // Whatever happened to the log line, the exception becomes the last one and the hook hears of it.
  ErrorHook hook;
  {
    ClassState& st = State();
    std::lock_guard lock(st.mutex);
    st.last.emplace(*this);
    hook = st.hook;
  }
  if (hook)
    hook(*this);
  // A log that cannot be written (a read-only installation, a shared folder) must not take the place of
  // the error itself: the host still gets this exception, and the line goes to standard error instead.
  if (!logFailure.empty())
    std::cerr << "quorvant-nfe: " << logFailure << "; " << logLine << std::endl;
}

void EvxnException::SetOnError(ErrorHook hook) {
  ClassState& st = State();
  std::lock_guard lock(st.mutex);
  st.hook = std::move(hook);
}

std::optional<EvxnException> EvxnException::LastException() {
  ClassState& st = State();
  std::lock_guard lock(st.mutex);
  return st.last;
}

void EvxnException::ResetClassState() {
  ClassState& st = State();
  std::lock_guard lock(st.mutex);
  st.hook = nullptr;
  st.last.reset();
}

} // namespace vxn
