#include "ToolEditor.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "PictureChoice.h"
#include "PictureFile.h"
#include "ToolChecks.h"

#include "frm_EditAdd_Plast_Unit.h"
#include "frm_Edit_Derj_Unit.h"
#include "frm_Edit_Frezy_Unit.h"
#include "frm_Edit_Sverla_Unit.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

TToolEditor* toolEditor(ToolKind kind)
{
    switch (kind) {
    case ToolKind::Sverla: return frm_EditAdd_Sverla;
    case ToolKind::Frezy: return frm_EditAdd_Frezy;
    case ToolKind::Derj: return frm_EditAdd_Derj;
    case ToolKind::Plast: return frm_EditAdd_Plast;
    }
    return nullptr;
}

namespace {

// "Text|*.jpg|Text|*.bmp" as the file dialog takes it: "Text;;Text".
QString dialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << (parts[i].contains(parts[i + 1]) ? parts[i] : parts[i] + QStringLiteral(" (") + parts[i + 1] + ')');
    return out.join(QStringLiteral(";;"));
}

QLineEdit* countBox(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(70);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, QColor(192, 192, 192));
    e->setPalette(p);
    return e;
}

} // namespace

TToolEditor::TToolEditor(ToolKind kind, const char* formName, const char* menuName, QWidget* parent)
    : TForm(parent), m_kind(kind)
{
    setObjectName(QString::fromLatin1(formName));

    GroupBox1 = new QGroupBox(QStringLiteral("Общие характеристики"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_common = new QGridLayout(GroupBox1);
    m_common->setColumnStretch(1, 1);

    GroupBox3 = new QGroupBox(QStringLiteral("Колличество инструмента (справочные данные)"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    ed_kvo_new = countBox(GroupBox3, "ed_kvo_new");
    ed_kvo_BU = countBox(GroupBox3, "ed_kvo_BU");
    auto* cl = new QGridLayout(GroupBox3);
    cl->addWidget(new QLabel(QStringLiteral("Новый инструмент на складе"), GroupBox3), 0, 0);
    cl->addWidget(ed_kvo_new, 0, 1);
    cl->addWidget(new QLabel(QStringLiteral("БУ инструмент на складе"), GroupBox3), 1, 0);
    cl->addWidget(ed_kvo_BU, 1, 1);

    GroupBox4 = new QGroupBox(QStringLiteral("Картинка"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    GroupBox4->setToolTip(QStringLiteral("Правая кнопка мышы - Добавить/Удалить картинку"));
    GroupBox4->setMinimumSize(260, 200);
    Image1 = new ImageBox(GroupBox4);
    Image1->setObjectName(QStringLiteral("Image1"));
    auto* pl = new QVBoxLayout(GroupBox4);
    pl->addWidget(Image1);

    PictureMenu = new QMenu(this);
    PictureMenu->setObjectName(QString::fromLatin1(menuName));
    pm_Add = PictureMenu->addAction(QStringLiteral("Добавить картинку"));
    pm_Add->setObjectName(QStringLiteral("pm_Add"));
    pm_Del = PictureMenu->addAction(QStringLiteral("Удалить картинку"));
    pm_Del->setObjectName(QStringLiteral("pm_Del"));
    connect(pm_Add, &QAction::triggered, this, &TToolEditor::pm_AddClick);
    connect(pm_Del, &QAction::triggered, this, &TToolEditor::pm_DelClick);
    // The menu opens on the picture and on the empty group when the picture is hidden.
    for (QWidget* w : {static_cast<QWidget*>(GroupBox4), static_cast<QWidget*>(Image1)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& p) { PictureMenu->popup(w->mapToGlobal(p)); });
    }

    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    bbtn_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    bbtn_Cancel->setObjectName(QStringLiteral("bbtn_Cancel"));
    connect(bbtn_OK, &QPushButton::clicked, this, [this] { bbtn_OKClick(); });
    // Esc presses it too (the dialog's reject).
    connect(bbtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

RecordSet& TToolEditor::row() const
{
    return catalogueOf(*DM, m_kind);
}

void TToolEditor::addCommon(const char* label, QWidget* control)
{
    const int r = m_common->rowCount();
    auto* l = new QLabel(QString::fromUtf8(label), GroupBox1);
    l->setBuddy(control);
    m_common->addWidget(l, r, 0);
    m_common->addWidget(control, r, 1);
}

DBLookupComboBox* TToolEditor::firmLookup(const char* name)
{
    auto* c = new DBLookupComboBox(GroupBox1);
    c->setObjectName(QString::fromLatin1(name));
    c->bind(&row(), QStringLiteral("ID_Firma"));
    c->setListSource(DM->dataSource(QStringLiteral("dtsr_Firma")), QStringLiteral("ID"), QStringLiteral("Name"));
    return c;
}

DBComboBox* TToolEditor::boundCombo(const char* name, const char* field)
{
    auto* c = new DBComboBox(GroupBox1);
    c->setObjectName(QString::fromLatin1(name));
    c->bind(&row(), QString::fromLatin1(field));
    return c;
}

void TToolEditor::finishLayout(QGroupBox* extra)
{
    auto* left = new QVBoxLayout;
    left->addWidget(GroupBox1);
    if (extra)
        left->addWidget(extra);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(GroupBox3);
    right->addWidget(GroupBox4, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 3);
    body->addLayout(right, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtn_OK);
    buttons->addWidget(bbtn_Cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(body, 1);
    lay->addLayout(buttons);
}

void TToolEditor::showPictureOf()
{
    // Only a file inside the picture folder is opened.
    const QString path = pictureFileIn(instrumentFolder(), PictureName);
    if (path.isEmpty() || !Image1->loadFile(path))
        Image1->hidePicture();
}

void TToolEditor::fillList(RecordSet& query, DBComboBox* box)
{
    QStringList items;
    try {
        query.close();
        query.open();
        for (int pos = 0; pos < query.recordCount(); ++pos)
            items << query.textAt(pos, 0);
        query.close();
    } catch (const DbError& e) {
        query.close();
        Dialogs::error(this, e.message());
    }
    box->setItems(items);
}

void TToolEditor::pm_AddClick()
{
    const QString folder = programFolder() + QStringLiteral("/Images/Instrument");
    const QString chosen = Dialogs::openFile(this, QStringLiteral("Картинка"), folder,
                                             dialogFilter(QString::fromUtf8(OpenPictureDialog1.Filter)));
    // A cancelled file dialog leaves the tool's picture as it was.
    if (chosen.isEmpty())
        return;
    const PictureChoice c = choosePicture(this, Image1, chosen, folder);
    switch (c.result) {
    case PictureChoice::Kept:
        return;   // the storekeeper kept the other picture of that name: nothing changes
    case PictureChoice::Chosen:
        PictureName = c.name;
        return;
    case PictureChoice::Missing:
    case PictureChoice::Failed:
        PictureName.clear();
        Image1->hidePicture();
        return;
    }
}

void TToolEditor::pm_DelClick()
{
    Image1->hidePicture();
    PictureName.clear();
}

bool TToolEditor::passesChecks()
{
    toolchecks::Texts texts;
    for (const toolchecks::Check& c : toolchecks::checksOf(m_kind)) {
        const QString name = QString::fromLatin1(c.box);
        QWidget* w = findChild<QWidget*>(name);
        if (auto* firm = qobject_cast<DBLookupComboBox*>(w))
            texts.insert(name, firm->hasValue() ? firm->currentText() : QString());
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            texts.insert(name, combo->currentText());
        else if (auto* box = qobject_cast<QLineEdit*>(w))
            texts.insert(name, box->text());
    }
    const toolchecks::Refusal r = toolchecks::firstRefusal(m_kind, texts);
    if (r.message.isEmpty())
        return true;
    Dialogs::info(this, r.message);
    if (QWidget* focus = r.focus.isEmpty() ? nullptr : findChild<QWidget*>(r.focus))
        if (focus->focusPolicy() != Qt::NoFocus)
            focus->setFocus();
    return false;
}

void TToolEditor::finishOK()
{
    // The counters of a new tool are the data layer's: it writes them 0.
    row().fieldByName(QStringLiteral("Pikcher")).setAsString(PictureName);
    ResultWord = QStringLiteral("Done");
    accept();
}
