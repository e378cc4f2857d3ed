#include "PlateEditor.h"

#include "DataAware.h"

#include <QGroupBox>
#include <QPushButton>

TPlateEditor::TPlateEditor(const Layout& layout, QWidget* parent)
    : TToolEditor(layout.kind, layout.form, layout.menu, parent)
{
    dbcmbx_Naim = boundCombo("dbcmbx_Naim", layout.nameField);
    m_code = new DBEdit(GroupBox1);
    m_code->setObjectName(QString::fromLatin1(layout.codeBox));
    m_code->bind(&row(), QStringLiteral("Kod"));
    m_firm = firmLookup(layout.firmBox);
    dbcmbx_Korob = boundCombo("dbcmbx_Korob", "Korob");
    m_notes = new DBMemo(GroupBox1);
    m_notes->setObjectName(QString::fromLatin1(layout.notesBox));
    m_notes->bind(&row(), QStringLiteral("Prim"));
    m_notes->setFocusPolicy(Qt::ClickFocus);
    addCommon(layout.nameLabel, dbcmbx_Naim);
    addCommon(layout.codeLabel, m_code);
    addCommon("Фирма изготовитель *", m_firm);
    addCommon("Короб *", dbcmbx_Korob);
    addCommon("Примечания", m_notes);
    finishLayout(nullptr);
    setTabOrder(dbcmbx_Naim, m_code);
    setTabOrder(m_code, m_firm);
    setTabOrder(m_firm, dbcmbx_Korob);
    setTabOrder(dbcmbx_Korob, bbtn_OK);
    setTabOrder(bbtn_OK, bbtn_Cancel);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    resize(700, 400);
}

void TPlateEditor::bbtn_OKClick()
{
    // Name, code, firm (the box number carries "*" in its label but is not checked).
    if (passesChecks())
        finishOK();
}
