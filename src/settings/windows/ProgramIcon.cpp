#include "settings/windows/ProgramIcon.h"

#include "common/windows/Widgets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// The shapes of the installed icon (packaging/ru.kvilmar.Kvilmar.svg), on its
// 256-unit grid. The letter is an outline too: drawing it needs no font, so
// the windows that show the picture load none at start-up.
QPolygonF shape(std::initializer_list<QPointF> points, qreal scale)
{
    QPolygonF polygon;
    for (const QPointF& p : points)
        polygon << p * scale;
    return polygon;
}

} // namespace

QPixmap programIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = size / 256.0;
    QPen outline(widgets::kNavy, qMax<qreal>(1.0, 10 * u));
    outline.setJoinStyle(Qt::RoundJoin);
    p.setPen(outline);

    // The page with a folded corner.
    QLinearGradient paper(0, 14 * u, 0, 242 * u);
    paper.setColorAt(0, Qt::white);
    paper.setColorAt(1, QColor(0xe4, 0xea, 0xff));
    p.setBrush(paper);
    p.drawPolygon(shape({{40, 14}, {170, 14}, {218, 62}, {218, 242}, {40, 242}}, u));
    p.setBrush(QColor(0xb9, 0xc8, 0xff));
    p.drawPolygon(shape({{170, 14}, {170, 62}, {218, 62}}, u));

    // The letter.
    QLinearGradient ink(70 * u, 82 * u, 194 * u, 214 * u);
    ink.setColorAt(0, QColor(0x2a, 0x5b, 0xff));
    ink.setColorAt(1, QColor(0x00, 0x00, 0xd0));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(shape({{70, 82},
                         {104, 82},
                         {104, 126},
                         {146, 82},
                         {190, 82},
                         {132, 140},
                         {194, 214},
                         {150, 214},
                         {104, 158},
                         {104, 214},
                         {70, 214}},
                        u));
    return pixmap;
}

QIcon programWindowIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(programIcon(size));
    return icon;
}
