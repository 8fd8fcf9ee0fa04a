#include "support/TestKeys.h"

#include "support/TempDir.h"

#include <atomic>
#include <string>
#include <vector>

namespace vxn::test {
namespace {

class KeyFile : public dev::TvxnDevKeySource {
public:
  explicit KeyFile(const std::string& text) {
    const std::string end = "-----END PRIVATE KEY-----\n";
    for (std::size_t from = 0, to; (to = text.find(end, from)) != std::string::npos; from = to + end.size())
      keys_.push_back(text.substr(from, to + end.size() - from));
  }

  std::string NextKeyPem() override {
    const std::size_t i = next_++;
    return i < keys_.size() ? keys_[i] : std::string(); // "" has the authority make a new one
  }

private:
  std::vector<std::string> keys_;
  std::atomic<std::size_t> next_{0};
};

} // namespace

std::shared_ptr<dev::TvxnDevKeySource> SharedKeys() {
  // A missing file (a program run outside its build tree) only makes every key new.
  static const auto keys = std::make_shared<KeyFile>(ReadFileOrEmpty(QVX_TEST_KEYS_FILE));
  return keys;
}

} // namespace vxn::test
