// The main window's commands for the copies of the database: a copy now, and
// the restore from one (administrator only), with the copy's progress in the
// status bar.
#include "Backup.h"
#include "BackupRunner.h"
#include "DM_Unit.h"
#include "Dialogs.h"
#include "Engine.h"
#include "Program.h"
#include "RuFormat.h"
#include "frm_Main_Unit.h"
#include "frm_Pasword_Unit.h"
#include "frm_Restore_Unit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

namespace {

QPointer<Tfrm_Restore> g_restore;

QString databaseOf()
{
    return DM ? DM->ADOConnection1.path() : backup::Runner::instance().database();
}

bool onServer()
{
    return DM ? DM->ADOConnection1.isServer() : isServerName(databaseOf());
}

// The copies are of the database this window shows.
backup::Runner& runner()
{
    backup::Runner& r = backup::Runner::instance();
    const QString db = databaseOf();
    if (!db.isEmpty() && QFileInfo(r.database()).absoluteFilePath() != QFileInfo(db).absoluteFilePath())
        r.setDatabase(db, nullptr);
    return r;
}

} // namespace

void Tfrm_Main::ConnectBackupCommands()
{
    QMenu* file = MainMenu1->findChild<QMenu*>(QStringLiteral("mm_File"));
    mm_Backup = new QAction(QStringLiteral("Резервная копия"), this);
    mm_Backup->setObjectName(QStringLiteral("mm_Backup"));
    mm_Restore = new QAction(QStringLiteral("Восстановить из копии…"), this);
    mm_Restore->setObjectName(QStringLiteral("mm_Restore"));
    // Before the separator that stands before "Выход", in a group of their own.
    const QList<QAction*> items = file->actions();
    const qsizetype exitAt = items.indexOf(mm_Exit);
    QAction* before = exitAt > 0 && items[exitAt - 1]->isSeparator() ? items[exitAt - 1] : mm_Exit;
    file->insertSeparator(before);
    file->insertAction(before, mm_Backup);
    file->insertAction(before, mm_Restore);
    connect(mm_Backup, &QAction::triggered, this, &Tfrm_Main::mm_BackupClick);
    connect(mm_Restore, &QAction::triggered, this, &Tfrm_Main::mm_RestoreClick);
    connect(&backup::Runner::instance(), &backup::Runner::progressed, this, &Tfrm_Main::BackupProgress);
    connect(&backup::Runner::instance(), &backup::Runner::finished, this, &Tfrm_Main::BackupFinished);
}

void Tfrm_Main::BackupProgress(int percent)
{
    // Written in full, the copy is checked before it gets its name.
    StatusBar1_Panel1->setText(percent >= 100 ? QStringLiteral(" Резервная копия: проверка")
                                              : QStringLiteral(" Резервная копия: %1 %").arg(percent));
}

void Tfrm_Main::BackupFinished(bool ok, bool automatic, const QString& path, const QString& error)
{
    if (ok) {
        StatusBar1_Panel1->setText(QStringLiteral(" Резервная копия сделана"));
        StatusBar1_Panel1->setToolTip(QDir::toNativeSeparators(path));
        // The panel is the page's count's too: it comes back a moment later.
        QTimer::singleShot(5000, this, [this] {
            if (backup::Runner::instance().busy())
                return;
            StatusBar1_Panel1->setToolTip(QString());
            UpdateBelowMinimum();
        });
        if (!automatic)
            Dialogs::info(this, QStringLiteral("Резервная копия записана:\n%1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    StatusBar1_Panel1->setText(QStringLiteral(" Резервная копия не сделана"));
    StatusBar1_Panel1->setToolTip(error);
    // Told once the person can read it: after the login, between dialogs.
    auto tell = std::make_shared<std::function<void()>>();
    QPointer<Tfrm_Main> self(this);
    *tell = [self, error, tell] {
        if (!self)
            return;
        if (self->FirstShow || !self->isVisible() || Dialogs::anyOpen() || QApplication::activeModalWidget()) {
            QTimer::singleShot(500, self, *tell);
            return;
        }
        Dialogs::error(self, error);
    };
    if (automatic)
        QTimer::singleShot(0, this, *tell);
    else
        Dialogs::error(this, error);
}

void Tfrm_Main::mm_BackupClick()
{
    if (onServer()) {
        Dialogs::info(this, backup::serverNotice());
        return;
    }
    backup::Runner& r = runner();
    if (r.busy()) {
        Dialogs::info(this, QStringLiteral("Резервная копия уже делается, ход показан в строке состояния."));
        return;
    }
    const QString own = backup::folderOf(databaseOf());
    QString folder;
    if (!Dialogs::ask(this, QStringLiteral("Резервная копия"),
                      QStringLiteral("Записать копию в папку копий\n%1?\n\n\"Нет\" - выбрать другую папку (например, "
                                     "на флешке).")
                          .arg(QDir::toNativeSeparators(own)))) {
        folder = Dialogs::chooseFolder(this, QStringLiteral("Папка для резервной копии"), QDir::homePath());
        if (folder.isEmpty())
            return;
    }
    r.start(folder);
    BackupProgress(0);
}

void Tfrm_Main::mm_RestoreClick()
{
    if (onServer()) {
        Dialogs::info(this, backup::serverNotice());
        return;
    }
    if (!frm_Pasword || frm_Pasword->LoginName != QString::fromUtf8(AdministratorLogin)) {
        Dialogs::error(this, QStringLiteral("Восстанавливать базу данных из копии может только \"%1\"")
                                 .arg(QString::fromUtf8(AdministratorLogin)));
        return;
    }
    backup::Runner& r = runner();
    if (r.busy()) {
        Dialogs::error(this, QStringLiteral("Идет резервное копирование. Дождитесь его окончания (ход показан в "
                                            "строке состояния) и повторите."));
        return;
    }
    const QString db = databaseOf();
    if (!g_restore)
        g_restore = new Tfrm_Restore(this);
    g_restore->Fill(db);
    if (Dialogs::showModal(g_restore) != QDialog::Accepted || g_restore->chosen().isEmpty())
        return;
    const QString copy = g_restore->chosen();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A first look now; the full check comes with the restore itself.
    const QString problem = backup::checkCopy(copy, true);
    QApplication::restoreOverrideCursor();
    if (!problem.isEmpty()) {
        Dialogs::error(this, QStringLiteral("Копия \"%1\" не годится для восстановления: %2. База данных не изменена.")
                                 .arg(QDir::toNativeSeparators(copy), problem));
        return;
    }
    // Another copy of the program on the file: said now, and checked again
    // when the file is replaced.
    if (backup::RunningLock* lock = r.lock()) {
        const bool alone = lock->takeAlone();
        lock->share();
        if (!alone) {
            Dialogs::error(this, QStringLiteral("База данных открыта другой копией программы (на этом или другом "
                                                "компьютере). Закройте все другие копии программы и повторите "
                                                "восстановление. База данных не изменена."));
            return;
        }
    }
    const backup::CopyInfo info = backup::describeCopy(copy);
    if (!Dialogs::ask(this, QStringLiteral("Восстановление из копии"),
                      QStringLiteral("Заменить базу данных копией от %1 (инструментов: %2, долгов: %3)?\n\nТекущая "
                                     "база данных будет сохранена в папке копий. Программа откроет базу данных заново "
                                     "и попросит войти.")
                          .arg(ru::formatDateTime(info.made))
                          .arg(info.tools)
                          .arg(info.debts),
                      Dialogs::Icon::Warning))
        return;
    Program::requestRestore(copy);
    close();
}
