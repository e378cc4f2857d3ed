#pragma once
// Hides a window for as long as the guard lives and shows it again on every
// path out of the scope (a return, an exception). Windows that make way for a
// sub-window use it instead of calling hide() and show() themselves:
//
//     HideWhileShown away(this);
//     Dialogs::showModal(editor);
//
// A form that is itself being shown modally may hide itself this way: the
// modal showing of Dialogs::showModal ends when the form finishes, not when
// it is hidden, so the form comes back modal as before.
#include <QPointer>
#include <QWidget>

class HideWhileShown {
public:
    explicit HideWhileShown(QWidget* window) : m_window(window), m_wasVisible(window && window->isVisible())
    {
        if (m_wasVisible)
            m_window->hide();
    }
    ~HideWhileShown()
    {
        if (m_wasVisible && m_window)
            m_window->show();
    }
    HideWhileShown(const HideWhileShown&) = delete;
    HideWhileShown& operator=(const HideWhileShown&) = delete;

private:
    QPointer<QWidget> m_window;
    bool m_wasVisible;
};
