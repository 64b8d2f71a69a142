#pragma once

// Geometry in twips and the fonts of the windows.

#include <QFont>
#include <QPushButton>
#include <QRect>

namespace rallon::kit {

constexpr int TwipsPerPixel = 15;

// Twips to device-independent pixels (15 twips to a pixel at 96 dpi).
int twips(int value);
QRect twipsRect(int left, int top, int width, int height);

// Bold monospaced face of the windows ("DejaVu Sans Mono").
QFont monoFont(qreal points);
// Proportional face of the small windows ("DejaVu Sans").
QFont sansFont(qreal points, bool bold);

// Makes the .ttf files of `folder` available to the windows, where the
// system has no DejaVu faces of its own (the Windows zip's fonts/ folder).
// A missing folder adds nothing. Returns how many faces were added.
int addFontsOf(const QString &folder);

// A push button whose caption wraps onto several lines when it is wider
// than the button; text() keeps the caption as set.
class WrapButton : public QPushButton
{
public:
    explicit WrapButton(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

}  // namespace rallon::kit
