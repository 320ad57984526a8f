// Start-up from a compiled test program: the runtime reads the window
// resource of tests/fixtures/form_engine, relocates its handlers into a
// table of recording handlers, and loads the window as the program would.
#include <QDir>
#include <QCoreApplication>

#include "form_fixture.h"
#include "program_resources.h"
#include "runtime/program_header.h"
#include "runtime/property_access.h"
#include "runtime/memory.h"
#include "runtime/runtime_error.h"

namespace qinghe::testing {
namespace {

// In the order of the fixture's handlers.json.
const EventHandler kHandlers[] = {&record_event<0>, &record_event<1>, &record_event<2>,
                                  &record_event<-1>, &record_event<-11>};

class ResourceWindowTest : public FormEngineTest {
protected:
    void SetUp() override {
        FormEngineTest::SetUp();
        presenter_ = set_error_presenter({});
        set_error_presenter(presenter_);
        directory_ = QDir::currentPath();
        static LibraryRecord* libraries[] = {&core_library_record(), &probe_library()};
        ProgramHeader header = resources::program_header;
        header.code_base = kHandlers;
        header.handler_count = resources::handler_count;
        header.libraries = libraries;
        header.library_count = 2;
        initialise(header);
        set_error_presenter(presenter_);  // no message boxes in tests
    }
    void TearDown() override {
        FormEngineTest::TearDown();
        QDir::setCurrent(directory_);
    }
    ErrorPresenter presenter_;
    QString directory_;
};

TEST_F(ResourceWindowTest, InitialiseReadsTheWindowTableAndMakesTheProgramDirectoryCurrent) {
    ASSERT_EQ(window_table().windows.size(), 1u);
    EXPECT_EQ(window_table().windows[0].units.size(), 4u);
    EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());
    EXPECT_FALSE(program_directory().empty());
    // Unloaded units answer from the resource.
    const uint32_t w = resources::window_id::engine;
    EXPECT_EQ(get_property(w, resources::unit_id::label_second, 3, -1).as_int(), 36);
}

TEST_F(ResourceWindowTest, TheStartWindowLoadsWithItsBindings) {
    const uint32_t w = resources::window_id::engine;
    load_start_window(w);
    EXPECT_EQ(find_object(w, resources::unit_id::label_third)->property("qinghe_control_id"), 100);
    EXPECT_EQ(find_object(w, resources::unit_id::label_first)->property("qinghe_control_id"), 120);
    EXPECT_EQ(recorder().count(find_unit(window_table().windows[0], 0)->id, 0), 1);
    TaggedArg caption = get_property(w, resources::unit_id::label_first, 8, -1);
    EXPECT_EQ(std::string(caption.text()), utf8_to_gbk("第一"));
    mem_free(caption.pointer());
    EventRecord click{w, resources::unit_id::label_first, -1, 3, {1, 2, 0}};
    EXPECT_EQ(fire_event(&click), 1);
    EventRecord unbound{w, resources::unit_id::label_second, -1, 3, {1, 2, 0}};
    EXPECT_EQ(fire_event(&unbound), 0);
}

}  // namespace
}  // namespace qinghe::testing
