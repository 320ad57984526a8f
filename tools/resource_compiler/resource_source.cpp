#include "tools/resource_compiler/resource_source.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <set>

#include "runtime/font_record.h"
#include "runtime/list_tables.h"
#include "runtime/property_block.h"
#include "runtime/values.h"
#include "tools/event_names.h"
#include "tools/resource_compiler/gbk_text.h"

namespace qinghe::tools {
namespace {

[[noreturn]] void error(const std::string& where, const std::string& what) {
    throw CompileError(where + ": " + what);
}

std::string read_file(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) error(path, "cannot be read");
    QByteArray data = f.readAll();
    return std::string(data.constData(), size_t(data.size()));
}

QJsonObject read_json(const std::string& path) {
    QJsonParseError parse{};
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(read_file(path)), &parse);
    if (parse.error != QJsonParseError::NoError)
        error(path,
              "byte " + std::to_string(parse.offset) + ": " + parse.errorString().toStdString());
    if (!doc.isObject()) error(path, "is not a JSON object");
    return doc.object();
}

void expect_keys(const QJsonObject& o, std::initializer_list<const char*> allowed,
                 const std::string& where) {
    QSet<QString> known;
    for (const char* k : allowed) known.insert(QString::fromLatin1(k));
    for (const QString& key : o.keys())
        if (!known.contains(key) && key != "comment")
            error(where, "unknown key \"" + key.toStdString() + "\"");
}

QJsonValue member(const QJsonObject& o, const char* key, const std::string& where) {
    if (!o.contains(key)) error(where, std::string("\"") + key + "\" is missing");
    return o.value(key);
}

// A 32-bit word: a number (negative ones wrap), "0x..." hex, or a logical.
uint32_t word(const QJsonValue& v, const std::string& where) {
    if (v.isBool()) return v.toBool() ? 1 : 0;
    if (v.isDouble()) {
        double d = v.toDouble();
        if (d != double(int64_t(d)) || d < -2147483648.0 || d > 4294967295.0)
            error(where, "is not a 32-bit whole number");
        return uint32_t(int64_t(d));
    }
    if (v.isString()) {
        bool ok = false;
        QString s = v.toString();
        uint32_t value = s.startsWith("0x") ? s.mid(2).toUInt(&ok, 16) : 0;
        if (ok) return value;
    }
    error(where, "is not a number, a 0x hex word or true/false");
}

std::string text(const QJsonValue& v, const std::string& where) {
    if (!v.isString()) error(where, "is not a text");
    return gbk_from_utf8_strict(v.toString().toStdString(), where);
}

// A text, or an array of lines joined by CR LF.
std::string text_or_lines(const QJsonValue& v, const std::string& where) {
    if (!v.isArray()) return text(v, where);
    std::string joined;
    const QJsonArray lines = v.toArray();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += "\r\n";
        joined += text(lines[i], where + " line " + std::to_string(i + 1));
    }
    return joined;
}

std::string file_bytes(const QJsonValue& v, const NamedFiles& files, const std::string& where) {
    if (v.isString() && v.toString().isEmpty()) return {};
    if (!v.isObject()) error(where, "is neither \"\" nor {\"file\": name}");
    std::string name = v.toObject().value("file").toString().toStdString();
    auto it = files.find(name);
    if (it == files.end()) error(where, "file \"" + name + "\" was not given to the compiler");
    std::string bytes = read_file(it->second);
    if (bytes.empty()) error(where, "file \"" + it->second + "\" is empty");
    return bytes;
}

std::string font(const QJsonValue& v, const std::string& where) {
    if (v.isNull()) return {};
    if (!v.isObject()) error(where, "is neither null nor a font");
    QJsonObject o = v.toObject();
    expect_keys(o, {"face", "height", "weight"}, where);
    std::string face = text(member(o, "face", where), where + " face");
    if (face.empty() || face.size() >= FontRecord::kFaceSize)
        error(where, "face name must be 1 to 31 GBK bytes");
    return encode_font_record(FontRecord::of(face, int32_t(word(member(o, "height", where), where)),
                                             int32_t(word(member(o, "weight", where), where))));
}

std::string columns(const QJsonValue& v, const std::string& where) {
    if (!v.isArray()) error(where, "is not an array of columns");
    std::vector<ListColumn> list;
    for (const QJsonValue& c : v.toArray()) {
        QJsonObject o = c.toObject();
        std::string at = where + " column " + std::to_string(list.size());
        expect_keys(o, {"caption", "width", "alignment", "image", "image_on_right"}, at);
        ListColumn col;
        col.caption = text(member(o, "caption", at), at);
        col.width = int32_t(word(member(o, "width", at), at));
        col.alignment = int32_t(word(member(o, "alignment", at), at));
        col.image = int32_t(word(member(o, "image", at), at));
        col.image_on_right = word(member(o, "image_on_right", at), at) != 0;
        list.push_back(std::move(col));
    }
    return encode_column_table(list);
}

// Rows of cells; a cell is a text or {text, tip, image, state_image, indent, row_tag}.
std::string items(const QJsonValue& v, const std::string& where) {
    if (!v.isArray()) error(where, "is not an array of rows");
    std::vector<ListCell> cells;
    int row = 0;
    for (const QJsonValue& r : v.toArray()) {
        std::string at = where + " row " + std::to_string(row++);
        if (!r.isArray() || r.toArray().isEmpty()) error(at, "is not a non-empty array of cells");
        bool first = true;
        for (const QJsonValue& c : r.toArray()) {
            ListCell cell;
            cell.continues_row = !first;
            first = false;
            if (c.isObject()) {
                QJsonObject o = c.toObject();
                expect_keys(o, {"text", "tip", "image", "state_image", "indent", "row_tag"}, at);
                cell.text = text(member(o, "text", at), at);
                cell.tip = text(o.value("tip").isUndefined() ? QJsonValue("") : o.value("tip"), at);
                if (o.contains("image")) cell.image = int32_t(word(o.value("image"), at));
                if (o.contains("state_image"))
                    cell.state_image = int32_t(word(o.value("state_image"), at));
                if (o.contains("indent")) cell.indent = int32_t(word(o.value("indent"), at));
                if (o.contains("row_tag")) cell.row_tag = word(o.value("row_tag"), at);
            } else {
                cell.text = text(c, at);
            }
            cells.push_back(std::move(cell));
        }
    }
    return encode_item_table(cells);
}

BlockValue field_value(const BlockField& field, const QJsonValue& v, const NamedFiles& files,
                       const std::string& where) {
    BlockValue value{&field, 0, {}};
    switch (field.meaning) {
    case FieldMeaning::Number:
    case FieldMeaning::Colour:
    case FieldMeaning::Logical: value.word = word(v, where); break;
    case FieldMeaning::Character: {
        std::string c = text(v, where);
        if (c.size() != 1) error(where, "must be one single-byte character");
        value.word = uint8_t(c[0]);
        break;
    }
    case FieldMeaning::Text: value.bytes = text_or_lines(v, where); break;
    case FieldMeaning::Font: value.bytes = font(v, where); break;
    case FieldMeaning::Picture:
    case FieldMeaning::ImageList: value.bytes = file_bytes(v, files, where); break;
    case FieldMeaning::Columns: value.bytes = columns(v, where); break;
    case FieldMeaning::Items: value.bytes = items(v, where); break;
    }
    return value;
}

std::string property_block(const BlockLayout& layout, const QJsonObject& props,
                           const NamedFiles& files, const std::string& where) {
    std::vector<BlockValue> values;
    for (const auto& field : layout.fields.subspan(1)) {
        std::string at = where + " property " + field.key;
        values.push_back(field_value(field, member(props, field.key, at), files, at));
    }
    for (const QString& key : props.keys())
        if (!find_field(layout, key.toStdString()) || key == "version")
            error(where, "unknown property \"" + key.toStdString() + "\" for " + layout.type_name);
    return encode_property_block(layout, values);
}

const BlockLayout& layout_named(const std::string& type, const std::string& where) {
    for (uint32_t t : {UnitType::kWindow, UnitType::kEditBox, UnitType::kPictureBox,
                       UnitType::kLabel, UnitType::kHyperlinkBox, UnitType::kListBox}) {
        const BlockLayout* layout = block_layout(t);
        if (type == layout->type_name) return *layout;
    }
    error(where, "unknown unit type \"" + type + "\"");
}

uint32_t state_flags(const QJsonValue& v, const std::string& where) {
    uint32_t state = 0;
    for (const QJsonValue& flag : v.toArray()) {
        QString f = flag.toString();
        if (f == "visible") state |= UnitState::kVisible;
        else if (f == "disabled") state |= UnitState::kDisabled;
        else if (f == "tab_stop") state |= UnitState::kTabStop;
        else error(where, "unknown state \"" + f.toStdString() + "\"");
    }
    return state;
}

std::string hex_bytes(const QJsonValue& v, const std::string& where) {
    QByteArray hex = v.toString().toLatin1();
    bool digits =
        std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(uint8_t(c)); });
    if (!v.isString() || !digits || hex.size() % 2 != 0) error(where, "is not a hex byte string");
    QByteArray bytes = QByteArray::fromHex(hex);
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::vector<EventBinding> events(const QJsonValue& v, bool window_unit,
                                 const std::vector<std::string>& handlers,
                                 const std::string& where) {
    std::vector<EventBinding> list;
    for (const QJsonValue& pair : v.toArray()) {
        QJsonArray p = pair.toArray();
        if (p.size() != 2) error(where, "an event binding is [event, handler]");
        std::string event = p[0].toString().toStdString();
        std::string handler = p[1].toString().toStdString();
        auto number = event_number(event, window_unit);
        if (!number) error(where, "unknown event \"" + event + "\"");
        uint32_t offset = kNoHandler;
        if (!handler.empty()) {
            auto it = std::find(handlers.begin(), handlers.end(), handler);
            if (it == handlers.end())
                error(where, "handler \"" + handler + "\" is not in handlers.json");
            offset = uint32_t(it - handlers.begin());
        }
        list.push_back(EventBinding{*number, offset, nullptr});
    }
    return list;
}

void check_unit_id(uint32_t id, bool window_unit, const std::string& where) {
    uint32_t kind = window_unit ? Id::kKindWindowUnit : Id::kKindComponent;
    if (!Id::valid(id) || Id::id_class(id) != Id::kClassUnit || Id::kind(id) != kind)
        error(where, window_unit ? "a window's own unit needs an id of kind 0, class 6"
                                 : "a component needs an id of kind 1, class 6");
}

FormUnit read_unit(const QJsonObject& o, bool window_unit, const ProgramSource& program,
                   const NamedFiles& files, const std::string& where) {
    expect_keys(o,
                {"symbol", "name", "type", "id", "left", "top", "width", "height", "state",
                 "focus_order", "tag", "mouse_pointer", "events", "properties"},
                where);
    FormUnit unit;
    const BlockLayout& layout =
        layout_named(member(o, "type", where).toString().toStdString(), where);
    if ((layout.unit_type == UnitType::kWindow) != window_unit)
        error(where, "unit 0, and only unit 0, is the window's own unit");
    unit.type = layout.unit_type;
    unit.id = word(member(o, "id", where), where + " id");
    check_unit_id(unit.id, window_unit, where);
    unit.name = text(member(o, "name", where), where + " name");
    unit.left = int32_t(word(member(o, "left", where), where));
    unit.top = int32_t(word(member(o, "top", where), where));
    unit.width = int32_t(word(member(o, "width", where), where));
    unit.height = int32_t(word(member(o, "height", where), where));
    unit.state = state_flags(member(o, "state", where), where);
    unit.focus_order = int32_t(word(member(o, "focus_order", where), where));
    unit.tag = text(member(o, "tag", where), where + " tag");
    unit.mouse_pointer = hex_bytes(member(o, "mouse_pointer", where), where + " mouse_pointer");
    unit.events = events(member(o, "events", where), window_unit, program.handlers, where);
    unit.property_block =
        property_block(layout, member(o, "properties", where).toObject(), files, where);
    return unit;
}

void read_window(const std::string& path, ProgramSource& program, const NamedFiles& files) {
    QJsonObject o = read_json(path);
    expect_keys(o, {"symbol", "id", "record_id", "word_a", "units"}, path);
    FormWindow window;
    window.id = word(member(o, "id", path), path + " id");
    if (!Id::is_window(window.id) || Id::kind(window.id) != Id::kKindWindow)
        error(path, "a window id needs kind 5, class 2");
    if (program.windows.find(window.id)) error(path, "window id is used twice");
    window.record_id = word(member(o, "record_id", path), path);
    window.word_a = word(member(o, "word_a", path), path);
    program.window_ids.push_back({member(o, "symbol", path).toString().toStdString(), window.id});
    std::set<uint32_t> ids;
    const QJsonArray units = member(o, "units", path).toArray();
    for (qsizetype i = 0; i < units.size(); ++i) {
        QJsonObject u = units[i].toObject();
        std::string where = path + " unit " + std::to_string(i) + " (" +
                            u.value("name").toString().toStdString() + ")";
        window.units.push_back(read_unit(u, i == 0, program, files, where));
        if (!ids.insert(window.units.back().id).second) error(where, "unit id is used twice");
        if (u.contains("symbol"))
            program.unit_ids.push_back(
                {u.value("symbol").toString().toStdString(), window.units.back().id});
    }
    if (window.units.empty()) error(path, "a window needs its own unit");
    program.windows.windows.push_back(std::move(window));
}

void read_constants(const std::string& path, ProgramSource& program, const NamedFiles& files) {
    QJsonObject o = read_json(path);
    expect_keys(o, {"texts", "byte_sets"}, path);
    for (const QJsonValue& v : member(o, "texts", path).toArray()) {
        QJsonObject c = v.toObject();
        std::string name = c.value("name").toString().toStdString();
        std::string where = path + " text " + name;
        std::string utf8 = member(c, "text", where).toString().toStdString();
        program.constants.push_back({name, false, text(c.value("text"), where), utf8});
    }
    for (const QJsonValue& v : member(o, "byte_sets", path).toArray()) {
        QJsonObject c = v.toObject();
        std::string name = c.value("name").toString().toStdString();
        std::string where = path + " byte set " + name;
        expect_keys(c, {"name", "file", "optional", "check"}, where);
        std::string file = member(c, "file", where).toString().toStdString();
        std::string bytes;
        if (files.count(file))
            bytes = file_bytes(QJsonObject{{"file", QString::fromStdString(file)}}, files, where);
        else if (!c.value("optional").toBool()) error(where, "file \"" + file + "\" was not given");
        if (!bytes.empty() && c.value("check").toString() == "midi_tune") check_midi_tune(bytes);
        program.constants.push_back({name, true, bytes, {}});
    }
}

bool identifier(const std::string& name) {
    if (name.empty() || std::isdigit(uint8_t(name[0]))) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(uint8_t(c)) || c == '_'; });
}

// The names become C++ identifiers in the generated header: each must be
// one, and unique within its namespace there.
void check_names(const std::string& what, const std::vector<std::string>& names) {
    std::set<std::string> seen;
    for (const auto& name : names) {
        if (!identifier(name)) error(what, "\"" + name + "\" is not an identifier");
        if (!seen.insert(name).second) error(what, "\"" + name + "\" is used twice");
    }
}

void check_names(const ProgramSource& program) {
    auto symbols = [](const std::vector<NamedId>& ids) {
        std::vector<std::string> names;
        for (const auto& id : ids) names.push_back(id.symbol);
        return names;
    };
    check_names("window symbols", symbols(program.window_ids));
    check_names("unit symbols", symbols(program.unit_ids));
    check_names("handlers.json", program.handlers);
    std::vector<std::string> dll_commands;
    for (const auto& d : program.dll_commands) dll_commands.push_back(d.name);
    check_names("dll_commands", dll_commands);
    std::vector<std::string> constants;
    for (const auto& c : program.constants) constants.push_back(c.name);
    check_names("constants.json", constants);
}

uint32_t big_endian(const std::string& b, size_t at, size_t width) {
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i) v = v << 8 | uint8_t(b[at + i]);
    return v;
}

}  // namespace

void check_midi_tune(const std::string& b) {
    const std::string where = "tune";
    if (b.size() != 3952) error(where, "is " + std::to_string(b.size()) + " bytes, not 3952");
    if (b.compare(0, 4, "MThd") != 0 || big_endian(b, 4, 4) != 6)
        error(where, "does not start with a 6-byte MThd header");
    if (big_endian(b, 8, 2) != 1) error(where, "is not format 1");
    if (big_endian(b, 10, 2) != 17) error(where, "does not have 17 tracks");
    if (big_endian(b, 12, 2) != 120) error(where, "does not have 120 ticks per quarter note");
    if (b.compare(14, 4, "MTrk") != 0) error(where, "has no first track chunk");
    size_t end = 22 + std::min<size_t>(big_endian(b, 18, 4), b.size() - 22);
    size_t tempo = b.find("\xFF\x51\x03", 22);
    if (tempo == std::string::npos || tempo + 6 > end || big_endian(b, tempo + 3, 3) != 333333)
        error(where, "does not set 333333 microseconds per quarter note first in track 1");
    size_t later = b.find("\xFF\x51\x03", tempo + 6);
    if (later == std::string::npos || later + 6 > end)
        error(where, "has no later tempo change in track 1");
}

ProgramSource read_program_source(const std::string& dir, const NamedFiles& files) {
    ProgramSource program;
    const std::string path = dir + "/program.json";
    QJsonObject o = read_json(path);
    expect_keys(o, {"run_mode", "word1", "word2", "library_count", "dll_commands", "windows"},
                path);
    program.run_mode = word(member(o, "run_mode", path), path);
    program.word1 = word(member(o, "word1", path), path);
    program.word2 = word(member(o, "word2", path), path);
    program.library_count = int32_t(word(member(o, "library_count", path), path));
    for (const QJsonValue& v : member(o, "dll_commands", path).toArray())
        program.dll_commands.push_back(
            {text(v.toObject().value("file"), path), text(v.toObject().value("name"), path)});
    QJsonObject handlers = read_json(dir + "/handlers.json");
    for (const QJsonValue& v : member(handlers, "handlers", dir + "/handlers.json").toArray())
        program.handlers.push_back(v.toString().toStdString());
    for (const QJsonValue& v : member(o, "windows", path).toArray())
        read_window(dir + "/" + v.toString().toStdString(), program, files);
    read_constants(dir + "/constants.json", program, files);
    check_names(program);
    return program;
}

}  // namespace qinghe::tools
