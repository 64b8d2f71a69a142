#include "MultiLineTextBox.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace {

constexpr QChar Cr = u'\r';
constexpr QChar Lf = u'\n';
constexpr QChar ZeroWidthSpace = u'\u200B';

// One document character per text character: LF a paragraph break, a lone
// CR a line break, the CR of CR LF nothing visible (the LF breaks the line).
QString shownForm(const QString &text)
{
    QString shown = text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (text.at(i) == Lf)
            shown[i] = QChar::ParagraphSeparator;
        else if (text.at(i) == Cr)
            shown[i] = (i + 1 < text.size() && text.at(i + 1) == Lf) ? ZeroWidthSpace
                                                                      : QChar::LineSeparator;
    }
    return shown;
}

// The text that document characters stand for, where the document put them
// in by itself (typing, undo).
QString textForm(const QString &shown)
{
    QString text = shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (shown.at(i) == QChar::ParagraphSeparator)
            text[i] = Lf;
        else if (shown.at(i) == QChar::LineSeparator)
            text[i] = Cr;
        else if (shown.at(i) == ZeroWidthSpace && i + 1 < shown.size()
                 && shown.at(i + 1) == QChar::ParagraphSeparator)
            text[i] = Cr;
    }
    return text;
}

// How many characters `before` and `after` share at their start, and then
// at their end: between the two lies what changed.
std::pair<qsizetype, qsizetype> unchangedEnds(const QString &before, const QString &after)
{
    const qsizetype shorter = qMin(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before.at(head) == after.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head
           && before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    return {head, tail};
}

}  // namespace

MultiLineTextBox::MultiLineTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);

    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    document()->setDefaultTextOption(option);

    connect(this, &QPlainTextEdit::textChanged, this, &MultiLineTextBox::followDocument);
}

void MultiLineTextBox::setText(const QString &text)
{
    m_text = m_maxLength > 0 ? text.left(m_maxLength) : text;
    m_shown = shownForm(m_text);
    m_showing = true;
    setPlainText(m_shown);
    m_showing = false;
}

void MultiLineTextBox::setMaxLength(int length)
{
    m_maxLength = qMax(0, length);
    if (m_maxLength > 0 && m_text.size() > m_maxLength) {
        m_text.truncate(m_maxLength);
        showText(qMin(textCursor().position(), m_maxLength), false);
    }
}

// Pasted and dropped text goes in as it comes, not as the document would
// split it into paragraphs.
void MultiLineTextBox::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText())
        insertExact(source->text());
}

void MultiLineTextBox::insertExact(const QString &typed)
{
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int removed = cursor.selectionEnd() - start;
    QString taken = typed;
    if (m_maxLength > 0)
        taken.truncate(qMax(0, m_maxLength - int(m_text.size()) + removed));
    m_text.replace(start, removed, taken);
    showText(start + int(taken.size()), false);
}

// The document changed by itself (typing, deleting, undo, a slot such as
// clear() or insertPlainText()): take the edit into the text, cut to the
// maximum length.
void MultiLineTextBox::followDocument()
{
    if (m_showing)
        return;
    const QString now = document()->toRawText();
    const auto [head, tail] = unchangedEnds(m_shown, now);
    const qsizetype removed = m_shown.size() - head - tail;
    QString inserted = textForm(now).mid(head, now.size() - head - tail);
    if (m_maxLength > 0)
        inserted.truncate(qMax<qsizetype>(0, m_maxLength - (m_text.size() - removed)));
    m_text.replace(head, removed, inserted);
    m_shown = now;
    // A cut or a changed line end: one undo step with the edit.
    if (shownForm(m_text) != now)
        showText(int(head + inserted.size()), true);
}

// Brings the document to the shown form of the text, changing only what
// differs, and puts the cursor at `cursorPosition`.
void MultiLineTextBox::showText(int cursorPosition, bool withPreviousEdit)
{
    const QString target = shownForm(m_text);
    if (target != m_shown) {
        const auto [head, tail] = unchangedEnds(m_shown, target);
        QTextCursor edit(document());
        m_showing = true;
        if (withPreviousEdit)
            edit.joinPreviousEditBlock();
        else
            edit.beginEditBlock();
        edit.setPosition(int(head));
        edit.setPosition(int(m_shown.size() - tail), QTextCursor::KeepAnchor);
        edit.insertText(target.mid(head, target.size() - head - tail));
        edit.endEditBlock();
        m_showing = false;
        m_shown = target;
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, cursorPosition, int(m_text.size())));
    setTextCursor(cursor);
}
