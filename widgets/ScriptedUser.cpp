#include "ScriptedUser.h"

#include <QApplication>
#include <QDialog>

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
