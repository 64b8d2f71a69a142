#pragma once

// A multi-line text box: centred text, a maximum length that holds for
// typing, pasting and dropping, and Tab moving the focus.

#include <QPlainTextEdit>

class MultiLineTextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit MultiLineTextBox(QWidget *parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString &text);

    // 0 means no limit.
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length);

private:
    void enforceMaxLength();

    int m_maxLength = 0;
    bool m_trimming = false;
};
