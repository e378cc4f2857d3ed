#pragma once
// What the tests of the movement windows (issue, return, receipt, write-off,
// transfer, and their failures) share: case tables run over the four kinds,
// the scripted steps of the storekeeper, and what a file or a page holds.
#include "tst_main_session.h"

#include <QClipboard>
#include <QSpinBox>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

// A case of a table that has a name and one flag.
struct Flag {
    const char* name;
    bool on;
};
Q_DECLARE_METATYPE(Flag)

// The rows of a table: each case (a struct with a name, in the column "c")
// once for each kind of the descriptor, named "<tool table><sep><case name>".
template <class C, std::size_t N> void kindRows(const C (&cases)[N], const char* sep = ": ")
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<C>("c");
    for (ToolKind k : allToolKinds())
        for (const C& c : cases)
            QTest::newRow(qPrintable(kindName(k) + QString::fromUtf8(sep) + QString::fromUtf8(c.name))) << k << c;
}

// The rows of a table that runs over the kinds alone.
inline void kindRows()
{
    QTest::addColumn<ToolKind>("kind");
    for (ToolKind k : allToolKinds())
        QTest::newRow(qPrintable(kindName(k))) << k;
}

// A script of steps separated by `sep`; each step (trimmed) goes to the first
// entry its text starts with, which gets the rest of it, trimmed.
using Steps = std::vector<std::pair<QString, std::function<void(const QString&)>>>;
inline void playSteps(const QString& script, QChar sep, const Steps& steps)
{
    for (QString step : script.split(sep, Qt::SkipEmptyParts)) {
        step = step.trimmed();
        const auto it = std::find_if(steps.begin(), steps.end(), [&](auto& s) { return step.startsWith(s.first); });
        QVERIFY2(it != steps.end(), qPrintable("unknown step " + step));
        it->second(step.mid(it->first.size()).trimmed());
        if (QTest::currentTestFailed())
            return;
    }
}

// The storekeeper in a stock dialog (receipt, write-off, transfer). Steps, blank-separated:
//   new=T / bu=T / count=T   type T into the quantity box (receipt) or
//                            choose the item T of the list (write-off, transfer)
//   paste-new=T              paste T into the receipt's new-pieces box
//   up=N / down=N            press the arrow key N times in the new-pieces box
//   leave                    move the focus out of the quantity boxes
//   ok / cancel / esc        press OK, Отмена or Esc
//   see:NAME=TEXT            the control NAME shows TEXT (a list: its items, "@", the chosen one)
//   open / closed            the dialog is still open / has closed
//   elsewhere=SQL            handed to `elsewhere` (the other copy's write)
inline void playStock(QDialog* d, const QString& script, const std::function<void(const QString&)>& elsewhere = {})
{
    auto quantity = [d](const QString& box, const char* list, bool paste) {
        return [=](const QString& v) {
            if (auto* spin = d->findChild<QSpinBox*>("sped_" + box)) {
                spin->setFocus();
                spin->selectAll();
                QLineEdit* line = spin->findChild<QLineEdit*>();
                QVERIFY(line);
                line->selectAll();
                if (paste) {
                    QApplication::clipboard()->setText(v);
                    line->paste();
                } else {
                    QTest::keyClicks(line, v);
                }
                return;
            }
            auto* c = child<QComboBox>(d, list);
            QVERIFY2(c->findText(v) >= 0, qPrintable(v + " not offered: " + listItems(c)));
            c->setCurrentIndex(c->findText(v));
        };
    };
    auto arrows = [d](Qt::Key key) {
        return [=](const QString& n) {
            for (int i = 0; i < n.toInt(); ++i)
                QTest::keyClick(child<QSpinBox>(d, "sped_New"), key);
        };
    };
    auto press = [d](const char* button) {
        return [=](const QString&) { QTest::mouseClick(child<QPushButton>(d, button), Qt::LeftButton); };
    };
    playSteps(script, ' ',
              {{"new=", quantity("New", "cmbx_K_vo_NEW", false)},
               {"bu=", quantity("BU", "cmbx_K_vo_BU", false)},
               {"count=", quantity("COUNT", "cmbx_COUNT", false)},
               {"paste-new=", quantity("New", "cmbx_K_vo_NEW", true)},
               {"up=", arrows(Qt::Key_Up)},
               {"down=", arrows(Qt::Key_Down)},
               {"leave", [d](const QString&) { for (QSpinBox* s : d->findChildren<QSpinBox*>()) s->interpretText(); }},
               {"ok", press("bbtn_OK")},
               {"cancel", press("bbtn_Cancel")},
               {"esc", [d](const QString&) { QTest::keyClick(d, Qt::Key_Escape); }},
               {"open", [d](const QString&) { QVERIFY(d->isVisible()); }},
               {"closed", [d](const QString&) { QVERIFY(!d->isVisible()); }},
               {"see:", [d](const QString& v) {
                    QWidget* w = child<QWidget>(d, v.section('=', 0, 0));
                    QString shown;
                    if (auto* c = qobject_cast<QComboBox*>(w))
                        shown = listItems(c) + "@" + c->currentText();
                    else if (auto* s = qobject_cast<QSpinBox*>(w))
                        shown = s->findChild<QLineEdit*>()->text();
                    else if (auto* e = qobject_cast<QLineEdit*>(w))
                        shown = e->text();
                    QCOMPARE(shown, v.section('=', 1));
                }},
               {"elsewhere=", [&](const QString& sql) { elsewhere(sql); }}});
}

// A refusal because another copy changed the stock meanwhile: `head`, then what the file holds now.
inline QString stockChangedText(const QString& head, int kNew, int kBu)
{
    return head + QStringLiteral(" В базе сейчас: новых %1 шт., БУ %2 шт. (остаток изменён в другой копии "
                                 "программы). Ничего не сохранено, данные обновлены.")
                      .arg(kNew)
                      .arg(kBu);
}

// The current row of a kind's page: its counters as toolCounts gives those of the file.
inline QString pageCounts(ToolKind k)
{
    RecordSet& cat = catalogueOf(*DM, k);
    const ToolKindInfo& i = toolKind(k);
    return QStringLiteral("%1|%2|%3")
        .arg(cat.fieldByName(i.newField).asInteger())
        .arg(cat.fieldByName(i.buField).asInteger())
        .arg(cat.fieldByName(i.dolgField).asInteger());
}

// A row as rowsText gives it: each value ended by "|", then a new line.
template <class... A> QString rowText(const A&... values)
{
    QString out;
    ((out += QVariant(values).toString() + '|'), ...);
    return out + '\n';
}

// Every row of a query, its columns joined by "|".
inline QStringList query(Connection& c, const QString& sql)
{
    QStringList out;
    for (const QString& row : rowsText(c, sql).split('\n', Qt::SkipEmptyParts))
        out << (row.endsWith('|') ? row.chopped(1) : row);
    return out;
}
