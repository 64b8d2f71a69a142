#include "Style.h"

#include <QDir>
#include <QFontDatabase>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace rallon::kit {

int twips(int value)
{
    return qRound(value / double(TwipsPerPixel));
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

QFont monoFont(qreal points)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPointSizeF(points);
    return font;
}

int addFontsOf(const QString &folder)
{
    int added = 0;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name)) {
        if (QFontDatabase::addApplicationFont(dir.filePath(name)) >= 0)
            ++added;
    }
    return added;
}

QFont sansFont(qreal points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    font.setPointSizeF(points);
    return font;
}

WrapButton::WrapButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
}

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On)) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextWordWrap, option.palette,
                          isEnabled(), caption, QPalette::ButtonText);
}

}  // namespace rallon::kit
