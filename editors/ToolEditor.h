#pragma once
// What the four tool editors have in common: the dialog that edits the
// pending catalogue row its caller has put into insert or edit state, the
// read-only counts, the picture with its context menu, OK and "Отмена".
// The caller sets the caption, the boxes, PictureName and last ResultWord
// ("New" or "Edit"); OK that passes every check writes into the pending row,
// sets ResultWord to "Done" and closes, the caller's operation storing the
// row first (see RecordEditor.h).
#include "Form.h"
#include "ToolKind.h"

#include <QString>

class DBComboBox;
class DBLookupComboBox;
class ImageBox;
class QAction;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class RecordSet;

class TToolEditor : public TForm {
    Q_OBJECT
public:
    QString PictureName;   // bare file name in Images/Instrument/; empty for none

    QGroupBox* GroupBox1;  // "Общие характеристики"
    QGroupBox* GroupBox3;  // "Колличество инструмента (справочные данные)"
    QLineEdit* ed_kvo_new;
    QLineEdit* ed_kvo_BU;
    QGroupBox* GroupBox4;  // "Картинка"
    ImageBox* Image1;
    QMenu* PictureMenu;    // pm_SV, pm_FR, pm_Derj or pm_Plastini
    QAction* pm_Add;
    QAction* pm_Del;
    QPushButton* bbtn_OK;
    QPushButton* bbtn_Cancel;

    // The file dialog's settings.
    struct {
        const char* DefaultExt = "jpg";
        const char* Filter = "Картинка (*.jpg)|*.jpg|Картинка (*.bmp)|*.bmp";
    } OpenPictureDialog1;

    ToolKind kind() const { return m_kind; }
    RecordSet& row() const;    // the kind's catalogue record set

    virtual void bbtn_OKClick() = 0;
    void pm_AddClick();
    void pm_DelClick();

protected:
    TToolEditor(ToolKind kind, const char* formName, const char* menuName, QWidget* parent);

    // The picture part of FormShow: shown when the file is there, else hidden.
    void showPictureOf();
    // A list filler: the query's single column of every row, in query order.
    void fillList(RecordSet& query, DBComboBox* box);

    // One row of the common group: a label and its control.
    void addCommon(const char* label, QWidget* control);
    QGridLayout* commonLayout() const { return m_common; }
    // Lays out the dialog: common group, the extra group (may be null) on
    // the left, counts and picture on the right, the buttons below.
    void finishLayout(QGroupBox* extra);

    // OK's checks, the kind's toolchecks::checksOf on the texts the controls
    // show: the first that fails shows its message in a plain box, moves the
    // focus (when it names a control that takes it) and ends OK.
    bool passesChecks();
    // Stores the picture name, "Done", close: the caller's operation writes
    // the row (a new tool with its counters 0).
    void finishOK();

    DBLookupComboBox* firmLookup(const char* name);
    DBComboBox* boundCombo(const char* name, const char* field);

private:
    ToolKind m_kind;
    QGridLayout* m_common;
};

// The editor of a kind (created at start).
TToolEditor* toolEditor(ToolKind kind);
