// qinghe-analyse and the history of earlier runs (history.sqlite3 beside
// the copied program): a code no source answers is analysed from its stored
// report, --offline asks nothing, --history lists what is stored, and each
// fault of the file is told once while the result stays what it was.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>

#include "analyse_program_fixture.h"

namespace qinghe {
namespace {

using namespace analyse_testing;

constexpr const char* kNobody = "http://127.0.0.1:1/";  // nothing listens there

size_t count_of(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class AnalyseHistoryTest : public AnalyseProgramTest {
protected:
    std::string history() const { return program_dir() + "/history.sqlite3"; }
    // Every source asked at `base`.
    Outcome analyse(const std::string& base, std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"--base-url", base, "--archive-url", base, "--mobile-url", base});
        return run(args);
    }
};

TEST_F(AnalyseHistoryTest, CodeNoSourceAnswersIsAnalysedFromItsStoredReport) {
    const Outcome read = analyse(server_.base_url(), {fund_code::demo, fund_code::foreign});
    ASSERT_EQ(read.status, 0) << read.err;

    Outcome r = analyse(kNobody, {fund_code::demo, fund_code::foreign});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, read.out) << "the stored rows join the merge as if read";
    EXPECT_EQ(count_of(r.err, "'701001' from history, report date 2022-09-30\n"), 1u) << r.err;

    r = analyse(kNobody, {"--format", "json", fund_code::demo, "999999"});
    EXPECT_EQ(r.status, 1) << "999999 gave rows neither way";
    EXPECT_NE(r.out.find("\"code\": \"701001\", \"name\": \"青禾新兴消费混合A\", \"report_date\": "
                         "\"2022-09-30\", \"outcome\": \"read\", \"cached\": true"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("'999999' (download failed)"), std::string::npos) << r.err;
}

TEST_F(AnalyseHistoryTest, OfflineAsksNothingAndTakesEveryCodeFromTheHistory) {
    ASSERT_EQ(analyse(server_.base_url(), {fund_code::demo}).status, 0);
    std::atomic<int> requests = 0;
    server_.on_request([&requests](const std::string&) { ++requests; });

    Outcome r = analyse(server_.base_url(), {"--offline", fund_code::demo, fund_code::foreign});
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(parse_lines(r.out).size(), 10u);
    EXPECT_NE(r.err.find("'701001' from history"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'702001' (nothing stored)"), std::string::npos) << r.err;
    EXPECT_EQ(analyse(server_.base_url(), {"--offline", fund_code::demo}).status, 0);
    // The overlap of stored funds, offline too.
    r = analyse(server_.base_url(), {"--offline", "--overlap", fund_code::demo});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("重合百分点\t701001\n701001\t54.20\n")) << r.out;
    EXPECT_EQ(requests, 0);
}

TEST_F(AnalyseHistoryTest, HistoryListsEachStoredReportNewestFirst) {
    Outcome r = run({"--history"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(history())) << "listing makes no file";
    write_whole_file(history(), "");
    r = run({"--history"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(history()), 0u) << "listing writes nothing";
    fs::remove(history());

    // The same fund read in two quarters.
    LoopbackServer before({{"/701001.html", demo_page_quarter_before()}});
    ASSERT_EQ(analyse(before.base_url(), {fund_code::demo}).status, 0);
    ASSERT_EQ(analyse(server_.base_url(), {fund_code::demo, fund_code::foreign}).status, 0);

    r = run({"--history", fund_code::demo});
    EXPECT_EQ(r.status, 0);
    const std::vector<Line> lines = parse_lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(Line(lines[0].begin(), lines[0].begin() + 3), Line({"701001", "2022-09-30", "page"}));
    EXPECT_EQ(lines[0][4], "10");
    EXPECT_EQ(lines[1][1], "2022-06-30");

    r = run({"--history"});
    EXPECT_EQ(r.out, "701001\t青禾新兴消费混合A\t2022-09-30\t2\n702001\t" +
                         parse_lines(r.out).at(1).at(1) + "\t2022-09-30\t1\n");
    const Outcome to_file = run({"--history", "--output", "list.tsv"});
    EXPECT_EQ(to_file.status, 0);
    EXPECT_EQ(read_whole_file(caller_dir() + "/list.tsv"), r.out);

    r = run({"--history", "--format", "json", fund_code::demo, "999999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nothing stored for '999999'"), std::string::npos) << r.err;
    EXPECT_EQ(count_of(r.out, "\"report_date\": "), 2u) << r.out;
    EXPECT_NE(r.out.find("\"name\": \"岚溪酒业\",\n          \"ratio\": 9.41,"), std::string::npos)
        << r.out;
}

// The page tells no change: the second quarter's read gets it from the
// first's, in JSON as the sources that tell it.
TEST_F(AnalyseHistoryTest, PageReadInTheNextQuarterShowsTheChangeSinceTheStoredOne) {
    LoopbackServer before({{"/701001.html", demo_page_quarter_before()}});
    Outcome r = analyse(before.base_url(), {"--format", "json", fund_code::demo});
    EXPECT_NE(r.out.find("\"ratio\": 8, \"change\": null, \"change_points\": null"),
              std::string::npos)
        << r.out;

    r = analyse(server_.base_url(), {"--format", "json", fund_code::demo});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(
        r.out.find("\"source\": \"page\", \"exited\": [{\"name\": \"旧日物流\", \"ratio\": 2.08}]"),
        std::string::npos)
        << r.out;
    for (const char* holder : {"{\"code\": \"701001\", \"ratio\": 9.41, \"change\": \"增持\", "
                               "\"change_points\": 1.41}",
                               "{\"code\": \"701001\", \"ratio\": 8.87, \"change\": \"持平\", "
                               "\"change_points\": 0}",
                               "{\"code\": \"701001\", \"ratio\": 2.08, \"change\": \"新增\", "
                               "\"change_points\": null}"})
        EXPECT_NE(r.out.find(holder), std::string::npos) << holder << "\n" << r.out;
}

// What the archive and the mobile answer gave (their change, the archive's
// exited stocks, names, links, ratios) comes back offline as it was read.
TEST_F(AnalyseHistoryTest, EachSourcesReadComesBackOfflineAsItWasRead) {
    LoopbackServer site(generated_site({fund_code::demo, fund_code::foreign}));
    // The mobile answer first: it names no fund, and nothing named it before.
    for (const char* source : {"mobile", "archive"}) {
        SCOPED_TRACE(source);
        const Outcome read = analyse(site.base_url(), {"--source", source, "--format", "json",
                                                       fund_code::demo, fund_code::foreign});
        ASSERT_EQ(read.status, 0) << read.err;
        ASSERT_NE(read.out.find("\"change\": \""), std::string::npos) << read.out;
        const Outcome offline = analyse(
            kNobody, {"--offline", "--format", "json", fund_code::demo, fund_code::foreign});
        std::string expected = read.out;
        for (size_t at; (at = expected.find("\"cached\": false")) != std::string::npos;)
            expected.replace(at, 15, "\"cached\": true");
        EXPECT_EQ(offline.out, expected);
    }
}

// Each fault: made after a first run stored the funds, then one run that
// must give the first run's output, status 0, and one line about the file.
TEST_F(AnalyseHistoryTest, FaultOfTheFileIsToldOnceAndTheResultStaysTheSame) {
    const std::vector<std::string> codes = {fund_code::demo, fund_code::foreign};
    const Outcome first = analyse(server_.base_url(), codes);
    ASSERT_EQ(first.status, 0);
    struct Case {
        const char* name;
        std::function<void(const std::string& file)> make;
        const char* told;
        uint64_t file_size_limit = 0;  // none
        bool left_as_made = true;
    };
    const Case cases[] = {
        {"not a database", [](const std::string& f) { write_whole_file(f, "notes, not data\n"); },
         "could not be read; moved aside as ", 0, false},
        {"read-only file", [](const std::string& f) { make_read_only(f, true); },
         "is read-only: reports are read, none stored; 2 fund reads were not stored"},
        {"newer schema",
         [](const std::string& f) {
             // PRAGMA user_version: the big-endian word at byte 60 of the header.
             std::string bytes = read_whole_file(f);
             bytes.replace(60, 4, std::string("\0\0\0\x07", 4));
             write_whole_file(f, bytes);
         },
         "written by a newer version (schema 7), left untouched"},
        {"another program's database",
         [](const std::string& f) {
             // Our tables under user_version 0: not a schema this program made.
             std::string bytes = read_whole_file(f);
             bytes.replace(60, 4, std::string(4, '\0'));
             write_whole_file(f, bytes);
         },
         "is not a history (another program's database), left untouched"},
        {"full disk", [](const std::string&) {}, "(disk full); 2 fund reads were not stored", 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& entry : fs::directory_iterator(program_dir()))
            if (entry.path().filename().string().starts_with("history")) fs::remove(entry);
        ASSERT_EQ(analyse(server_.base_url(), codes).status, 0);
        c.make(history());
        const std::string made = read_whole_file(history());
        if (c.file_size_limit && !FileSizeLimit::available()) {
            std::cout << "skipped: no file-size limit on this system to stand for a full disk\n";
            continue;
        }
        std::optional<FileSizeLimit> limit;  // the program inherits it
        if (c.file_size_limit) limit.emplace(c.file_size_limit);
        const Outcome r = analyse(server_.base_url(), codes);
        limit.reset();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, first.out);
        EXPECT_EQ(count_of(r.err, c.told), 1u) << r.err;
        EXPECT_EQ(count_of(r.err, "history.sqlite3"), 1u) << "told once: " << r.err;
        if (c.left_as_made) {
            EXPECT_EQ(read_whole_file(history()), made);
        }
        make_read_only(history(), false);
    }
}

// A read-only history is read as it is: offline and listed, only storing
// is off.
TEST_F(AnalyseHistoryTest, ReadOnlyHistoryIsReadOfflineAndListed) {
    ASSERT_EQ(analyse(server_.base_url(), {fund_code::demo}).status, 0);
    ASSERT_TRUE(make_read_only(history(), true));
    Outcome r = analyse(kNobody, {"--offline", fund_code::demo});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(parse_lines(r.out).size(), 10u);
    EXPECT_NE(r.err.find("is read-only: reports are read, none stored\n"), std::string::npos)
        << r.err;
    r = run({"--history"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 7), "701001\t");
}

}  // namespace
}  // namespace qinghe
