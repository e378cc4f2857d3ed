#include "PlateEditor.h"

#include "DataAware.h"

#include <QGroupBox>
#include <QPushButton>

TPlateEditor::TPlateEditor(const Spec& spec, QWidget* parent)
    : TToolEditor(spec.kind, spec.form, spec.menu, parent), m_spec(spec)
{
    dbcmbx_Naim = boundCombo("dbcmbx_Naim", spec.nameField);
    m_code = new DBEdit(GroupBox1);
    m_code->setObjectName(QString::fromLatin1(spec.codeBox));
    m_code->bind(&row(), QStringLiteral("Kod"));
    m_firm = firmLookup(spec.firmBox);
    dbcmbx_Korob = boundCombo("dbcmbx_Korob", "Korob");
    m_notes = new DBMemo(GroupBox1);
    m_notes->setObjectName(QString::fromLatin1(spec.notesBox));
    m_notes->bind(&row(), QStringLiteral("Prim"));
    m_notes->setFocusPolicy(Qt::ClickFocus);
    addCommon(spec.nameLabel, dbcmbx_Naim);
    addCommon(spec.codeLabel, m_code);
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
    // The box number carries "*" in its label but is not checked.
    const QList<Check> checks = {
        {[this] { return dbcmbx_Naim->currentText().isEmpty(); }, m_spec.nameMessage, dbcmbx_Naim},
        {[this] { return m_code->text().isEmpty(); }, m_spec.codeMessage, m_code},
        {[this] { return !m_firm->hasValue(); }, "Поле \"Фирма изготовитель\" не может быть пустым!", m_firm},
    };
    if (passes(checks))
        finishOK();
}
