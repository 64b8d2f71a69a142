#pragma once

// The key entry window: 64 boxes for the shared key, two hexadecimal
// digits each, and DONE.

#include "ConfigRecord.h"

#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

class PassKeyForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int KeyCount = rallon::frame::SecretLength;

    explicit PassKeyForm(QWidget *parent = nullptr);

    QStringList keyTexts() const;
    // Sets the boxes in index order; missing texts leave their boxes as they are.
    void setKeyTexts(const QStringList &texts);

private:
    // Named as the members are ("Key(5)", "Label1(0)"): tests and tools find
    // them by name.
    QList<QLineEdit *> Key;     // Key(0) .. Key(63), row i / 8, column i % 8
    QList<QLabel *> Label1;     // row labels "1 - 8" .. "57 - 64"
    QPushButton *btnPASSKEYDONE = nullptr;
};
