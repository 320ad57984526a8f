#include "commands/application_interface_library.h"

#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "support/capturing_web_opener.h"

namespace qinghe {
namespace {

TaggedArg call(int32_t count, TaggedArg* args) {
    const LibraryRecord& library = application_interface_library();
    return call_library_command(Library::kApplicationInterface - 1, library.commands[0], count,
                                args);
}

TEST(ApplicationInterfaceLibrary, RecordHasOneCommandAndElevenTypes) {
    const LibraryRecord& library = application_interface_library();
    EXPECT_EQ(library.format_mark, LibraryRecord::kFormatMark);
    EXPECT_EQ(library.command_count, 1);
    EXPECT_EQ(library.commands[0], &open_web_page);
    EXPECT_EQ(library.type_count, 11);
    ASSERT_NE(library.types, nullptr);
}

TEST(OpenWebPage, OpensTheGivenAddressConvertedFromGbk) {
    testing::CapturingWebOpener capture;
    const std::string address = platform::gbk_from_utf8("http://h/基金?c=1");
    TaggedArg argument = TaggedArg::of_text(address.c_str());
    TaggedArg result = call(1, &argument);
    EXPECT_EQ(result.type, 0u);
    EXPECT_EQ(result.lo, 0u);
    EXPECT_EQ(capture.targets, std::vector<std::string>{"http://h/基金?c=1"});
}

TEST(OpenWebPage, WithoutAnAddressOpensTheReadme) {
    testing::CapturingWebOpener capture;
    TaggedArg omitted{};
    call(1, &omitted);
    call(0, nullptr);
    ASSERT_EQ(capture.targets.size(), 2u);
    EXPECT_EQ(capture.targets[0], default_web_page());
    EXPECT_TRUE(capture.targets[0].starts_with("file:///")) << capture.targets[0];
    EXPECT_TRUE(capture.targets[0].ends_with("/README.md"));
}

TEST(OpenWebPage, RefusesEverythingButWebAndMailAddresses) {
    testing::CapturingWebOpener capture;
    for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "-x", "/bin/sh", ""}) {
        TaggedArg argument = TaggedArg::of_text(address);
        call(1, &argument);
    }
    TaggedArg number = TaggedArg::of_int(7);
    call(1, &number);
    EXPECT_TRUE(capture.targets.empty());
}

}  // namespace
}  // namespace qinghe
