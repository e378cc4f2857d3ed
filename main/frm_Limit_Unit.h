#pragma once
// A small dialog asking for one whole number with a spin box: a tool's
// minimum stock ("Минимальный остаток") and the limit in days a tool may
// stay out in work ("Срок выдачи, дней").
#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

class Tfrm_Limit : public QDialog {
    Q_OBJECT
public:
    Tfrm_Limit(const char* objectName, const QString& caption, QWidget* parent = nullptr);

    // Shows the dialog modally with the text above the box, its range and
    // value; true with *value set when OK was pressed.
    bool Ask(const QString& text, int minimum, int maximum, int* value);

    QLabel* lbl_Text;
    QSpinBox* sped_Value;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;
};
