#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "support/report_capture.h"
#include "runtime/memory.h"
#include "runtime/service_table.h"

namespace qinghe {
namespace {

using testing::exit_code_of;
namespace fs = std::filesystem;

class FileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qinghe-find-" + std::to_string(getpid()));
        fs::create_directories(dir_ / "sub");
        for (const char* name : {"a.txt", "B.TXT", ".hidden", "readonly.txt", "noext"})
            std::ofstream(dir_ / name) << "x";
        chmod((dir_ / "readonly.txt").c_str(), 0444);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::set<std::string> find_all(const std::string& pattern, uint32_t mask, bool all) {
        std::string full = (dir_ / pattern).string();
        std::set<std::string> names;
        FileSearch* search = nullptr;
        while (char* name = reinterpret_cast<char*>(
                   call_service(Service::kFindFile, full.c_str(), mask, int32_t(all), &search))) {
            names.insert(name);
            mem_free(name);
        }
        EXPECT_EQ(search, nullptr);  // closed at the end
        return names;
    }

    fs::path dir_;
};

TEST_F(FileSearchTest, MatchesByPatternAndAttributes) {
    using S = std::set<std::string>;
    EXPECT_EQ(find_all("*.txt", 0, false), (S{"a.txt", "B.TXT"}));  // case-insensitive
    EXPECT_EQ(find_all("*", 0, false), (S{"a.txt", "B.TXT", "noext"}));
    EXPECT_EQ(find_all("*.*", 0x10, false), (S{"sub", ".", ".."}));
    EXPECT_EQ(find_all("*", 0x02, false), (S{".hidden"}));
    EXPECT_EQ(find_all("*", 0x01, false), (S{"readonly.txt"}));
    EXPECT_EQ(find_all("*", 0xC8, false), (S{"a.txt", "B.TXT", "noext"}));  // reduced to 0
    EXPECT_EQ(find_all("*.*", 0, true), (S{"a.txt", "B.TXT", ".hidden", "readonly.txt", "noext"}));
    EXPECT_EQ(find_all("?.TxT", 0, false), (S{"a.txt", "B.TXT"}));
    EXPECT_EQ(find_all("n*", 0, false), (S{"noext"}));
    EXPECT_EQ(find_all("missing/*", 0, true), S{});
}

TEST_F(FileSearchTest, CloseSearchEndsAnOpenSearch) {
    FileSearch* search = nullptr;
    std::string pattern = (dir_ / "*").string();
    char* first = find_file(pattern.c_str(), 0, true, &search);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(search, nullptr);
    mem_free(first);
    call_service(Service::kCloseSearch, search);
    call_service(Service::kCloseSearch, nullptr);
}

TEST(ServiceTable, MakeArrayWritableCopiesOnlyConstants) {
    alignas(8) static const int32_t constant[] = {1, 3, 10, 20, 30};  // {d=1, 3, elements}
    set_constant_area(constant, sizeof constant);
    auto array = reinterpret_cast<ArrayBlock*>(const_cast<int32_t*>(constant));
    call_service(Service::kMakeArrayWritable, 4, &array);
    ASSERT_NE(static_cast<const void*>(array), static_cast<const void*>(constant));
    EXPECT_FALSE(is_constant(array));
    EXPECT_EQ(std::memcmp(array, constant, sizeof constant), 0);

    ArrayBlock* heap = array;
    make_array_writable(4, &array);
    EXPECT_EQ(array, heap);
    mem_free(array);
    clear_constant_area();
}

int g_order[4];
int g_calls = 0;
void first_routine(int32_t position) { g_order[g_calls++] = 10 + position; }
void second_routine(int32_t position) { g_order[g_calls++] = 20 + position; }

TEST(ServiceTable, ExitRoutinesRegisterOnceAndRunOnceInOrder) {
    clear_exit_list();
    g_calls = 0;
    call_service(Service::kRegisterExitRoutine, &first_routine);
    call_service(Service::kRegisterExitRoutine, &second_routine);
    call_service(Service::kRegisterExitRoutine, &first_routine);
    EXPECT_EQ(exit_routines().size(), 2u);
    run_exit_list();
    run_exit_list();
    ASSERT_EQ(g_calls, 2);
    EXPECT_EQ(g_order[0], 10);
    EXPECT_EQ(g_order[1], 21);
}

TEST(ServiceTable, UnprovidedServiceIsARuntimeError) {
    testing::ReportCapture capture;
    EXPECT_EQ(exit_code_of([] { call_service(Service::kInitialise); }), -1);
    EXPECT_NE(capture.utf8().find("所调用的服务 6 不存在"), std::string::npos);

    register_service(Service::kInitialise,
                     [](const intptr_t*, int32_t count) -> intptr_t { return 40 + count; });
    EXPECT_EQ(call_service(Service::kInitialise), 40);
    register_service(Service::kInitialise, nullptr);
}

}  // namespace
}  // namespace qinghe
