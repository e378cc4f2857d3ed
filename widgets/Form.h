#pragma once
// A window of the program: created once at start, shown modally as often as
// it is needed, keeping its controls between showings. Dialogs that edit a
// pending row report through ResultWord and CloseCode: CloseCode becomes 1
// when the dialog closes with its "done" word, 2 otherwise.
#include <QDialog>
#include <QString>
#include <functional>

class TForm : public QDialog {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);

    QString ResultWord;
    int CloseCode = 2;

    // What closing with the done word does first, set by the caller for one
    // showing: stores what the dialog holds (an operation of the data
    // layer). Stored: the dialog closes; StayOpen: it stays open (the
    // message has been shown) with everything as typed; Close: it closes
    // without the done word (the record is gone or changed elsewhere).
    enum class StoreResult { Stored, StayOpen, Close };
    std::function<StoreResult()> Store;

    // The keyboard's way through the dialog as it opens: the boxes to fill,
    // then the buttons (see arrangeKeyboard).
    QList<QWidget*> tabChain() const;

protected:
    // The word that means "store it" for this dialog ("Done" unless told otherwise).
    void setDoneWord(const QString& w) { m_doneWord = w; }
    // The boxes in the order a person fills them, where that is not the
    // order they are seen in (top to bottom, left to right).
    void setFillOrder(const QList<QWidget*>& order) { m_fillOrder = order; }
    virtual void FormShow() {}
    virtual void FormClose() {}

    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Read-only boxes leave the Tab chain (a click still selects their text);
    // Tab goes through the fill order, then the rest as seen, the buttons
    // last; the dialog opens in its first box to fill unless its own
    // opening chose one.
    void arrangeKeyboard();

    QString m_doneWord = QStringLiteral("Done");
    QList<QWidget*> m_fillOrder;
};

// A movement dialog: the caller tells it which tool kind it works on
// (Kind 0 drills, 1 milling cutters, 2 insert holders, 3 inserts).
class TMovementForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
    int Kind = 0;
};
