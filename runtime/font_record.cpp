#include "runtime/font_record.h"

#include "runtime/byte_stream.h"

namespace qinghe {

FontRecord FontRecord::of(std::string_view face, int32_t pixel_height, int32_t weight) {
    FontRecord f;
    f.face = face.substr(0, kFaceSize - 1);
    f.height = -pixel_height;
    f.weight = weight;
    return f;
}

std::optional<FontRecord> decode_font_record(std::string_view bytes) {
    if (bytes.size() != FontRecord::kSize) return std::nullopt;
    ByteReader r(bytes);
    FontRecord f;
    f.height = r.i32();
    f.width = r.i32();
    f.escapement = r.i32();
    f.orientation = r.i32();
    f.weight = r.i32();
    f.italic = r.u8();
    f.underline = r.u8();
    f.strike_out = r.u8();
    f.charset = r.u8();
    f.out_precision = r.u8();
    f.clip_precision = r.u8();
    f.quality = r.u8();
    f.pitch_and_family = r.u8();
    std::string_view face = r.bytes(FontRecord::kFaceSize);
    f.face = face.substr(0, face.find('\0'));
    return f;
}

std::string encode_font_record(const FontRecord& f) {
    ByteWriter w;
    w.i32(f.height);
    w.i32(f.width);
    w.i32(f.escapement);
    w.i32(f.orientation);
    w.i32(f.weight);
    for (uint8_t b : {f.italic, f.underline, f.strike_out, f.charset, f.out_precision,
                      f.clip_precision, f.quality, f.pitch_and_family})
        w.u8(b);
    std::string face = f.face.substr(0, FontRecord::kFaceSize - 1);
    face.resize(FontRecord::kFaceSize, '\0');
    w.bytes(face);
    return w.take();
}

}  // namespace qinghe
