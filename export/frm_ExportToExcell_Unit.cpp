#include "frm_ExportToExcell_Unit.h"

#include "Dialogs.h"
#include "ExportWorkbook.h"
#include "HideWhileShown.h"
#include "RecordSet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <exception>

Tfrm_ExportToExcell* frm_ExportToExcell = nullptr;

namespace {

// The busy cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// A widget keeps its place in its layout while hidden, for as long as this
// lives: the panels around a hidden grid stay where they are.
class KeepPlace {
public:
    explicit KeepPlace(QWidget* w) : m_w(w)
    {
        if (!m_w)
            return;
        m_old = m_w->sizePolicy();
        QSizePolicy p = m_old;
        p.setRetainSizeWhenHidden(true);
        m_w->setSizePolicy(p);
    }
    ~KeepPlace()
    {
        if (m_w)
            m_w->setSizePolicy(m_old);
    }
    KeepPlace(const KeepPlace&) = delete;
    KeepPlace& operator=(const KeepPlace&) = delete;

private:
    QPointer<QWidget> m_w;
    QSizePolicy m_old;
};

} // namespace

Tfrm_ExportToExcell::Tfrm_ExportToExcell(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_ExportToExcell"));
    setWindowTitle(QStringLiteral("Экспорт в EXCELL"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);
    setFixedSize(505, 81);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setOrientation(Qt::Horizontal);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->setTextVisible(true);
    Gauge1->setFormat(QStringLiteral("%p%"));
    Gauge1->setAlignment(Qt::AlignCenter);
    Gauge1->setGeometry(16, 20, 473, 41);
}

void Tfrm_ExportToExcell::SetProgress(int progress)
{
    m_progress = progress;
    const int shown = std::clamp(progress, 0, 100);
    if (Gauge1->value() == shown)
        return;
    Gauge1->setValue(shown);
    // One thread does everything: let the window paint its new value, but
    // take no input while the export runs.
    if (isVisible())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Tfrm_ExportToExcell::showProgress()
{
    if (const QScreen* screen = QApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    m_progress = 0;
    Gauge1->setValue(0);
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Tfrm_ExportToExcell::closeEvent(QCloseEvent* e)
{
    // The window goes away when the export is over, not before.
    if (m_running)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

void Tfrm_ExportToExcell::keyPressEvent(QKeyEvent* e)
{
    if (m_running && e->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(e);
}

QString Tfrm_ExportToExcell::ExportToExcell(const QList<Page>& pages, const QString& bookName)
{
    QString path, error;
    {
        BusyCursor busy;
        struct Running {
            Tfrm_ExportToExcell* w;
            explicit Running(Tfrm_ExportToExcell* f) : w(f)
            {
                w->m_running = true;
                w->showProgress();
            }
            ~Running()
            {
                w->m_running = false;
                w->hide();
            }
        } running(this);
        SetProgress(1);
        try {
            path = writeWorkbook(pages, bookName, &error);
        } catch (const std::exception& e) {
            path.clear();
            error = QString::fromLocal8Bit(e.what());
        }
    }
    QWidget* owner = parentWidget();
    if (path.isEmpty()) {
        Dialogs::error(owner, QStringLiteral("Экспорт в EXCELL не выполнен.\n%1").arg(error));
        return QString();
    }
    if (!Dialogs::openDocument(path))
        Dialogs::info(owner, QStringLiteral("Книга EXCELL записана в файл\n%1\n"
                                            "Программа, открывающая такие файлы, не найдена: откройте его вручную.")
                                 .arg(QDir::toNativeSeparators(path)));
    return path;
}

QString Tfrm_ExportToExcell::writeWorkbook(const QList<Page>& pages, const QString& bookName, QString* error)
{
    const QString base = TempFolder.isEmpty() ? QDir::tempPath() : TempFolder;
    QTemporaryDir folder(QDir(base).filePath(QStringLiteral("tooldb-export-XXXXXX")));
    if (!folder.isValid()) {
        *error = QStringLiteral("Не удалось создать папку для файла в \"%1\": %2")
                     .arg(QDir::toNativeSeparators(base), folder.errorString());
        return QString();
    }
    const QString path = folder.filePath(bookName + QStringLiteral(".xlsx"));
    ExportWorkbook book(path, folder.path());
    SetProgress(3);

    const int count = int(pages.size());
    for (int j = 0; j < count; ++j) {
        const Page& page = pages[j];
        KeepPlace place(page.grid);
        HideWhileShown hidden(page.grid);
        // Several pages share the gauge, each its own stretch of it.
        const auto progress = [&](int p) {
            if (count == 1)
                SetProgress(p);
            else
                SetProgress(std::max(m_progress, (100 * j + std::clamp(p, 0, 100)) / count));
        };
        const bool written = book.addPage(*page.recordSet, page.sheetName, progress);
        // The rows were read where they stand; the last one ends current,
        // as after walking them, and the page's detail panel follows it.
        if (page.recordSet->isOpen() && !page.recordSet->isEmpty())
            page.recordSet->last();
        if (!written) {
            *error = book.error();
            return QString();
        }
    }
    if (!book.close()) {
        *error = QStringLiteral("Файл \"%1\" не записан. %2").arg(QDir::toNativeSeparators(path), book.error());
        return QString();
    }
    folder.setAutoRemove(false);   // the file outlives the program: the spreadsheet program has it now
    return path;
}
