#pragma once
// The record search of the five pages: one dialog, whose caption, prompt and
// SearchTarget the page's search command sets before showing it. OK moves
// the page's current row to the first row whose code (or, for the debts,
// record number) equals the typed text, or begins with it.
#include "Form.h"

#include <QtGlobal>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordSet;
class TDM;

class Tfrm_SearchRec : public TForm {
    Q_OBJECT
public:
    explicit Tfrm_SearchRec(QWidget* parent = nullptr);

    // The texts of each page's search, row for row, and the column searched
    // in the page's record set.
    struct Target {
        quint8 target;
        const char* button;     // the page's search button
        const char* caption;    // the dialog's caption
        const char* prompt;     // Label1
        const char* column;
    };
    static const Target& target(quint8 t);   // 0..4
    static int targetCount();

    // The record set and column searched for SearchTarget (nullptr outside 0..4).
    static RecordSet* searchedRecordSet(TDM& dm, quint8 target);
    // The search itself: the first visible row whose column equals the
    // text, or begins with it when partial; false (cursor unchanged) when
    // none does.
    static bool locate(TDM& dm, quint8 target, const QString& text, bool partial);

    // Sets caption, prompt and SearchTarget for a page.
    void prepare(quint8 target);

    quint8 SearchTarget = 4;

    QLabel* Label1;
    QLineEdit* ed_RecName;
    QCheckBox* CheckBox1;
    QPushButton* BitBtn_OK;
    QPushButton* BitBtn_Cancel;

    void BitBtn_OKClick();

protected:
    void FormShow() override;
};

extern Tfrm_SearchRec* frm_SearchRec;
