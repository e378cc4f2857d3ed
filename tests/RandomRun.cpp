#include "RandomRun.h"

#include "Consistency.h"
#include "DataAware.h"
#include "DbError.h"
#include "HistoryForm.h"
#include "SampleData.h"
#include "StockParts.h"
#include "ToolEditor.h"
#include "ToolKind.h"
#include "frm_Dolgi_History_Unit.h"
#include "frm_Edit_People_Unit.h"
#include "frm_GetBackInstr_Unit.h"
#include "Query.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_People_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Hist_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisanie_Hist_Unit.h"
#include "frm_Spisat_Instr_Unit.h"
#include "tst_main_session.h"

#include <QAction>
#include <QKeyEvent>
#include <QSpinBox>
#include <QToolButton>

// The model of one table: each row's columns after its ID, as text, and the
// rows a step has added whose IDs the file gives.
struct RandomRun::Table {
    QString sql;
    QMap<qint64, QStringList> rows;
    QList<QStringList> pending;
};

namespace {

// Indexes of the model's tables: the four tool tables in page order first.
enum { TDolgi = ToolKindCount, THistory, TPrihod, TSpisanie, TPeople, TableCount };

// Columns: tools Kod|new|used|in work; debts kind|tool|operator|K_vo|used;
// closed debts also new back|used back|closing code; receipts and
// write-offs kind|tool|K_vo|used; operators FIO.
QString sqlOf(int t)
{
    if (t < ToolKindCount) {
        const ToolKindInfo& k = toolKind(ToolKind(t));
        return QStringLiteral("SELECT ID, Kod, %1, K_vo_BU, %2 FROM %3").arg(k.tableNewColumn, k.tableDolgColumn, k.table);
    }
    static const char* const sql[] = {
        "SELECT ID, ID_Tabl, ID_Instr, ID_People, K_vo, CASE WHEN Instr_is_BU <> 0 THEN 1 ELSE 0 END FROM Dolgi",
        "SELECT ID, ID_Tabl, ID_Instr, ID_People, K_vo_Instr_Bral, CASE WHEN Instr_BU <> 0 THEN 1 ELSE 0 END, K_vo_Instr_Vernul_New, "
        "K_vo_Instr_Vernul_BU, ID_Del_Type FROM Dolgi_History",
        "SELECT ID, ID_Tabl, ID_Instr, K_vo, CASE WHEN Instr_is_BU <> 0 THEN 1 ELSE 0 END FROM Prihod_History",
        "SELECT ID, ID_Tabl, ID_Instr, K_vo, CASE WHEN Instr_is_BU <> 0 THEN 1 ELSE 0 END FROM Spisanie_History",
        "SELECT ID, FIO FROM People",
    };
    return QString::fromLatin1(sql[t - ToolKindCount]);
}

QMap<qint64, QStringList> readRows(const QString& sql)
{
    QMap<qint64, QStringList> out;
    Query q(DM->ADOConnection1, sql);
    while (q.next()) {
        QStringList cols;
        for (int i = 1; i < q.columnCount(); ++i)
            cols << q.text(i);
        out.insert(q.int64(0), cols);
    }
    return out;
}

QString n(qint64 v) { return QString::number(v); }
int num(const QStringList& row, int col) { return row.value(col).toInt(); }
void bump(QStringList& row, int col, int by) { row[col] = n(num(row, col) + by); }

void retype(QLineEdit* e, const QString& text)
{
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    typeKeys(e, text);
}

} // namespace

// The controls of each kind's editor that a step fills: the code box, the
// firm list, and the dimension boxes with values that pass the checks.
struct EditorLayout {
    const char* code;
    const char* firm;
    QList<std::pair<const char*, const char*>> dimensions;
    const char* addButton;
    const char* giveButton;
};

namespace {

const EditorLayout& editorLayout(ToolKind k)
{
    static const EditorLayout layouts[ToolKindCount] = {
        {"dbed_Sverla_KOD", "dbcmbx_Sverla_Firma",
         {{"ed_DiamSv", "5"}, {"ed_DiamHvost", "5"}, {"ed_LSv", "60"}, {"ed_LHvost", "20"}}, "spbt_Sverlo_New", "spbt_SV_GiveToWork"},
        {"dbed_Frezy_KOD", "dbcmbx_Frezy_Firma",
         {{"ed_DiamFR", "6"}, {"ed_DiamHvost", "6"}, {"ed_LFR", "60"}, {"ed_LHvost", "20"}, {"ed_L_Sheiki", "4"}},
         "spbt_FR_NEW", "spbt_FR_GiveToWork"},
        {"dbed_Derj_KOD", "dbcmbx_Derj_Firma", {}, "spbt_Derj_NEW", "spbt_Derj_GiveToWork"},
        {"dbed_Plast_KOD", "dbcmbx_Plast_Firma", {}, "spbt_PL_New", "spbt_PL_GiveToWork"},
    };
    return layouts[int(k)];
}

const char* const StepNames[] = {"issue",  "return",      "receipt",     "write-off",
                                 "transfer", "tool add",  "tool edit",   "tool delete",
                                 "operator add", "operator delete", "history row delete"};
// How often each kind of step comes, in the order above.
const int StepWeights[] = {20, 18, 12, 10, 8, 6, 5, 6, 3, 3, 5};
constexpr int StepKinds = int(std::size(StepWeights));

const QString GiveNoStock = QStringLiteral("Нельзя выдавать инструмент, которого нет в БД!!!");
const QString GiveNoOperator = QStringLiteral("Поле \"ФИО оператора ЧПУ\" не может быть пустым!!!!");
const QString GiveNotPositive = QStringLiteral("Поле \"Отдать\" не может быть меньше или равно 0!!!");
const QString NothingToWriteOff = QStringLiteral("Нельзя списать инструмент к-во которого 0!");
const QString NoNewPieces = QStringLiteral("Нельзя переместить инструмент в БУ если \"К-во НОВЫЙ\"=0  !");
const QString ZeroIn = QStringLiteral("Необходимо добать к-во инструмента больше 0.!");
const QString ZeroOut = QStringLiteral("Чтобы списать инструмент нужно выбрать к-во отличное от 0 !");
const QString NoFio = QStringLiteral("Поле \"ФИО оператора\" не может быть пустым!");

} // namespace

RandomRun::RandomRun(quint32 seed) : m_seed(seed), m_rng(seed) {}

RandomRun::~RandomRun() = default;

quint32 RandomRun::seedFromEnv(quint32 fallback)
{
    bool ok = false;
    const quint32 s = qEnvironmentVariable("TOOLDB_RANDOM_SEED").toUInt(&ok);
    return ok ? s : fallback;
}

int RandomRun::stepsFromEnv(int fallback)
{
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("TOOLDB_RANDOM_STEPS", &ok);
    return ok && s > 0 ? s : fallback;
}

int RandomRun::pick(int from, int to)
{
    return to <= from ? from : std::uniform_int_distribution<int>(from, to)(m_rng);
}

bool RandomRun::check(bool ok, const QString& what)
{
    if (!ok && m_stepFailure.isEmpty())
        m_stepFailure = what;
    return ok;
}

void RandomRun::expectBoxes(const QStringList& texts) { m_expectedBoxes << texts; }

bool RandomRun::start()
{
    m_clock.start();
    qInfo("random run: seed %u (TOOLDB_RANDOM_SEED=%u replays it)", m_seed, m_seed);
    m_session = std::make_unique<Session>();
    Session& s = *m_session;
    s.conn.close();
    SampleOptions o;
    o.tools = 40;
    o.debts = 12;
    o.closed = 20;
    o.receipts = 40;
    o.writeoffs = 15;
    o.seed = m_seed;
    const QString path = sampleTarget(s.db, QStringLiteral("random.mdb"));
    try {
        writeSampleDatabase(path, o);
    } catch (const DbError& e) {
        m_failure = QStringLiteral("sample database: ") + e.message();
        return false;
    }
    if (!Program::CreateWindows(path)) {
        m_failure = QStringLiteral("the windows could not open the sample database");
        return false;
    }
    if (!s.showWithLogin(QStringLiteral("Администратор"), QStringLiteral("123"))) {
        m_failure = QStringLiteral("the login failed");
        return false;
    }
    m_tables.resize(TableCount);
    for (int t = 0; t < TableCount; ++t) {
        m_tables[size_t(t)].sql = sqlOf(t);
        m_tables[size_t(t)].rows = readRows(m_tables[size_t(t)].sql);
    }
    const QStringList found = consistencyFindings(DM->ADOConnection1, true);
    if (!found.isEmpty()) {
        m_failure = QStringLiteral("the sample database is not consistent: ") + found.join(QStringLiteral("; "));
        return false;
    }
    return true;
}

bool RandomRun::compare(int t)
{
    Table& m = m_tables[size_t(t)];
    const QMap<qint64, QStringList> file = readRows(m.sql);
    for (auto it = file.begin(); it != file.end(); ++it) {
        if (m.rows.contains(it.key()))
            continue;
        const int at = int(m.pending.indexOf(it.value()));
        if (!check(at >= 0, QStringLiteral("%1: row %2 (%3) added, not expected (expected: %4)")
                                 .arg(sqlOf(t).section(' ', -1)).arg(it.key())
                                 .arg(it.value().join('|'), m.pending.isEmpty() ? "none" : m.pending.first().join('|'))))
            return false;
        m.pending.removeAt(at);
        m.rows.insert(it.key(), it.value());
    }
    if (!check(m.pending.isEmpty(), QStringLiteral("%1: expected row %2 not written")
                                        .arg(sqlOf(t).section(' ', -1), m.pending.value(0).join('|'))))
        return false;
    if (file == m.rows)
        return true;
    for (auto it = m.rows.begin(); it != m.rows.end(); ++it)
        if (file.value(it.key()) != it.value())
            return check(false, QStringLiteral("%1: row %2 is %3, expected %4")
                                    .arg(sqlOf(t).section(' ', -1)).arg(it.key())
                                    .arg(file.contains(it.key()) ? file.value(it.key()).join('|') : "gone",
                                         it.value().join('|')));
    return check(false, QStringLiteral("%1: rows differ").arg(sqlOf(t).section(' ', -1)));
}

bool RandomRun::step()
{
    if (!m_failure.isEmpty())
        return false;
    ++m_steps;
    int kind = 0;
    for (int r = pick(0, std::accumulate(std::begin(StepWeights), std::end(StepWeights), 0) - 1);
         r >= StepWeights[kind]; r -= StepWeights[kind++]) {
    }
    Session& s = *m_session;
    m_stepFailure.clear();
    m_expectedBoxes.clear();
    m_touched.clear();
    m_desc = QString::fromLatin1(StepNames[kind]);
    m_kindName = m_desc;
    m_note.clear();
    m_outcome = Stored;
    s.user.clear();
    // A quarter of the steps play the person inside the real modal loop.
    s.user.setRealLoop(chance(25));
    const int unexpected = s.user.unexpected(), leftOpen = s.user.leftOpen(), stuck = s.user.stuck();
    try {
        runStep(kind);
        check(s.user.unexpected() == unexpected, QStringLiteral("an unexpected box or dialog: ") +
                                                     s.user.texts().join(QStringLiteral(" / ")));
        check(s.user.leftOpen() == leftOpen && s.user.stuck() == stuck, QStringLiteral("a dialog was left open"));
        check(ScriptedUser::usableProblem(frm_Main).isEmpty(), ScriptedUser::usableProblem(frm_Main));
        check(!DM->ADOConnection1.inTransaction(), QStringLiteral("a transaction is left open"));
        // The boxes shown, in order ("*": any text).
        const QStringList shown = s.user.texts();
        bool same = shown.size() == m_expectedBoxes.size();
        for (int i = 0; same && i < shown.size(); ++i)
            same = m_expectedBoxes[i] == QLatin1String("*") || m_expectedBoxes[i] == shown[i];
        check(same, QStringLiteral("boxes shown: [%1], expected: [%2]")
                        .arg(shown.join(QStringLiteral(" / ")), m_expectedBoxes.join(QStringLiteral(" / "))));
        // The pages list every tool and every open debt of the file.
        for (int t = 0; t <= TDolgi; ++t) {
            RecordSet* rs = frm_Main->pageRecordSet(t);
            check(rs->isOpen() && !rs->filtered() &&
                      rs->recordCount() == m_tables[size_t(t)].rows.size() + m_tables[size_t(t)].pending.size(),
                  QStringLiteral("page %1 lists %2 rows, the file holds %3").arg(t).arg(rs->recordCount())
                      .arg(m_tables[size_t(t)].rows.size() + m_tables[size_t(t)].pending.size()));
        }
        const QStringList found = consistencyFindings(DM->ADOConnection1, false);
        check(found.isEmpty(), QStringLiteral("consistency: ") + found.join(QStringLiteral("; ")));
        // The tables the step touched, and every table now and then.
        for (int t = 0; t < TableCount && m_stepFailure.isEmpty(); ++t)
            if (m_touched.contains(t) || m_steps % 50 == 0)
                compare(t);
    } catch (const DbError& e) {
        check(false, QStringLiteral("error: ") + e.message());
    } catch (const std::exception& e) {
        check(false, QStringLiteral("exception: ") + QString::fromLocal8Bit(e.what()));
    }
    m_figures[m_kindName][size_t(m_outcome)]++;
    if (!m_stepFailure.isEmpty()) {
        m_failure = QStringLiteral("seed %1, step %2 (%3): %4").arg(m_seed).arg(m_steps).arg(m_desc + m_note, m_stepFailure);
        return false;
    }
    return true;
}

bool RandomRun::finish()
{
    if (!m_failure.isEmpty())
        return false;
    m_stepFailure.clear();
    try {
        for (int t = 0; t < TableCount && m_stepFailure.isEmpty(); ++t)
            compare(t);
        const QStringList found = consistencyFindings(DM->ADOConnection1, true);
        check(found.isEmpty(), QStringLiteral("whole-file consistency: ") + found.join(QStringLiteral("; ")));
    } catch (const DbError& e) {
        check(false, QStringLiteral("error: ") + e.message());
    }
    if (!m_stepFailure.isEmpty()) {
        m_failure = QStringLiteral("seed %1, after %2 steps: %3").arg(m_seed).arg(m_steps).arg(m_stepFailure);
        return false;
    }
    return true;
}

QStringList RandomRun::report() const
{
    QStringList out;
    std::array<int, 3> all{};
    for (auto it = m_figures.begin(); it != m_figures.end(); ++it) {
        out << QStringLiteral("  %1: %2 stored, %3 refused, %4 cancelled")
                   .arg(it.key(), -20).arg(it.value()[0]).arg(it.value()[1]).arg(it.value()[2]);
        for (int i = 0; i < 3; ++i)
            all[size_t(i)] += it.value()[size_t(i)];
    }
    out << QStringLiteral("  seed %1: %2 steps (%3 stored, %4 refused, %5 cancelled) in %6 s")
               .arg(m_seed).arg(m_steps).arg(all[0]).arg(all[1]).arg(all[2])
               .arg(double(m_clock.elapsed()) / 1000.0, 0, 'f', 1);
    return out;
}

void RandomRun::runStep(int kind)
{
    switch (kind) {
    case 0: issue(); break;
    case 1: giveBack(); break;
    case 2: receipt(); break;
    case 3: writeOff(); break;
    case 4: transfer(); break;
    case 5: addTool(); break;
    case 6: editTool(); break;
    case 7: deleteTool(); break;
    case 8: addOperator(); break;
    case 9: deleteOperator(); break;
    default: deleteHistoryRow(); break;
    }
}

// ---------------------------------------------------------------------------
// The steps. Each picks its target as a person does (a click on a row),
// scripts the dialog, and writes into the model what the file must hold.

namespace {

// Leaves a dialog without storing: Отмена, Esc or the close box.
void leave(QDialog* d, QPushButton* cancel, int how)
{
    if (how == 0)
        QTest::mouseClick(cancel, Qt::LeftButton);
    else if (how == 1)
        QTest::keyClick(d, Qt::Key_Escape);
    else
        d->close();
}

// A random tool of the kind, made current by a click on its row; 0 when the page is empty.
qint64 clickTool(ToolKind k, int pos)
{
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(k));
    RecordSet& cat = catalogueOf(*DM, k);
    if (cat.recordCount() == 0)
        return 0;
    clickRow(frm_Main->pageGrid(pageOf(k)), pos % cat.recordCount());
    return cat.fieldByName(QStringLiteral("ID")).asInteger();
}

void setQuantity(QSpinBox* box, int value)
{
    box->setFocus();
    QLineEdit* line = box->findChild<QLineEdit*>();
    line->selectAll();
    QTest::keyClicks(line, QString::number(value));
}

} // namespace

qint64 RandomRun::chooseTool(ToolKind k, int pos, qint64 wanted)
{
    // Now and then the page is ordered by another column first.
    if (chance(10)) {
        frm_Main->PageControl_Main->setCurrentIndex(pageOf(k));
        DBGrid* grid = frm_Main->pageGrid(pageOf(k));
        const int col = pick(0, grid->model()->columnCount() - 1);
        clickTitle(grid, grid->columnFieldName(col));
        m_note += QStringLiteral(", the page ordered by %1").arg(grid->columnFieldName(col));
    }
    if (wanted > 0) {
        RecordSet& cat = catalogueOf(*DM, k);
        const int f = cat.fieldIndex("ID");
        for (pos = 0; pos < cat.recordCount() && cat.intAt(pos, f) != wanted;)
            ++pos;
    }
    const qint64 id = clickTool(k, pos);
    if (!check(id > 0, "an empty page") || !check(m_tables[size_t(k)].rows.contains(id), "a tool not in the file"))
        return 0;
    const QStringList& t = m_tables[size_t(k)].rows[id];
    RecordSet& cat = catalogueOf(*DM, k);
    const ToolKindInfo& i = toolKind(k);
    check(cat.fieldByName(i.newField).asInteger() == num(t, 1) && cat.fieldByName(i.buField).asInteger() == num(t, 2) &&
              cat.fieldByName(i.dolgField).asInteger() == num(t, 3) && cat.fieldByName("Kod").asString() == t[0],
          QStringLiteral("the page shows %1 %2 otherwise than the file").arg(i.table).arg(id));
    return id;
}

void RandomRun::issue()
{
    const ToolKind k = ToolKind(pick(0, 3));
    const qint64 id = chooseTool(k, pick(0, 1000));
    if (!id)
        return;
    QStringList& tool = m_tables[size_t(k)].rows[id];
    const int have[2] = {num(tool, 1), num(tool, 2)};
    m_desc = QStringLiteral("issue of %1 %2 (%3 new, %4 used)").arg(toolKind(k).table).arg(id).arg(have[0]).arg(have[1]);
    m_touched << int(k) << TDolgi;
    if (have[0] <= 0 && have[1] <= 0) {
        expectBoxes({GiveNoStock});
        outcome(Refused);
    } else {
        // 0 cancel, 1 quantity 0, 2 no operator, 3 the number of an open
        // debt typed (refused, the next one proposed, then stored), else stored.
        const int variant = pick(0, 9);
        const qint64 held = variant == 3 ? queryInt(DM->ADOConnection1,
                                                    QStringLiteral("SELECT Nomer_Zap FROM Dolgi ORDER BY random() LIMIT 1"))
                                         : 0;
        const bool bu = have[0] <= 0 || (have[1] > 0 && chance(40));
        const int qty = pick(1, have[bu]);
        const int how = pick(0, 2);
        m_session->user.onModal([=, this](QDialog* d) {
            auto* f = qobject_cast<Tfrm_GiveToWork*>(d);
            if (!check(f, "not the issue dialog"))
                return;
            check(f->cmbx_Type->currentText() == (have[0] > 0 ? "Новый" : "БУ"), "the dialog opens on another stock");
            f->cmbx_Type->setCurrentIndex(f->cmbx_Type->findText(bu ? "БУ" : "Новый"));
            // More than the stock is not offered.
            check(f->cmbx_K_vo_Otdat->findText(n(have[bu] + 1)) < 0, "more than the stock offered");
            if (variant != 2 && f->DBLookupComboBox1->count() > 0) {
                const int i = pick(0, f->DBLookupComboBox1->count() - 1);
                f->DBLookupComboBox1->setCurrentIndex(i);
                emit f->DBLookupComboBox1->activated(i);
            }
            const int people = f->DBLookupComboBox1->currentKey();
            f->cmbx_K_vo_Otdat->setCurrentIndex(f->cmbx_K_vo_Otdat->findText(n(variant == 1 ? 0 : qty)));
            if (variant == 0) {
                leave(d, f->bbtn_Cancel, how);
                return;
            }
            if (held > 0 && people > 0) {
                f->ed_NomerZap->setText(n(int(held)));
                QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
                check(f->isVisible(), "an issue under a number in use closed the dialog");
                check(f->ed_NomerZap->text().toLongLong() > held, "no free number proposed");
            }
            QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
            if (variant <= 2 || people <= 0) {
                check(f->isVisible(), "the refused issue closed the dialog");
                leave(d, f->bbtn_Cancel, how);
                return;
            }
            QStringList& t = m_tables[size_t(k)].rows[id];
            bump(t, bu ? 2 : 1, -qty);
            bump(t, 3, qty);
            m_tables[TDolgi].pending << QStringList{n(kindCodeOf(k)), n(id), n(people), n(qty), n(bu)};
        });
        const bool hasOperators = !m_tables[TPeople].rows.isEmpty();
        if (held > 0 && hasOperators)
            expectBoxes({"*"});   // the number in use, named
        if (variant == 0) {
            outcome(Cancelled);
        } else if (variant == 1 && hasOperators) {
            expectBoxes({GiveNotPositive});
            outcome(Refused);
        } else if (variant <= 2 || !hasOperators) {
            expectBoxes({GiveNoOperator});
            outcome(Refused);
        }
        m_desc += QStringLiteral(": %1 %2, variant %3").arg(qty).arg(bu ? "used" : "new").arg(variant);
    }
    if (chance(50))
        QTest::mouseClick(frm_Main->findChild<QToolButton*>(editorLayout(k).giveButton), Qt::LeftButton);
    else
        frm_Main->catalogueMenu(k).giveToWork->trigger();
}

void RandomRun::giveBack()
{
    RecordSet& list = DM->dtset_DolgiSQL;
    // A third of the returns go through the tool's page: its debts alone
    // on the debts page, the whole list again afterwards.
    bool oneTool = false;
    if (!m_tables[TDolgi].rows.isEmpty() && chance(33)) {
        const QStringList d = std::next(m_tables[TDolgi].rows.begin(), pick(0, int(m_tables[TDolgi].rows.size()) - 1)).value();
        const ToolKind k = toolKindByCode(num(d, 0)).value_or(ToolKind::Sverla);
        if (!check(chooseTool(k, 0, num(d, 1)) == num(d, 1), "the debt's tool not listed"))
            return;
        frm_Main->catalogueMenu(k).viewDolgi->trigger();
        int debts = 0;
        for (const QStringList& r : std::as_const(m_tables[TDolgi].rows))
            debts += r[0] == d[0] && r[1] == d[1];
        check(frm_Main->PageControl_Main->currentIndex() == Tfrm_Main::PageDolgi && list.recordCount() == debts,
              QStringLiteral("the tool's debts page lists %1 debts, the file holds %2").arg(list.recordCount()).arg(debts));
        oneTool = true;
    }
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
    if (list.recordCount() == 0) {
        m_desc = "return with no debts";
        outcome(Refused);
        QTest::mouseClick(frm_Main->SpeedButton1, Qt::LeftButton);
        return;
    }
    clickRow(frm_Main->dbgrid_Dolgi, pick(0, list.recordCount() - 1));
    const qint64 debt = list.fieldByName("ID").asInteger();
    if (!check(m_tables[TDolgi].rows.contains(debt), QStringLiteral("debt %1 on the page, not in the file").arg(debt)))
        return;
    const QStringList d = m_tables[TDolgi].rows[debt];
    const int kvo = num(d, 3);
    const bool bu = num(d, 4) != 0;
    const int variant = pick(0, 9);   // 0 cancel, 1 a total other than taken, else stored
    int rNew = bu ? 0 : (chance(30) ? 0 : pick(0, kvo));
    int rUsed = kvo - rNew;
    if (variant == 1) {   // a total other than K_vo, within the lists' 0 ... K_vo
        rNew = bu ? 0 : pick(0, kvo);
        rUsed = bu ? pick(0, kvo - 1) : pick(0, kvo);
        if (rNew + rUsed == kvo)
            rUsed += rUsed < kvo ? 1 : -1;
    }
    m_desc = QStringLiteral("return of debt %1 (%2 %3): %4 new + %5 used, variant %6")
                 .arg(debt).arg(kvo).arg(bu ? "used" : "new").arg(rNew).arg(rUsed).arg(variant);
    const int how = pick(0, 2);
    m_touched << TDolgi << THistory;
    m_session->user.onModal([=, this](QDialog* dlg) {
        auto* f = qobject_cast<Tfrm_GetBackInstr*>(dlg);
        if (!check(f, "not the return dialog"))
            return;
        check(f->cmbx_K_vo_NEW->isEnabled() == !bu, "the new pieces' list of a debt of used pieces");
        check(f->cmbx_K_vo_BU->findText(n(kvo + 1)) < 0, "more than taken offered");
        if (f->cmbx_K_vo_NEW->isEnabled())
            f->cmbx_K_vo_NEW->setCurrentIndex(rNew);
        f->cmbx_K_vo_BU->setCurrentIndex(rUsed);
        if (variant == 0) {
            leave(dlg, f->BitBtn2, how);
            return;
        }
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
        if (variant == 1) {
            check(f->isVisible(), "the refused return closed the dialog");
            leave(dlg, f->BitBtn2, how);
        }
    });
    if (variant == 0) {
        outcome(Cancelled);
    } else if (variant == 1) {
        expectBoxes({Tfrm_GetBackInstr::totalMismatchText()});
        outcome(Refused);
    } else {
        const auto kind = toolKindByCode(num(d, 0));
        if (!check(kind.has_value(), "a debt of no kind"))
            return;
        m_touched << int(*kind);
        QStringList& t = m_tables[size_t(*kind)].rows[num(d, 1)];
        bump(t, 1, rNew);
        bump(t, 2, rUsed);
        bump(t, 3, -kvo);
        m_tables[TDolgi].rows.remove(debt);
        const int code = rNew > 0 && rUsed > 0 ? 4 : rNew > 0 ? 2 : 3;
        m_tables[THistory].pending << (d.mid(0, 5) << n(rNew) << n(rUsed) << n(code));
    }
    if (chance(50))
        QTest::mouseClick(frm_Main->SpeedButton1, Qt::LeftButton);
    else
        frm_Main->pm_Dolgi_Return->trigger();
    if (oneTool) {
        m_desc += QStringLiteral(", from the tool's page");
        QTest::mouseClick(frm_Main->spbt_Dolgi_Filtr, Qt::LeftButton);
    }
}

void RandomRun::receipt()
{
    const ToolKind k = ToolKind(pick(0, 3));
    const qint64 id = chooseTool(k, pick(0, 1000));
    if (!id)
        return;
    const int variant = pick(0, 9);   // 0 cancel, 1 nothing received, else stored
    int a = chance(40) ? 0 : pick(1, 30), b = chance(50) ? 0 : pick(1, 30);
    if (variant >= 2 && a == 0 && b == 0)
        a = 1;
    if (variant == 1)
        a = b = 0;
    // Now and then more than a receipt takes: the box holds 500.
    const bool over = variant >= 2 && chance(5);
    m_desc = QStringLiteral("receipt of %1 %2: %3 new + %4 used, variant %5")
                 .arg(toolKind(k).table).arg(id).arg(over ? 600 : a).arg(b).arg(variant);
    if (over)
        a = 500;
    const int how = pick(0, 2);
    m_touched << int(k) << TPrihod;
    m_session->user.onModal([=, this](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Prihod_Instr*>(d);
        if (!check(f, "not the receipt dialog"))
            return;
        setQuantity(f->sped_New, over ? 600 : a);
        setQuantity(f->sped_BU, b);
        if (variant == 0) {
            leave(d, f->bbtn_Cancel, how);
            return;
        }
        QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
        if (variant == 1) {
            check(f->isVisible(), "the refused receipt closed the dialog");
            leave(d, f->bbtn_Cancel, how);
        }
    });
    if (variant == 0) {
        outcome(Cancelled);
    } else if (variant == 1) {
        expectBoxes({ZeroIn});
        outcome(Refused);
    } else {
        QStringList& t = m_tables[size_t(k)].rows[id];
        bump(t, 1, a);
        bump(t, 2, b);
        for (int i = 0; i < 2; ++i)
            if ((i ? b : a) > 0)
                m_tables[TPrihod].pending << QStringList{n(kindCodeOf(k)), n(id), n(i ? b : a), n(i)};
    }
    frm_Main->catalogueMenu(k).prihod->trigger();
}

void RandomRun::writeOff()
{
    const ToolKind k = ToolKind(pick(0, 3));
    const qint64 id = chooseTool(k, pick(0, 1000));
    if (!id)
        return;
    const QStringList t0 = m_tables[size_t(k)].rows[id];
    const int have[2] = {num(t0, 1), num(t0, 2)};
    m_touched << int(k) << TSpisanie;
    m_desc = QStringLiteral("write-off of %1 %2 (%3 new, %4 used)").arg(toolKind(k).table).arg(id).arg(have[0]).arg(have[1]);
    if (have[0] <= 0 && have[1] <= 0) {
        expectBoxes({NothingToWriteOff});
        outcome(Refused);
        frm_Main->catalogueMenu(k).spisat->trigger();
        return;
    }
    const int variant = pick(0, 9);   // 0 cancel, 1 nothing chosen, else stored
    int a = have[0] > 0 && chance(70) ? pick(0, have[0]) : 0, b = have[1] > 0 && chance(60) ? pick(0, have[1]) : 0;
    if (variant >= 2 && a == 0 && b == 0)
        (have[0] > 0 ? a : b) = 1;
    if (variant == 1)
        a = b = 0;
    m_desc += QStringLiteral(": %1 new + %2 used, variant %3").arg(a).arg(b).arg(variant);
    const int how = pick(0, 2);
    m_session->user.onModal([=, this](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Spisat_Instr*>(d);
        if (!check(f, "not the write-off dialog"))
            return;
        // More than held is not offered.
        check(f->cmbx_K_vo_NEW->findText(n(qMax(0, have[0]) + 1)) < 0 &&
                  f->cmbx_K_vo_BU->findText(n(qMax(0, have[1]) + 1)) < 0,
              "more than held offered");
        f->cmbx_K_vo_NEW->setCurrentIndex(f->cmbx_K_vo_NEW->findText(n(a)));
        f->cmbx_K_vo_BU->setCurrentIndex(f->cmbx_K_vo_BU->findText(n(b)));
        if (variant == 0) {
            leave(d, f->bbtn_Cancel, how);
            return;
        }
        QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
        if (variant == 1) {
            check(f->isVisible(), "the refused write-off closed the dialog");
            leave(d, f->bbtn_Cancel, how);
        }
    });
    if (variant == 0) {
        outcome(Cancelled);
    } else if (variant == 1) {
        expectBoxes({ZeroOut});
        outcome(Refused);
    } else {
        QStringList& t = m_tables[size_t(k)].rows[id];
        bump(t, 1, -a);
        bump(t, 2, -b);
        for (int i = 0; i < 2; ++i)
            if ((i ? b : a) > 0)
                m_tables[TSpisanie].pending << QStringList{n(kindCodeOf(k)), n(id), n(i ? b : a), n(i)};
    }
    frm_Main->catalogueMenu(k).spisat->trigger();
}

void RandomRun::transfer()
{
    const ToolKind k = ToolKind(pick(0, 3));
    const qint64 id = chooseTool(k, pick(0, 1000));
    if (!id)
        return;
    const int have = num(m_tables[size_t(k)].rows[id], 1);
    m_touched << int(k);
    m_desc = QStringLiteral("transfer to used of %1 %2 (%3 new)").arg(toolKind(k).table).arg(id).arg(have);
    if (have <= 0) {
        expectBoxes({NoNewPieces});
        outcome(Refused);
        frm_Main->catalogueMenu(k).perBU->trigger();
        return;
    }
    const int variant = pick(0, 9);   // 0 cancel, 1 nothing chosen, else stored
    const int c = variant == 1 ? 0 : pick(1, have);
    m_desc += QStringLiteral(": %1, variant %2").arg(c).arg(variant);
    const int how = pick(0, 2);
    m_session->user.onModal([=, this](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Per_Instr_BU*>(d);
        if (!check(f, "not the transfer dialog"))
            return;
        check(f->cmbx_COUNT->findText(n(have + 1)) < 0, "more than held offered");
        f->cmbx_COUNT->setCurrentIndex(f->cmbx_COUNT->findText(n(c)));
        if (variant == 0) {
            leave(d, f->bbtn_Cancel, how);
            return;
        }
        QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
        if (variant == 1) {
            check(f->isVisible(), "the refused transfer closed the dialog");
            leave(d, f->bbtn_Cancel, how);
        }
    });
    if (variant == 0) {
        outcome(Cancelled);
    } else if (variant == 1) {
        expectBoxes({ZeroIn});
        outcome(Refused);
    } else {
        QStringList& t = m_tables[size_t(k)].rows[id];
        bump(t, 1, -c);
        bump(t, 2, c);
    }
    frm_Main->catalogueMenu(k).perBU->trigger();
}

// The editor's script after what add or edit types first: the dimensions
// the checks want, the code (variant 1: empty, refused), then OK, or leaving
// (variant 0).
void RandomRun::playEditor(QDialog* d, TToolEditor* e, const EditorLayout& l, const QString& kod, int variant, int how)
{
    for (const auto& [box, value] : l.dimensions)
        retype(d->findChild<QLineEdit*>(box), value);
    retype(d->findChild<QLineEdit*>(l.code), variant == 1 ? QString() : kod);
    if (variant == 0) {
        leave(d, e->bbtn_Cancel, how);
        return;
    }
    QTest::mouseClick(e->bbtn_OK, Qt::LeftButton);
    if (variant == 1) {
        check(e->isVisible(), "the refused editor closed");
        leave(d, e->bbtn_Cancel, how);
    }
}

// What the editor's script came to: true when the row was stored.
bool RandomRun::editorStored(int variant)
{
    if (variant == 0) {
        outcome(Cancelled);
        return false;
    }
    if (variant == 1) {
        expectBoxes({"*"});
        outcome(Refused);
        return false;
    }
    return true;
}

// Add and edit share the editor's script: a code typed (empty: refused),
// a firm chosen on add, the dimensions the checks want, OK or leaving.
void RandomRun::addTool()
{
    const ToolKind k = ToolKind(pick(0, 3));
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(k));
    const int variant = pick(0, 9);   // 0 cancel, 1 empty code, else stored
    const QString kod = QStringLiteral("RND-%1").arg(++m_serial);
    const int how = pick(0, 2);
    m_desc = QStringLiteral("add of %1 %2, variant %3").arg(toolKind(k).table, kod).arg(variant);
    m_touched << int(k);
    m_session->user.onModal([=, this](QDialog* d) {
        auto* e = qobject_cast<TToolEditor*>(d);
        if (!check(e, "not a tool editor"))
            return;
        const EditorLayout& l = editorLayout(k);
        if (auto* naim = d->findChild<QComboBox*>("dbcmbx_Naim"))
            typeKeys(naim->lineEdit(), QStringLiteral("Наименование ") + kod);
        auto* firm = d->findChild<QComboBox*>(l.firm);
        if (!check(firm && firm->count() > 0, "no firm to choose"))
            return;
        const int i = pick(0, firm->count() - 1);
        firm->setCurrentIndex(i);
        emit firm->activated(i);
        playEditor(d, e, l, kod, variant, how);
    });
    if (editorStored(variant)) {
        m_tables[size_t(k)].pending << QStringList{kod, "0", "0", "0"};
    }
    if (chance(50))
        QTest::mouseClick(frm_Main->findChild<QToolButton*>(editorLayout(k).addButton), Qt::LeftButton);
    else
        frm_Main->catalogueMenu(k).add->trigger();
}

void RandomRun::editTool()
{
    const ToolKind k = ToolKind(pick(0, 3));
    const qint64 id = chooseTool(k, pick(0, 1000));
    if (!id)
        return;
    const int variant = pick(0, 9);   // 0 cancel, 1 empty code, else stored
    const QString kod = QStringLiteral("ED-%1").arg(++m_serial);
    const int how = pick(0, 2);
    m_desc = QStringLiteral("edit of %1 %2 to %3, variant %4").arg(toolKind(k).table).arg(id).arg(kod).arg(variant);
    m_touched << int(k);
    m_session->user.onModal([=, this](QDialog* d) {
        auto* e = qobject_cast<TToolEditor*>(d);
        if (!check(e, "not a tool editor"))
            return;
        const EditorLayout& l = editorLayout(k);
        if (auto* naim = d->findChild<QComboBox*>("dbcmbx_Naim"); naim && naim->currentText().isEmpty())
            typeKeys(naim->lineEdit(), QStringLiteral("Наименование"));
        playEditor(d, e, l, kod, variant, how);
    });
    if (editorStored(variant)) {
        m_tables[size_t(k)].rows[id][0] = kod;
    }
    if (chance(50))
        QTest::keyClick(frm_Main->pageGrid(pageOf(k)), Qt::Key_Return);
    else
        frm_Main->catalogueMenu(k).edit->trigger();
}

void RandomRun::deleteTool()
{
    const ToolKind k = ToolKind(pick(0, 3));
    // Half of the time a tool added in this run, which may have no history.
    qint64 wanted = 0;
    if (chance(50))
        for (auto it = m_tables[size_t(k)].rows.begin(); it != m_tables[size_t(k)].rows.end(); ++it)
            if (it.value()[0].startsWith("RND-"))
                wanted = it.key();
    const qint64 id = chooseTool(k, pick(0, 1000), wanted);
    if (!id)
        return;
    const QStringList t = m_tables[size_t(k)].rows[id];
    const QString code = n(kindCodeOf(k)), tool = n(id);
    bool history = false;
    for (int h : {TPrihod, TSpisanie, THistory})
        for (const QStringList& r : std::as_const(m_tables[size_t(h)].rows))
            history = history || (r[0] == code && r[1] == tool);
    const bool yes = chance(70);
    m_desc = QStringLiteral("delete of %1 %2 (%3), answer %4").arg(toolKind(k).table).arg(id).arg(t.join('|')).arg(yes);
    m_touched << int(k);
    if (num(t, 1) != 0 || num(t, 2) != 0 || num(t, 3) != 0 || history) {
        expectBoxes({"*"});
        outcome(Refused);
    } else {
        expectBoxes({"*"});   // the question
        m_session->user.answer(yes);
        if (yes)
            m_tables[size_t(k)].rows.remove(id);
        else
            outcome(Cancelled);
    }
    if (chance(50))
        QTest::keyClick(frm_Main->pageGrid(pageOf(k)), Qt::Key_Delete);
    else
        frm_Main->catalogueMenu(k).del->trigger();
}

void RandomRun::addOperator()
{
    const int variant = pick(0, 9);   // 0 cancel, 1 no name, else stored
    const QString fio = QStringLiteral("Оператор %1").arg(++m_serial);
    const int how = pick(0, 2);
    m_desc = QStringLiteral("add of operator %1, variant %2").arg(fio).arg(variant);
    m_touched << TPeople;
    Session& s = *m_session;
    s.user.onModal([=, this, &s](QDialog*) {
        s.user.onModal([=, this](QDialog* d) {
            auto* e = qobject_cast<Tfrm_Edit_People*>(d);
            if (!check(e, "not the operator editor"))
                return;
            retype(e->dbed_FIO, variant == 1 ? QString() : fio);
            if (variant == 0) {
                leave(d, e->BitBtn2, how);
                return;
            }
            QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
            if (variant == 1) {
                check(e->isVisible(), "the refused operator editor closed");
                leave(d, e->BitBtn2, how);
            }
        });
        QTest::mouseClick(frm_People->spbt_People_New, Qt::LeftButton);
        frm_People->close();
    });
    if (variant == 0) {
        outcome(Cancelled);
    } else if (variant == 1) {
        expectBoxes({NoFio});
        outcome(Refused);
    } else {
        m_tables[TPeople].pending << QStringList{fio};
    }
    frm_Main->mm_Tabl_People->trigger();
}

void RandomRun::deleteOperator()
{
    const bool yes = chance(70);
    m_touched << TPeople;
    Session& s = *m_session;
    const int pos = pick(0, 1000);
    m_desc = QStringLiteral("delete of an operator, answer %1").arg(yes);
    s.user.onModal([=, this, &s](QDialog*) {
        RecordSet& people = DM->tbl_People;
        if (!check(people.recordCount() > 0, "no operators listed"))
            return;
        clickRow(frm_People->dbgr_People, pos % people.recordCount());
        const qint64 id = people.fieldByName("ID").asInteger();
        const QString who = n(id);
        int debts = 0, closed = 0;
        for (const QStringList& r : std::as_const(m_tables[TDolgi].rows))
            debts += r[2] == who;
        for (const QStringList& r : std::as_const(m_tables[THistory].rows))
            closed += r[2] == who;
        m_desc += QStringLiteral(" (operator %1: %2 debts, %3 closed)").arg(id).arg(debts).arg(closed);
        expectBoxes({"*"});   // the question
        s.user.answer(yes);
        if (!yes)
            outcome(Cancelled);
        else if (debts > 0 || closed > 0)
            expectBoxes({"*"}), outcome(Refused);
        else
            m_tables[TPeople].rows.remove(id);
        QTest::mouseClick(frm_People->spbt_People_Del, Qt::LeftButton);
        frm_People->close();
    });
    frm_Main->mm_Tabl_People->trigger();
}

void RandomRun::deleteHistoryRow()
{
    struct Window {
        THistoryForm* form;
        QAction* item;
        int table;
        const char* grid;
        const char* button;
    };
    const Window windows[] = {
        {frm_Prihod_Hist, frm_Main->mm_History_Prihod, TPrihod, "dbGrid_Prihod_History", "spbt_Prihod_Hist_Del"},
        {frm_Spisanie_Hist, frm_Main->mm_Spisanie_Hist, TSpisanie, "dbGrid_Spisanie_History", "spbt_Spisanie_Hist_Del"},
        {frm_Dolgi_History, frm_Main->mm_History_Dolg, THistory, "dbGrid_Dolgi_History", "spbt_Dolg_Hist_Del"},
    };
    const Window w = windows[pick(0, 2)];
    const bool yes = chance(70);
    const int pos = pick(0, 100000);
    m_touched << w.table;
    m_desc = QStringLiteral("delete of a row of %1, answer %2").arg(w.form->objectName()).arg(yes);
    m_session->user.onModal([=, this](QDialog*) {
        RecordSet& list = w.form->list();
        if (list.recordCount() > 0) {
            clickRow(w.form->findChild<DBGrid*>(w.grid), pos % list.recordCount());
            const qint64 id = list.fieldByName("ID").asInteger();
            m_desc += QStringLiteral(" (row %1)").arg(id);
            check(m_tables[size_t(w.table)].rows.contains(id), "a history row listed that is not in the file");
            expectBoxes({"*"});
            m_session->user.answer(yes);
            if (yes)
                m_tables[size_t(w.table)].rows.remove(id);
            else
                outcome(Cancelled);
        } else {
            outcome(Refused);
        }
        QTest::mouseClick(w.form->findChild<QToolButton*>(w.button), Qt::LeftButton);
        w.form->close();
    });
    w.item->trigger();
}
