// The command line's JSON as a program reading it sees it: every output of
// --json, whatever bytes were typed, is one value that a strict reader
// accepts, in valid UTF-8. The keys are the schema's
// (tests/cli/validate_json_schema.py).
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/json_reader.h"
#include "support/child_process.h"
#include "support/files.h"

namespace vn {
namespace {

// The program's own reader is strict (RFC 8259, UTF-8 only, no key twice);
// its tests are the common ones. A byte-order mark is refused here, where
// the reader would skip one.
std::optional<std::string> JsonFault(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) return "a byte-order mark";
  const JsonReading r = ReadJson(text);
  if (r.value) return std::nullopt;
  return r.error.Message();
}

// ---- The command line's JSON ------------------------------------------------

// A timeout that stops the exploration, not the search: the null was found
// (converged), the run was stopped (status 3), and the two are told apart.
// The search of this slow mirror settles in a hundredth of a second; its
// exploration toward a quarter wave steps the spacing for seconds.
TEST(CliJson, ConvergedIsTheSearchsEvenWhenTheTimeoutStopsTheExploration) {
  const test::ChildResult json =
      test::RunChild(VN_CLI_PATH, {"--mirror-diameter", "40", "--conic", "-0.05", "--explore",
                                   "waves=0.25", "--timeout", "0.5", "--json"});
  EXPECT_EQ(json.status, 3) << json.err;
  const JsonReading run = ReadJson(json.out);
  ASSERT_TRUE(run.value && run.value->Member("converged")) << json.out;
  EXPECT_TRUE(run.value->Member("converged")->boolean) << json.out;
}

// Random argument sets, typed bytes included, each run with --json: a run
// that ends (done, failed or stopped) prints exactly one strict JSON object
// and a line end, a usage error prints nothing on standard output. The
// seed is fixed so a failure repeats; VN_FUZZ_SEED picks another.
TEST(CliJson, RandomArgumentsAlwaysGiveStrictJson) {
#if defined(__SANITIZE_ADDRESS__)
  constexpr int kRuns = 200;
#else
  constexpr int kRuns = 600;
#endif
  constexpr int kAtOnce = 4;
  const char* seedText = std::getenv("VN_FUZZ_SEED");
  const std::uint32_t seed =
      seedText ? static_cast<std::uint32_t>(std::strtoul(seedText, nullptr, 10)) : 17;
  std::mt19937 random(seed);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

  // Any bytes but NUL, mostly outside ASCII: what a mistyped or mis-encoded
  // entry holds.
  const auto bytes = [&] {
    std::string s;
    for (int n = pick(10); n >= 0; --n) s += static_cast<char>(1 + pick(255));
    if (pick(2) == 0) s = std::to_string(pick(3000)) + s;  // a number with something after it
    return s;
  };
  // A length (or index) a user might type, in the forms the reader accepts;
  // kept below 10 m so that the exact check stays in its working range.
  const auto number = [&](double low, double high) {
    const double x = low + (high - low) * (static_cast<double>(random()) / 4294967296.0);
    const auto text = [](double v) {
      char buf[64];
      return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    };
    const std::string plain = text(x);
    const std::string forms[] = {plain, std::to_string(static_cast<int>(x)), " " + plain + "\t",
                                 text(x / 1000) + "e3"};
    return forms[pick(4)];
  };
  const auto entry = [&](double low, double high) {
    const int kind = pick(10);
    return kind < 6 ? number(low, high) : kind < 9 ? bytes() : std::string("9e99");
  };
  // The entry options with the range of the numbers typed into them.
  const struct {
    const char* option;
    double low, high;
  } kEntries[] = {{"--mirror-diameter", 10, 1000},
                  {"--mirror-roc", -5000, 9000},
                  {"--conic", -3, 1},
                  {"--source-radius", -2000, 2000},
                  {"--mirror-side-radius", -500, 100},
                  {"--thickness", 0, 40},
                  {"--lens-diameter", 0, 200},
                  {"--index", 1, 2}};
  const char* glasses[] = {"BK7", "SF11", "F2", "bk7", "N-BK7", "TPH55"};
  const auto arguments = [&] {
    // A search that does not converge spins until the timeout: a short one
    // keeps the test quick and still lets a sound run finish.
    std::vector<std::string> a{"--json", "--timeout", pick(8) == 0 ? "0" : "0.05"};
    for (int n = pick(7); n > 0; --n) {
      const int choice = pick(14);
      if (choice < 8) {
        const auto& e = kEntries[choice];
        a.insert(a.end(), {e.option, entry(e.low, e.high)});
      } else if (choice == 8) {
        a.insert(a.end(), {"--glass", pick(3) == 0 ? bytes() : glasses[pick(6)]});
      } else if (choice == 9) {
        a.insert(a.end(), {"--wavelength", pick(3) == 0 ? bytes() : number(300, 900)});
      } else if (choice == 10) {
        a.insert(a.end(), {"--units", pick(4) == 0 ? bytes() : pick(2) ? "inch" : "mm"});
      } else if (choice == 11) {
        a.insert(a.end(), {"--explore", pick(2) ? "amount=" + entry(-1, 1) : "waves=0.25"});
      } else if (choice == 12) {
        a.push_back("--exact");
      } else {
        a.push_back(pick(4) == 0 ? bytes() : "--list-glasses");
      }
    }
    return a;
  };

  const test::TempFolder work("cli_json_fuzz");
  std::map<int, int> statuses;
  const auto judge = [&](const std::vector<std::string>& args, int status, const std::string& out) {
    ++statuses[status];
    std::optional<std::string> fault;
    if (status == 2) {
      if (!out.empty()) fault = "a usage error printed on standard output";
    } else if (status == 0 || status == 1 || status == 3) {
      if (!out.ends_with("\n")) {
        fault = "no line end";
      } else if ((fault = JsonFault(std::string_view(out).substr(0, out.size() - 1)))) {
      } else if (out.front() != '{' && out.front() != '[') {
        fault = "neither an object nor an array";
      }
    } else {
      fault = "exit status " + std::to_string(status);
    }
    if (fault) {
      std::string typed;
      for (const std::string& a : args) typed += " [" + a + "]";
      ADD_FAILURE() << *fault << "\nvantry-null-cli" << typed << "\n" << out;
    }
  };

  // Up to kAtOnce runs at a time, judged in the order they started.
  struct Run {
    pid_t pid;
    std::vector<std::string> args;
    std::string out;
  };
  std::vector<Run> running;
  for (int k = 0; k < kRuns || !running.empty();) {
    if (k < kRuns && static_cast<int>(running.size()) < kAtOnce) {
      Run run{0, arguments(), work / std::to_string(k++)};
      run.pid = test::StartChild(VN_CLI_PATH, run.args, run.out, "/dev/null");
      running.push_back(std::move(run));
      continue;
    }
    const Run& first = running.front();
    const int status = test::WaitChild(first.pid);
    judge(first.args, status, test::FileText(first.out));
    std::filesystem::remove(first.out);
    running.erase(running.begin());
  }

  // The mix reaches every kind of ending, failed runs with typed bytes above all.
  EXPECT_GT(statuses[0], kRuns / 20);
  EXPECT_GT(statuses[1], kRuns / 20);
  EXPECT_GT(statuses[2], kRuns / 20);
}

}  // namespace
}  // namespace vn
