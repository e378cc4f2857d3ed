#include "frm_ExportToExcell_Unit.h"

#include "DbError.h"
#include "Dialogs.h"
#include "ExportFolders.h"
#include "ExportWorkbook.h"
#include "HideWhileShown.h"
#include "RecordSet.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

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

// A page's current record (by its ID) and its grid's scroll position, put
// back when this ends: writing the rows leaves the person where they were.
class KeepPosition {
public:
    explicit KeepPosition(const Tfrm_ExportToExcell::Page& page)
        : m_rs(page.recordSet), m_grid(qobject_cast<QAbstractScrollArea*>(page.grid))
    {
        if (m_rs && m_rs->isOpen() && !m_rs->isEmpty()) {
            m_recNo = m_rs->recNo();
            m_id = currentId();
        }
        if (m_grid) {
            m_x = m_grid->horizontalScrollBar()->value();
            m_y = m_grid->verticalScrollBar()->value();
        }
    }
    ~KeepPosition()
    {
        try {
            if (m_rs && m_rs->isOpen() && !m_rs->isEmpty() && m_recNo > 0) {
                if (m_id > 0) {
                    if (currentId() != m_id)
                        m_rs->locate(QStringLiteral("ID"), m_id);
                } else if (m_rs->recNo() != m_recNo && m_recNo <= m_rs->recordCount()) {
                    m_rs->setRecNo(m_recNo);
                }
            }
        } catch (const DbError&) {
            // The rows as they are: nothing to put back.
        }
        if (m_grid) {
            m_grid->horizontalScrollBar()->setValue(m_x);
            m_grid->verticalScrollBar()->setValue(m_y);
        }
    }
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;

private:
    int currentId() const
    {
        const int f = m_rs->fieldIndex(QStringLiteral("ID"));
        return f >= 0 && !m_rs->isEmpty() ? m_rs->field(f).asInteger() : 0;
    }

    RecordSet* m_rs;
    QPointer<QAbstractScrollArea> m_grid;
    int m_recNo = 0;
    int m_id = 0;
    int m_x = 0, m_y = 0;
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
        std::vector<std::unique_ptr<KeepPosition>> places;
        for (const Page& page : pages)
            places.push_back(std::make_unique<KeepPosition>(page));
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
    const QString base = TempFolder.isEmpty() ? ExportFolders::temporaryFolder() : TempFolder;
    QTemporaryDir folder(QDir(base).filePath(ExportFolders::folderTemplate()));
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
        // The rows are read by position: the current row stays where it is.
        if (!book.addPage(*page.recordSet, page.sheetName, progress)) {
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
