#include "ApplicationIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace synvora {

namespace {

constexpr int kGridSize = 64;

void DrawDrum(QPainter& painter, const QRectF& body, const QColor& color) {
    const qreal capHeight = body.width() / 3.0;
    QPainterPath side;
    side.moveTo(body.left(), body.top() + capHeight / 2);
    side.lineTo(body.left(), body.bottom() - capHeight / 2);
    side.arcTo(QRectF(body.left(), body.bottom() - capHeight, body.width(), capHeight), 180, 180);
    side.lineTo(body.right(), body.top() + capHeight / 2);
    side.closeSubpath();

    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0, color.lighter(130));
    shade.setColorAt(1, color.darker(130));
    painter.setPen(QPen(color.darker(170), 1.5));
    painter.setBrush(shade);
    painter.drawPath(side);
    painter.setBrush(color.lighter(150));
    painter.drawEllipse(QRectF(body.left(), body.top(), body.width(), capHeight));
}

void DrawArrow(QPainter& painter) {
    QPainterPath arrow;
    arrow.moveTo(22, 6);
    arrow.lineTo(34, 6);
    arrow.lineTo(34, 1);
    arrow.lineTo(44, 11);
    arrow.lineTo(34, 21);
    arrow.lineTo(34, 16);
    arrow.lineTo(22, 16);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(20, 90, 20), 1.5));
    painter.setBrush(QColor(60, 170, 60));
    painter.drawPath(arrow);
}

}  // namespace

QImage DrawApplicationIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<qreal>(size) / kGridSize, static_cast<qreal>(size) / kGridSize);
    DrawDrum(painter, QRectF(3, 22, 24, 38), QColor(150, 150, 150));
    DrawDrum(painter, QRectF(37, 22, 24, 38), QColor(40, 100, 200));
    DrawArrow(painter);
    painter.end();
    return image;
}

QIcon DrawApplicationIcon() {
    return QIcon(QPixmap::fromImage(DrawApplicationIconImage(kGridSize)));
}

}  // namespace synvora
