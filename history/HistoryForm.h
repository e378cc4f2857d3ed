#pragma once
// What the three history windows share: a tool bar with the filter button,
// the delete button and the filter indicator, the grid over the window's
// list record set, an empty status bar; ordering by a title click, the
// filter switched off from inside, and the deletion of one history row.
#include "Form.h"
#include "GridLook.h"

#include <QSize>
#include <QString>

class DBGrid;
class QLabel;
class QStatusBar;
class QToolButton;
class RecordSet;
struct GridCell;

// The texts and names in which the three windows differ.
struct HistoryLayout {
    const char* formName;
    const char* caption;
    QSize size;
    bool centredOnMain;          // else at its designed place
    const char* listName;        // the data module's list record set
    const char* tableName;       // the table object rows are deleted through
    const char* filterButton;
    const char* deleteButton;
    const char* indicator;
    const char* grid;
    const char* deleteQuestion;
    const char* deleteFailure;
    GridLook::SortOrders orders;
};

class THistoryForm : public TForm {
    Q_OBJECT
public:
    THistoryForm(const HistoryLayout& layout, QWidget* parent);

    // The list record set (L) and the table object of the window.
    RecordSet& list() const;
    RecordSet& table() const;

    // One tool's history: the indicator shown, the history filter for the
    // tool's ID and kind code set on the list and switched on.
    void FilterToTool(int toolId, int kindCode);
    // The whole history: the indicator hidden, the list's filter cleared
    // and switched off.
    void ClearFilter();
    bool filterShown() const;

    QWidget* ToolBar;
    QStatusBar* StatusBar1;

protected:
    // The handlers of the window's controls; each window's named handlers
    // delegate to them.
    void FilterClick();
    void DeleteClick();
    void TitleClick(const QString& fieldName);
    // The receipt and write-off grids' painting (the closed issues have none).
    void DrawColumnCell(GridCell& cell);

    void FormShow() override;

    QToolButton* m_filterButton;
    QToolButton* m_deleteButton;
    QLabel* m_indicator;
    DBGrid* m_grid;

private:
    const HistoryLayout& m_layout;
};
