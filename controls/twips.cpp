#include "controls/twips.h"

#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {
constexpr double twipsPerInch = 1440.0;
constexpr double designCharacterWidthAt96Dpi = 5.0;
} // namespace

TwipsScale::TwipsScale(const QWidget &window)
{
    const double dpiX = window.logicalDpiX();
    const double dpiY = window.logicalDpiY();
    const double designCharacterWidth = designCharacterWidthAt96Dpi * dpiX / 96.0;
    const double fontGrowth =
        std::max(1.0, QFontMetrics(window.font()).averageCharWidth() / designCharacterWidth);
    pixelsPerTwipX_ = dpiX / twipsPerInch * fontGrowth;
    pixelsPerTwipY_ = dpiY / twipsPerInch * fontGrowth;
}

int TwipsScale::x(int twips) const
{
    return int(std::lround(twips * pixelsPerTwipX_));
}

int TwipsScale::y(int twips) const
{
    return int(std::lround(twips * pixelsPerTwipY_));
}

QSize TwipsScale::size(const QSize &twips) const
{
    return {x(twips.width()), y(twips.height())};
}

QRect TwipsScale::rect(const QRect &twips) const
{
    return {x(twips.x()), y(twips.y()), x(twips.width()), y(twips.height())};
}

void TwipsScale::place(QWidget *widget, const QRect &twips) const
{
    widget->setGeometry(rect(twips));
}
