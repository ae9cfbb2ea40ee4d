#include "about/aboutpictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

const QColor BrickRed(0xb5, 0x4a, 0x2c);
const QColor CardPaper(0xf6, 0xee, 0xdc);
const QColor CardEdge(0x8a, 0x6d, 0x3b);
const QColor ClockBlue(0x2b, 0x4a, 0x6f);

QPixmap blankCanvas(const QSize &size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPointF pointOnCircle(const QPointF &centre, qreal radius, qreal clockwiseDegreesFromTwelve)
{
    const qreal angle = qDegreesToRadians(clockwiseDegreesFromTwelve);
    return centre + QPointF(radius * qSin(angle), -radius * qCos(angle));
}

void drawHand(QPainter &painter, const QPointF &centre, qreal length, qreal degrees,
              const QPen &pen)
{
    painter.setPen(pen);
    painter.drawLine(centre, pointOnCircle(centre, length, degrees));
}

// A clock face showing hours:minutes, with tick marks at every hour.
void drawClockFace(QPainter &painter, const QPointF &centre, qreal radius, int hours, int minutes,
                   qreal rim)
{
    painter.setPen(QPen(ClockBlue, rim));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, radius, radius);

    const qreal tick = qMax<qreal>(0.8, rim * 0.6);
    for (int hour = 0; hour < 12; ++hour) {
        const qreal inner = hour % 3 == 0 ? radius * 0.72 : radius * 0.82;
        painter.setPen(
            QPen(ClockBlue, hour % 3 == 0 ? tick * 1.5 : tick, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(pointOnCircle(centre, inner, hour * 30),
                         pointOnCircle(centre, radius * 0.9, hour * 30));
    }

    const qreal hourDegrees = (hours % 12) * 30 + minutes * 0.5;
    drawHand(painter, centre, radius * 0.5, hourDegrees,
             QPen(Qt::black, rim * 1.4, Qt::SolidLine, Qt::RoundCap));
    drawHand(painter, centre, radius * 0.78, minutes * 6,
             QPen(Qt::black, rim, Qt::SolidLine, Qt::RoundCap));
    painter.setPen(Qt::NoPen);
    painter.setBrush(BrickRed);
    painter.drawEllipse(centre, rim, rim);
}

// A time card with a coloured head and ruled lines for the bookings.
void drawTimeCard(QPainter &painter, const QRectF &card, qreal line)
{
    const qreal radius = card.width() * 0.08;
    QPainterPath outline;
    outline.addRoundedRect(card, radius, radius);
    painter.setPen(QPen(CardEdge, line));
    painter.setBrush(CardPaper);
    painter.drawPath(outline);

    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(QRectF(card.topLeft(), QSizeF(card.width(), card.height() * 0.25)), BrickRed);
    painter.restore();
    painter.setPen(QPen(CardEdge, line));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    painter.setPen(QPen(CardEdge.lighter(140), line));
    for (int row = 1; row <= 3; ++row) {
        const qreal y = card.top() + card.height() * (0.25 + row * 0.18);
        painter.drawLine(QPointF(card.left() + card.width() * 0.12, y),
                         QPointF(card.left() + card.width() * 0.55, y));
    }
}

} // namespace

QPixmap programIcon(const QSize &size, qreal ratio)
{
    QPixmap pixmap = blankCanvas(size, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32 x 32 grid.
    painter.scale(size.width() / 32.0, size.height() / 32.0);

    drawTimeCard(painter, QRectF(1.5, 4.5, 23, 18), 1.0);
    drawClockFace(painter, QPointF(22.5, 21.5), 8.5, 8, 0, 1.3);
    return pixmap;
}

QPixmap brickWallBand(const QSize &size, qreal ratio)
{
    QPixmap pixmap = blankCanvas(size, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const QColor mortar(0xd8, 0xd0, 0xc2);
    painter.fillRect(QRectF(QPointF(0, 0), size), mortar);

    const int rows = qMax(1, qRound(size.height() / 10.0));
    const qreal brickHeight = qreal(size.height()) / rows;
    const qreal brickWidth = brickHeight * 2.3;
    const qreal joint = qMax<qreal>(1.0, brickHeight * 0.12);
    for (int row = 0; row < rows; ++row) {
        // Running bond: every other course starts with half a brick.
        const qreal offset = row % 2 == 0 ? 0 : -brickWidth / 2;
        const qreal top = row * brickHeight;
        for (int column = 0; offset + column * brickWidth < size.width(); ++column) {
            const QRectF brick(offset + column * brickWidth + joint / 2, top + joint / 2,
                               brickWidth - joint, brickHeight - joint);
            // Fired bricks differ a little in colour; the pattern repeats without chance.
            const int shade = 92 + ((row * 7 + column * 13) % 5) * 5;
            QLinearGradient face(brick.topLeft(), brick.bottomLeft());
            face.setColorAt(0, BrickRed.lighter(shade + 12));
            face.setColorAt(1, BrickRed.darker(shade + 8));
            painter.setPen(Qt::NoPen);
            painter.setBrush(face);
            painter.drawRoundedRect(brick, joint * 0.6, joint * 0.6);
        }
    }

    // Light from above.
    QLinearGradient light(0, 0, 0, size.height());
    light.setColorAt(0, QColor(255, 255, 255, 50));
    light.setColorAt(1, QColor(0, 0, 0, 45));
    painter.fillRect(QRectF(QPointF(0, 0), size), light);
    return pixmap;
}

QPixmap timeClockTerminal(qreal ratio)
{
    const QSize size(162, 245);
    QPixmap pixmap = blankCanvas(size, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient wall(0, 0, 0, size.height());
    wall.setColorAt(0, QColor(0xee, 0xf1, 0xf4));
    wall.setColorAt(1, QColor(0xc9, 0xd2, 0xda));
    painter.fillRect(QRect(QPoint(0, 0), size), wall);

    const QRectF body(26, 16, 110, 212);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(body.translated(4, 5), 12, 12);
    QLinearGradient metal(body.topLeft(), body.topRight());
    metal.setColorAt(0, QColor(0x6a, 0x76, 0x80));
    metal.setColorAt(0.5, QColor(0x52, 0x5d, 0x66));
    metal.setColorAt(1, QColor(0x3b, 0x44, 0x4b));
    painter.setPen(QPen(QColor(0x2a, 0x30, 0x35), 1.5));
    painter.setBrush(metal);
    painter.drawRoundedRect(body, 12, 12);

    const QPointF clockCentre(81, 64);
    QRadialGradient bezel(clockCentre, 40);
    bezel.setColorAt(0.8, QColor(0xe4, 0xe7, 0xea));
    bezel.setColorAt(1, QColor(0x9a, 0xa2, 0xa9));
    painter.setPen(Qt::NoPen);
    painter.setBrush(bezel);
    painter.drawEllipse(clockCentre, 40, 40);
    drawClockFace(painter, clockCentre, 34, 7, 58, 2.0);
    drawHand(painter, clockCentre, 30, 20 * 6, QPen(BrickRed, 1.0, Qt::SolidLine, Qt::RoundCap));

    const QRectF display(44, 114, 74, 24);
    painter.setPen(QPen(QColor(0x1f, 0x24, 0x28), 2));
    painter.setBrush(QColor(0xa8, 0xd8, 0xa0));
    painter.drawRoundedRect(display, 3, 3);
    QFont digits(QStringLiteral("Monospace"));
    digits.setStyleHint(QFont::Monospace);
    digits.setBold(true);
    digits.setPixelSize(17);
    painter.setFont(digits);
    painter.setPen(QColor(0x1d, 0x3b, 0x1f));
    painter.drawText(display, Qt::AlignCenter, QStringLiteral("07:58"));

    drawTimeCard(painter, QRectF(61, 140, 40, 26), 1.0);
    const QRectF slot(50, 162, 62, 7);
    painter.setPen(QPen(QColor(0x8f, 0x99, 0xa1), 1));
    painter.setBrush(QColor(0x15, 0x18, 0x1b));
    painter.drawRoundedRect(slot, 3, 3);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x4c, 0xd9, 0x64));
    painter.drawEllipse(QPointF(52, 182), 3, 3);
    painter.setBrush(QColor(0x6b, 0x2a, 0x24));
    painter.drawEllipse(QPointF(62, 182), 3, 3);

    painter.setPen(QPen(QColor(0x2a, 0x30, 0x35), 1));
    painter.setBrush(QColor(0x9a, 0xa4, 0xac));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column)
            painter.drawRoundedRect(QRectF(55 + column * 18, 192 + row * 14, 15, 10), 2, 2);
    }
    return pixmap;
}
