#include "MultiLineTextBox.h"

#include <QAccessibleWidget>
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

// What a screen reader reads and edits: text(), at the document's positions
// (one per character), instead of the document's shown form.
class MultiLineTextBoxAccessible : public QAccessibleWidget,
                                   public QAccessibleTextInterface,
                                   public QAccessibleEditableTextInterface
{
public:
    explicit MultiLineTextBoxAccessible(MultiLineTextBox *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectableText = true;
        state.multiLine = true;
        if (box()->isReadOnly())
            state.readOnly = true;
        else
            state.editable = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? box()->text() : QAccessibleWidget::text(kind);
    }

    // QAccessibleTextInterface
    QString text(int start, int end) const override
    {
        start = bounded(start);
        return box()->text().mid(start, bounded(end) - start);
    }
    int characterCount() const override { return int(box()->text().size()); }

    void selection(int index, int *start, int *end) const override
    {
        const QTextCursor cursor = box()->textCursor();
        const bool selected = index == 0 && cursor.hasSelection();
        *start = selected ? cursor.selectionStart() : 0;
        *end = selected ? cursor.selectionEnd() : 0;
    }
    int selectionCount() const override { return box()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            setCursorPosition(cursorPosition());
    }
    void setSelection(int index, int start, int end) override
    {
        if (index != 0)
            return;
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(bounded(start));
        cursor.setPosition(bounded(end), QTextCursor::KeepAnchor);
        box()->setTextCursor(cursor);
    }
    int cursorPosition() const override { return box()->textCursor().position(); }
    void setCursorPosition(int position) override
    {
        QTextCursor cursor = box()->textCursor();
        cursor.setPosition(bounded(position));
        box()->setTextCursor(cursor);
    }

    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset >= characterCount())
            return {};
        QTextCursor cursor(box()->document());
        cursor.setPosition(offset);
        QRect rect = box()->cursorRect(cursor);
        const QChar shown = box()->document()->characterAt(offset);
        rect.setWidth(qMax(1, box()->fontMetrics().horizontalAdvance(shown)));
        rect.moveTopLeft(box()->viewport()->mapToGlobal(rect.topLeft()));
        return rect;
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = box()->viewport()->mapFromGlobal(point);
        if (!box()->viewport()->rect().contains(local))
            return -1;
        return box()->cursorForPosition(local).position();
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

    // QAccessibleEditableTextInterface: edits as pasting does.
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString &text) override
    {
        if (box()->isReadOnly())
            return;
        setSelection(0, start, end);
        box()->insertExact(text);
    }

private:
    MultiLineTextBox *box() const { return static_cast<MultiLineTextBox *>(widget()); }
    int bounded(int position) const { return qBound(0, position, characterCount()); }
};

namespace {

QAccessibleInterface *accessibleBox(const QString &className, QObject *object)
{
    if (className == QLatin1String("MultiLineTextBox") && object && object->isWidgetType())
        return new MultiLineTextBoxAccessible(static_cast<MultiLineTextBox *>(object));
    return nullptr;
}

}  // namespace

MultiLineTextBox::MultiLineTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    static const bool accessible = (QAccessible::installFactory(accessibleBox), true);
    Q_UNUSED(accessible);
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

// The selected part of text(), not of the document: its line breaks and
// no-break spaces as held.
QMimeData *MultiLineTextBox::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    auto *data = new QMimeData;
    data->setText(m_text.mid(start, cursor.selectionEnd() - start));
    return data;
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
