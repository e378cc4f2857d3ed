#include "Icons.h"

#include <QToolButton>

// The tool-bar pictures are compiled into this library (resources/icons.qrc,
// drawn by tools/make_icons.sh), so they show on any machine.
static void initIcons() { Q_INIT_RESOURCE(icons); }

QIcon toolIcon(const QString& name)
{
    static const bool loaded = (initIcons(), true);
    Q_UNUSED(loaded);
    return QIcon(QStringLiteral(":/icons/%1.png").arg(name));
}

QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& icon, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(objectName);
    b->setIcon(toolIcon(icon));
    b->setIconSize(QSize(32, 32));
    b->setFixedSize(41, 41);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    return b;
}
