#include "Program.h"

#include "Backup.h"
#include "BackupRunner.h"
#include "Connection.h"
#include "DM_Unit.h"
#include "Engine.h"
#include "DbError.h"
#include "Dialogs.h"
#include "ExportFolders.h"
#include "Schema.h"
#include "frm_About_Unit.h"
#include "frm_Import_Unit.h"
#include "frm_EditAdd_Plast_Unit.h"
#include "frm_Edit_Derj_Unit.h"
#include "frm_Edit_Frezy_Unit.h"
#include "frm_Edit_Sverla_Unit.h"
#include "frm_Add_Edit_Firm_Unit.h"
#include "frm_Change_Pasw_Unit.h"
#include "frm_Dolgi_History_Unit.h"
#include "frm_Edit_People_Unit.h"
#include "frm_ExportToExcell_Unit.h"
#include "frm_Filter_Sverla_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_GetBackInstr_Unit.h"
#include "frm_Main_Unit.h"
#include "frm_Pasw_List_Unit.h"
#include "frm_Pasword_Unit.h"
#include "frm_People_Unit.h"
#include "frm_SearchRec_Unit.h"
#include "frm_Prihod_Hist_Unit.h"
#include "frm_Report_Unit.h"
#include "frm_Spisanie_Hist_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace Program {

namespace {

const QString NewDatabaseTitle = QStringLiteral("Новая база данных");

// Asks for the administrator's password twice until both agree and are not
// empty; false when the user gives up.
bool askAdminPassword(QString* password)
{
    for (;;) {
        QString first, second;
        if (!Dialogs::askText(nullptr, NewDatabaseTitle, QStringLiteral("Пароль администратора:"), &first, true))
            return false;
        if (first.isEmpty()) {
            Dialogs::error(nullptr, QStringLiteral("Пароль не может быть пустым."));
            continue;
        }
        if (!Dialogs::askText(nullptr, NewDatabaseTitle, QStringLiteral("Повторите пароль администратора:"),
                              &second, true))
            return false;
        if (first != second) {
            Dialogs::error(nullptr, QStringLiteral("Пароли не совпадают."));
            continue;
        }
        *password = first;
        return true;
    }
}

} // namespace

QString databaseFile()
{
    return QStringLiteral("db_instr.db");
}

QString databaseName(const QStringList& args, const QString& programFolder, const QString& configFolder,
                     QString* error)
{
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--database")) {
            if (i + 1 >= args.size() || args[i + 1].trimmed().isEmpty()) {
                *error = QStringLiteral("После --database укажите базу данных: путь к файлу или адрес сервера "
                                        "(postgresql://пользователь@сервер/база).");
                return {};
            }
            return args[i + 1].trimmed();
        }
        if (args[i].startsWith(QLatin1String("--database=")))
            return args[i].mid(11).trimmed();
    }
    const QString files[] = {QDir(configFolder).filePath(QStringLiteral("tooldb/") + QLatin1String(SettingsFileName)),
                             QDir(programFolder).filePath(QLatin1String(SettingsFileName))};
    for (const QString& f : files) {
        if (!QFileInfo(f).isFile())
            continue;
        QSettings settings(f, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError) {
            *error = QStringLiteral("Файл настроек \"%1\" не читается.").arg(QDir::toNativeSeparators(f));
            return {};
        }
        const QString name = settings.value(QStringLiteral("database")).toString().trimmed();
        if (name.isEmpty()) {
            *error = QStringLiteral("В файле настроек \"%1\" нет строки database=… (путь к файлу базы данных или "
                                    "адрес сервера).")
                         .arg(QDir::toNativeSeparators(f));
            return {};
        }
        return name;
    }
    return databaseFile();
}

bool EnsureDatabase(const QString& path)
{
    QString question;
    if (isServerName(path)) {
        // The server's administrator makes the database; while it holds no
        // table at all, the program offers to create its own in it.
        try {
            Connection c;
            c.open(path, false);
            if (!c.engine().holdsNoTables())
                return true;   // the program's tables, or a refusal when opened
            question = QStringLiteral("В базе данных %1 нет ни одной таблицы.\nСоздать в ней таблицы программы?")
                           .arg(c.displayName());
        } catch (const DbError&) {
            return true;   // opening it again says why it cannot be (CreateWindows)
        }
    } else {
        const QFileInfo fi(path);
        if (fi.exists())
            return true;
        // The old program's file beside it: its data moved in first, if wanted.
        switch (ImportOffer::offer(path)) {
        case ImportOffer::Result::Imported: return true;
        case ImportOffer::Result::Failed: return false;
        case ImportOffer::Result::Declined:
        case ImportOffer::Result::NotOffered: break;
        }
        question = QStringLiteral("Файл базы данных \"%1\" не найден в папке \"%2\".\nСоздать новую базу данных?")
                       .arg(fi.fileName(), QDir::toNativeSeparators(fi.absolutePath()));
    }
    if (!Dialogs::ask(nullptr, NewDatabaseTitle, question))
        return false;
    QString password;
    if (!askAdminPassword(&password))
        return false;
    try {
        createDatabase(path, password);
    } catch (const DbError& e) {
        Dialogs::error(nullptr, e.message());
        return false;
    }
    Dialogs::info(nullptr, QStringLiteral("Новая база данных создана. Войдите под именем \"%1\" с заданным паролем.")
                               .arg(QString::fromUtf8(AdministratorLogin)));
    return true;
}

bool CreateWindows(const QString& path)
{
    frm_Main = new Tfrm_Main;
    frm_Pasword = new Tfrm_Pasword;
    try {
        DM = new TDM(path);
    } catch (const DbError& e) {
        delete frm_Pasword;
        frm_Pasword = nullptr;
        delete frm_Main;
        frm_Main = nullptr;
        Dialogs::error(nullptr, e.message());
        return false;
    }
    if (const QString notice = DM->ADOConnection1.openNotice(); !notice.isEmpty())
        Dialogs::info(nullptr, notice);
    frm_Main->ConnectDataModule();
    frm_EditAdd_Sverla = new Tfrm_EditAdd_Sverla(frm_Main);
    frm_People = new Tfrm_People(frm_Main);
    frm_Edit_People = new Tfrm_Edit_People(frm_Main);
    frm_GiveToWork = new Tfrm_GiveToWork(frm_Main);
    frm_SearchRec = new Tfrm_SearchRec(frm_Main);
    frm_GetBackInstr = new Tfrm_GetBackInstr(frm_Main);
    frm_Filter_Sverla = new Tfrm_Filter_Sverla(frm_Main);
    frm_Dolgi_History = new Tfrm_Dolgi_History(frm_Main);
    frm_EditAdd_Frezy = new Tfrm_EditAdd_Frezy(frm_Main);
    frm_EditAdd_Derj = new Tfrm_EditAdd_Derj(frm_Main);
    frm_EditAdd_Plast = new Tfrm_EditAdd_Plast(frm_Main);
    frm_Prihod_Hist = new Tfrm_Prihod_Hist(frm_Main);
    frm_Spisanie_Hist = new Tfrm_Spisanie_Hist(frm_Main);
    frm_Prihod_Instr = new Tfrm_Prihod_Instr(frm_Main);
    frm_Spisat_Instr = new Tfrm_Spisat_Instr(frm_Main);
    frm_About = new Tfrm_About(frm_Main);
    frm_Firm_List = new Tfrm_Firm_List(frm_Main);
    frm_Add_Edit_Firm_rec = new Tfrm_Add_Edit_Firm_rec(frm_Main);
    frm_Per_Instr_BU = new Tfrm_Per_Instr_BU(frm_Main);
    frm_Pasw_List = new Tfrm_Pasw_List(frm_Main);
    frm_Change_Pasw = new Tfrm_Change_Pasw(frm_Main);
    frm_ExportToExcell = new Tfrm_ExportToExcell(frm_Main);
    frm_Report = new Tfrm_Report(frm_Main, [] { return DM ? &DM->ADOConnection1 : nullptr; });
    return true;
}

namespace {
template <class T> void destroy(T*& window)
{
    delete window;
    window = nullptr;
}
} // namespace

void DestroyWindows()
{
    if (frm_Main)
        frm_Main->DisconnectDataModule();
    destroy(frm_Report);
    destroy(frm_ExportToExcell);
    destroy(frm_Change_Pasw);
    destroy(frm_Pasw_List);
    destroy(frm_Per_Instr_BU);
    destroy(frm_Add_Edit_Firm_rec);
    destroy(frm_Firm_List);
    destroy(frm_About);
    destroy(frm_Spisanie_Hist);
    destroy(frm_Prihod_Hist);
    destroy(frm_EditAdd_Plast);
    destroy(frm_EditAdd_Derj);
    destroy(frm_EditAdd_Frezy);
    destroy(frm_Dolgi_History);
    destroy(frm_Spisat_Instr);
    destroy(frm_Prihod_Instr);
    destroy(frm_Filter_Sverla);
    destroy(frm_GetBackInstr);
    destroy(frm_SearchRec);
    destroy(frm_GiveToWork);
    destroy(frm_Edit_People);
    destroy(frm_People);
    destroy(frm_EditAdd_Sverla);
    destroy(DM);
    destroy(frm_Pasword);
    destroy(frm_Main);
}

namespace {
QString g_restoreFrom;
}

void requestRestore(const QString& copyPath)
{
    g_restoreFrom = copyPath;
}

int Run(const QString& path)
{
    // The workbooks of earlier exports, left for the spreadsheet program.
    ExportFolders::removeOld(ExportFolders::temporaryFolder());
    if (!EnsureDatabase(path))
        return 0;
    // Held while the program runs: a restore waits for no other copy of it.
    backup::RunningLock lock(path);
    if (!isServerName(path))
        lock.hold();
    backup::Runner& copies = backup::Runner::instance();
    copies.setDatabase(path, lock.held() ? &lock : nullptr);
    for (;;) {
        g_restoreFrom.clear();
        if (!CreateWindows(path))
            return 1;
        frm_Main->show();
        int rc = 1;   // the login failed: the window never showed
        if (frm_Main->isVisible()) {
            // Logged in: the day's copy is written meanwhile, from a
            // connection of its own (nothing is written for a failed login).
            copies.startDaily();
            rc = QApplication::exec();
        }
        copies.cancelAndWait();
        DestroyWindows();
        if (g_restoreFrom.isEmpty())
            return rc;
        // Every connection of this copy is closed: the file can be replaced.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const backup::RestoreOutcome r =
            backup::restoreFromCopy(path, g_restoreFrom, QDateTime::currentDateTime(), lock.held() ? &lock : nullptr);
        QApplication::restoreOverrideCursor();
        if (r.ok)
            Dialogs::info(nullptr, QStringLiteral("База данных восстановлена из копии \"%1\".\nПрежний файл сохранен "
                                                  "как \"%2\".\nВойдите снова.")
                                       .arg(QDir::toNativeSeparators(g_restoreFrom), QDir::toNativeSeparators(r.savedAs)));
        else
            Dialogs::error(nullptr, r.error + QStringLiteral(" Программа откроет прежнюю базу данных."));
    }
}

} // namespace Program
