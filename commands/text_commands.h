// Text commands of the core library: measure, cut, search and split GBK
// texts. Positions are 1-based byte positions; searching and splitting step
// over two-byte characters (a byte of 0x80 or more opens one) so that they
// never stop at a second byte, while cutting by position counts plain bytes.
// Empty text results are null; every non-null result is a fresh heap block.
#pragma once

#include "runtime/values.h"

namespace qinghe {

// (text) -> integer: number of bytes.
void text_length(TaggedArg* result, int32_t count, TaggedArg* args);
// (text, integer count) -> text: the last count bytes.
void right_text(TaggedArg* result, int32_t count, TaggedArg* args);
// (text, integer start, integer length) -> text.
void middle_text(TaggedArg* result, int32_t count, TaggedArg* args);
// (text, sought, [integer start], [logical ignore case]) -> integer:
// position of the first match, or -1.
void find_text(TaggedArg* result, int32_t count, TaggedArg* args);
// As find_text, but the last match lying wholly before the start position.
void find_text_reverse(TaggedArg* result, int32_t count, TaggedArg* args);
// (text, [separator, default ","], [integer maximum pieces]) -> array of texts.
void split_text(TaggedArg* result, int32_t count, TaggedArg* args);

}  // namespace qinghe
