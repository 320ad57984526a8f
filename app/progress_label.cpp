#include "app/progress_label.h"

#include <QFontMetrics>
#include <QWidget>

#include "components/fonts.h"
#include "components/label.h"
#include "platform/text_encoding.h"
#include "program_resources.h"
#include "runtime/main_thread.h"
#include "runtime/property_access.h"
#include "runtime/runtime_object.h"

namespace qinghe::app {
namespace {

constexpr uint32_t kWindow = resources::window_id::main;
constexpr uint32_t kLabel = resources::unit_id::label_progress;
constexpr int32_t kCaption = own_property(LabelProperty::kCaption);

Label* progress_label() { return dynamic_cast<Label*>(find_object(kWindow, kLabel)); }

QFont label_font() {
    const Label* label = progress_label();
    return label ? font_from_record_bytes(label->properties().bytes(LabelProperty::kFont))
                 : default_gui_font();
}

void show_on_main_thread(const std::string& line) {
    Label* label = progress_label();
    const std::string caption = label ? fitted_caption(line, label->width()) : line;
    set_property(kWindow, kLabel, kCaption, kWholeValue, TaggedArg::of_text(caption.c_str()));
    if (label)
        label->setToolTip(caption == line ? QString()
                                          : QString::fromStdString(platform::utf8_from_gbk(line)));
}

}  // namespace

std::string fitted_caption(const std::string& line, int width) {
    const QString text = QString::fromStdString(platform::utf8_from_gbk(line));
    const QString shown = QFontMetrics(label_font()).elidedText(text, Qt::ElideRight, width);
    return shown == text ? line : platform::gbk_from_utf8(shown.toStdString());
}

void show_run_end(const std::string& line) {
    run_on_main_thread([&line] { show_on_main_thread(line); });
}

void clear_progress_tip() {
    run_on_main_thread([] {
        if (Label* label = progress_label()) label->setToolTip(QString());
    });
}

}  // namespace qinghe::app
