// The edit box in small test windows: selection by byte offsets, input
// modes, the spin button, Enter in a multi-line box, program writes of the
// content and reads from a worker thread.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <atomic>
#include <thread>

#include "components/edit_box.h"
#include "components/edit_input_mode.h"
#include "components/spin_button.h"
#include "form_fixture.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"

namespace qinghe::testing {
namespace {

namespace P = EditBoxProperty;

std::string edit_box_blob(const std::function<void(PropertyStore&)>& edit = {}) {
    PropertyStore store(EditBox::table());
    if (edit) edit(store);
    return store.write_blob();
}

class EditBoxTest : public FormEngineTest {
protected:
    static constexpr uint32_t kState = UnitState::kVisible | UnitState::kTabStop;
    // Loads window 1 with edit box 2 (and a second box 3 to take the focus).
    EditBox* load(const std::function<void(PropertyStore&)>& edit, QSize size = {120, 24}) {
        install({window(
            1,
            {unit(component_id(2), UnitType::kEditBox, QRect(QPoint(5, 5), size),
                  edit_box_blob(edit), kState),
             unit(component_id(3), UnitType::kEditBox, QRect(5, 150, 120, 24), edit_box_blob(),
                  kState)},
            window_blob([](PropertyStore& p) { p.set_word(FormProperty::kEnterMovesFocus, 1); }))});
        EXPECT_EQ(load_window(window_id(1), nullptr, false), 0);
        QApplication::setActiveWindow(find_object(window_id(1), 0));
        return box(2);
    }
    static EditBox* box(uint32_t serial) {
        return dynamic_cast<EditBox*>(find_object(window_id(1), component_id(serial)));
    }
    static uint32_t read_word(int32_t number) {
        return get_property(window_id(1), component_id(2), number, kWholeValue).lo;
    }
    static std::string read_text(int32_t number) {
        TaggedArg value = get_property(window_id(1), component_id(2), number, kWholeValue);
        std::string text = value.text() ? value.text() : "";
        mem_free(value.pointer());
        return text;
    }
    static void write_word(int32_t number, int32_t value) {
        set_property(window_id(1), component_id(2), number, kWholeValue, uint32_t(value), 0);
    }
    static void write_text(int32_t number, const std::string& text) {
        set_property(window_id(1), component_id(2), number, kWholeValue,
                     TaggedArg::of_text(text.c_str()));
    }
    static void key(QWidget* w, int k, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &e);
    }
    static void type(QWidget* w, const QString& text) {
        for (QChar c : text) key(w, 0, QString(c));
    }
    static SpinButton* spin(EditBox* b) { return b->spin_button(); }
    static void press(SpinButton* s, int32_t direction) {
        QPointF at(s->width() / 2, direction > 0 ? 2 : s->height() - 3);
        QMouseEvent down(QEvent::MouseButtonPress, at, s->mapToGlobal(at), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QMouseEvent up(QEvent::MouseButtonRelease, at, s->mapToGlobal(at), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(s, &down);
        QCoreApplication::sendEvent(s, &up);
    }
};

TEST_F(EditBoxTest, SelectionIsReadAndWrittenInGbkBytes) {
    load([](PropertyStore& p) { p.set_bytes(P::kContent, utf8_to_gbk("ab中文c")); });
    struct Row {
        int32_t start, length;  // written in this order
        int32_t read_start, read_length;
        const char* selected;
    };
    const Row rows[] = {
        {-1, 0, 7, 0, ""},         // -1: caret at the end, nothing selected
        {0, -1, 0, 7, "ab中文c"},  // -1: everything
        {1, 3, 1, 3, "b中"},      {2, 2, 2, 2, "中"},
        {3, 2, 2, 2, "中"},  // inside a character: from its start
        {-5, 1, 0, 1, "a"},  // other negatives are 0
        {6, -9, 6, 0, ""},
    };
    for (const Row& r : rows) {
        write_word(8 + P::kSelectionStart, r.start);
        write_word(8 + P::kSelectionLength, r.length);
        EXPECT_EQ(read_word(8 + P::kSelectionStart), uint32_t(r.read_start))
            << r.start << "," << r.length;
        EXPECT_EQ(read_word(8 + P::kSelectionLength), uint32_t(r.read_length))
            << r.start << "," << r.length;
        EXPECT_EQ(read_text(8 + P::kSelectedText), utf8_to_gbk(r.selected))
            << r.start << "," << r.length;
    }
    // Writing the selected text replaces the selection.
    write_word(8 + P::kSelectionStart, 2);
    write_word(8 + P::kSelectionLength, 4);
    write_text(8 + P::kSelectedText, utf8_to_gbk("XY"));
    EXPECT_EQ(read_text(8 + P::kContent), "abXYc");
}

TEST_F(EditBoxTest, NumberModesNormaliseWhenTheFocusLeavesBeforeFocusLostFires) {
    struct Row {
        int32_t mode;
        const char* typed;
        const char* shown;
    };
    const Row rows[] = {
        {InputMode::kByte, "300", "255"},
        {InputMode::kByte, "-3", ""},
        {InputMode::kByte, "0", ""},
        {InputMode::kShort, "40000", "32767"},
        {InputMode::kShort, "-40000", "-32768"},
        {InputMode::kInteger, "99999999999", "2147483647"},
        {InputMode::kLong, "-0012", "-12"},
        {InputMode::kText, "0", "0"},
    };
    for (const Row& r : rows) {
        EditBox* b = load([&](PropertyStore& p) { p.set_word(P::kInputMode, r.mode); });
        write_text(8 + P::kContent, r.typed);
        b->setFocus();
        std::string seen_at_focus_loss = "unset";
        recorder().actions[{component_id(2), -8}] = [&] {
            seen_at_focus_loss = read_text(8 + P::kContent);
        };
        box(3)->setFocus();
        EXPECT_EQ(read_text(8 + P::kContent), r.shown) << r.mode << " " << r.typed;
        EXPECT_EQ(seen_at_focus_loss, r.shown) << r.mode << " " << r.typed;
        reset_form_engine();
    }
}

TEST_F(EditBoxTest, TypedCharactersAreFilteredByModeAndCaseConverted) {
    EditBox* b = load([](PropertyStore& p) { p.set_word(P::kInputMode, InputMode::kByte); });
    b->setFocus();
    type(b->field(), "1a-2.3");
    EXPECT_EQ(read_text(8 + P::kContent), "123");
    reset_form_engine();

    b = load([](PropertyStore& p) { p.set_word(P::kCaseConversion, 2); });
    b->setFocus();
    type(b->field(), "ab1c");
    EXPECT_EQ(read_text(8 + P::kContent), "AB1C");
    reset_form_engine();

    // The maximum length counts GBK bytes and refuses what goes past it;
    // a program write is not cut.
    b = load([](PropertyStore& p) { p.set_word(P::kMaximumLength, 3); });
    b->setFocus();
    type(b->field(), QString::fromUtf8("中文a"));
    EXPECT_EQ(read_text(8 + P::kContent), utf8_to_gbk("中a"));
    write_text(8 + P::kContent, "abcdef");
    EXPECT_EQ(read_text(8 + P::kContent), "abcdef");
}

TEST_F(EditBoxTest, SpinButtonFollowsTheBox) {
    EditBox* b = load([](PropertyStore& p) { p.set_word(P::kSpinButton, 1); });
    QWidget* form = find_object(window_id(1), 0);
    ASSERT_NE(spin(b), nullptr);
    EXPECT_TRUE(spin(b)->isVisible());
    set_property(window_id(1), component_id(2), CommonProperty::kLeft, kWholeValue, 40, 0);
    EXPECT_EQ(spin(b)->geometry(),
              QRect(b->geometry().right() + 1, b->y(), SpinButton::kWidth, b->height()));
    set_property(window_id(1), component_id(2), CommonProperty::kDisabled, kWholeValue, 1, 0);
    EXPECT_FALSE(spin(b)->isEnabled());
    set_property(window_id(1), component_id(2), CommonProperty::kVisible, kWholeValue, 0, 0);
    EXPECT_FALSE(spin(b)->isVisible());
    set_property(window_id(1), component_id(2), CommonProperty::kVisible, kWholeValue, 1, 0);
    EXPECT_TRUE(spin(b)->isVisible());
    // Re-creation replaces the spin button with the box's new one.
    write_word(8 + P::kCaseConversion, 1);
    ASSERT_NE(box(2), b);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<SpinButton*> spins;
    for (QObject* child : form->children())
        if (auto* s = dynamic_cast<SpinButton*>(child)) spins.push_back(s);
    EXPECT_EQ(spins, std::vector<SpinButton*>{spin(box(2))});
    EXPECT_FALSE(spin(box(2))->isEnabled());
}

TEST_F(EditBoxTest, ColoursPaintTheFieldAndTheBandAroundIt) {
    EditBox* b = load(
        [](PropertyStore& p) {
            p.set_word(P::kBorder, 0);
            p.set_word(P::kBackground, 0x0000FF);
            p.set_word(P::kTextColour, 0x00FF00);
        },
        {120, 40});
    const QImage image = b->grab().toImage();
    EXPECT_EQ(image.pixelColor(60, 1), QColor(255, 0, 0));  // the band above the text
    EXPECT_EQ(b->field()->palette().color(QPalette::Text), QColor(0, 255, 0));
    write_word(8 + P::kBackground, int32_t(0xFF000000u));
    EXPECT_EQ(b->field()->palette().color(QPalette::Base),
              QApplication::palette().color(QPalette::Button));
}

TEST_F(EditBoxTest, AutomaticSpinWrapsWithinTheOrderedRange) {
    struct Row {
        int32_t lower, upper;
        const char* before;
        int32_t direction;
        const char* after;
    };
    const Row rows[] = {
        {5, 10, "10", 1, "5"},   {5, 10, "5", -1, "10"},   {5, 10, "7", 1, "8"},
        {50, 10, "50", 1, "10"}, {50, 10, "10", -1, "50"}, {50, 10, "30", 1, "31"},
    };
    for (const Row& r : rows) {
        EditBox* b = load([&](PropertyStore& p) {
            p.set_word(P::kSpinButton, 1);
            p.set_word(P::kSpinLower, r.lower);
            p.set_word(P::kSpinUpper, r.upper);
            p.set_bytes(P::kContent, r.before);
        });
        ASSERT_NE(spin(b), nullptr);
        recorder().calls.clear();
        EXPECT_EQ(spin(b)->geometry().left(), b->geometry().right() + 1);
        press(spin(b), r.direction);
        EXPECT_EQ(read_text(8 + P::kContent), r.after)
            << r.lower << ".." << r.upper << " " << r.before;
        EXPECT_EQ(read_word(8 + P::kSelectionLength), std::string(r.after).size());
        EXPECT_EQ(recorder().count(component_id(2), 0), 1);
        reset_form_engine();
    }
}

TEST_F(EditBoxTest, ManualSpinOnlyReportsTheDirection) {
    EditBox* b = load([](PropertyStore& p) {
        p.set_word(P::kSpinButton, 2);
        p.set_bytes(P::kContent, "7");
    });
    press(spin(b), 1);
    press(spin(b), -1);
    ASSERT_EQ(recorder().count(component_id(2), 1), 2);
    EXPECT_EQ(read_text(8 + P::kContent), "7");
    std::vector<uint32_t> directions;
    for (const auto& c : recorder().calls)
        if (c.event == 1) directions.push_back(c.args.at(0));
    EXPECT_EQ(directions, (std::vector<uint32_t>{1, uint32_t(-1)}));
    // A handler may re-create the box while its spin button is pressed.
    recorder().actions[{component_id(2), 1}] = [] { write_word(8 + P::kCaseConversion, 2); };
    press(spin(b), 1);
    EXPECT_NE(box(2), b);
    ASSERT_NE(spin(box(2)), nullptr);
    recorder().actions.clear();
    // A multi-line box never gets one.
    reset_form_engine();
    b = load([](PropertyStore& p) {
        p.set_word(P::kSpinButton, 1);
        p.set_word(P::kMultiLine, 1);
    });
    EXPECT_EQ(spin(b), nullptr);
    EXPECT_EQ(read_word(8 + P::kSpinButton), 0u);
}

TEST_F(EditBoxTest, EnterMakesANewLineInAMultiLineBoxAndMovesOnFromASingleLineOne) {
    EditBox* b = load(
        [](PropertyStore& p) {
            p.set_word(P::kMultiLine, 1);
            p.set_bytes(P::kContent, "481010");
        },
        {120, 80});
    ASSERT_NE(dynamic_cast<QPlainTextEdit*>(b->field()), nullptr);
    write_word(8 + P::kSelectionStart, -1);
    b->setFocus();
    key(b->field(), Qt::Key_Return, "\r");
    type(b->field(), "002264");
    EXPECT_EQ(QApplication::focusWidget(), b->field());
    EXPECT_EQ(read_text(8 + P::kContent), "481010\r\n002264");
    EXPECT_EQ(read_word(8 + P::kSelectionStart), 14u);  // the line break counts two bytes
    reset_form_engine();

    b = load(
        [](PropertyStore& p) {
            p.set_word(P::kMultiLine, 1);
            p.set_word(P::kInputMode, 1);
        },
        {120, 80});
    b->setFocus();
    key(b->field(), Qt::Key_Return, "\r");
    EXPECT_EQ(QApplication::focusWidget(), box(3)->field());  // read-only: the window's Enter
    reset_form_engine();

    b = load({});
    b->setFocus();
    key(b->field(), Qt::Key_Return, "\r");
    EXPECT_EQ(QApplication::focusWidget(), box(3)->field());
}

TEST_F(EditBoxTest, ProgramWritesFireTheChangeEventOnceEvenForEqualText) {
    for (bool multi_line : {false, true}) {
        load([&](PropertyStore& p) { p.set_word(P::kMultiLine, multi_line); }, {120, 60});
        recorder().calls.clear();
        write_text(8 + P::kContent, "abc");
        EXPECT_EQ(recorder().count(component_id(2), 0), 1) << multi_line;
        write_text(8 + P::kContent, "abc");
        EXPECT_EQ(recorder().count(component_id(2), 0), 2) << multi_line;
        write_text(8 + P::kContent, "");
        EXPECT_EQ(recorder().count(component_id(2), 0), 3) << multi_line;
        EXPECT_EQ(read_text(8 + P::kContent), "") << multi_line;
        reset_form_engine();
    }
}

TEST_F(EditBoxTest, RecreatesOnlyWhenARecreatingValueChangesAndKeepsItsState) {
    EditBox* b = load([](PropertyStore& p) {
        p.set_word(P::kInputMode, InputMode::kPassword);
        p.set_word(P::kPasswordCharacter, '#');
    });
    EXPECT_EQ(read_text(8 + P::kPasswordCharacter), "#");
    write_text(8 + P::kContent, "secret");
    write_word(8 + P::kAlignment, 0);
    EXPECT_EQ(box(2), b);              // same value: kept
    write_word(8 + P::kAlignment, 7);  // clamped to 2: differs
    EditBox* fresh = box(2);
    ASSERT_NE(fresh, b);
    EXPECT_EQ(read_word(8 + P::kAlignment), 2u);
    EXPECT_EQ(read_text(8 + P::kContent), "secret");
    EXPECT_EQ(read_text(8 + P::kPasswordCharacter), "#");
    auto* line = dynamic_cast<QLineEdit*>(fresh->field());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->echoMode(), QLineEdit::Password);
    EXPECT_EQ(line->displayText(), QString(6, QLatin1Char('#')));
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(EditBoxTest, SingleLineTextIsCentredAndTheBoxGrowsToHoldALine) {
    EditBox* b = load({}, {120, 40});
    const QRect field = b->field()->geometry();
    EXPECT_LT(field.height(), 40 - 2 * 2);
    EXPECT_NEAR(field.center().y(), 20, 1);
    reset_form_engine();
    b = load({}, {120, 4});
    EXPECT_GE(b->height(), QFontMetrics(b->field()->font()).height() + 4);
}

TEST_F(EditBoxTest, ContentIsReadFromAWorkerThreadOnTheMainThread) {
    load([](PropertyStore& p) { p.set_word(P::kMultiLine, 1); }, {120, 80});
    write_text(8 + P::kContent, "481010\r\n002264");
    std::atomic<bool> done{false};
    std::string seen;
    std::thread worker([&] {
        seen = read_text(8 + P::kContent);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    EXPECT_EQ(seen, "481010\r\n002264");
}

TEST_F(EditBoxTest, NormalisedTextsOfTheNumberAndDateModes) {
    struct Row {
        int32_t mode;
        const char* text;
        const char* normalised;
    };
    const Row rows[] = {
        {InputMode::kLong, "99999999999999999999", "9223372036854775807"},
        {InputMode::kFloat, "1.50", "1.5"},
        {InputMode::kDouble, "-0.25x", "-0.25"},
        {InputMode::kDouble, "abc", ""},
        {InputMode::kDateTime, "2024-1-5", "2024年1月5日"},
        {InputMode::kDateTime, "2024/01/05 13:30", "2024年1月5日13时30分"},
        {InputMode::kDateTime, "2024年2月30日", ""},
        {InputMode::kDateTime, "1899-12-30", ""},
        {InputMode::kDateTime, "tomorrow", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(normalised_input(r.mode, utf8_to_gbk(r.text)), utf8_to_gbk(r.normalised))
            << r.mode << " " << r.text;
}

}  // namespace
}  // namespace qinghe::testing
