#pragma once
// Tool-bar pictures: "add", "edit", "delete", "give", "search", "filter", "return".
#include <QIcon>
#include <QString>

class QToolButton;
class QWidget;

QIcon toolIcon(const QString& name);
// A flat 41 × 41 tool-bar button with a picture and a hint.
QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& icon, const QString& hint);
