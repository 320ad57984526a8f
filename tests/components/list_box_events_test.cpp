// The events the report list box raises: label editing, check boxes, clicks,
// activation and hot tracking, and a worker thread filling the list.

#include "list_box_fixture.h"

namespace qinghe::testing {
namespace {

using namespace list_box_testing;

TEST_F(ListBoxTest, LabelEditingEventsAndEditedText) {
    ListBox* list = load(list_blob([](PropertyStore& p) { p.set_word(P::kEditableLabels, 1); }));
    ASSERT_NE(list, nullptr);
    QAbstractItemView* view = list->view();
    const QModelIndex first = view->model()->index(0, 0);
    view->setCurrentIndex(first);

    recorder().replies[{component_id(2), ListBoxEvent::kEditStarting}] = 0;  // refused
    view->edit(first);
    EXPECT_EQ(view->indexWidget(first), nullptr);
    EXPECT_EQ(args_of(ListBoxEvent::kEditStarting), std::vector<uint32_t>{0});

    recorder().replies.clear();
    std::string seen;
    recorder().actions[{component_id(2), ListBoxEvent::kEditEnded}] = [&] {
        seen = read_text(P::kEditedText);
    };
    auto edit_to = [&](const char* text, Qt::Key key) {
        view->edit(first);
        auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(first));
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(editor, &press);
        settle();
    };
    edit_to("renamed", Qt::Key_Return);
    EXPECT_EQ(seen, "renamed");
    EXPECT_EQ(list->cell_text(0, 0), "renamed");
    EXPECT_EQ(read_text(P::kEditedText), "");

    recorder().replies[{component_id(2), ListBoxEvent::kEditEnded}] = 0;  // rejected
    edit_to("again", Qt::Key_Return);
    EXPECT_EQ(seen, "again");
    EXPECT_EQ(list->cell_text(0, 0), "renamed");

    recorder().replies.clear();
    edit_to("cancelled", Qt::Key_Escape);
    EXPECT_EQ(seen, "renamed");  // a cancelled edit reports the row's own text
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kEditEnded), 3);
}

TEST_F(ListBoxTest, CheckBoxToggleRaisesEvent8) {
    ListBox* list = load(list_blob([](PropertyStore& p) { p.set_word(P::kCheckBoxes, 1); }));
    ASSERT_NE(list, nullptr);
    QAbstractItemView* view = list->view();
    EXPECT_EQ(view->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    settle();
    recorder().calls.clear();
    view->setCurrentIndex(view->model()->index(1, 0));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QCoreApplication::sendEvent(view, &space);
    settle();
    EXPECT_EQ(args_of(ListBoxEvent::kCheckChanged), (std::vector<uint32_t>{1, 1}));
    command(1);  // rows the program adds raise nothing
    settle();
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kCheckChanged), 1);
}

TEST_F(ListBoxTest, ClickEventsFocusedRowActivationAndCaptionClick) {
    ListBox* list = load();
    ASSERT_NE(list, nullptr);
    settle();
    recorder().calls.clear();
    QWidget* viewport = list->view()->viewport();
    const QPoint at = list->view()->visualRect(list->view()->model()->index(1, 0)).center();
    quint64 time = 50000;
    auto mouse = [&](QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent e(type, at, viewport->mapToGlobal(at), button, button, Qt::NoModifier);
        e.setTimestamp(time += 10);
        QCoreApplication::sendEvent(viewport, &e);
    };
    mouse(QEvent::MouseButtonPress, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    settle();
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kLeftClick), 1);
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kFocusedRow), 1);
    EXPECT_EQ(read(P::kSelection), 1);
    mouse(QEvent::MouseButtonPress, Qt::RightButton);
    mouse(QEvent::MouseButtonDblClick, Qt::LeftButton);
    settle();
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kRightClick), 1);
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kActivated), 1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(list->view(), &enter);
    settle();
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kActivated), 2);
    emit list->report_view()->header()->sectionClicked(2);
    settle();
    EXPECT_EQ(args_of(ListBoxEvent::kCaptionClicked), std::vector<uint32_t>{2});
}

TEST_F(ListBoxTest, HotTrackingSelectsOnHoverAndActivatesOnOneClick) {
    ListBox* list = load(list_blob([](PropertyStore& p) { p.set_word(P::kHotTracking, 1); }));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->view()->viewport()->cursor().shape(), Qt::PointingHandCursor);
    const QModelIndex second = list->view()->model()->index(1, 0);
    emit list->view()->entered(second);
    emit list->view()->entered(second);  // the same row again: no new event
    settle();
    EXPECT_EQ(args_of(ListBoxEvent::kHotRow), std::vector<uint32_t>{1});
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kHotRow), 1);
    EXPECT_EQ(read(P::kSelection), 1);
    emit list->view()->clicked(second);
    settle();
    EXPECT_EQ(recorder().count(component_id(2), ListBoxEvent::kActivated), 1);
}

TEST_F(ListBoxTest, WorkerFillsTheListWhileTheMainThreadRepaints) {
    ListBox* list = load();
    ASSERT_NE(list, nullptr);
    constexpr int kRounds = 5, kRows = 30, kHalf = kRows / 2;
    std::atomic<bool> done{false};
    // Halfway through each round the worker waits until the main thread has
    // painted the half-filled list, so painting and filling always overlap.
    std::atomic<int> waiting_round{-1};
    std::thread worker([&] {
        for (int round = 0; round < kRounds; ++round) {
            command(0);
            for (int r = 0; r < kRows; ++r) {
                if (r == kHalf) {
                    waiting_round = round;
                    while (waiting_round != -1) std::this_thread::yield();
                }
                const int32_t row =
                    command(1, {kOmitted, kOmitted, kOmitted, kOmitted, kOmitted, kOmitted})
                        .as_int();
                for (int c = 0; c < 3; ++c) {
                    const std::string text =
                        std::to_string(round) + ":" + std::to_string(r) + ":" + std::to_string(c);
                    command(2, {TaggedArg::of_int(row), TaggedArg::of_int(c),
                                TaggedArg::of_text(text.c_str())});
                }
            }
        }
        done = true;
    });
    // What each halfway repaint found: the commands the worker made had all
    // taken effect, none of the round's later ones had.
    auto seen = [](int rows, const std::string& last) {
        return std::to_string(rows) + " rows, last " + last;
    };
    std::vector<std::string> halfway, expected;
    while (!done) {
        const int round = waiting_round;
        list->view()->viewport()->repaint();
        if (round != -1) {
            halfway.push_back(seen(list->row_count(), list->cell_text(kHalf - 1, 2)));
            const std::string last = std::to_string(round) + ":" + std::to_string(kHalf - 1) + ":2";
            expected.push_back(seen(kHalf, last));
            waiting_round = -1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    worker.join();
    EXPECT_EQ(halfway.size(), size_t(kRounds));
    EXPECT_EQ(halfway, expected);
    ASSERT_EQ(list->row_count(), kRows);
    for (int r = 0; r < kRows; ++r)
        EXPECT_EQ(list->cell_text(r, 2),
                  std::to_string(kRounds - 1) + ":" + std::to_string(r) + ":2");
}

}  // namespace
}  // namespace qinghe::testing
