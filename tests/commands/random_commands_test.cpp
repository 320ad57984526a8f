#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "commands/core_commands.h"

namespace qinghe {
namespace {

TaggedArg optional_int(std::optional<int32_t> v) { return v ? TaggedArg::of_int(*v) : TaggedArg{}; }

int32_t draw(std::optional<int32_t> lower = {}, std::optional<int32_t> upper = {}) {
    TaggedArg args[] = {optional_int(lower), optional_int(upper)};
    return call_core_command(core_command(CoreCommand::random_number), 2, args).as_int();
}

void seed(std::optional<int32_t> value) {
    TaggedArg arg = optional_int(value);
    call_core_command(core_command(CoreCommand::seed_random), value ? 1 : 0, &arg);
}

std::vector<int32_t> draws(int n) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(draw());
    return out;
}

TEST(RandomNumber, SequenceOfTheLinearGenerator) {
    // A thread that never seeded starts from seed 1.
    std::vector<int32_t> unseeded;
    std::thread([&] { unseeded = draws(3); }).join();
    const std::vector<int32_t> from_one{41, 18467, 6334};
    EXPECT_EQ(unseeded, from_one);
    seed(1);
    EXPECT_EQ(draws(3), from_one);
}

TEST(RandomNumber, SeedsArePerThread) {
    seed(12345);
    std::vector<int32_t> other;
    std::thread([&] {
        seed(999);
        other = draws(3);
    }).join();
    std::vector<int32_t> here = draws(3);
    seed(12345);
    EXPECT_EQ(draws(3), here);
    seed(999);
    EXPECT_EQ(draws(3), other);
}

TEST(RandomNumber, BoundsTable) {
    struct Row {
        std::optional<int32_t> lower, upper;
        int32_t min, max;
        bool every_value;  // all values of a small range appear
    };
    const Row rows[] = {
        {10, 5, 5, 10, true},
        {7, 7, 7, 7, true},
        {-3, 2, 0, 2, true},
        {{}, {}, 0, 32767, false},
        {100, {}, 100, 100 + 32767, false},
        {0, 0x7FFFFFFF, 0, 32767, false},
        {{}, -9, 0, 0, true},
    };
    seed(42);
    for (const Row& row : rows) {
        std::set<int32_t> seen;
        for (int i = 0; i < 2000; ++i) {
            int32_t v = draw(row.lower, row.upper);
            ASSERT_GE(v, row.min);
            ASSERT_LE(v, row.max);
            seen.insert(v);
        }
        if (row.every_value) {
            EXPECT_EQ(int32_t(seen.size()), row.max - row.min + 1);
        }
    }
}

TEST(SeedRandom, AutomaticSeedingsInOneMillisecondDiffer) {
    seed({});
    std::vector<int32_t> first = draws(4);
    seed({});
    EXPECT_NE(draws(4), first);
}

}  // namespace
}  // namespace qinghe
