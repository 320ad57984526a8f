#include "analysis/sources/funds_ahead.h"

#include <algorithm>
#include <future>
#include <system_error>
#include <utility>

#include "analysis/app_files.h"
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

FundAnswer ask_fund(const std::string& code, const HoldingsSources& sources, const Fetch& fetch,
                    const std::function<void()>& first_answered) {
    bool told = false;
    const auto tell = [&] {
        if (!told && first_answered) first_answered();
        told = true;
    };
    // The first source's first answer frees its place while it is read.
    const Fetch first_fetch = [&](const net::Request& request) {
        net::FetchResult result = fetch(request);
        tell();
        return result;
    };
    FundAnswer fund;
    for (const auto& source : sources) {
        fund.asked.push_back(ask_timed(*source, code, fund.asked.empty() ? first_fetch : fetch));
        tell();
        if (!fund.asked.back().rows.empty()) break;
    }
    tell();
    return fund;
}

namespace {

// Workers for N funds asked at once: N for first sources and at most N more
// for later ones, one alone when N = 1. A worker waits for the engine's
// answers and reads them; the engine keeps the connections to N per host.
size_t most_workers(size_t parallel) { return parallel == 1 ? 1 : 2 * parallel; }

}  // namespace

FundsAhead::FundsAhead(std::vector<std::string> codes, HoldingsSources sources, int parallel,
                       Fetch fetch, AssetMixRequest mix, FeederCheck feeders,
                       net::DownloadEngine* engine)
    : codes_(std::move(codes)),
      sources_(std::move(sources)),
      parallel_(size_t(net::clamp_parallel(parallel))),
      ahead_(kFundsAheadPerDownload * parallel_),
      fetch_(std::move(fetch)),
      mix_(std::move(mix)),
      feeders_(std::move(feeders)),
      slots_(codes_.size()) {
    if (!fetch_ && !codes_.empty() && !engine)
        own_engine_ = std::make_unique<net::DownloadEngine>(parallel_);
    if (!fetch_) engine_ = engine ? engine : own_engine_.get();
    // Under the lock: a worker that started may already be adding one.
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < std::min(parallel_, codes_.size()); ++i)
        workers_.emplace_back([this] { work(); });
}

FundsAhead::~FundsAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        claimable_.notify_all();
    }
    if (own_engine_) own_engine_->cancel_all();
    for (std::thread& worker : workers_) worker.join();
}

FundAnswer FundsAhead::take(size_t index) {
    if (index >= slots_.size()) return {};
    std::unique_lock lock(mutex_);
    if (index >= come_to_) {
        // Workers wait for the run only when they are as far as they may go.
        const size_t limit = claim_limit();
        come_to_ = index + 1;
        reading_ = index;
        const size_t freed = claim_limit() - limit;
        if (claimed_ >= limit && freed == 1) claimable_.notify_one();
        else if (claimed_ >= limit && freed > 1) claimable_.notify_all();
    }
    answered_.wait(lock, [&] { return slots_[index].ready; });
    return std::exchange(slots_[index].answer, {});
}

// How far the workers may go: with N = 1 to the fund the run has come to,
// else up to 4 N funds beyond the one it takes next.
size_t FundsAhead::claim_limit() const { return parallel_ == 1 ? come_to_ : reading_ + ahead_; }

// The next fund due, once fewer than N funds are asking their first
// source; false when the work is over. Each place that frees up wakes one
// waiting worker; the end of the work wakes them all.
bool FundsAhead::claim(size_t& index) {
    std::unique_lock lock(mutex_);
    claimable_.wait(lock, [&] {
        return stopping_ || claimed_ >= slots_.size() ||
               (claimed_ < claim_limit() && asking_first_ < parallel_);
    });
    if (stopping_ || claimed_ >= slots_.size()) return false;
    index = claimed_++;
    ++asking_first_;
    if (claimed_ == slots_.size()) claimable_.notify_all();
    return true;
}

void FundsAhead::first_source_answered() {
    std::lock_guard lock(mutex_);
    --asking_first_;
    claimable_.notify_one();
}

// A fund that downloads on past its first source's answer (a later source,
// a feeder's ETF) keeps its worker meanwhile: while fewer than N workers are
// left for first sources, one more starts (up to the most), so that later
// sources hold up no first ones.
void FundsAhead::goes_on(bool going) {
    std::lock_guard lock(mutex_);
    if (!going) return void(--going_on_);
    ++going_on_;
    if (stopping_ || claimed_ >= slots_.size() || workers_.size() >= most_workers(parallel_) ||
        workers_.size() - going_on_ >= parallel_)
        return;
    try {
        workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the funds wait for the workers there are.
    }
}

// The fund's sources on this worker, its asset mix asked at the same time,
// so the mix adds no wait of its own (and read here once they are done);
// then, for a feeder, its target ETF.
FundAnswer FundsAhead::ask_with_mix(size_t index, const Fetch& fetch) {
    const std::string& code = codes_[index];
    std::future<net::FetchResult> mix;
    if (mix_.asks()) mix = ask_beside(mix_.request(code), fetch);
    bool first_answered = false, went_on = false;
    const Fetch fund_fetch = [&](const net::Request& request) {
        if (first_answered && !std::exchange(went_on, true)) goes_on(true);
        return fetch(request);
    };
    FundAnswer answer = ask_fund(code, sources_, fund_fetch, [&] {
        first_answered = true;
        first_source_answered();
    });
    answer.target = feeders_.target(code, answer.asked, fund_fetch);
    answer.etf = etf_of(code, answer.target, fund_fetch);
    if (went_on) goes_on(false);
    if (mix.valid()) answer.mix = AssetMixRequest::read(mix.get());
    return answer;
}

// A request whose answer the worker takes later: handed to the engine, or,
// through a given fetch, asked on a thread of its own.
std::future<net::FetchResult> FundsAhead::ask_beside(net::Request request, const Fetch& fetch) {
    if (engine_) return engine_->fetch_later(std::move(request));
    return std::async(std::launch::async,
                      [&fetch, request = std::move(request)] { return fetch(request); });
}

// What the sources gave for the target ETF of `code`; null for no target,
// or a fund that names itself.
std::shared_ptr<const FundAnswer> FundsAhead::etf_of(const std::string& code,
                                                     const std::optional<TargetEtf>& target,
                                                     const Fetch& fetch) {
    if (!feeders_.asks() || !target || target->code == code) return nullptr;
    return etf_answer(target->code, fetch);
}

// The ETF's answer, asked by the first feeder that needs it; the others wait
// for that one.
std::shared_ptr<const FundAnswer> FundsAhead::etf_answer(const std::string& code,
                                                         const Fetch& fetch) {
    std::promise<std::shared_ptr<const FundAnswer>> asked;
    std::shared_future<std::shared_ptr<const FundAnswer>> answer;
    bool mine = false;
    {
        std::lock_guard lock(mutex_);
        auto [found, added] = etfs_.try_emplace(code);
        if (added) found->second = asked.get_future().share();
        answer = found->second;
        mine = added;
    }
    if (mine) asked.set_value(std::make_shared<const FundAnswer>(ask_etf(code, fetch)));
    return answer.get();
}

// An ETF's holdings: of the mobile endpoint first, which just named it and
// answers in a few kilobytes where a page takes hundreds; then of the run's
// other sources in their order.
FundAnswer FundsAhead::ask_etf(const std::string& code, const Fetch& fetch) const {
    FundAnswer etf;
    etf.asked.push_back(ask_timed(feeders_.source(), code, fetch));
    for (const auto& source : sources_) {
        if (etf.answered()) break;
        if (source->kind() != SourceKind::mobile)
            etf.asked.push_back(ask_timed(*source, code, fetch));
    }
    return etf;
}

void FundsAhead::work() {
    const Fetch fetch =
        fetch_ ? fetch_
               : Fetch([this](const net::Request& request) { return engine_->fetch(request); });
    size_t index = 0;
    while (claim(index)) {
        FundAnswer answer = ask_with_mix(index, fetch);
        std::lock_guard lock(mutex_);
        slots_[index] = {true, std::move(answer)};
        if (index == reading_) answered_.notify_all();  // the fund the run waits for
    }
}

int parallel_downloads(const char* text) {
    return whole_number_setting(text, net::parallel::kDefault, net::parallel::kMin,
                                net::parallel::kMax);
}

}  // namespace qinghe::app
