#pragma once

#include <QPaintDevice>
#include <QSize>

// Window layouts are designed in twips (1/1440 inch); Qt places widgets in pixels at the
// screen's logical DPI.
inline int twipsToPixels(int twips, int logicalDpi)
{
    return twips * logicalDpi / 1440;
}

// Converts a size in twips for the screen the device is shown on.
inline QSize twipsToPixels(const QSize &twips, const QPaintDevice &device)
{
    return {twipsToPixels(twips.width(), device.logicalDpiX()),
            twipsToPixels(twips.height(), device.logicalDpiY())};
}
