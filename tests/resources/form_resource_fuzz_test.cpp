// Cuts and flips bytes of the program's real window resource: the reader
// must reject or accept each variant without crashing, and whatever it
// accepts must decode (or be refused) block by block.
#include <gtest/gtest.h>

#include <random>

#include "program_resources.h"
#include "runtime/font_record.h"
#include "runtime/form_resource.h"
#include "runtime/list_tables.h"
#include "runtime/property_block.h"

namespace qinghe {
namespace {

std::string real_block() {
    return std::string(reinterpret_cast<const char*>(resources::form_resource),
                       resources::form_resource_size);
}

// Reads a variant as far as the runtime would; returns true when accepted.
bool read_all(const std::string& bytes) {
    WindowTable t;
    if (!parse_form_resource(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), t))
        return false;
    for (const auto& w : t.windows) {
        for (const auto& u : w.units) {
            DecodedBlock b;
            if (decode_property_block(u.type, u.property_block, b) != BlockStatus::Ok) continue;
            for (const auto& v : b.values) {
                if (v.field->meaning == FieldMeaning::Font) (void)decode_font_record(v.bytes);
                if (v.field->meaning == FieldMeaning::Columns) (void)decode_column_table(v.bytes);
                if (v.field->meaning == FieldMeaning::Items) (void)decode_item_table(v.bytes);
            }
        }
    }
    return true;
}

TEST(FormResourceFuzz, EveryCutIsRejected) {
    const std::string block = real_block();
    size_t accepted = 0;
    for (size_t n = 0; n < block.size(); ++n) accepted += read_all(block.substr(0, n));
    EXPECT_EQ(accepted, 0u);
    EXPECT_TRUE(read_all(block));
}

TEST(FormResourceFuzz, FlippedBytesNeverCrash) {
    const std::string block = real_block();
    // Every byte outside the picture, each with several masks; the picture's
    // bytes are opaque to the reader, so a sparse sample of them is enough.
    size_t runs = 0;
    size_t accepted = 0;
    for (size_t i = 0; i < block.size(); ++i) {
        bool inside_png = i > 6000 && i + 200 < block.size();
        if (inside_png && i % 97 != 0) continue;
        for (uint8_t mask : {0x01, 0x80, 0xFF, 0x7F}) {
            std::string variant = block;
            variant[i] = char(variant[i] ^ mask);
            accepted += read_all(variant);
            ++runs;
        }
    }
    RecordProperty("variants", int(runs));
    EXPECT_GT(runs, 4000u);
    EXPECT_LT(accepted, runs);
}

// Besides not crashing: a cut variant is never accepted (the block's length
// is checked whatever else is damaged), and some damaged variants are, so
// the decoding of accepted blocks is reached too.
TEST(FormResourceFuzz, RandomMultiByteDamageNeverCrashes) {
    const std::string block = real_block();
    std::mt19937 random(12345);
    auto below = [&](size_t n) { return size_t(random() % n); };
    size_t accepted = 0, cut = 0, cut_accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string variant = block;
        const size_t flips = 1 + below(8);
        for (size_t k = 0; k < flips; ++k) variant[below(variant.size())] = char(below(256));
        const bool cut_off = below(4) == 0;
        if (cut_off) variant.resize(below(variant.size()));
        const bool read = read_all(variant);
        accepted += read;
        cut += cut_off;
        cut_accepted += cut_off && read;
    }
    RecordProperty("accepted", int(accepted));
    RecordProperty("cut", int(cut));
    EXPECT_GT(cut, 0u);
    EXPECT_EQ(cut_accepted, 0u);
    EXPECT_GT(accepted, 0u);
}

}  // namespace
}  // namespace qinghe
