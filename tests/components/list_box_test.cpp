// The report list box on a loaded window: its commands (also from a worker
// thread), its properties through the form engine, its resource tables
// and image lists, and the events it raises.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPalette>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <thread>

#include "components/extended_ui_library.h"
#include "components/list_box.h"
#include "components/list_box_commands.h"
#include "form_fixture.h"
#include "runtime/list_tables.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"
#include "support/report_capture.h"
#include "support/test_images.h"

namespace qinghe::testing {
namespace {

namespace P = ListBoxProperty;
constexpr int32_t kOwn = CommonProperty::kFirstOwn;
constexpr int32_t kLibraryIndex = Library::kExtendedUi - 1;
constexpr TaggedArg kOmitted{};

std::string list_blob(const std::function<void(PropertyStore&)>& edit = {}) {
    PropertyStore store(ListBox::table());
    store.set_word(P::kLayout, ListBoxLayout::kReport);
    store.set_bytes(P::kColumns, encode_column_table({{false, -1, 0, 120, "name"},
                                                      {false, -1, 2, 80, "ratio"},
                                                      {false, -1, 1, 60, "count"}}));
    store.set_bytes(P::kItems, encode_item_table({{false, 7, -1, 0, 11, "alpha", "tip a"},
                                                  {true, -1, -1, 0, 0, "1.5", ""},
                                                  {false, -1, -1, 0, 22, "beta", "tip b"}}));
    if (edit) edit(store);
    return store.write_blob();
}

class ListBoxTest : public FormEngineTest {
protected:
    void SetUp() override {
        FormEngineTest::SetUp();
        static LibraryRecord* libraries[4] = {&core_library_record(), &probe_library(), nullptr,
                                              &extended_ui_library()};
        initialise_libraries(libraries, 4);
    }

    ListBox* load(const std::string& blob = list_blob()) {
        FormUnit list = unit(component_id(2), UnitType::kListBox, QRect(5, 5, 300, 150), blob);
        list.events.push_back(
            {ListBoxEvent::kEditEnded, 100, &record_event<ListBoxEvent::kEditEnded>});
        install({window(1, {list})});
        if (load_window(window_id(1), nullptr, false) != 0) return nullptr;
        return box();
    }
    static ListBox* box() {
        return dynamic_cast<ListBox*>(find_object(window_id(1), component_id(2)));
    }

    static TaggedArg unit_ref() {
        return TaggedArg::of_unit(window_id(1), component_id(2), UnitType::kListBox);
    }
    // Calls command `number` of the library with the unit reference first.
    static TaggedArg command(int32_t number, std::vector<TaggedArg> args = {}) {
        args.insert(args.begin(), unit_ref());
        const CommandEntry entry = library_record(kLibraryIndex)->commands[number];
        return call_library_command(kLibraryIndex, entry, int32_t(args.size()), args.data());
    }
    static int32_t read(int32_t own) {
        return get_property(window_id(1), component_id(2), kOwn + own, -1).as_int();
    }
    static std::string read_text(int32_t own) {
        TaggedArg v = get_property(window_id(1), component_id(2), kOwn + own, -1);
        std::string s = v.text() ? v.text() : "";
        mem_free(v.pointer());
        return s;
    }
    static void write(int32_t own, int32_t value) {
        set_property(window_id(1), component_id(2), kOwn + own, -1, uint32_t(value), 0);
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static std::vector<uint32_t> args_of(int32_t event) {
        for (const auto& c : recorder().calls)
            if (c.unit_id == component_id(2) && c.event == event) return c.args;
        return {};
    }
};

TEST_F(ListBoxTest, LibraryRecordDeclaresTheListBoxAndItsCommands) {
    const LibraryRecord& library = extended_ui_library();
    EXPECT_EQ(library.type_count, 5);
    EXPECT_EQ(library.command_count, 3);
    const DataTypeRecord* type = data_type_record(UnitType::kListBox);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(platform::utf8_from_gbk(type->name), "超级列表框");
    EXPECT_STREQ(type->ascii_name, "ListView");
    EXPECT_NE(type->interface_entry, nullptr);
    EXPECT_EQ(type->property_count, 31);
}

TEST_F(ListBoxTest, InitialItemsColumnsAndTips) {
    ListBox* list = load();
    ASSERT_NE(list, nullptr);
    QTreeView* tree = list->report_view();
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->header()->isVisible());
    EXPECT_EQ(tree->header()->sectionSize(0), 120);
    EXPECT_EQ(tree->header()->sectionSize(2), 60);
    ASSERT_EQ(list->row_count(), 2);
    EXPECT_EQ(list->cell_text(0, 0), "alpha");
    EXPECT_EQ(list->cell_text(0, 1), "1.5");
    EXPECT_EQ(list->cell_text(1, 0), "beta");
    EXPECT_EQ(list->row_tag(1), 22u);
    EXPECT_EQ(list->row_tip(1), "tip b");
    EXPECT_EQ(list->row_tip(2), "");
    // An image index outside the (empty) image list is dropped.
    EXPECT_TRUE(tree->model()->index(0, 0).data(Qt::DecorationRole).isNull());

    std::vector<std::string> texts;
    auto enumerate =
        reinterpret_cast<EnumerateTextsEntry>(list_box_interface(InterfaceCode::kEnumerateTexts));
    enumerate(list, [&](const std::string& t) { texts.push_back(t); });
    EXPECT_EQ(texts, (std::vector<std::string>{"name", "ratio", "count", "alpha", "tip a", "1.5",
                                               "", "beta", "tip b"}));
}

TEST_F(ListBoxTest, BlobRoundTripsAndANewerVersionFailsTheLoad) {
    const std::string blob = list_blob([](PropertyStore& p) { p.set_word(P::kHideHeader, 1); });
    ListBox* list = load(blob);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->report_view()->header()->isVisible());
    EXPECT_EQ(table_serialise(list), blob);
    reset_form_engine();

    std::string newer = blob;
    newer[0] = 2;
    ReportCapture capture;
    EXPECT_EQ(load(newer), nullptr);
}

TEST_F(ListBoxTest, InsertRowArguments) {
    struct Row {
        std::vector<TaggedArg> args;
        int32_t result;
        int32_t row_with_text;
    };
    static const std::string text = "gamma";
    const Row rows[] = {
        {{}, 2, -1},  // every argument omitted: appended
        {{kOmitted, kOmitted, kOmitted, kOmitted, kOmitted, kOmitted}, 3, -1},
        {{TaggedArg::of_int(-5), TaggedArg::of_text(text.c_str())}, 4, 4},  // negative: appended
        {{TaggedArg::of_int(99), TaggedArg::of_text(text.c_str())},
         5,
         5},  // past the end: appended
        {{TaggedArg::of_int(0), TaggedArg::of_text(text.c_str())}, 0, 0},
    };
    for (const Row& row : rows) {
        ASSERT_NE(load(), nullptr);
        for (const Row& earlier : rows) {
            if (&earlier == &row) break;
            command(1, earlier.args);
        }
        TaggedArg result = command(1, row.args);
        EXPECT_EQ(result.type, TypeTag::kInt);
        EXPECT_EQ(result.as_int(), row.result);
        if (row.row_with_text >= 0) {
            EXPECT_EQ(box()->cell_text(row.row_with_text, 0), text);
        }
        reset_form_engine();
    }
}

TEST_F(ListBoxTest, SetCellTextAndDeleteAllRows) {
    ASSERT_NE(load(), nullptr);
    static const std::string text = "delta";
    command(2, {TaggedArg::of_int(1), TaggedArg::of_int(2), TaggedArg::of_text(text.c_str())});
    EXPECT_EQ(box()->cell_text(1, 2), text);
    command(2, {TaggedArg::of_int(1)});  // column 0, empty text
    EXPECT_EQ(box()->cell_text(1, 0), "");
    command(2, {TaggedArg::of_int(5), TaggedArg::of_int(0), TaggedArg::of_text(text.c_str())});
    command(2, {TaggedArg::of_int(0), TaggedArg::of_int(3), TaggedArg::of_text(text.c_str())});
    EXPECT_EQ(box()->cell_text(0, 0), "alpha");  // rows and columns that do not exist: nothing
    EXPECT_EQ(box()->row_count(), 2);
    command(0);
    EXPECT_EQ(box()->row_count(), 0);
}

TEST_F(ListBoxTest, SortedListInsertsInOrder) {
    ASSERT_NE(load(list_blob([](PropertyStore& p) { p.set_word(P::kSorting, 2); })), nullptr);
    static const std::string texts[] = {"b", "d", "a", "c"};
    for (const auto& t : texts) command(1, {kOmitted, TaggedArg::of_text(t.c_str())});
    std::vector<std::string> order;
    for (int32_t r = 0; r < box()->row_count(); ++r) order.push_back(box()->cell_text(r, 0));
    EXPECT_EQ(order, (std::vector<std::string>{"d", "c", "beta", "b", "alpha", "a"}));
}

TEST_F(ListBoxTest, CommandOnAUnitThatIsNotLoadedIsARuntimeError) {
    ReportCapture capture;
    EXPECT_THROW(command(0), ProcessEnded);
    EXPECT_EQ(capture.shown(), 1);
}

TEST_F(ListBoxTest, LayoutWriteIsClampedAndRebuildsTheList) {
    ListBox* old = load(list_blob([](PropertyStore& p) { p.set_word(P::kLayout, 0); }));
    ASSERT_NE(old, nullptr);
    EXPECT_NE(qobject_cast<QListView*>(old->view()), nullptr);
    write(P::kLayout, 7);
    EXPECT_EQ(read(P::kLayout), 3);
    ListBox* rebuilt = box();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_NE(rebuilt, old);
    EXPECT_NE(rebuilt->report_view(), nullptr);
    EXPECT_EQ(rebuilt->row_count(), 2);  // refilled from the item table

    // Options of the report layout rebuild there; the header hides at once.
    write(P::kGridLines, 1);
    EXPECT_NE(box(), rebuilt);
    rebuilt = box();
    write(P::kHideHeader, 1);
    EXPECT_EQ(box(), rebuilt);
    EXPECT_FALSE(box()->report_view()->header()->isVisible());
}

TEST_F(ListBoxTest, ConditionalRebuilds) {
    ListBox* list = load();
    ASSERT_NE(list, nullptr);
    write(P::kAutoArrange, 0);  // an icon-layout option in report layout
    EXPECT_EQ(box(), list);
    EXPECT_EQ(read(P::kAutoArrange), 0);
    write(P::kUnderlineHot, 0);  // without hot tracking
    EXPECT_EQ(box(), list);
    write(P::kColumns, 0);
    EXPECT_NE(box(), list);
}

TEST_F(ListBoxTest, CurrentSelection) {
    ListBox* list = load();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(read(P::kSelection), -1);
    write(P::kSelection, 1);
    EXPECT_EQ(read(P::kSelection), 1);
    EXPECT_EQ(list->view()->currentIndex().row(), 1);
    write(P::kSelection, -4);
    EXPECT_EQ(list->properties().word(P::kSelection), -1);
    EXPECT_EQ(read(P::kSelection), -1);
    EXPECT_TRUE(list->view()->selectionModel()->selectedIndexes().isEmpty());
    write(P::kSelection, 9);  // no such row
    EXPECT_EQ(read(P::kSelection), -1);

    reset_form_engine();
    list = load(list_blob([](PropertyStore& p) {
        p.set_word(P::kSingleSelection, 0);
        p.set_word(P::kSelection, 1);
    }));
    EXPECT_EQ(read(P::kSelection), -1);  // stored, not applied with multi-selection
    EXPECT_EQ(list->properties().word(P::kSelection), 1);
}

TEST_F(ListBoxTest, ColoursAreReadBackFromTheControl) {
    ListBox* list = load(list_blob([](PropertyStore& p) { p.set_word(P::kSelection, 0); }));
    ASSERT_NE(list, nullptr);
    write(P::kTextColour, 0x0000FF);
    write(P::kListBackground, int32_t(0xFF000000));
    write(P::kTextBackground, 0x9EC2BA);
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    const uint32_t face_bgr =
        uint32_t(face.red()) | uint32_t(face.green()) << 8 | uint32_t(face.blue()) << 16;
    EXPECT_EQ(uint32_t(read(P::kListBackground)), face_bgr);
    EXPECT_EQ(list->view()->palette().color(QPalette::Base), face);
    EXPECT_EQ(read(P::kTextColour), 0x0000FF);
    EXPECT_EQ(read(P::kTextBackground), 0x9EC2BA);
    EXPECT_EQ(list->properties().word(P::kListBackground), int32_t(0xFF000000));

    // The text background shows behind the cells, the list background below them.
    list->report_view()->header()->hide();
    QImage shot = list->view()->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 2, shot.height() - 2), face);
}

// An image list of two 2x2 images side by side, with a mask that makes the
// first pixel of the second image transparent.
std::string image_list_bytes() {
    using namespace image::testing;
    Dib images{4,
               2,
               24,
               {},
               {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00},
               {}};
    Dib mask{4, 2, 1, {0x000000, 0xFFFFFF}, {0, 0, 1, 0, 0, 0, 0, 0}, {}};
    std::string out = "MITL";
    out.append(4, '\0');
    const uint16_t header[] = {0x4C49, 0x101, 2, 4, 4, 2, 2};
    out.append(reinterpret_cast<const char*>(header), sizeof header);
    out.append(4, '\xFF');      // background colour
    out.append("\x01\x00", 2);  // has a mask
    out.append(8, '\xFF');      // overlays
    for (const Bytes& b : {bmp_file(images), bmp_file(mask)}) out.append(b.begin(), b.end());
    return out;
}

TEST_F(ListBoxTest, ImageListsAreReadOrLeftEmpty) {
    const std::string good = image_list_bytes();
    ImageList list = read_image_list(good);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.image_size, QSize(2, 2));
    EXPECT_EQ(list.images[0].pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(list.images[1].pixel(0, 0)), 0);
    EXPECT_EQ(list.images[1].pixel(1, 0), qRgb(0, 255, 0));

    for (std::string bad : {std::string("MITL1234"), "XITL" + good.substr(4), good.substr(0, 40),
                            good.substr(0, 8) + std::string(28, '\0')})
        EXPECT_EQ(read_image_list(bad).count(), 0) << bad.size();
    // Every cut and every single spoiled byte is read or refused, never a
    // crash; the bitmap holds two images, so no spoiled count gives more.
    for (size_t n = 0; n < good.size(); ++n) {
        read_image_list(good.substr(0, n));
        std::string spoiled = good;
        spoiled[n] = char(~spoiled[n]);
        EXPECT_LE(read_image_list(spoiled).count(), 2) << "byte " << n;
    }

    ListBox* box = load(list_blob([&](PropertyStore& p) {
        p.set_bytes(P::kItemImages, good);
        p.set_bytes(P::kItems, encode_item_table({{false, 1, -1, 0, 0, "one", ""},
                                                  {false, 2, -1, 0, 0, "two", ""}}));
    }));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->view()->model()->index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(
        box->view()->model()->index(1, 0).data(Qt::DecorationRole).isNull());  // index 2: none
}

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
