#pragma once
// The holder and insert editors' one design: name, code, firm, box number
// and notes bound to the catalogue row, no dimensions.
#include "ToolEditor.h"

class DBComboBox;
class DBEdit;
class DBLookupComboBox;
class DBMemo;

class TPlateEditor : public TToolEditor {
    Q_OBJECT
public:
    // What differs between the two editors.
    struct Layout {
        ToolKind kind;
        const char* form;
        const char* menu;
        const char* nameField;
        const char* nameLabel;
        const char* codeBox;
        const char* codeLabel;
        const char* firmBox;
        const char* notesBox;
    };

    DBComboBox* dbcmbx_Naim;
    DBComboBox* dbcmbx_Korob;

    void bbtn_OKClick() override;

protected:
    TPlateEditor(const Layout& layout, QWidget* parent);

    DBEdit* m_code;
    DBLookupComboBox* m_firm;
    DBMemo* m_notes;
};
