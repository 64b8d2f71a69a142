#include "PassKeyForm.h"

#include "EntryRules.h"
#include "Style.h"
#include "WindowPlacement.h"

#include <QVBoxLayout>

#include <QPixmap>

using namespace rallon::kit;

PassKeyForm::PassKeyForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmPASSKEY"));
    setWindowTitle(QStringLiteral("Pass Key"));
    // No icon of its own: a transparent one, so no application icon shows.
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    setWindowIcon(QIcon(blank));
    // The controls lie on a client of one size, the window's only widget;
    // a screen too small for it scrolls it.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("frmPASSKEYClient"));
    client->setFixedSize(twips(9390), twips(10695));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(client);
    fitToScreen(*this, *client);
    // The close box only hides the window (no delete on close); it never
    // ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    for (int row = 0; row < 8; ++row) {
        auto *label = new QLabel(QStringLiteral("%1 - %2").arg(row * 8 + 1).arg(row * 8 + 8), client);
        label->setObjectName(QStringLiteral("Label1(%1)").arg(row));
        label->setGeometry(twipsRect(480, 480 + 1080 * row, 1215, 495));
        label->setFont(monoFont(14.25));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Label1.append(label);
    }

    for (int i = 0; i < KeyCount; ++i) {
        const int row = i / 8;
        const int column = i % 8;
        auto *box = new QLineEdit(QStringLiteral("00"), client);
        box->setObjectName(QStringLiteral("Key(%1)").arg(i));
        box->setAccessibleName(QStringLiteral("Key octet %1").arg(i + 1));
        box->setGeometry(twipsRect(2160 + 840 * column, 360 + 1080 * row, 615, 615));
        box->setMaxLength(2);
        box->setAlignment(Qt::AlignCenter);
        box->setFont(monoFont(20.25));
        box->setTextMargins(0, 0, 0, 0);
        rallon::applyEntryRule(box, rallon::EntryRule::KeyOctet);
        // An emptied box holds the octet 0.
        rallon::onFocusLost(box, [box] {
            if (box->text().isEmpty())
                box->setText(QStringLiteral("00"));
        });
        Key.append(box);
    }

    btnPASSKEYDONE = new QPushButton(QStringLiteral("DONE"), client);
    btnPASSKEYDONE->setObjectName(QStringLiteral("btnPASSKEYDONE"));
    btnPASSKEYDONE->setGeometry(twipsRect(3840, 9240, 1575, 735));
    btnPASSKEYDONE->setFont(sansFont(8.25, true));
    connect(btnPASSKEYDONE, &QPushButton::clicked, this, &QWidget::hide);

    QWidget *previous = Key.first();
    for (int i = 1; i < KeyCount; ++i) {
        setTabOrder(previous, Key.at(i));
        previous = Key.at(i);
    }
    setTabOrder(previous, btnPASSKEYDONE);
    layout->activate();
}

QStringList PassKeyForm::keyTexts() const
{
    QStringList texts;
    texts.reserve(Key.size());
    for (const QLineEdit *box : Key)
        texts.append(box->text());
    return texts;
}

void PassKeyForm::setKeyTexts(const QStringList &texts)
{
    const int count = qMin(texts.size(), int(Key.size()));
    for (int i = 0; i < count; ++i)
        Key.at(i)->setText(texts.at(i));
}
