// The report list box on a loaded window: its commands, its properties
// through the form engine, its resource tables and image lists.

#include "list_box_fixture.h"

namespace qinghe::testing {
namespace {

using namespace list_box_testing;

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

}  // namespace
}  // namespace qinghe::testing
