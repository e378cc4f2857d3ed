#include "Icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap draw(const QString& name)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    auto pen = [&](const QColor& c, double w) {
        QPen pe(c, w);
        pe.setCapStyle(Qt::RoundCap);
        pe.setJoinStyle(Qt::RoundJoin);
        p.setPen(pe);
    };
    if (name == QLatin1String("add")) {
        p.setBrush(QColor(46, 160, 67));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(13, 4, 6, 24), 2, 2);
        p.drawRoundedRect(QRectF(4, 13, 24, 6), 2, 2);
    } else if (name == QLatin1String("edit")) {
        p.translate(16, 16);
        p.rotate(45);
        p.setPen(QPen(QColor(90, 60, 20), 1));
        p.setBrush(QColor(240, 190, 60));
        p.drawRect(QRectF(-4, -13, 8, 20));
        p.setBrush(QColor(230, 120, 120));
        p.drawRect(QRectF(-4, -15, 8, 4));
        QPainterPath tip;
        tip.moveTo(-4, 7);
        tip.lineTo(4, 7);
        tip.lineTo(0, 14);
        tip.closeSubpath();
        p.setBrush(QColor(250, 225, 180));
        p.drawPath(tip);
    } else if (name == QLatin1String("delete")) {
        pen(QColor(200, 40, 40), 5);
        p.drawLine(7, 7, 25, 25);
        p.drawLine(25, 7, 7, 25);
    } else if (name == QLatin1String("give")) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 110, 190));
        p.drawEllipse(QRectF(19, 4, 9, 9));
        p.drawRoundedRect(QRectF(18, 14, 11, 14), 4, 4);
        pen(QColor(220, 120, 20), 3);
        p.drawLine(3, 18, 14, 18);
        p.drawLine(10, 13, 15, 18);
        p.drawLine(10, 23, 15, 18);
    } else if (name == QLatin1String("return")) {
        pen(QColor(46, 130, 67), 3.5);
        QPainterPath path;
        path.moveTo(26, 24);
        path.lineTo(26, 14);
        path.cubicTo(26, 8, 22, 8, 16, 8);
        path.lineTo(7, 8);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.drawLine(7, 8, 12, 3);
        p.drawLine(7, 8, 12, 13);
    } else if (name == QLatin1String("search")) {
        pen(QColor(50, 50, 60), 3);
        p.setBrush(QColor(200, 225, 250));
        p.drawEllipse(QRectF(4, 4, 16, 16));
        pen(QColor(50, 50, 60), 5);
        p.drawLine(18, 18, 27, 27);
    } else if (name == QLatin1String("filter")) {
        QPainterPath f;
        f.moveTo(4, 5);
        f.lineTo(28, 5);
        f.lineTo(18, 16);
        f.lineTo(18, 27);
        f.lineTo(14, 24);
        f.lineTo(14, 16);
        f.closeSubpath();
        p.setPen(QPen(QColor(60, 60, 70), 1.5));
        p.setBrush(QColor(120, 160, 220));
        p.drawPath(f);
    } else if (name == QLatin1String("picture")) {
        p.setPen(QPen(QColor(80, 80, 80), 1.5));
        p.setBrush(QColor(220, 235, 250));
        p.drawRect(QRectF(3, 6, 26, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(80, 160, 80));
        QPainterPath m;
        m.moveTo(5, 24);
        m.lineTo(13, 14);
        m.lineTo(19, 20);
        m.lineTo(23, 16);
        m.lineTo(27, 24);
        m.closeSubpath();
        p.drawPath(m);
        p.setBrush(QColor(240, 200, 40));
        p.drawEllipse(QRectF(20, 8, 5, 5));
    }
    return pm;
}

} // namespace

QIcon toolIcon(const QString& name)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, QIcon(draw(name)));
    return *it;
}

#include <QToolButton>

QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& icon, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(objectName);
    b->setIcon(toolIcon(icon));
    b->setIconSize(QSize(28, 28));
    b->setFixedSize(41, 41);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}
