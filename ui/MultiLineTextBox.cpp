#include "MultiLineTextBox.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

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

    connect(this, &QPlainTextEdit::textChanged, this, &MultiLineTextBox::enforceMaxLength);
}

void MultiLineTextBox::setText(const QString &text)
{
    setPlainText(m_maxLength > 0 ? text.left(m_maxLength) : text);
}

void MultiLineTextBox::setMaxLength(int length)
{
    m_maxLength = qMax(0, length);
    enforceMaxLength();
}

// Whatever was just inserted ends at the cursor: cut the excess from the
// end of the insertion, so the text that was there before stays.
void MultiLineTextBox::enforceMaxLength()
{
    if (m_maxLength <= 0 || m_trimming)
        return;
    const int excess = toPlainText().size() - m_maxLength;
    if (excess <= 0)
        return;

    m_trimming = true;
    QTextCursor cursor = textCursor();
    int end = cursor.position();
    int start = end - excess;
    if (start < 0) {
        start = m_maxLength;
        end = m_maxLength + excess;
    }
    cursor.joinPreviousEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
    m_trimming = false;
}
