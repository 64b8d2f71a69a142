#pragma once

// A multi-line text box: centred text, a maximum length that holds for
// typing, pasting and dropping, and Tab moving the focus.
//
// text() is exactly what setText(), typing and pasting put in, character
// for character: CR, LF, CR LF and no-break spaces included. The text
// document only shows it, one document character per text character
// (line breaks drawn for CR, LF and CR LF), since a document of its own
// would turn every line end into one paragraph break and no-break spaces
// into blanks. What leaves the box (copy, cut, drag, a screen reader's
// text) is text(), or the selected part of it, never the document's.

#include <QPlainTextEdit>

class MultiLineTextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit MultiLineTextBox(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    // 0 means no limit.
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length);

protected:
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class MultiLineTextBoxAccessible;  // edits through insertExact()

    // Replaces the selection with `typed`, cut to the room left.
    void insertExact(const QString &typed);
    // Takes an edit that the document made on its own into text().
    void followDocument();
    // Shows text() with the cursor at `cursorPosition`.
    void showText(int cursorPosition, bool withPreviousEdit);

    QString m_text;
    QString m_shown;  // what the document holds for m_text
    int m_maxLength = 0;
    bool m_showing = false;
};
