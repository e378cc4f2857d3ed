// The main window's tool records: add, edit and delete on the four
// catalogue pages. One implementation of each command reads the kinds'
// table below; the named handlers of the pages delegate to it.
#include "frm_Main_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "Operations.h"
#include "RecordEditor.h"
#include "ToolEditor.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {

// What the three commands do differently per kind, as the kinds' table has it.
struct RecordCommands {
    QToolButton* Tfrm_Main::* addButton;
    QToolButton* Tfrm_Main::* editButton;
    QToolButton* Tfrm_Main::* delButton;
    void (Tfrm_Main::*addClick)();
    void (Tfrm_Main::*editClick)();
    void (Tfrm_Main::*delClick)();
    const char* addCaption;
    const char* editCaption;
    // The editor's dimension boxes: emptied on add, filled on edit from
    // their fields in this order (before the counts).
    QList<std::pair<const char*, const char*>> boxes;   // {field, box}
    const char* addError;
    const char* editError;
    const char* debtMessage;
    const char* confirmation;
    const char* deleteError;
};

const RecordCommands& commandsOf(ToolKind kind)
{
    using M = Tfrm_Main;
    static const RecordCommands table[ToolKindCount] = {
        {&M::spbt_Sverlo_New, &M::spbt_Sverlo_Edit, &M::spbt_Sverlo_Del, &M::spbt_Sverlo_NewClick,
         &M::spbt_Sverlo_EditClick, &M::spbt_Sverlo_DelClick,
         "Добавление новой записи. Таблица: СВЁРЛА", "Редактирование записи. Таблица: СВЁРЛА",
         {{"Diam_Sverla", "ed_DiamSv"}, {"Diam_Hvost", "ed_DiamHvost"}, {"L_Instr", "ed_LSv"}, {"L_reza", "ed_LHvost"}},
         "Возникла ошибка при попытке добавления данных в таблице \"Sverla\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Sverla\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"В ДОЛГУ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы СВЕРЛА?",
         "Возникла ошибка при попытке удаления данных в таблице \"Sverla\". Данные не сохранены!!!"},
        {&M::spbt_FR_NEW, &M::spbt_FR_EDIT, &M::spbt_FR_DEL, &M::spbt_FR_NEWClick, &M::spbt_FR_EDITClick,
         &M::spbt_FR_DELClick,
         "Добавление новой записи. Таблица: ФРЕЗЫ", "Редактирование записи. Таблица: ФРЕЗЫ.",
         {{"Diam_Frez", "ed_DiamFR"}, {"Diam_Hvost", "ed_DiamHvost"}, {"L_Instr", "ed_LFR"}, {"L_Reza", "ed_LHvost"},
          {"L_Sheiki", "ed_L_Sheiki"}},
         "Возникла ошибка при попытке добавления данных в таблице \"Frezy\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Frezy\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"ДОЛГ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы ФРЕЗЫ?",
         "Возникла ошибка при попытке удаления данных в таблице \"FREZY\". Данные не сохранены!!!"},
        {&M::spbt_Derj_NEW, &M::spbt_Derj_EDIT, &M::spbt_Derj_DEL, &M::spbt_Derj_NEWClick, &M::spbt_Derj_EDITClick,
         &M::spbt_Derj_DELClick,
         "Добавление новой записи. Таблица: ДЕРЖАВКИ ПЛАСТИН", "Редактирование записи. Таблица: ДЕРЖАВКИ ПЛАСТИН",
         {},
         "Возникла ошибка при попытке добавления данных в таблице \"Derj_PL\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Derj_PL\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"ДОЛГ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы ДЕРЖАВКИ ПЛАСТИН?",
         "Возникла ошибка при попытке удаления данных в таблице \"tbl_Derj_PL\". Данные не сохранены!!!"},
        {&M::spbt_PL_New, &M::spbt_PL_Edit, &M::spbt_PL_DEL, &M::spbt_PL_NewClick, &M::spbt_PL_EditClick,
         &M::spbt_PL_DELClick,
         "Добавление новой записи. Таблица: ПЛАСТИНЫ", "Редактирование записи. Таблица: ПЛАСТИНЫ",
         {},
         "Возникла ошибка при попытке добавления данных в таблице \"Plastiny\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Plastiny\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"ДОЛГ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы ПЛАСТИНЫ?",
         "Возникла ошибка при попытке удаления данных в таблице \"tbl_Plastiny\". Данные не сохранены!!!"},
    };
    return table[size_t(kind)];
}

const char* const CountMessage = "Нельзя удалить запись инструмента пока его к-во больше 0!";
const char* const DeleteTitle = "Подтверждение удаления данных";

QLineEdit* editorBox(TToolEditor* editor, const char* name)
{
    auto* box = editor->findChild<QLineEdit*>(QString::fromLatin1(name));
    Q_ASSERT(box);
    return box;
}

// Enter on a catalogue row edits it, Delete deletes it.
class RowKeys : public QObject {
public:
    RowKeys(Tfrm_Main* window, ToolKind kind) : QObject(window), m_window(window), m_kind(kind) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->modifiers() & ~Qt::KeypadModifier)
            return false;
        const RecordCommands& c = commandsOf(m_kind);
        switch (k->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            (m_window->*c.editClick)();
            return true;
        case Qt::Key_Delete:
            (m_window->*c.delClick)();
            return true;
        default:
            return false;
        }
    }

private:
    Tfrm_Main* m_window;
    ToolKind m_kind;
};

} // namespace

void Tfrm_Main::ConnectRecordCommands()
{
    for (ToolKind kind : allToolKinds()) {
        const RecordCommands& c = commandsOf(kind);
        const CatalogueMenu& menu = catalogueMenu(kind);
        const std::pair<QToolButton*, QAction*> pairs[] = {
            {this->*c.addButton, menu.add}, {this->*c.editButton, menu.edit}, {this->*c.delButton, menu.del}};
        void (Tfrm_Main::*const clicks[])() = {c.addClick, c.editClick, c.delClick};
        for (int i = 0; i < 3; ++i) {
            auto [button, item] = pairs[i];
            button->setEnabled(true);
            item->setEnabled(true);
            connect(button, &QToolButton::clicked, this, clicks[i]);
            connect(item, &QAction::triggered, this, clicks[i]);
        }
        DBGrid* grid = pageGrid(pageOf(kind));
        connect(grid, &DBGrid::rowDoubleClicked, this, c.editClick);
        grid->installEventFilter(new RowKeys(this, kind));
    }
}

QString Tfrm_Main::recordFailure(ToolKind kind, RecordCommand command)
{
    const RecordCommands& c = commandsOf(kind);
    return QString::fromUtf8(command == RecordCommand::Add    ? c.addError
                             : command == RecordCommand::Edit ? c.editError
                                                              : c.deleteError);
}

void Tfrm_Main::spbt_Sverlo_NewClick() { AddTool(ToolKind::Sverla); }
void Tfrm_Main::spbt_Sverlo_EditClick() { EditTool(ToolKind::Sverla); }
void Tfrm_Main::spbt_Sverlo_DelClick() { DeleteTool(ToolKind::Sverla); }
void Tfrm_Main::spbt_FR_NEWClick() { AddTool(ToolKind::Frezy); }
void Tfrm_Main::spbt_FR_EDITClick() { EditTool(ToolKind::Frezy); }
void Tfrm_Main::spbt_FR_DELClick() { DeleteTool(ToolKind::Frezy); }
void Tfrm_Main::spbt_Derj_NEWClick() { AddTool(ToolKind::Derj); }
void Tfrm_Main::spbt_Derj_EDITClick() { EditTool(ToolKind::Derj); }
void Tfrm_Main::spbt_Derj_DELClick() { DeleteTool(ToolKind::Derj); }
void Tfrm_Main::spbt_PL_NewClick() { AddTool(ToolKind::Plast); }
void Tfrm_Main::spbt_PL_EditClick() { EditTool(ToolKind::Plast); }
void Tfrm_Main::spbt_PL_DELClick() { DeleteTool(ToolKind::Plast); }

RowEditorResult Tfrm_Main::AddTool(ToolKind kind)
{
    TToolEditor* editor = toolEditor(kind);
    if (!DM || !editor)
        return RowEditorResult::Refused;
    const RecordCommands& c = commandsOf(kind);
    RecordSet& cat = catalogueOf(*DM, kind);

    RecordEditorRun run;
    run.rs = &cat;
    run.editor = editor;
    run.start = [&] {
        cat.insert();
        editor->setWindowTitle(QString::fromUtf8(c.addCaption));
        for (const auto& [field, box] : c.boxes)
            editorBox(editor, box)->clear();
        editor->ed_kvo_new->setText(QStringLiteral("0"));
        editor->ed_kvo_BU->setText(QStringLiteral("0"));
        editor->PictureName.clear();
        editor->ResultWord = QStringLiteral("New");
    };
    run.save = [&](const ops::RecordWrite& w) { return ops::saveTool(DM->ADOConnection1, kind, w); };
    run.failureMessage = QString::fromUtf8(c.addError);
    ops::Result stored;
    const RowEditorResult r = runRecordEditor(this, run, &stored);
    try {
        if (r == RowEditorResult::Stored) {
            // The list is read again from its start; the new row is not sought.
            DM->ShowChanges(stored, {&cat});
            cat.close();
            cat.open();
        }
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
    return r;
}

RowEditorResult Tfrm_Main::EditTool(ToolKind kind)
{
    TToolEditor* editor = toolEditor(kind);
    if (!DM || !editor)
        return RowEditorResult::Refused;
    const RecordCommands& c = commandsOf(kind);
    const ToolKindInfo& k = toolKind(kind);
    RecordSet& cat = catalogueOf(*DM, kind);
    // There is nothing to edit on an empty page.
    if (!cat.isOpen() || cat.isEmpty())
        return RowEditorResult::Refused;

    RecordEditorRun run;
    run.rs = &cat;
    run.editor = editor;
    run.start = [&] {
        cat.edit();
        editor->setWindowTitle(QString::fromUtf8(c.editCaption));
        for (const auto& [field, box] : c.boxes)
            editorBox(editor, box)->setText(cat.fieldByName(QString::fromLatin1(field)).asString());
        editor->ed_kvo_new->setText(cat.fieldByName(QString::fromLatin1(k.newField)).asString());
        editor->ed_kvo_BU->setText(cat.fieldByName(QString::fromLatin1(k.buField)).asString());
        editor->PictureName = cat.fieldByName(QStringLiteral("Pikcher")).asString();
        editor->ResultWord = QStringLiteral("Edit");   // last: the boxes are filled as they are
    };
    run.save = [&](const ops::RecordWrite& w) { return ops::saveTool(DM->ADOConnection1, kind, w); };
    run.failureMessage = QString::fromUtf8(c.editError);
    ops::Result stored;
    const RowEditorResult r = runRecordEditor(this, run, &stored);
    try {
        if (r == RowEditorResult::Stored) {
            // The kind's catalogue refresh: read again, on the same tool.
            DM->ShowChanges(stored, {&cat});
            DM->Refresh(cat);
        } else if (r == RowEditorResult::Refused) {
            DM->ShowFile(kind);   // the tool is gone or changed elsewhere
        }
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
    return r;
}

bool Tfrm_Main::DeleteRefused(ToolKind kind, const ops::Result& r)
{
    if (r.status == ops::Status::Stored)
        return false;
    if (r.status == ops::Status::Failed) {
        Dialogs::error(this, failureText(recordFailure(kind, RecordCommand::Delete), r));
        return true;
    }
    // Each check says it in its own words; the debts' differ by kind; a row
    // gone or changed elsewhere gets the command's sentence and the reason.
    if (r.refusal == ops::Refusal::RowGone || r.refusal == ops::Refusal::RowChanged
        || r.refusal == ops::Refusal::ToolGone)
        Dialogs::error(this, recordFailure(kind, RecordCommand::Delete) + QStringLiteral("\n\n") + r.message);
    else
        Dialogs::error(this, r.refusal == ops::Refusal::HasDebts ? QString::fromUtf8(commandsOf(kind).debtMessage)
                                                                 : r.message);
    return true;
}

RowEditorResult Tfrm_Main::DeleteTool(ToolKind kind)
{
    if (!DM)
        return RowEditorResult::Refused;
    const RecordCommands& c = commandsOf(kind);
    const ToolKindInfo& k = toolKind(kind);
    RecordSet& cat = catalogueOf(*DM, kind);
    if (!cat.isOpen() || cat.isEmpty())
        return RowEditorResult::Refused;
    // K_vo_Vozvrat is not consulted. The page's row answers first; the file
    // answers again inside the delete.
    if (cat.fieldByName(QString::fromLatin1(k.newField)).asInteger() != 0
        || cat.fieldByName(QString::fromLatin1(k.buField)).asInteger() != 0) {
        Dialogs::error(this, QString::fromUtf8(CountMessage));
        return RowEditorResult::Refused;
    }
    if (cat.fieldByName(QString::fromLatin1(k.dolgField)).asInteger() != 0) {
        Dialogs::error(this, QString::fromUtf8(c.debtMessage));
        return RowEditorResult::Refused;
    }
    const ops::RecordWrite row = cat.currentRecord();
    try {
        const ops::Result can = ops::canDeleteTool(DM->ADOConnection1, kind, row.id);
        if (DeleteRefused(kind, can)) {
            if (can.refusal == ops::Refusal::ToolGone)
                DM->ShowFile(kind);   // deleted elsewhere: the page shows the file
            return RowEditorResult::Refused;
        }
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        return RowEditorResult::Refused;
    }
    if (!Dialogs::ask(this, QString::fromUtf8(DeleteTitle), QString::fromUtf8(c.confirmation)))
        return RowEditorResult::Refused;

    // No transaction waits for the answer: the delete checks everything
    // again on the file's rows, inside its own.
    const ops::Result r = ops::deleteTool(DM->ADOConnection1, kind, row);
    const bool stored = !DeleteRefused(kind, r);
    try {
        if (stored)
            DM->ShowChanges(r);
        else
            DM->ShowFile(kind);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
    if (stored)
        return RowEditorResult::Stored;
    return r.status == ops::Status::Failed ? RowEditorResult::Failed : RowEditorResult::Refused;
}
