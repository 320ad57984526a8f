#include "analysis/funds_ahead.h"

#include <algorithm>
#include <utility>

#include "analysis/app_files.h"
#include "net/fetcher.h"
#include "net/parallel_downloads.h"

namespace qinghe::app {

const SourceAnswer* FundAnswer::answered() const {
    return !asked.empty() && !asked.back().rows.empty() ? &asked.back() : nullptr;
}

const SourceAnswer* FundAnswer::page() const {
    for (const SourceAnswer& answer : asked)
        if (answer.kind == SourceKind::page) return &answer;
    return nullptr;
}

FundAnswer ask_fund(const std::string& code, const HoldingsSources& sources, const Fetch& fetch) {
    FundAnswer fund;
    for (const auto& source : sources) {
        fund.asked.push_back(ask_timed(*source, code, fetch));
        if (!fund.asked.back().rows.empty()) break;
    }
    return fund;
}

FundsAhead::FundsAhead(std::vector<std::string> codes, HoldingsSources sources, int parallel,
                       Fetch fetch)
    : codes_(std::move(codes)),
      sources_(std::move(sources)),
      parallel_(size_t(net::clamp_parallel(parallel))),
      ahead_(parallel_ == 1 ? 1 : kFundsAheadPerDownload * parallel_),
      fetch_(std::move(fetch)),
      slots_(codes_.size()) {
    for (size_t i = 0; i < std::min(parallel_, codes_.size()); ++i)
        workers_.emplace_back([this] { work(); });
}

FundsAhead::~FundsAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (net::Fetcher* fetcher : fetchers_) fetcher->cancel();
        changed_.notify_all();
    }
    for (std::thread& worker : workers_) worker.join();
}

FundAnswer FundsAhead::take(size_t index) {
    if (index >= slots_.size()) return {};
    std::unique_lock lock(mutex_);
    reading_ = std::max(reading_, index);
    changed_.notify_all();
    changed_.wait(lock, [&] { return slots_[index].ready; });
    return std::exchange(slots_[index].answer, {});
}

// The next fund due; false when the work is over.
bool FundsAhead::claim(size_t& index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return stopping_ || claimed_ >= slots_.size() || claimed_ < reading_ + ahead_;
    });
    if (stopping_ || claimed_ >= slots_.size()) return false;
    index = claimed_++;
    return true;
}

void FundsAhead::work() {
    net::Fetcher fetcher;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) fetcher.cancel();
        fetchers_.push_back(&fetcher);
    }
    const Fetch fetch =
        fetch_ ? fetch_
               : Fetch([&](const net::Request& request) { return fetcher.fetch(request); });
    size_t index = 0;
    while (claim(index)) {
        FundAnswer answer = ask_fund(codes_[index], sources_, fetch);
        std::lock_guard lock(mutex_);
        slots_[index] = {true, std::move(answer)};
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    std::erase(fetchers_, &fetcher);
}

int parallel_downloads(const char* text) {
    return whole_number_setting(text, net::parallel::kDefault, net::parallel::kMin,
                                net::parallel::kMax);
}

}  // namespace qinghe::app
