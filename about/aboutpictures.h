#pragma once

#include <QPixmap>
#include <QSize>

// The about box's pictures, drawn in code so that the program carries no image files.
// The ratio is the screen's device pixel ratio, for sharp pictures on high-density screens.

// The program's icon: a time card with a clock face.
QPixmap programIcon(const QSize &size, qreal ratio);
// A band of brick wall, drawn to fill the given size.
QPixmap brickWallBand(const QSize &size, qreal ratio);
// A time clock on a wall, with clock face, display and an inserted card; 162 x 245 pixels.
QPixmap timeClockTerminal(qreal ratio);
