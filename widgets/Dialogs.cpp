#include "Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace Dialogs {

namespace {

QMessageBox::Icon toBoxIcon(Icon i)
{
    switch (i) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

class RealUser : public User {
public:
    void message(QWidget* parent, Icon icon, const QString& title, const QString& text) override
    {
        QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Ok, parent);
        box.exec();
    }
    bool question(QWidget* parent, Icon icon, const QString& title, const QString& text) override
    {
        QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
    int modal(QDialog* dialog) override { return runModalLoop(dialog); }
    QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, folder, filter);
    }
    QString folder(QWidget* parent, const QString& caption, const QString& start) override
    {
        return QFileDialog::getExistingDirectory(parent, caption, start);
    }
    bool text(QWidget* parent, const QString& title, const QString& label, QString* value, bool password) override
    {
        bool ok = false;
        const QString v = QInputDialog::getText(parent, title, label,
                                                password ? QLineEdit::Password : QLineEdit::Normal, *value, &ok);
        if (ok)
            *value = v;
        return ok;
    }
    bool openDocument(const QString& path) override
    {
        // The desktop only says that it has started its opener, not whether
        // a program took the file; where the freedesktop tools can tell that
        // no program is set for the file's type, say so instead.
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (!xdgMime.isEmpty()) {
            const QString type = QMimeDatabase().mimeTypeForFile(path).name();
            QProcess query;
            query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
            if (query.waitForFinished(5000) && query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0
                && query.readAllStandardOutput().trimmed().isEmpty())
                return false;
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

RealUser g_real;
User* g_user = &g_real;

} // namespace

int runModalLoop(QDialog* dialog)
{
    // A dialog that makes way for a sub-window (HideWhileShown) must come
    // back into the same loop: with QDialog::exec() it would come back as a
    // modal window with no loop, blocking every other window.
    QPointer<QDialog> guard(dialog);
    dialog->setResult(QDialog::Rejected);
    dialog->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->show();
    loop.exec(QEventLoop::DialogExec);
    return guard ? guard->result() : QDialog::Rejected;
}

QString appTitle() { return QStringLiteral("БД инструмента"); }

namespace {
int g_open = 0;   // boxes and dialogs open now, nested
struct Open {
    Open() { ++g_open; }
    ~Open() { --g_open; }
};
} // namespace

bool anyOpen() { return g_open > 0; }

User* setUser(User* user)
{
    User* prev = g_user == &g_real ? nullptr : g_user;
    g_user = user ? user : &g_real;
    return prev;
}

void error(QWidget* parent, const QString& text)
{
    const Open open;
    g_user->message(parent, Icon::Error, QStringLiteral("Ошибка"), text);
}

void errorTitled(QWidget* parent, const QString& title, const QString& text)
{
    const Open open;
    g_user->message(parent, Icon::Error, title, text);
}

void info(QWidget* parent, const QString& text)
{
    const Open open;
    g_user->message(parent, Icon::None, appTitle(), text);
}

bool ask(QWidget* parent, const QString& title, const QString& text, Icon icon)
{
    const Open open;
    return g_user->question(parent, icon, title, text);
}

int showModal(QDialog* dialog)
{
    const Open open;
    return g_user->modal(dialog);
}

QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    const Open open;
    return g_user->openFile(parent, caption, folder, filter);
}

QString chooseFolder(QWidget* parent, const QString& caption, const QString& folder)
{
    const Open open;
    return g_user->folder(parent, caption, folder);
}

bool askText(QWidget* parent, const QString& title, const QString& label, QString* value, bool password)
{
    const Open open;
    return g_user->text(parent, title, label, value, password);
}

bool openDocument(const QString& path)
{
    return g_user->openDocument(path);
}

} // namespace Dialogs
