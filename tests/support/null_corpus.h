// The corpus of 300 random null-test set-ups (tests/data/null_corpus.csv,
// made once by tests/data/make_null_corpus.py) for the corpus test and its
// benchmark: reading it, and solving one set-up as the command line does,
// the run and then its exact check, with no clock.
#pragma once

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/cancel_token.h"
#include "common/number_text.h"
#include "exact/exact_check.h"
#include "record/solved_set_up.h"
#include "run/null_solve.h"

namespace vn::test {

inline std::string NullCorpusPath() {
  return std::string(VN_SOURCE_DIR) + "/tests/data/null_corpus.csv";
}

// Every row of the corpus as a millimetre set-up; empty when the file cannot
// be read.
inline std::vector<NullSetup> ReadNullCorpus(const std::string& path = NullCorpusPath()) {
  std::vector<NullSetup> setups;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    double v[8] = {};
    std::string field;
    bool read = true;
    for (double& x : v) {
      std::getline(fields, field, ',');
      const auto number = ReadNumber(field);
      read = read && number.has_value();
      x = number.value_or(0);
    }
    if (!read) continue;
    NullSetup s;
    s.mirrorDiameter = v[0];
    s.mirrorRadiusOfCurvature = v[1];
    s.conicConstant = v[2];
    s.sourceSideRadius = v[3];
    s.mirrorSideRadius = v[4];
    s.centreThickness = v[5];
    s.lensDiameter = v[6];
    s.lensIndex = v[7];
    setups.push_back(s);
  }
  return setups;
}

struct CorpusOutcome {
  RunRecord run;
  bool checked = false;
  ExactCheckResult check;
};

// The run of one set-up and its exact check, as the command line makes them
// but without a time limit: whatever ends them ends them on their own.
inline CorpusOutcome SolveCorpusSetUp(const NullSetup& setup) {
  CorpusOutcome outcome;
  CancelToken never;
  RunHost quiet;
  outcome.run = SolveNull(setup, RunOptions{}, never, quiet);
  if (outcome.run.outcome != RunOutcome::Failed && outcome.run.HasSetUpToCheck()) {
    outcome.checked = true;
    outcome.check = RunExactCheck(SolvedSetUpOf(outcome.run), &never);
  }
  return outcome;
}

// Calls work(i) for i from 0 to count - 1 on one standard thread per core.
inline void OnAllCores(int count, const std::function<void(int)>& work) {
  std::atomic<int> next{0};
  const int threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      for (int i; (i = next++) < count;) work(i);
    });
  }
  for (std::thread& thread : pool) thread.join();
}

}  // namespace vn::test
