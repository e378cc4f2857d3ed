#include "frm_Import_Unit.h"

#include "Dialogs.h"
#include "Import.h"
#include "ProgramFolder.h"
#include "RuFormat.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QWindow>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString Title = QStringLiteral("Перенос данных");
}

Tfrm_Import::Tfrm_Import(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_Import"));
    setWindowTitle(Title);
    auto* lay = new QVBoxLayout(this);
    lbl_What = new QLabel(this);
    lbl_What->setObjectName(QStringLiteral("lbl_What"));
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 100);
    Gauge1->setMinimumWidth(420);
    bbtn_Cancel = new QPushButton(QStringLiteral("Прервать"), this);
    bbtn_Cancel->setObjectName(QStringLiteral("bbtn_Cancel"));
    connect(bbtn_Cancel, &QPushButton::clicked, this, [this] { m_stop = true; });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtn_Cancel);
    lay->addWidget(lbl_What);
    lay->addWidget(Gauge1);
    lay->addLayout(buttons);
}

bool Tfrm_Import::SetProgress(qint64 done, qint64 total)
{
    Gauge1->setValue(total > 0 ? int(std::min<qint64>(100, done * 100 / total)) : 0);
    QCoreApplication::processEvents();
    return !m_stop;
}

void Tfrm_Import::closeEvent(QCloseEvent* e)
{
    // Closing the window while rows come in asks to stop.
    m_stop = true;
    e->ignore();
}

void Tfrm_Import::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        m_stop = true;
        return;
    }
    QDialog::keyPressEvent(e);
}

Tfrm_Import_Report::Tfrm_Import_Report(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_Import_Report"));
    setWindowTitle(QStringLiteral("Перенос данных: отчет"));
    auto* lay = new QVBoxLayout(this);
    lbl_Result = new QLabel(this);
    lbl_Result->setObjectName(QStringLiteral("lbl_Result"));
    lbl_Result->setWordWrap(true);
    mem_Report = new QPlainTextEdit(this);
    mem_Report->setObjectName(QStringLiteral("mem_Report"));
    mem_Report->setReadOnly(true);
    mem_Report->setLineWrapMode(QPlainTextEdit::NoWrap);
    mem_Report->setMinimumSize(760, 420);
    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    connect(bbtn_OK, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtn_OK);
    lay->addWidget(lbl_Result);
    lay->addWidget(mem_Report, 1);
    lay->addLayout(buttons);
}

void Tfrm_Import_Report::SetReport(const QStringList& lines, int findings)
{
    lbl_Result->setText(findings == 0
                            ? QStringLiteral("Данные перенесены. Проверка нарушений не нашла.")
                            : QStringLiteral("Данные перенесены без изменений. Проверка нашла нарушений: %1 — они "
                                             "перечислены ниже; исправьте их в программе, где нужно.")
                                  .arg(findings));
    mem_Report->setPlainText(lines.join(QLatin1Char('\n')));
}

namespace ImportOffer {

QString question(const QString& oldFile)
{
    return QStringLiteral("Перенести данные из %1?").arg(QFileInfo(oldFile).fileName());
}

Result offer(const QString& databaseFile)
{
    const QFileInfo fi(databaseFile);
    if (fi.exists() || fi.isSymLink())
        return Result::NotOffered;
    const QString old = oldDatabaseBeside(databaseFile);
    if (old.isEmpty())
        return Result::NotOffered;
    if (!Dialogs::ask(nullptr, Title, question(old)))
        return Result::Declined;

    Tfrm_Import progress;
    progress.lbl_What->setText(QStringLiteral("Перенос данных из \"%1\" в \"%2\"…")
                                   .arg(QDir::toNativeSeparators(old), QDir::toNativeSeparators(fi.absoluteFilePath())));
    progress.show();
    // The window is on the screen before the work starts (a short while at most).
    QElapsedTimer shown;
    shown.start();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    while (!(progress.windowHandle() && progress.windowHandle()->isExposed()) && shown.elapsed() < 500);
    progress.repaint();
    ImportOptions o;
    // The old program kept its pictures under Images\ beside its file.
    o.oldProgramFolder = QFileInfo(old).absolutePath();
    o.programFolder = programFolder();
    o.progress = [&](qint64 done, qint64 total) { return progress.SetProgress(done, total); };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ImportOutcome r = importOldDatabase(old, databaseFile, o);
    QApplication::restoreOverrideCursor();
    progress.hide();
    if (!r.ok) {
        Dialogs::error(nullptr, r.stopped ? r.error : QStringLiteral("Данные не перенесены: %1").arg(r.error));
        return Result::Failed;
    }
    Tfrm_Import_Report report;
    QStringList lines = r.lines;
    lines << QStringLiteral("Время переноса: %1 с").arg(ru::locale().toString(r.seconds, 'f', 2));
    report.SetReport(lines, int(r.findings.size()));
    Dialogs::showModal(&report);
    return Result::Imported;
}

} // namespace ImportOffer
