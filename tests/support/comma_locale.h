// A comma locale for the duration of a test: the toolkit sets the C library's
// locale from the environment, and most of our users run one that writes a
// decimal comma. Every number the program writes or reads must come out the
// same under it. The test command makes sure de_DE.UTF-8 exists.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace vn::test {

class CommaLocale {
 public:
  CommaLocale() {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    previous_ = previous != nullptr ? previous : "C";
#ifdef _WIN32
    // Windows names its locales after the language and the country.
    active_ = std::setlocale(LC_ALL, "German_Germany.1252") != nullptr;
#else
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
#endif
    // Without the locale the test would prove nothing: say so loudly.
    EXPECT_TRUE(active_) << "the de_DE.UTF-8 locale is missing (run scripts/test.sh)";
  }
  ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

 private:
  std::string previous_;
  bool active_ = false;
};

}  // namespace vn::test
