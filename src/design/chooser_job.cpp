// The chooser's work on its own thread.
#include "design/chooser_job.h"

#include <exception>
#include <string>
#include <utility>

namespace vn {

ChooserJob::~ChooserJob() { Stop(); }

void ChooserJob::Stop() {
  cancel_.Cancel();
  if (worker_.joinable()) worker_.join();
  cancel_.Reset();
  done_ = 0;
  total_ = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  design_.reset();
  ranking_.reset();
}

ProgressCallback ChooserJob::Progress() {
  return [this](std::size_t done, std::size_t total) {
    total_ = total;
    done_ = done;
  };
}

void ChooserJob::StartDesign(DesignRequest request) {
  Stop();
  request.conditions.cancel = &cancel_;
  running_ = true;
  worker_ = std::thread([this, request = std::move(request)] {
    DesignResult result;
    try {
      result = DesignLens(request, Progress());
    } catch (const std::exception& failure) {
      // Only the standard library throws here (memory): say so, not crash.
      result.problems.push_back(std::string("The design failed: ") + failure.what());
    }
    std::lock_guard<std::mutex> lock(mutex_);
    design_ = std::move(result);
    running_ = false;
  });
}

void ChooserJob::StartRanking(std::vector<ListedLens> lenses, RankingRequest request) {
  Stop();
  request.conditions.cancel = &cancel_;
  running_ = true;
  worker_ = std::thread([this, lenses = std::move(lenses), request = std::move(request)] {
    LensRanking result;
    try {
      result = RankLenses(lenses, request, Progress());
    } catch (const std::exception&) {
      result.cancelled = true;  // the host sees an unfinished ranking
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ranking_ = std::move(result);
    running_ = false;
  });
}

std::optional<DesignResult> ChooserJob::TakeDesign() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(design_, std::nullopt);
}

std::optional<LensRanking> ChooserJob::TakeRanking() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(ranking_, std::nullopt);
}

}  // namespace vn
