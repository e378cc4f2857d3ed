#pragma once
// A seeded random run through the real windows: on a small sample database
// the scripted user plays the storekeeper step after step (issue, return,
// receipt, write-off, transfer to used, tool add/edit/delete, operator
// add/delete, history row delete), some steps refused and some cancelled,
// chosen at random. After every step the stock rules of the file hold, no
// box or dialog came unasked, no window is left modal, and the file holds
// what a model of the expected rows and counters says. The same seed plays
// the same run.
#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <random>

class QDialog;
class Session;
class TToolEditor;
struct EditorLayout;
enum class ToolKind;

class RandomRun {
public:
    enum Outcome { Stored, Refused, Cancelled };
    // Per kind of step: how many ended stored, refused and cancelled.
    using Figures = QMap<QString, std::array<int, 3>>;

    explicit RandomRun(quint32 seed);
    ~RandomRun();

    // The sample database, the windows and the login; false: failure().
    bool start();
    // One random step and its checks; false: failure() names the seed, the
    // step and what went wrong.
    bool step();
    // The whole model against the file, and the check of the whole file.
    bool finish();

    QString failure() const { return m_failure; }
    int stepsDone() const { return m_steps; }
    quint32 seed() const { return m_seed; }
    const Figures& figures() const { return m_figures; }
    // The figures as lines: one per kind of step, then the totals.
    QStringList report() const;

    // The seed and step count a run takes from TOOLDB_RANDOM_SEED and
    // TOOLDB_RANDOM_STEPS, with the defaults given.
    static quint32 seedFromEnv(quint32 fallback);
    static int stepsFromEnv(int fallback);

    struct Table;   // one table of the file as the model expects it

private:
    void runStep(int kind);
    // A tool of the kind's page made current by a click on row pos (modulo
    // the rows), or on the row of `wanted`; its counts on the page checked
    // against the model. 0: none.
    qint64 chooseTool(ToolKind k, int pos, qint64 wanted = 0);
    void issue();
    void giveBack();
    void receipt();
    void writeOff();
    void transfer();
    void addTool();
    void editTool();
    void deleteTool();
    void addOperator();
    void deleteOperator();
    void deleteHistoryRow();
    void playEditor(QDialog* d, TToolEditor* e, const EditorLayout& l, const QString& kod, int variant, int how);
    bool editorStored(int variant);

    // Checks recorded while a step runs: the first that fails is kept.
    bool check(bool ok, const QString& what);
    bool compare(int table);   // model against file, adopting the rows added
    int pick(int from, int to);   // uniform in [from, to]
    bool chance(int percent) { return pick(0, 99) < percent; }
    void expectBoxes(const QStringList& texts);   // "*" any text
    void outcome(Outcome o) { m_outcome = o; }

    quint32 m_seed;
    std::mt19937 m_rng;
    std::unique_ptr<Session> m_session;
    std::vector<Table> m_tables;
    QString m_failure, m_stepFailure, m_desc, m_note;
    QStringList m_expectedBoxes;
    QList<int> m_touched;
    Outcome m_outcome = Stored;
    QString m_kindName;
    int m_steps = 0;
    int m_serial = 0;
    Figures m_figures;
    QElapsedTimer m_clock;
};
