// A line is a fund code only when it is exactly six bytes long, or a code
// of six bytes followed by blanks, a tab or "=" and an amount of money. Any
// other line must not reach the network at all: the run below is wired as the
// window's run is (download ahead plus the collector reading through it), and
// the page server counts every request it gets.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "analysis/holdings_pipeline.h"
#include "platform/text_encoding.h"
#include "runtime/memory.h"
#include "support/loopback_server.h"
#include "support/temp_directory.h"

namespace qinghe::app {
namespace {

namespace fs = std::filesystem;

class CodeLengthTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(directory_.path());  // where a fetch would leave its dump
        server_.on_request([this](const std::string&) {
            std::lock_guard lock(mutex_);
            ++requests_;
        });
    }
    void TearDown() override { fs::current_path(previous_); }

    // Runs one line through the pipeline; returns the requests it made.
    int requests_for(const std::string& line, FundReport* report = nullptr) {
        {
            std::lock_guard lock(mutex_);
            requests_ = 0;
        }
        const std::string base = server_.base_url();
        ArrayBlock* lines = make_array(1, int32_t(sizeof(void*)));
        lines->set_pointer_at(0, make_text(line));
        {
            FundsAhead funds(accepted_codes(lines),
                             make_sources({{SourceKind::page}, base, base, base}), 4);
            HoldingsCollector collector(base.c_str());
            const auto reports = collect_holdings(collector, lines, {}, funds);
            if (report) *report = reports.at(0);
        }
        mem_free(lines->pointer_at(0));
        mem_free(lines);
        std::lock_guard lock(mutex_);
        return requests_;
    }

    testing_support::TempDirectory directory_;
    fs::path previous_;
    std::mutex mutex_;
    int requests_ = 0;
    testing::LoopbackServer server_{
        testing::LoopbackServer::Pages{}};  // every page is missing: a request is all that counts
};

TEST_F(CodeLengthTest, OnlyASixByteLineIsRequested) {
    struct Row {
        const char* label;
        std::string line;
        int requests;
    };
    const Row rows[] = {
        {"six digits", "123456", 1},
        {"six bytes that are not digits", platform::gbk_from_utf8("一二三"), 1},
        {"seven digits", "1234567", 0},
        {"six digits and a blank", "123456 ", 0},
        {"five digits", "12345", 0},
        {"an empty line", "", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(requests_for(row.line), row.requests) << row.label;
}

TEST_F(CodeLengthTest, ACodeMayCarryAnAmountAndABadAmountIsNamedAsSuch) {
    struct Row {
        std::string line;
        int requests;
        std::string code;
        std::optional<double> amount;
        bool bad_amount;
    };
    const Row rows[] = {
        {"123456 20000", 1, "123456", 20000, false},
        {"123456 \t1,500.50", 1, "123456", 1500.5, false},
        {"123456=2e4", 1, "123456", 20000, false},
        {"123456 = 7", 1, "123456", 7, false},
        {"123456 abc", 0, "123456 abc", {}, true},
        {"123456 1,50", 0, "123456 1,50", {}, true},
        {"123456 0", 0, "123456 0", {}, true},
        {"123456=2e15", 0, "123456=2e15", {}, true},
        {"1234567 100", 0, "1234567 100", {}, false},  // not a code: as any other line
        {"12 456", 1, "12 456", {}, false},            // six bytes: a code, as always
    };
    for (const Row& row : rows) {
        FundReport report;
        EXPECT_EQ(requests_for(row.line, &report), row.requests) << row.line;
        EXPECT_EQ(report.code, row.code) << row.line;
        EXPECT_EQ(report.amount, row.amount) << row.line;
        EXPECT_EQ(report.outcome == FundOutcome::bad_amount, row.bad_amount) << row.line;
    }
}

}  // namespace
}  // namespace qinghe::app
