#pragma once

#include <QRect>

class QWidget;

// Window layouts are designed in twips (1/1440 inch) for the small system font
// of their day (8 pt, about 5 pixels a character at 96 dpi). Widgets are placed
// in pixels at the screen's logical DPI; where the window's font is wider than
// that design font, the whole layout grows with it, so that captions still fit
// and the design keeps its proportions.
class TwipsScale
{
public:
    explicit TwipsScale(const QWidget &window);

    int x(int twips) const;
    int y(int twips) const;
    QSize size(const QSize &twips) const;
    QRect rect(const QRect &twips) const;
    // Puts the widget at left, top, width, height given in twips.
    void place(QWidget *widget, const QRect &twips) const;

private:
    double pixelsPerTwipX_;
    double pixelsPerTwipY_;
};
