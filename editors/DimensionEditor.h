#pragma once
// The drill and milling-cutter editors' geometry boxes: plain text boxes
// whose key filters admit only what a number may hold and whose change
// handlers hold the box's validity in its colour, white or red. A new tool
// has its other dimensions proposed from the diameter as it is typed.
#include "ToolEditor.h"

#include <QHash>
#include <functional>

class TDimensionEditor : public TToolEditor {
    Q_OBJECT
public:
    // The colour that holds a box's validity.
    static bool isRed(const QLineEdit* box);

protected:
    using TToolEditor::TToolEditor;

    QGroupBox* GroupBox2 = nullptr;   // "Геометрические характеристики"
    QLineEdit* dimensionBox(const char* name, const char* label, const char* hint);

    // Key filters: true admits the character (possibly changed), false discards it.
    static bool decimalKey(QChar& key);      // digits, ",", "." becoming ","
    static bool digitKey(QChar& key);        // digits
    static bool separatorKey(QChar& key);    // digits, ",", "." as typed
    void setKeyFilter(QLineEdit* box, std::function<bool(QChar&)> filter);

    // Rounded to the nearest integer, a half going to the even neighbour, as digits.
    static QString rounded(double v);
    static void paint(QLineEdit* box, bool red);

    // The change handlers' work. The diameter proposes the other boxes while
    // ResultWord is "New" (shank the same text, length d × 11, cutting length d × 5).
    void diameterChange(QLineEdit* diam, QLineEdit* shank, QLineEdit* length, QLineEdit* cutting);
    // White, then red when the text is not a number of its kind or out of
    // the box's range (toolchecks::rangeOf); a valid-looking length proposes
    // half of itself as the cutting length while "New".
    void rangeChange(QLineEdit* box, QLineEdit* half = nullptr);

    // The numbers OK writes (their texts have passed the checks).
    static double floatOf(const QLineEdit* box);
    static int intOf(const QLineEdit* box);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, std::function<bool(QChar&)>> m_keyFilters;
};
