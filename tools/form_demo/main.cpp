// A demonstration window of the form engine: labels in the main window's
// colours and fonts, every border style, gradients and text effects. With
// the argument "about" it starts from the program's own window resource
// and shows the About window instead (no handlers bound). Run it under a
// display (or Xvfb) to look at the rendering.
#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "commands/core_library.h"
#include "components/component_types.h"
#include "components/form_window.h"
#include "components/label.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/program_header.h"
#include "runtime/font_record.h"
#include "runtime/form_resource.h"
#include "runtime/frame.h"
#include "runtime/property_block.h"
#include "runtime/runtime_object.h"
#include "runtime/start_up.h"

using namespace qinghe;

namespace {

namespace L = LabelProperty;
using Edit = std::function<void(PropertyStore&)>;

std::string gbk(const char* utf8) { return platform::gbk_from_utf8(utf8); }

std::string yahei(int32_t pixels, int32_t weight = 400) {
    return encode_font_record(FontRecord::of(gbk("微软雅黑"), pixels, weight));
}

FormUnit label(uint32_t serial, QRect g, const char* caption, const Edit& edit) {
    PropertyStore p(Label::table());
    p.set_bytes(L::kCaption, gbk(caption));
    p.set_word(L::kBackground, 0x899760);
    p.set_word(L::kAlignment, 1);
    p.set_bytes(L::kFont, yahei(19));
    edit(p);
    FormUnit u;
    u.id = 0x16000000u | serial;
    u.type = UnitType::kLabel;
    u.left = g.left(), u.top = g.top(), u.width = g.width(), u.height = g.height();
    u.state = UnitState::kVisible;
    u.mouse_pointer = std::string(4, '\0');
    u.property_block = p.write_blob();
    return u;
}

FormWindow demo_window() {
    PropertyStore p(FormWindowWidget::table());
    p.set_bytes(FormProperty::kTitle, gbk("青禾基金持仓查看器 1.0  标签演示"));
    p.set_word(FormProperty::kBackground, 0x737E50);
    FormWindow w;
    w.id = 0x52000001;
    FormUnit own;
    own.id = 0x06000001;
    own.type = UnitType::kWindow;
    own.left = 0, own.top = 0, own.width = 706, own.height = 420;
    own.state = UnitState::kVisible;
    own.property_block = p.write_blob();
    w.units.push_back(own);
    uint32_t serial = 2;
    auto add = [&](QRect g, const char* caption, const Edit& edit) {
        w.units.push_back(label(serial++, g, caption, edit));
    };
    add({20, 20, 666, 40}, "输入基金代码，每行一个，然后点击“分析”", [](PropertyStore& p) {
        p.set_word(L::kAlignment, 0);
        p.set_word(L::kBackground, 0x737E50);
        p.set_word(L::kTextColour, 0xFFFFFF);
    });
    const char* borders[] = {"无边框", "凹入式", "凸出式", "浅凹入", "镜框式", "单线", "渐变边框"};
    for (int32_t b = 0; b <= 6; ++b)
        add({20 + 94 * b, 80, 84, 40}, borders[b], [b](PropertyStore& p) {
            p.set_word(L::kBorder, b);
            p.set_word(L::kFrameWidth, 6);
        });
    const char* effects[] = {"普通文字", "凸出文字", "凹入文字", "阴影文字"};
    for (int32_t e = 0; e <= 3; ++e)
        add({20 + 166 * e, 140, 156, 44}, effects[e], [e](PropertyStore& p) {
            p.set_word(L::kEffect, e);
            p.set_bytes(L::kFont, yahei(24, 700));
            p.set_word(L::kTextColour, 0x203040);
            p.set_word(L::kBorder, 5);
        });
    add({20, 204, 320, 60}, "渐变背景：从左到右，三个颜色", [](PropertyStore& p) {
        p.set_word(L::kGradientMode, 2);
        p.set_word(L::kGradientStop1, 0x4060C0);
        p.set_word(L::kGradientStop1 + 1, 0xF0F0F0);
        p.set_word(L::kGradientStop1 + 2, 0x60A040);
    });
    add({366, 204, 320, 60}, "渐变背景：对角线，两个颜色", [](PropertyStore& p) {
        p.set_word(L::kGradientMode, 3);
        p.set_word(L::kGradientStop1, 0x303080);
        p.set_word(L::kGradientStop1 + 1, 0xC0E0FF);
        p.set_word(L::kGradientStop1 + 2, int32_t(0xFF000000));
        p.set_word(L::kTextColour, 0xFFFFFF);
    });
    add({20, 284, 320, 110},
        "自动折行：本工具下载各基金的网页，取出前十大重仓股票，合并后按持仓比例排列。",
        [](PropertyStore& p) {
            p.set_word(L::kWordWrap, 1);
            p.set_word(L::kAlignment, 0);
            p.set_word(L::kBorder, 3);
            p.set_bytes(L::kFont, encode_font_record(FontRecord::of(gbk("宋体"), 16, 400)));
        });
    add({366, 284, 150, 50}, "分析", [](PropertyStore& p) { p.set_word(L::kBorder, 5); });
    add({536, 284, 150, 50}, "关于", [](PropertyStore& p) { p.set_word(L::kBorder, 5); });
    add({366, 344, 320, 50}, "正在读取第 3 个基金 (161725)", [](PropertyStore& p) {
        p.set_word(L::kAlignment, 2);
        p.set_word(L::kVerticalAlignment, 2);
        p.set_word(L::kBackground, int32_t(0xFF000000));
        p.set_bytes(L::kFont, yahei(16));
    });
    return w;
}

// The program's windows, with a handler table of empty entries.
uint32_t start_from_program_resources() {
    static std::vector<EventHandler> handlers(resources::handler_count, nullptr);
    static LibraryRecord* libraries[] = {&core_library_record()};
    ProgramHeader header = resources::program_header;
    header.code_base = handlers.data();
    header.handler_count = handlers.size();
    header.libraries = libraries;
    header.library_count = 1;
    initialise(header);
    return resources::window_id::about;
}

uint32_t start_from_demo_window() {
    static LibraryRecord* libraries[] = {&core_library_record()};
    initialise_libraries(libraries, 1);
    install_error_box();
    WindowTable table;
    table.windows.push_back(demo_window());
    install_window_table(std::move(table));
    return 0x52000001;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    register_component_types();
    const bool about = argc > 1 && std::strcmp(argv[1], "about") == 0;
    static const uint32_t window =
        about ? start_from_program_resources() : start_from_demo_window();
    load_start_window(window);
    if (const char* seconds = std::getenv("QINGHE_DEMO_SECONDS"))
        QTimer::singleShot(std::atoi(seconds) * 1000, [] {
            if (QWidget* w = find_object(window, 0)) w->close();
        });
    run_message_loop();
    return 0;
}
