// One interface over the Qt editor that shows an edit box's text: a
// QLineEdit for a single-line box, a QPlainTextEdit for a multi-line one.
// Positions and lengths count characters of the editor's text.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace qinghe {

class EditField {
public:
    // Makes the editor as a child of `box`, without a frame of its own.
    void create_line(QWidget* box, Qt::Alignment alignment);
    // Scroll-bar bits: 1 horizontal, 2 vertical.
    void create_plain(QWidget* box, int32_t scroll_bars, Qt::Alignment alignment);
    // Forgets the editor and hands it over, for the box to delete.
    QWidget* release();

    QWidget* widget() const;
    QLineEdit* line() const { return line_; }
    QPlainTextEdit* plain() const { return plain_; }
    bool multi_line() const { return plain_ != nullptr; }

    QString text() const;
    void set_text(const QString& text);
    void insert(const QString& text);
    void set_read_only(bool read_only);
    std::pair<int32_t, int32_t> selection() const;  // start, length
    int32_t caret() const;
    // Selects, clamped to the text.
    void select(int32_t start, int32_t length);

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
};

}  // namespace qinghe
