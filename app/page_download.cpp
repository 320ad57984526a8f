#include "app/page_download.h"

#include "app/app_texts.h"
#include "app/charset_conversion.h"
#include "net/internet_library.h"
#include "runtime/frame.h"

namespace qinghe::app {

ByteSet* download_page(const char* url) {
    TaggedArg args[] = {TaggedArg::of_text(url ? url : "")};
    const LibraryRecord& internet = internet_library();
    return call_library_command(Library::kInternet - 1, internet.commands[0], 1, args).byte_set();
}

ByteSet* convert_page_charset(const ByteSet* page) {
    return convert_charset(page, app_text(AppText::charset_page), app_text(AppText::charset_program));
}

}  // namespace qinghe::app
