#include "components/edit_field.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <limits>

namespace qinghe {

void EditField::create_line(QWidget* box, Qt::Alignment alignment) {
    line_ = new QLineEdit(box);
    line_->setFrame(false);
    // The byte limit is the box's own; a program write is never cut.
    line_->setMaxLength(std::numeric_limits<int>::max());
    line_->setAlignment(alignment | Qt::AlignVCenter);
}

void EditField::create_plain(QWidget* box, int32_t scroll_bars, Qt::Alignment alignment) {
    plain_ = new QPlainTextEdit(box);
    plain_->setFrameShape(QFrame::NoFrame);
    const bool horizontal = scroll_bars & 1;
    plain_->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn
                                                    : Qt::ScrollBarAlwaysOff);
    plain_->setVerticalScrollBarPolicy((scroll_bars & 2) ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
    // Without a horizontal scroll bar long lines wrap at the box's width.
    plain_->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    QTextOption option = plain_->document()->defaultTextOption();
    option.setAlignment(alignment);
    plain_->document()->setDefaultTextOption(option);
}

QWidget* EditField::release() {
    QWidget* editor = widget();
    line_ = nullptr;
    plain_ = nullptr;
    return editor;
}

QWidget* EditField::widget() const {
    if (line_) return line_;
    return plain_;
}

QString EditField::text() const {
    if (line_) return line_->text();
    return plain_ ? plain_->toPlainText() : QString();
}

void EditField::set_text(const QString& text) {
    if (line_) line_->setText(text);
    if (plain_) plain_->setPlainText(text);
}

void EditField::insert(const QString& text) {
    if (line_) line_->insert(text);
    if (plain_) plain_->insertPlainText(text);
}

void EditField::set_read_only(bool read_only) {
    if (line_) line_->setReadOnly(read_only);
    if (plain_) plain_->setReadOnly(read_only);
}

std::pair<int32_t, int32_t> EditField::selection() const {
    if (line_) {
        if (!line_->hasSelectedText()) return {line_->cursorPosition(), 0};
        return {line_->selectionStart(), line_->selectionLength()};
    }
    const QTextCursor cursor = plain_->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

int32_t EditField::caret() const {
    if (line_) return line_->cursorPosition();
    return plain_->textCursor().position();
}

void EditField::select(int32_t start, int32_t length) {
    const int32_t size = int32_t(text().size());
    start = std::clamp(start, 0, size);
    length = std::clamp(length, 0, size - start);
    if (line_) {
        line_->setSelection(start, length);
        return;
    }
    QTextCursor cursor = plain_->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    plain_->setTextCursor(cursor);
    plain_->ensureCursorVisible();
}

}  // namespace qinghe
