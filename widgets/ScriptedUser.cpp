#include "ScriptedUser.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>

ScriptedUser::ScriptedUser() { m_previous = Dialogs::setUser(this); }
ScriptedUser::~ScriptedUser() { Dialogs::setUser(m_previous); }

QStringList ScriptedUser::texts() const
{
    QStringList out;
    for (const Shown& s : m_shown)
        out << s.text;
    return out;
}

void ScriptedUser::message(QWidget*, Dialogs::Icon icon, const QString& title, const QString& text)
{
    m_shown.append({Shown::Message, icon, title, text});
}

bool ScriptedUser::question(QWidget*, Dialogs::Icon icon, const QString& title, const QString& text)
{
    m_shown.append({Shown::Question, icon, title, text});
    if (m_answers.empty()) {
        ++m_unexpected;
        return false;   // No is the default button
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

int ScriptedUser::modal(QDialog* dialog)
{
    m_modals << dialog->objectName();
    if (m_realLoop) {
        DialogStep step;
        if (m_steps.empty()) {
            ++m_unexpected;
        } else {
            step = std::move(m_steps.front());
            m_steps.pop_front();
        }
        QPointer<QDialog> d(dialog);
        // A few seconds after its step, a dialog still shown was left open by
        // the script, and one finished whose loop still runs is stuck: both
        // are ended and counted. Gone with this call.
        auto watchdog = std::make_unique<QTimer>();
        watchdog->setSingleShot(true);
        watchdog->setInterval(3000);
        QPointer<QTimer> wd(watchdog.get());
        QObject::connect(watchdog.get(), &QTimer::timeout, dialog, [this, d] {
            if (!d)
                return;
            if (d->isVisible()) {
                ++m_leftOpen;
                d->reject();
            } else {
                ++m_stuck;
                d->done(QDialog::Rejected);
            }
        });
        // The step may act at once or from timers of its own, as a person's
        // later clicks and keys arrive through the loop.
        QTimer::singleShot(0, dialog, [d, step, wd] {
            if (step && d)
                step(d);
            if (wd)
                wd->start();
        });
        return Dialogs::runModalLoop(dialog);
    }
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    QApplication::processEvents();
    if (m_steps.empty()) {
        ++m_unexpected;
    } else {
        DialogStep step = std::move(m_steps.front());
        m_steps.pop_front();
        step(dialog);
    }
    if (dialog->isVisible()) {
        ++m_leftOpen;
        dialog->close();
    }
    return dialog->result();
}

QString ScriptedUser::usableProblem(QWidget* window)
{
    if (!window->isVisible())
        return QStringLiteral("%1 is hidden").arg(window->objectName());
    if (!window->isEnabled())
        return QStringLiteral("%1 is disabled").arg(window->objectName());
    if (QWidget* modal = QApplication::activeModalWidget())
        return QStringLiteral("%1 is still modal (%2)")
            .arg(modal->objectName(), modal->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"));
    if (QApplication::activePopupWidget())
        return QStringLiteral("a popup is open");
    return QString();
}

QString ScriptedUser::openFile(QWidget*, const QString&, const QString&, const QString&)
{
    if (m_files.empty()) {
        ++m_unexpected;
        return QString();
    }
    const QString f = m_files.front();
    m_files.pop_front();
    return f;
}

bool ScriptedUser::text(QWidget*, const QString&, const QString&, QString* value, bool)
{
    if (m_texts.empty()) {
        ++m_unexpected;
        return false;
    }
    const auto t = m_texts.front();
    m_texts.pop_front();
    if (t.second)
        *value = t.first;
    return t.second;
}

bool ScriptedUser::openDocument(const QString& path)
{
    m_opened << path;
    return m_canOpen;
}
