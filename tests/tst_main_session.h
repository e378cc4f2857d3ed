#pragma once
// One run of the program for a test: a fresh database, the windows created
// in their order, a scripted user in the person's place and, when asked, the
// login. Everything is destroyed when the session ends.
#include "Connection.h"
#include "DBGrid.h"
#include "DM_Unit.h"
#include "Program.h"
#include "RecordSet.h"
#include "ScriptedUser.h"
#include "TestSupport.h"
#include "frm_Main_Unit.h"
#include "frm_Pasword_Unit.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>
#include <functional>

Q_DECLARE_METATYPE(ToolKind)

// The four kinds in page order, for the tables that run over them.
constexpr ToolKind Kinds[] = {ToolKind::Sverla, ToolKind::Frezy, ToolKind::Derj, ToolKind::Plast};
inline QString kindName(ToolKind k) { return QString::fromLatin1(toolKind(k).table); }

// A control of a window by its name; the test stops when there is none.
template <class T> T* child(QObject* w, const QString& name)
{
    T* c = w->findChild<T*>(name);
    if (!c)
        qFatal("no control %s in %s", qPrintable(name), qPrintable(w->objectName()));
    return c;
}

// Shows the main window, which asks for the login: the scripted user types
// login and password and presses OK (or "Выход" when cancel). True when the
// main window stays shown.
inline bool showMainWithLogin(ScriptedUser& user, const QString& login, const QString& password, bool cancel = false)
{
    user.onModal([=](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Pasword*>(d);
        if (!f)
            return;   // left open: counted by the user, and the login fails
        f->cmbx_LOGIN->setEditText(login);
        f->ed_Password->setText(password);
        QTest::mouseClick(cancel ? f->btm_Cancel : f->btm_OK, Qt::LeftButton);
    });
    frm_Main->show();
    return frm_Main->isVisible();
}

class Session {
public:
    Session()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        conn.open(db.path());
    }
    ~Session()
    {
        Program::DestroyWindows();
    }

    // Rows go in before the windows exist: the data module reads them at start.
    qint64 insert(const QString& table, const QVariantMap& values) { return insertRow(conn, table, values); }
    qint64 firm(const QString& name = QStringLiteral("Sandvik")) { return insert("Firma", {{"Name", name}}); }
    qint64 drill(const QString& kod, double diam, int kNew, int kBu, int kDolg = 0, const QString& type = "Спиральное",
                 const QString& pic = QString())
    {
        if (!m_firm)
            m_firm = firm();
        return insert("Sverla", {{"Kod", kod}, {"Type", type}, {"Diam_Sverla", diam}, {"ID_Firma", m_firm},
                                 {"K_vo_New", kNew}, {"K_vo_BU", kBu}, {"K_vo_Dolg", kDolg}, {"K_vo_Vozvrat", 0},
                                 {"Pikcher", pic}, {"Korob", "K-1"}});
    }
    qint64 person(const QString& fio, const QString& foto = QString())
    {
        return insert("People", {{"FIO", fio}, {"Foto", foto}});
    }
    qint64 debt(int nomer, int kindCode, qint64 instr, qint64 people, bool bu, int kvo = 1)
    {
        return insert("Dolgi", {{"Nomer_Zap", nomer}, {"ID_Instr", instr}, {"ID_Tabl", kindCode},
                                {"ID_People", people}, {"Date", QDateTime(QDate(2026, 3, nomer % 28 + 1), QTime())},
                                {"K_vo", kvo}, {"Instr_is_BU", bu}, {"FIO_AdminBD", "Администратор"}});
    }

    // Creates the windows; false when the database could not be opened.
    bool create()
    {
        conn.close();
        return Program::CreateWindows(db.path());
    }

    // Shows the main window, which asks for the login: the scripted user
    // types login and password and presses OK (or "Выход" when cancel).
    bool showWithLogin(const QString& login, const QString& password, bool cancel = false)
    {
        return showMainWithLogin(user, login, password, cancel);
    }

    // Windows created and logged in as the administrator (password "123").
    bool start()
    {
        if (!create())
            return false;
        return showWithLogin(QStringLiteral("Администратор"), QStringLiteral("123"));
    }

    // The file opened again once the windows exist, as another copy of the
    // program; with waitMs both copies wait that long for the other's lock.
    Connection& otherCopy(int waitMs = 300)
    {
        conn.open(db.path());
        if (waitMs) {
            conn.setBusyWaitMs(waitMs);
            DM->ADOConnection1.setBusyWaitMs(waitMs);
        }
        return conn;
    }

    TempDb db;
    Connection conn;
    ScriptedUser user;

private:
    qint64 m_firm = 0;
};

// A click on a column title, as the user makes it.
inline void clickTitle(DBGrid* grid, const QString& fieldName)
{
    const int col = grid->columnOf(fieldName);
    QVERIFY2(col >= 0, qPrintable(fieldName));
    QHeaderView* h = grid->horizontalHeader();
    const int x = h->sectionViewportPosition(col) + h->sectionSize(col) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
}

// The grids' colours, and the red of a box holding a value it refuses.
inline const QColor Yellow(255, 255, 0), Silver(192, 192, 192), MoneyGreen(192, 220, 192), Red(255, 0, 0);
inline bool isRed(const QWidget* w) { return w->palette().color(QPalette::Base) == Red; }

// A click on the title of field orders the rows as expected (their
// keyField down the grid): the same row stays current, in the grid too, and
// the clicked title alone is yellow.
inline void checkTitleClick(DBGrid* grid, const QString& field, const QString& keyField, const QStringList& expected)
{
    RecordSet& rs = *grid->recordSet();
    const int id = rs.fieldByName(QStringLiteral("ID")).asInteger();
    clickTitle(grid, field);
    QCOMPARE(column(rs, keyField), expected);
    QCOMPARE(rs.fieldByName(QStringLiteral("ID")).asInteger(), id);
    QCOMPARE(grid->currentIndex().row(), rs.recNo() - 1);
    for (int c = 0; c < grid->gridModel()->columnCount(); ++c) {
        const QString name = grid->columnFieldName(c);
        QCOMPARE(grid->titleColor(name) == Yellow, name == field);
    }
}

// A click on a row of a grid (its first column), as the user makes it.
inline void clickRow(DBGrid* grid, int pos)
{
    const QModelIndex idx = grid->model()->index(pos, 0);
    grid->scrollTo(idx);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(idx).center());
}

// Typed key by key, as a person would, through the box's key filter.
inline void typeKeys(QWidget* w, const QString& text)
{
    for (const QChar ch : text) {
        const int key = ch.isDigit() ? Qt::Key_0 + ch.digitValue() : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

// Replaces a box's text by typing: the old text selected and deleted first.
inline void typeOver(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    typeKeys(e, text);
}

// An item of a drop-down list chosen as the user chooses it.
inline void pickItem(QComboBox* c, int index)
{
    c->setCurrentIndex(index);
    emit c->activated(index);
}

// The items of a drop-down list, joined by ","; a list of more than 12 as
// its first three and its last: "0,1,2,…,2147483647".
inline QString listItems(const QComboBox* c)
{
    const int n = c->count();
    QStringList out;
    for (int i = 0; i < n; ++i) {
        if (n > 12 && i == 3) {
            out << QStringLiteral("…");
            i = n - 1;
        }
        out << c->itemText(i);
    }
    return out.join(QLatin1Char(','));
}

// The numbers 0 to last, as listItems gives them.
inline QString numberList(int last)
{
    QStringList out;
    for (qint64 i = 0; i <= last; ++i) {
        if (last >= 12 && i == 3) {
            out << QStringLiteral("…");
            i = last;
        }
        out << QString::number(i);
    }
    return out.join(QLatin1Char(','));
}

// No window of the program may stay on screen after a test.
inline bool noWindowShown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow() && !w->inherits("QMenu") && !w->inherits("QTipLabel")) {
            qWarning("still shown: %s", qPrintable(w->objectName()));
            return false;
        }
    return true;
}
