#pragma once
// A scripted stand-in for the person at the keyboard: records every box the
// program shows, answers questions from a queue, and plays each modal
// dialog with a step written by the test.
#include "Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

class QDialog;

class ScriptedUser : public Dialogs::User {
public:
    struct Shown {
        enum Kind { Message, Question } kind;
        Dialogs::Icon icon;
        QString title;
        QString text;
    };
    using DialogStep = std::function<void(QDialog*)>;

    ScriptedUser();                 // takes the user's place
    ~ScriptedUser() override;       // gives it back

    // Queue answers to questions, in order; an unexpected question is answered No.
    void answer(bool yes) { m_answers.push_back(yes); }
    // Queue what happens in the next modal dialogs, in order. A dialog the
    // step leaves open is closed (as by its close button) and counted.
    void onModal(DialogStep step) { m_steps.push_back(std::move(step)); }
    // Queue the next file picked in a file dialog ("" = cancel).
    void pickFile(const QString& path) { m_files.push_back(path); }
    // Queue the next typed text ("" with ok=false = cancel).
    void typeText(const QString& text, bool ok = true) { m_texts.push_back({text, ok}); }
    // Whether the desktop has a program that opens the files handed to it
    // (it has, unless told otherwise); the files handed over, in order.
    void setCanOpenDocuments(bool can) { m_canOpen = can; }
    QStringList documentsOpened() const { return m_opened; }

    // Modal dialogs run the program's real modal loop (Dialogs::runModalLoop)
    // and each step plays the person from a timer inside that loop; the step
    // may schedule later actions (QTimer::singleShot) as a person's next
    // clicks and keys arrive. A few seconds after its step, a dialog still
    // shown is closed and counted in leftOpen(), and one that finished while
    // its loop goes on is ended and counted in stuck(). Off: the step runs
    // right after show().
    void setRealLoop(bool on) { m_realLoop = on; }
    int stuck() const { return m_stuck; }
    // Whether a window is usable after the dialogs it opened have closed:
    // shown, enabled, no modal window left (QApplication::activeModalWidget),
    // and not blocked by one. Empty when usable, else what is wrong.
    static QString usableProblem(QWidget* window);

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;            // texts of every box, in order
    QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(); }
    int unexpected() const { return m_unexpected; }   // questions/dialogs nobody scripted
    int leftOpen() const { return m_leftOpen; }
    QStringList modalsShown() const { return m_modals; } // object names of the dialogs shown

    void message(QWidget*, Dialogs::Icon icon, const QString& title, const QString& text) override;
    bool question(QWidget*, Dialogs::Icon icon, const QString& title, const QString& text) override;
    int modal(QDialog* dialog) override;
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override;
    bool text(QWidget*, const QString&, const QString&, QString* value, bool) override;
    bool openDocument(const QString& path) override;

private:
    QList<Shown> m_shown;
    std::deque<bool> m_answers;
    std::deque<DialogStep> m_steps;
    std::deque<QString> m_files;
    std::deque<std::pair<QString, bool>> m_texts;
    QStringList m_modals;
    QStringList m_opened;
    bool m_canOpen = true;
    int m_unexpected = 0;
    int m_leftOpen = 0;
    int m_stuck = 0;
    bool m_realLoop = false;
    Dialogs::User* m_previous = nullptr;
};
