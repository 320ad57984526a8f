// The hyperlink box and the picture box inside a loaded window: created from
// their blocks by the form engine, reached by property number, and a press
// on the link reaches both the application's handler and the opener.
#include <QCoreApplication>

#include "components/hyperlink_box.h"
#include "components/picture_box.h"
#include "form_fixture.h"
#include "runtime/memory.h"
#include "runtime/property_access.h"
#include "support/capturing_web_opener.h"

namespace qinghe::testing {
namespace {

TEST_F(FormEngineTest, LinkAndPictureBoxesLoadAndAnswerByPropertyNumber) {
    PropertyStore link(HyperlinkBox::table());
    link.set_word(HyperlinkProperty::kLinkKind, LinkKind::kWeb);
    link.set_bytes(HyperlinkProperty::kWebAddress, "http://fund.example/");
    PropertyStore picture(PictureBox::table());
    picture.set_word(PictureBoxProperty::kDisplayMode, PictureMode::kFitted);
    install({window(
        1, {unit(component_id(2), UnitType::kHyperlinkBox, QRect(5, 5, 150, 20), link.write_blob()),
            unit(component_id(3), UnitType::kPictureBox, QRect(5, 30, 100, 50),
                 picture.write_blob())})});
    ASSERT_EQ(load_window(window_id(1), nullptr, false), 0);
    auto* box = dynamic_cast<HyperlinkBox*>(find_object(window_id(1), component_id(2)));
    auto* pictures = dynamic_cast<PictureBox*>(find_object(window_id(1), component_id(3)));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(pictures, nullptr);

    TaggedArg address = get_property(window_id(1), component_id(2), 8 + 3, kWholeValue);
    EXPECT_STREQ(address.text(), "http://fund.example/");
    mem_free(address.pointer());
    set_property(window_id(1), component_id(3), 8 + 3, kWholeValue, 7, 0);
    EXPECT_EQ(get_property(window_id(1), component_id(3), 8 + 3, kWholeValue).as_int(), 2);

    CapturingWebOpener capture;
    box->show();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), box->mapToGlobal(QPointF(10, 10)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &press);
    EXPECT_EQ(recorder().count(component_id(2), -1), 1);
    EXPECT_EQ(capture.targets, std::vector<std::string>{"http://fund.example/"});
}

}  // namespace
}  // namespace qinghe::testing
