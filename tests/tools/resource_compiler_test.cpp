#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>

#include "runtime/form_resource.h"
#include "tools/resource_compiler/gbk_text.h"
#include "tools/resource_compiler/generated_source.h"
#include "tools/resource_compiler/resource_source.h"

namespace qinghe::tools {
namespace {

TEST(StrictGbk, ConvertsOrNamesTheCharacter) {
    EXPECT_EQ(gbk_from_utf8_strict("持仓占比", "x"), "\xB3\xD6\xB2\xD6\xD5\xBC\xB1\xC8");
    EXPECT_EQ(gbk_from_utf8_strict("★▼…“”", "x").size(), 10u);
    try {
        gbk_from_utf8_strict("ab😀c", "main.json caption");
        FAIL() << "no error";
    } catch (const CompileError& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("main.json caption"), std::string::npos) << what;
        EXPECT_NE(what.find("😀"), std::string::npos) << what;
    }
    EXPECT_THROW(gbk_from_utf8_strict("\xE4\xB8", "x"), CompileError);  // cut sequence
}

std::string midi(uint16_t format, uint16_t tracks, uint16_t division, uint32_t tempo, size_t size) {
    std::string b = "MThd";
    b += std::string("\0\0\0\6", 4);
    for (uint16_t v : {format, tracks, division}) {
        b += char(v >> 8);
        b += char(v);
    }
    std::string track;
    for (uint32_t t : {tempo, 400000u}) {
        track += std::string("\0\xFF\x51\x03", 4);
        track += char(t >> 16);
        track += char(t >> 8);
        track += char(t);
    }
    track += std::string("\0\xFF\x2F\0", 4);
    b += "MTrk";
    b += std::string("\0\0\0", 3) + char(track.size());
    b += track;
    b.resize(size, '\0');
    return b;
}

TEST(TuneCheck, AcceptsOnlyTheStatedKind) {
    EXPECT_NO_THROW(check_midi_tune(midi(1, 17, 120, 333333, 3952)));
    struct Row {
        const char* what;
        std::string bytes;
    };
    const Row bad[] = {
        {"size", midi(1, 17, 120, 333333, 3951)},
        {"format", midi(0, 17, 120, 333333, 3952)},
        {"tracks", midi(1, 16, 120, 333333, 3952)},
        {"division", midi(1, 17, 96, 333333, 3952)},
        {"tempo", midi(1, 17, 120, 500000, 3952)},
        {"header", "RIFF" + midi(1, 17, 120, 333333, 3952).substr(4)},
        {"no later tempo", midi(1, 17, 120, 333333, 3952).replace(30, 3, "\xFF\x01\x03")},
    };
    for (const Row& r : bad) EXPECT_THROW(check_midi_tune(r.bytes), CompileError) << r.what;
}

TEST(ConstantLayout, AlignedTerminatedAndByteSetsWithHeader) {
    std::vector<Constant> constants{{"a", false, "abc", "abc"},
                                    {"b", true, "xyz", ""},
                                    {"c", true, "", ""},
                                    {"d", false, "", ""}};
    ConstantArea area = lay_out_constants(constants);
    ASSERT_EQ(area.offsets.size(), 4u);
    EXPECT_EQ(area.offsets[0], 0u);
    EXPECT_EQ(area.bytes.substr(0, 4), std::string("abc\0", 4));
    EXPECT_EQ(area.offsets[1], 8u);
    EXPECT_EQ(area.bytes.substr(8, 11), std::string("\1\0\0\0\3\0\0\0xyz", 11));
    EXPECT_EQ(area.offsets[2], std::string::npos);  // empty byte set: null
    EXPECT_EQ(area.offsets[3], 24u);
    EXPECT_EQ(area.bytes[24], '\0');
}

// A small source tree written to a temporary directory; each test breaks
// one thing and expects the compiler to name it.
class SourceTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        write("program.json", R"({"run_mode": 3, "word1": 0, "word2": "0x1340B", "library_count": 5,
            "dll_commands": [{"file": "kernel32.dll", "name": "CloseHandle"}], "windows": ["w.json"]})");
        write("handlers.json", R"({"handlers": ["on_a", "on_b"]})");
        write("constants.json", R"({"texts": [{"name": "t", "text": "设置"}], "byte_sets": []})");
        window_ = R"({"symbol": "w", "id": "0x52010001", "record_id": "0x19010002", "word_a": 0,
          "units": [{"name": "", "type": "window", "id": "0x06010000", "left": 1, "top": 2,
            "width": 3, "height": 4, "state": ["visible"], "focus_order": 0, "tag": "",
            "mouse_pointer": "00000000", "events": [["created", "on_b"]],
            "properties": {"title": "标题", "border_style": 2, "background_colour": "0x737E50",
              "background_picture": "", "picture_layout": 1, "background_music": "",
              "music_mode": 0, "control_box": true, "maximize_button": false,
              "minimize_button": true, "start_position": 1, "movable": true, "icon": "",
              "enter_moves_focus": false, "esc_closes": true, "f1_opens_help": false,
              "help_file": "", "help_context": 0, "show_in_task_bar": true,
              "drag_to_move": false, "window_shape": 0, "always_on_top": false,
              "word_22": 0, "window_class": ""}}]})";
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_.filePath(QString::fromStdString(name)).toStdString()) << text;
    }
    ProgramSource compile_with(const std::string& from, const std::string& to) {
        std::string w = window_;
        if (!from.empty()) {
            size_t at = w.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            w.replace(at, from.size(), to);
        }
        write("w.json", w);
        return read_program_source(dir_.path().toStdString(), {});
    }
    std::string error_with(const std::string& from, const std::string& to) {
        try {
            compile_with(from, to);
        } catch (const CompileError& e) {
            return e.what();
        }
        return "no error";
    }

    QTemporaryDir dir_;
    std::string window_;
};

TEST_F(SourceTree, CompilesAndReadsBack) {
    ProgramSource p = compile_with("", "");
    ASSERT_EQ(p.windows.windows.size(), 1u);
    const FormUnit& u = p.windows.windows[0].units[0];
    EXPECT_EQ(u.events.at(0).event, 0);
    EXPECT_EQ(u.events.at(0).offset, 1u);  // on_b: second in the handler list
    EXPECT_EQ(u.mouse_pointer, std::string(4, '\0'));
    std::string block = compile_form_resource(p);
    WindowTable back;
    EXPECT_TRUE(
        parse_form_resource(reinterpret_cast<const uint8_t*>(block.data()), block.size(), back));
    GeneratedFiles files = generate_sources(p, block);
    EXPECT_NE(files.header.find("inline constexpr uint32_t on_b = 1;"), std::string::npos);
    EXPECT_NE(files.header.find("inline const char* t()"), std::string::npos);
    EXPECT_NE(files.source.find(".word2 = 0x0001340B"), std::string::npos);
    EXPECT_NE(files.header.find("inline constexpr int32_t CloseHandle = 0;"), std::string::npos);
}

TEST_F(SourceTree, DllCommandNamesMustBeUniqueIdentifiers) {
    const char* const lists[] = {
        R"([{"file": "kernel32.dll", "name": "Close Handle"}])",
        R"([{"file": "a.dll", "name": "Open"}, {"file": "b.dll", "name": "Open"}])",
    };
    for (const char* list : lists) {
        write("program.json", std::string(R"({"run_mode": 3, "word1": 0, "word2": 0,
            "library_count": 5, "windows": ["w.json"], "dll_commands": )") +
                                  list + "}");
        std::string error = error_with("", "");
        EXPECT_NE(error.find("dll_commands"), std::string::npos) << list << " -> " << error;
    }
}

TEST_F(SourceTree, MistakesAreNamed) {
    struct Row {
        const char* from;
        const char* to;
        const char* message;
    };
    const Row rows[] = {
        {"\"on_b\"", "\"on_missing\"", "on_missing"},
        {"\"created\"", "\"clicked\"", "clicked"},
        {"\"word_22\": 0,", "", "word_22"},
        {"\"word_22\": 0,", "\"word_22\": 0, \"colour\": 1,", "colour"},
        {"\"标题\"", "\"한\"", "GBK"},
        {"\"0x06010000\"", "\"0x16010000\"", "kind 0"},
        {"\"0x52010001\"", "\"0x16010001\"", "kind 5"},
        {"\"type\": \"window\"", "\"type\": \"Label\"", "own unit"},
        {"\"type\": \"window\"", "\"type\": \"Button\"", "Button"},
        {"\"border_style\": 2", "\"border_style\": \"two\"", "border_style"},
        {"\"mouse_pointer\": \"00000000\"", "\"mouse_pointer\": \"0g\"", "mouse_pointer"},
        {"\"left\": 1", "\"left\": 1.5", "whole number"},
        {"\"symbol\": \"w\"", "\"symbol\": \"main window\"", "not an identifier"},
    };
    for (const Row& r : rows) {
        std::string error = error_with(r.from, r.to);
        EXPECT_NE(error.find(r.message), std::string::npos) << r.from << " -> " << error;
    }
}

}  // namespace
}  // namespace qinghe::tools
