// Reading ahead for one analysis run: the accepted codes of the run are
// asked of their sources on worker threads while the run takes the answers
// in line order. A fund asks its sources in order and stops at the first
// that gives rows. At most N funds ask their first source at once, on N
// workers; a fund that falls through to a later source asks it beside them
// (on one of at most N more workers, started when such funds leave fewer
// than N for first sources), so it holds up neither the others nor their
// downloads.
// The workers go on up to 4 N funds beyond the one the run takes next (an
// answer waiting to be taken is a few rows). Every request of the run goes
// through one download engine (net/download_engine.h): at most N connections
// to a host, kept alive across funds and sources, and at most N bodies at
// once grow large; the workers wait for its answers and read them. With
// N = 1 there is one worker, and a fund is asked only when the run comes to
// it. Ending the FundsAhead cancels what is under way on an engine of its
// own; a run that lends it its engine ends that engine's requests itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/sources/asset_mix_request.h"
#include "analysis/sources/feeder_check.h"
#include "analysis/sources/holdings_source.h"
#include "net/download_engine.h"

namespace qinghe::app {

// What a fund's sources gave, in the order they were asked; the last one
// gave the rows when any did.
struct FundAnswer {
    std::vector<SourceAnswer> asked;
    AssetMixAnswer mix{std::nullopt, ""};  // asked beside the sources; no reason: not asked
    // A feeder's target ETF and what the ETF's sources gave (null when not
    // asked: no feeder, or a fund that names itself).
    std::optional<TargetEtf> target{};
    std::shared_ptr<const FundAnswer> etf{};

    // The source that gave rows, or null.
    const SourceAnswer* answered() const;
    // The page's answer when the page was asked, or null.
    const SourceAnswer* page() const;
};

// Asks `sources` in order for `code` until one gives rows; calls
// `first_answered` (when given) once, when the first source's first answer
// came (it is read after), or when that source sent no request.
FundAnswer ask_fund(const std::string& code, const HoldingsSources& sources, const Fetch& fetch,
                    const std::function<void()>& first_answered = {});

class FundsAhead {
public:
    // `codes` (GBK, in line order) asked of `sources`, `parallel` funds at a
    // time (clamped to 1..8), through `fetch` when one is given, else through
    // `engine` (the run's, lent) or an engine of its own of `parallel`
    // connections to a host; each fund's asset mix asked by `mix` at the
    // same time as its sources (never when `mix` asks nothing); a feeder
    // (as `feeders` tells) has its target ETF asked of the same sources, the
    // mobile one first (once per run, one level only).
    FundsAhead(std::vector<std::string> codes, HoldingsSources sources, int parallel,
               Fetch fetch = {}, AssetMixRequest mix = {}, FeederCheck feeders = {},
               net::DownloadEngine* engine = nullptr);
    ~FundsAhead();
    FundsAhead(const FundsAhead&) = delete;
    FundsAhead& operator=(const FundsAhead&) = delete;

    size_t size() const { return codes_.size(); }
    // Waits for fund `index` and hands its answer out; the run takes the
    // funds in order, once each. An index beyond the list gives nothing.
    FundAnswer take(size_t index);

private:
    struct Slot {
        bool ready = false;
        FundAnswer answer;
    };

    void work();
    FundAnswer ask_with_mix(size_t index, const Fetch& fetch);
    std::future<net::FetchResult> ask_beside(net::Request request, const Fetch& fetch);
    std::shared_ptr<const FundAnswer> etf_of(const std::string& code,
                                             const std::optional<TargetEtf>& target,
                                             const Fetch& fetch);
    std::shared_ptr<const FundAnswer> etf_answer(const std::string& code, const Fetch& fetch);
    FundAnswer ask_etf(const std::string& code, const Fetch& fetch) const;
    size_t claim_limit() const;
    bool claim(size_t& index);
    void first_source_answered();
    void goes_on(bool going);

    const std::vector<std::string> codes_;
    static constexpr size_t kFundsAheadPerDownload = 4;

    const HoldingsSources sources_;
    const size_t parallel_;
    const size_t ahead_;  // funds a worker may start beyond the one the run takes next
    const Fetch fetch_;
    const AssetMixRequest mix_;
    const FeederCheck feeders_;
    std::mutex mutex_;                   // guards what follows
    std::condition_variable answered_;   // a fund's answer is ready
    std::condition_variable claimable_;  // a worker may start on a fund
    std::vector<Slot> slots_;
    size_t claimed_ = 0;       // the next fund a worker starts on
    size_t reading_ = 0;       // the fund the run takes next
    size_t come_to_ = 0;       // funds the run has come to (asked to take)
    size_t asking_first_ = 0;  // funds whose first source is being asked
    size_t going_on_ = 0;      // funds downloading past their first source's answer
    bool stopping_ = false;
    // The target ETFs asked in this run, by code: a feeder's A and C classes
    // share one.
    std::map<std::string, std::shared_future<std::shared_ptr<const FundAnswer>>> etfs_;
    // When no fetch is given: the engine lent, or one of its own.
    std::unique_ptr<net::DownloadEngine> own_engine_;
    net::DownloadEngine* engine_ = nullptr;
    std::vector<std::thread> workers_;  // grows while the mutex is held, never once stopping
};

// Funds asked at once from a setting's text (GBK, null when missing): the
// default for anything but a whole number, else clamped to 1..8.
int parallel_downloads(const char* text);

}  // namespace qinghe::app
