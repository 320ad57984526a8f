// The fixture of the qinghe-analyse tests: the binary copied into a
// program folder of its own and run as a separate process from a caller
// folder against a local page server, with its status and output kept.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_names.h"
#include "platform/text_encoding.h"
#include "support/every_host.h"
#include "support/fund_pages.h"
#include "support/loopback_server.h"
#include "support/system_calls.h"
#include "support/temp_directory.h"

namespace qinghe::analyse_testing {

namespace fs = std::filesystem;
using testing::LoopbackServer;
using namespace testing_support;
using testing_support::TempDirectory;

struct Outcome {
    int status = -1;
    std::string out, err;
};

using Line = std::vector<std::string>;  // name, ratio, occurrences, link

inline std::vector<Line> parse_lines(const std::string& out) {
    std::vector<Line> lines;
    std::istringstream in(out);
    for (std::string text; std::getline(in, text);) {
        Line fields;
        std::istringstream cells(text);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        lines.push_back(fields);
    }
    return lines;
}

// The section of a page the collector cuts out, converted to GBK.
inline std::string section_of(const std::string& page) {
    const std::string start = "持仓占比", end = "持仓截止日期:";
    const size_t from = page.find(start) + start.size();
    return platform::gbk_from_utf8(page.substr(from, page.find(end, from) - from));
}

// A page by code: generated, or saved real where real is set.
inline std::string page(const std::string& code, bool real) {
    return real ? read_whole_file(real_page_path(code)) : generated_page(code);
}

// The generated demo and foreign funds, and the saved real pages where they exist.
inline std::map<std::string, std::string> served_pages() {
    std::map<std::string, std::string> pages;
    for (const char* code : {fund_code::demo, fund_code::foreign})
        pages["/" + std::string(code) + ".html"] = page(code, false);
    for (const char* code : {"160127", "006309"})
        if (!real_page_path(code).empty())
            pages["/" + std::string(code) + ".html"] = page(code, true);
    return pages;
}

class AnalyseProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(program_dir());
        fs::create_directories(caller_dir());
        binary_ = program_dir() + "/" + fs::path(QINGHE_ANALYSE_BINARY).filename().string();
        fs::copy_file(QINGHE_ANALYSE_BINARY, binary_);
        // Every host on the page server, so that a fund without rows or a
        // quote never reaches beyond the loopback address.
        set_sources(every_host_at(server_.base_url()));
    }

    // The section 设置 of the program's 配置.ini: `utf8_lines`.
    void set_sources(const std::string& utf8_lines) const {
        std::ofstream(platform::native_path(program_dir() + "/配置.ini"), std::ios::binary)
            << platform::gbk_from_utf8("[设置]\r\n" + utf8_lines);
    }

    std::string program_dir() const { return temp_.file("program"); }
    std::string caller_dir() const { return temp_.file("caller"); }

    // Runs the copied binary from the caller directory, output to files.
    Outcome run(const std::vector<std::string>& args) const { return run_analyser(binary_, args); }

    // `variables` ("NAME=value") join the environment of the test.
    Outcome run_analyser(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& variables = {}) const {
        const std::string out_file = temp_.file("stdout"), err_file = temp_.file("stderr");
        Outcome result;
        result.status = run_program(program, args, variables, caller_dir(), out_file, err_file);
        result.out = read_whole_file(out_file);
        result.err = read_whole_file(err_file);
        return result;
    }

    // Runs python3 (never a shell) on `script` with `file` as its argument.
    Outcome python(const std::string& script, const std::string& file) const {
        return run_analyser("/usr/bin/python3", {"-c", script, file});
    }

    // Whether this system's programs can start python3 (a Windows program
    // under Wine cannot start the Linux one).
    bool python_starts() const { return python("pass", "").status == 0; }

    LoopbackServer server_{served_pages()};
    TempDirectory temp_;
    std::string binary_;
};

}  // namespace qinghe::analyse_testing
