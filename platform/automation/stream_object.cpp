#include "platform/automation/stream_object.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ascii_case.h"
#include "platform/automation/stream_bytes.h"
#include "platform/text_encoding.h"

namespace qinghe::platform {
namespace {

enum Member : MemberId {
    kType = 1,
    kPosition,
    kCharset,
    kSize,
    kEos,
    kState,
    kOpen,
    kClose,
    kWrite,
    kRead,
    kWriteText,
    kReadText,
};

constexpr int32_t kReadAll = -1;
constexpr int32_t kWriteLine = 1;
constexpr int32_t kStateClosed = 0;
constexpr int32_t kStateOpen = 1;

struct CharsetName {
    const char* name;
    const char* encoding;
};

constexpr CharsetName kCharsets[] = {
    {"utf-8", "UTF-8"},         {"gb2312", "GBK"},      {"gbk", "GBK"},
    {"cp936", "GBK"},           {"gb18030", "GB18030"}, {"big5", "BIG5"},
    {"unicode", "UTF-16LE"},    {"utf-16", "UTF-16LE"}, {"unicodefffe", "UTF-16BE"},
    {"us-ascii", "ASCII"},      {"ascii", "ASCII"},     {"iso-8859-1", "ISO-8859-1"},
    {"windows-1252", "CP1252"},
};

// Byte-order marks skipped when reading text from the start of a stream.
std::string_view byte_order_mark(const char* encoding) {
    if (std::strcmp(encoding, "UTF-16LE") == 0) return "\xFF\xFE";
    if (std::strcmp(encoding, "UTF-16BE") == 0) return "\xFE\xFF";
    if (std::strcmp(encoding, "UTF-8") == 0) return "\xEF\xBB\xBF";
    return {};
}

const TypeInfo& stream_type_info() {
    auto get = [](Member id, const char* name, uint16_t type) {
        return FunctionDesc{id, name, INVOKE_PROPERTYGET, {}, type};
    };
    auto put = [](Member id, const char* name, uint16_t type) {
        return FunctionDesc{id, name, INVOKE_PROPERTYPUT, {{type}}, VT_EMPTY};
    };
    constexpr uint16_t kIn = ParamFlag::kIn;
    constexpr uint16_t kOpt = ParamFlag::kIn | ParamFlag::kOptional;
    constexpr uint16_t kText = ParamFlag::kIn | ParamFlag::kProgramText;
    static const TypeInfo info(
        {
            get(kType, "Type", VT_I4),
            put(kType, "Type", VT_I4),
            get(kPosition, "Position", VT_I4),
            put(kPosition, "Position", VT_I4),
            get(kCharset, "Charset", VT_BSTR),
            put(kCharset, "Charset", VT_BSTR),
            get(kSize, "Size", VT_I4),
            get(kEos, "EOS", VT_BOOL),
            get(kState, "State", VT_I4),
            {kOpen,
             "Open",
             INVOKE_FUNC,
             {{VT_VARIANT, kOpt}, {VT_I4, kOpt}, {VT_I4, kOpt}, {VT_BSTR, kOpt}, {VT_BSTR, kOpt}}},
            {kClose, "Close", INVOKE_FUNC, {}},
            {kWrite, "Write", INVOKE_FUNC, {{VT_VARIANT, kIn}}},
            {kRead, "Read", INVOKE_FUNC, {{VT_I4, kOpt}}, VT_VARIANT},
            {kWriteText, "WriteText", INVOKE_FUNC, {{VT_BSTR, kText}, {VT_I4, kOpt}}},
            {kReadText, "ReadText", INVOKE_FUNC, {{VT_I4, kOpt}}, VT_BSTR},
        },
        {});
    return info;
}

int32_t optional_int(const Variant& v, int32_t fallback) { return is_missing(v) ? fallback : v.i4; }

HRESULT set_int(Variant* result, int32_t value) {
    if (result) {
        variant_clear(result);
        result->vt = VT_I4;
        result->i4 = value;
    }
    return S_OK;
}

class StreamObject : public TypedDispatch {
public:
    const TypeInfo* type_info() const override { return &stream_type_info(); }

protected:
    HRESULT call(const FunctionDesc& f, std::span<Variant> args, Variant* result) override {
        if (f.kind == INVOKE_PROPERTYGET) return get(f.id, result);
        if (f.kind == INVOKE_PROPERTYPUT) return put(f.id, args[0]);
        switch (f.id) {
        case kOpen: return open(args[0]);
        case kClose: return close();
        case kWrite: return write(args[0]);
        case kRead: return read(optional_int(args[0], kReadAll), result);
        case kWriteText: return write_text(args[0], optional_int(args[1], 0));
        case kReadText: return read_text(optional_int(args[0], kReadAll), result);
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    HRESULT get(MemberId id, Variant* result) {
        if (id == kState) return set_int(result, open_ ? kStateOpen : kStateClosed);
        if (id == kType) return set_int(result, type_);
        if (id == kCharset) {
            if (result) {
                variant_clear(result);
                result->vt = VT_BSTR;
                result->bstr = bstr_from_gbk(charset_);
            }
            return S_OK;
        }
        if (!open_) return DISP_E_EXCEPTION;
        if (id == kPosition) return set_int(result, int32_t(position_));
        if (id == kSize) return set_int(result, int32_t(buffer_.size()));
        if (result) {
            variant_clear(result);
            result->vt = VT_BOOL;
            result->boolean = position_ >= buffer_.size() ? kVariantTrue : kVariantFalse;
        }
        return S_OK;
    }

    HRESULT put(MemberId id, const Variant& value) {
        switch (id) {
        case kType:
            // Switching between bytes and text is allowed only at the start.
            if ((value.i4 != StreamType::kBinary && value.i4 != StreamType::kText) ||
                (open_ && position_ != 0))
                return DISP_E_EXCEPTION;
            type_ = value.i4;
            return S_OK;
        case kPosition:
            if (!open_ || value.i4 < 0 || size_t(value.i4) > buffer_.size())
                return DISP_E_EXCEPTION;
            position_ = size_t(value.i4);
            return S_OK;
        case kCharset: {
            std::string name = gbk_from_bstr(value.bstr);
            if (!stream_charset_encoding(name) || (open_ && position_ != 0))
                return DISP_E_EXCEPTION;
            charset_ = name;
            return S_OK;
        }
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

    HRESULT open(const Variant& source) {
        // Only the in-memory stream: no source to open from.
        if (open_ || !(is_missing(source) || source.vt == VT_EMPTY)) return DISP_E_EXCEPTION;
        open_ = true;
        buffer_.clear();
        position_ = 0;
        return S_OK;
    }

    HRESULT close() {
        if (!open_) return DISP_E_EXCEPTION;
        open_ = false;
        buffer_.clear();
        position_ = 0;
        return S_OK;
    }

    bool ready_for(int32_t type) const { return open_ && type_ == type; }

    HRESULT write_at_position(std::string_view bytes) {
        if (!buffer_.write(position_, bytes)) return E_OUTOFMEMORY;
        position_ += bytes.size();
        return S_OK;
    }

    HRESULT write(const Variant& data) {
        if (!ready_for(StreamType::kBinary)) return DISP_E_EXCEPTION;
        if (data.vt == VT_EMPTY || data.vt == VT_NULL) return S_OK;
        if (data.vt != (VT_ARRAY | VT_UI1) || !data.array) return DISP_E_TYPEMISMATCH;
        const auto& bytes = data.array->data;
        return write_at_position({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    }

    HRESULT read(int32_t count, Variant* result) {
        if (!ready_for(StreamType::kBinary) || count < kReadAll) return DISP_E_EXCEPTION;
        size_t available = buffer_.size() - position_;
        size_t n = count == kReadAll ? available : std::min(available, size_t(count));
        if (!result) {
            position_ += n;
            return S_OK;
        }
        variant_clear(result);
        if (n == 0) {
            result->vt = VT_NULL;  // nothing left to read
            return S_OK;
        }
        SafeArray* array = safe_array_from_bytes(0, buffer_.view().substr(position_, n));
        if (!array) return E_OUTOFMEMORY;
        position_ += n;
        result->vt = VT_ARRAY | VT_UI1;
        result->array = array;
        return S_OK;
    }

    // A BSTR, or the program's GBK text as it is; either gives the same bytes.
    HRESULT write_text(const Variant& text, int32_t options) {
        if (!ready_for(StreamType::kText)) return DISP_E_EXCEPTION;
        const char* encoding = stream_charset_encoding(charset_);
        const bool page_sized = buffer_.size() == 0 && std::strcmp(encoding, "GBK") == 0;
        if (text.vt == (VT_BYREF | VT_LPSTR)) {
            const char* gbk = *static_cast<const char* const*>(text.ref);
            std::string line;
            std::string_view bytes = gbk ? gbk : "";
            if (options == kWriteLine) bytes = line = std::string(bytes) + "\r\n";
            if (page_sized)
                return fill(bytes.size() * kGbkBytesPerUnit,
                            [bytes](char* out) { return gbk_from_text_into(bytes, "GBK", out); });
            return write_bytes(convert_text(bytes, "GBK", encoding), encoding);
        }
        std::u16string line;
        std::u16string_view units = bstr_view(text.bstr);
        if (options == kWriteLine) units = line = std::u16string(units) + u"\r\n";
        if (page_sized)
            return fill(units.size() * kGbkBytesPerUnit,
                        [units](char* out) { return gbk_into(units, out); });
        return write_bytes(text_from_utf16(units, encoding), encoding);
    }

    // Text encoded straight into the empty stream's storage: a page's text
    // goes there without an intermediate.
    template <typename Encode>
    HRESULT fill(size_t room, Encode encode) {
        if (!buffer_.assign(room, encode)) return E_OUTOFMEMORY;
        position_ = buffer_.size();
        return S_OK;
    }

    HRESULT write_bytes(std::string bytes, const char* encoding) {
        // A Unicode stream starts with its byte-order mark.
        if (buffer_.size() == 0 && std::strcmp(encoding, "UTF-16LE") == 0)
            bytes.insert(0, byte_order_mark(encoding));
        return write_at_position(bytes);
    }

    HRESULT read_text(int32_t count, Variant* result) {
        if (!ready_for(StreamType::kText) || count < kReadAll) return DISP_E_EXCEPTION;
        const char* encoding = stream_charset_encoding(charset_);
        std::string_view rest = buffer_.view().substr(position_);
        std::string_view mark = byte_order_mark(encoding);
        size_t skipped = 0;
        if (position_ == 0 && !mark.empty() && rest.starts_with(mark)) {
            skipped = mark.size();
            rest.remove_prefix(skipped);
        }
        if (count == kReadAll && result && result->vt == VT_LPSTR)
            return read_program_text(rest, encoding, result);
        Bstr text = bstr_from_text(rest, encoding);
        // A partial read advances by the bytes its characters take in the
        // charset (exact for well-formed text).
        const std::u16string_view units = bstr_view(text);
        if (count != kReadAll && size_t(count) < units.size()) {
            const std::u16string_view part = units.substr(0, size_t(count));
            position_ += skipped + text_from_utf16(part, encoding).size();
            Bstr whole = text;
            text = bstr_alloc(part);
            bstr_free(whole);
        } else {
            position_ = buffer_.size();
        }
        if (!result) {
            bstr_free(text);
            return S_OK;
        }
        variant_clear(result);
        result->vt = VT_BSTR;
        result->bstr = text;
        return S_OK;
    }

    // The rest of the stream decoded straight to the program's GBK text, for
    // a caller that asked for it (see Dispatch::invoke).
    HRESULT read_program_text(std::string_view rest, const char* encoding, Variant* result) {
        auto gbk = static_cast<char*>(std::malloc(rest.size() * kGbkBytesPerUnit + 1));
        if (!gbk) return E_OUTOFMEMORY;
        const size_t size = gbk_from_text_into(rest, encoding, gbk);
        gbk[size] = 0;
        if (void* smaller = std::realloc(gbk, size + 1)) gbk = static_cast<char*>(smaller);
        position_ = buffer_.size();
        variant_clear(result);
        result->vt = VT_LPSTR;
        result->lpstr = gbk;
        return S_OK;
    }

    bool open_ = false;
    int32_t type_ = StreamType::kText;
    std::string charset_ = "Unicode";
    StreamBytes buffer_;
    size_t position_ = 0;
};

}  // namespace

ClassId stream_class_id() {
    static const ClassId id = [] {
        ClassId c;
        class_id_from_string("{5A1E7C40-2D9B-4F63-9C1E-7B3A0D6E8F21}", &c);
        return c;
    }();
    return id;
}

Object* create_stream_object() { return new StreamObject; }

const char* stream_charset_encoding(std::string_view charset) {
    for (const CharsetName& c : kCharsets) {
        if (ascii::equal_ignoring_case(c.name, charset)) return c.encoding;
    }
    return nullptr;
}

}  // namespace qinghe::platform
