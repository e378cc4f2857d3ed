#pragma once
// Tool-bar pictures, drawn by the program itself so that they show on any
// machine: "add", "edit", "delete", "give", "search", "filter", "return",
// "picture".
#include <QIcon>
#include <QString>

QIcon toolIcon(const QString& name);

class QToolButton;
class QWidget;
// A flat 41 × 41 tool-bar button with a picture and a hint.
QToolButton* speedButton(QWidget* parent, const QString& objectName, const QString& icon, const QString& hint);
