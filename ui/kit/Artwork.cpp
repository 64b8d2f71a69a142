#include "Artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace rallon::kit::artwork {
namespace {

const QColor LogoBlue(0x1c, 0x4f, 0xa6);
const QColor LogoGrey(0x6e, 0x76, 0x82);
const QColor LogoAmber(0xf2, 0xb1, 0x1c);

// The power mark: a ring open at the top with a bar through the gap.
void drawPowerMark(QPainter &p, const QPointF &centre, qreal radius, const QColor &colour)
{
    QPen pen(colour, radius * 0.26, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(ring, 125 * 16, 290 * 16);
    p.drawLine(QPointF(centre.x(), centre.y() - radius * 1.2),
               QPointF(centre.x(), centre.y() - radius * 0.3));
}

// A small lightning flash inside a box.
void drawFlash(QPainter &p, const QRectF &box, const QColor &colour)
{
    QPainterPath path;
    auto at = [&box](qreal x, qreal y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    path.moveTo(at(0.62, 0.0));
    path.lineTo(at(0.10, 0.58));
    path.lineTo(at(0.46, 0.58));
    path.lineTo(at(0.34, 1.0));
    path.lineTo(at(0.90, 0.40));
    path.lineTo(at(0.54, 0.40));
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

// Text in the largest bold face that fits the box, centred in it.
void drawFittedText(QPainter &p, const QRectF &box, const QString &text, const QColor &colour,
                    qreal letterSpacing)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, letterSpacing);
    qreal size = box.height();
    font.setPixelSize(qMax(1, int(size)));
    while (size > 4) {
        font.setPixelSize(int(size));
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(text) <= box.width() && metrics.capHeight() <= box.height())
            break;
        size -= 0.5;
    }
    p.setFont(font);
    p.setPen(colour);
    // Centre the capitals, not the whole line box.
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    const qreal baseline = box.center().y() + metrics.capHeight() / 2;
    p.drawText(QPointF(box.center().x() - width / 2, baseline), text);
}

// The logo: power mark with a flash, "TARVEX", and optionally a rule and
// "POWER RALLON" under it.
QPixmap drawLogo(const QSize &size, const QColor &background, bool subtitle)
{
    QPixmap pixmap(size);
    pixmap.fill(background);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const qreal w = size.width();
    const qreal h = size.height();
    const qreal wordHeight = subtitle ? h * 0.62 : h;
    const qreal radius = wordHeight * 0.36;
    const QPointF centre(radius * 1.35, wordHeight * 0.53);
    drawPowerMark(p, centre, radius, LogoBlue);
    drawFlash(p, QRectF(centre.x() - radius * 0.32, centre.y() - radius * 0.1,
                        radius * 0.64, radius * 0.8), LogoAmber);

    const qreal textLeft = centre.x() + radius * 1.55;
    drawFittedText(p, QRectF(textLeft, wordHeight * 0.2, w - textLeft - w * 0.03, wordHeight * 0.62),
                   QStringLiteral("TARVEX"), LogoBlue, 108);

    if (subtitle) {
        const qreal ruleY = wordHeight + h * 0.04;
        p.setPen(QPen(LogoGrey, qMax(1.0, h * 0.02)));
        p.drawLine(QPointF(w * 0.04, ruleY), QPointF(w * 0.96, ruleY));
        drawFittedText(p, QRectF(w * 0.08, ruleY + h * 0.06, w * 0.84, h * 0.2),
                       QStringLiteral("POWER RALLON"), LogoGrey, 130);
    }
    return pixmap;
}

}  // namespace

QPixmap mainLogo()
{
    return drawLogo(QSize(210, 73), Qt::transparent, true);
}

QIcon windowIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);  // drawn on a 48 x 48 grid
    p.setPen(Qt::NoPen);
    p.setBrush(LogoBlue);
    p.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);
    drawPowerMark(p, QPointF(24, 26), 14, Qt::white);
    drawFlash(p, QRectF(19.5, 25, 9, 11), LogoAmber);
    p.end();
    return QIcon(pixmap);
}

QPixmap splashLogoBitmap()
{
    return drawLogo(QSize(250, 56), Qt::white, false);
}

QPixmap splashLogoPicture()
{
    return drawLogo(QSize(308, 86), Qt::transparent, true);
}

}  // namespace rallon::kit::artwork
