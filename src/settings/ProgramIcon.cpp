#include "settings/ProgramIcon.h"

#include "common/Widgets.h"

#include <QPainter>
#include <QPainterPath>

QPixmap programIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = size / 32.0;
    // The page with a folded corner.
    QPainterPath page;
    page.moveTo(5 * u, 2 * u);
    page.lineTo(21 * u, 2 * u);
    page.lineTo(27 * u, 8 * u);
    page.lineTo(27 * u, 30 * u);
    page.lineTo(5 * u, 30 * u);
    page.closeSubpath();
    p.setPen(QPen(widgets::kNavy, qMax<qreal>(1.0, u)));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(21 * u, 2 * u), QPointF(21 * u, 8 * u));
    p.drawLine(QPointF(21 * u, 8 * u), QPointF(27 * u, 8 * u));
    // The letter.
    QFont font(QStringLiteral("Serif"));
    font.setBold(true);
    font.setPixelSize(qMax(6, int(18 * u)));
    p.setFont(font);
    p.setPen(widgets::kBlue);
    p.drawText(QRectF(5 * u, 8 * u, 22 * u, 22 * u), Qt::AlignCenter, QStringLiteral("К"));
    return pixmap;
}
