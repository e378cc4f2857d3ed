#pragma once
// The one way the program talks to the user in boxes and modal dialogs.
// Every message box, question, file dialog, modal showing and file handed to
// the desktop goes through here, so that tests can put a scripted user in
// the person's place.
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace Dialogs {

enum class Icon { None, Information, Warning, Question, Error };

// Error box: title "Ошибка", error icon, OK.
void error(QWidget* parent, const QString& text);
// Box with its own title and the error icon (e.g. "Поиск записи").
void errorTitled(QWidget* parent, const QString& title, const QString& text);
// Plain box with OK, for short information and the editors' field checks.
void info(QWidget* parent, const QString& text);
// Yes/No question, No the default; true only when the answer is Yes.
bool ask(QWidget* parent, const QString& title, const QString& text, Icon icon = Icon::Question);
// Shows a dialog modally; returns its result (QDialog::Accepted or Rejected).
int showModal(QDialog* dialog);
// File-open dialog; empty when cancelled.
QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter);
// Folder dialog; empty when cancelled.
QString chooseFolder(QWidget* parent, const QString& caption, const QString& folder);
// Asks for one line of text (masked for passwords); false when cancelled.
bool askText(QWidget* parent, const QString& title, const QString& label, QString* value, bool password);
// Opens a file in the desktop's default program for its type; false when
// no program takes it.
bool openDocument(const QString& path);
// Whether a box or dialog is open now (one waits for the person).
bool anyOpen();

// What stands in for the person: the real boxes, or a test's script.
class User {
public:
    virtual ~User() = default;
    virtual void message(QWidget* parent, Icon icon, const QString& title, const QString& text) = 0;
    virtual bool question(QWidget* parent, Icon icon, const QString& title, const QString& text) = 0;
    virtual int modal(QDialog* dialog) = 0;
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) = 0;
    virtual bool text(QWidget* parent, const QString& title, const QString& label, QString* value, bool password) = 0;
    virtual bool openDocument(const QString& path) { return false; }
    // A script that picks no folder cancels.
    virtual QString folder(QWidget* parent, const QString& caption, const QString& start) { return {}; }
};

// The real modal showing: shows the dialog application-modal and runs an
// event loop until it finishes (accept, reject, done, or destroyed); hiding
// it does not end the loop. Not QDialog::exec(), whose loop ends when the
// dialog is hidden. Used by the real user and by tests that play the person
// inside the real loop.
int runModalLoop(QDialog* dialog);

// Replaces the user (nullptr restores the real boxes); returns the previous one.
User* setUser(User* user);

// Title of plain boxes: the program's name.
QString appTitle();

} // namespace Dialogs
