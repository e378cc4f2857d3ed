#include "ReportTable.h"

#include "Dialogs.h"
#include "ExportFolders.h"
#include "ExportWorkbook.h"
#include "GridLook.h"
#include "RuFormat.h"
#include "TextCollate.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <algorithm>
#include <cerrno>
#include <xlsxwriter.h>

namespace reports {

namespace {

QDate dateOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    QDate d;
    if (ru::parseDate(v.toString(), &d))
        return d;
    return QDate::fromString(v.toString(), Qt::ISODate);
}

bool isEmpty(const QVariant& v) { return !v.isValid() || v.isNull(); }

QString csvField(const QString& s)
{
    const bool quote = s.contains(QLatin1Char(';')) || s.contains(QLatin1Char('"')) || s.contains(QLatin1Char('\n'))
        || s.contains(QLatin1Char('\r')) || (!s.isEmpty() && (s.front().isSpace() || s.back().isSpace()));
    if (!quote)
        return s;
    QString q = s;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// -1, 0, 1; empty cells before filled ones.
int compareCells(const Column& c, const QVariant& a, const QVariant& b)
{
    const bool ea = isEmpty(a), eb = isEmpty(b);
    if (ea || eb)
        return int(eb) - int(ea) == 0 ? 0 : (ea ? -1 : 1);
    switch (c.kind) {
    case Column::Integer: {
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case Column::Real: {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case Column::Date:
    case Column::Month: {
        const QDate x = dateOf(a), y = dateOf(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case Column::Text: break;
    }
    const int r = collateCompare(a.toString(), b.toString());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// A sheet name as spreadsheets allow it: at most 31 characters, none of []:*?/\ .
QString sheetName(const QString& title)
{
    QString s = title;
    for (QChar ch : QStringLiteral("[]:*?/\\"))
        s.replace(ch, QLatin1Char('_'));
    s = s.left(31).trimmed();
    return s.isEmpty() ? QStringLiteral("Лист1") : s;
}

} // namespace

QString cellText(const Column& c, const QVariant& v)
{
    if (isEmpty(v))
        return QString();
    switch (c.kind) {
    case Column::Integer: return QString::number(v.toLongLong());
    case Column::Real: return ru::formatFloat(v.toDouble());
    case Column::Date: return ru::formatDate(dateOf(v));
    case Column::Month: return dateOf(v).toString(QStringLiteral("MM.yyyy"));
    case Column::Text: break;
    }
    return v.toString();
}

QString csvText(const Table& t)
{
    QString out;
    QStringList fields;
    for (const Column& c : t.columns)
        fields << csvField(c.title);
    out += fields.join(QLatin1Char(';')) + QLatin1String("\r\n");
    for (const QVariantList& row : t.rows) {
        fields.clear();
        for (int i = 0; i < t.columns.size(); ++i)
            fields << csvField(cellText(t.columns[i], i < row.size() ? row[i] : QVariant()));
        out += fields.join(QLatin1Char(';')) + QLatin1String("\r\n");
    }
    return out;
}

bool writeXlsx(const Table& t, const QString& path, QString* error, const QImage* chart)
{
    auto fail = [&](lxw_error e, int sys) {
        if (error)
            *error = QStringLiteral("Файл \"%1\" не записан. %2")
                         .arg(QDir::toNativeSeparators(path), ExportWorkbook::errorText(int(e), sys));
        return false;
    };
    const QByteArray file = QDir::toNativeSeparators(path).toLocal8Bit();
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    errno = 0;
    lxw_workbook* wb = workbook_new_opt(file.constData(), &options);
    if (!wb)
        return fail(LXW_ERROR_MEMORY_MALLOC_FAILED, errno);

    lxw_format* titleFmt = workbook_add_format(wb);
    format_set_bold(titleFmt);
    format_set_font_size(titleFmt, 12);
    format_set_font_color(titleFmt, LXW_COLOR_BLUE);
    lxw_format* headerFmt = workbook_add_format(wb);
    format_set_bold(headerFmt);
    format_set_text_wrap(headerFmt);
    format_set_align(headerFmt, LXW_ALIGN_VERTICAL_TOP);
    lxw_format* textFmt = workbook_add_format(wb);
    format_set_num_format(textFmt, "@");
    lxw_format* intFmt = workbook_add_format(wb);
    format_set_num_format(intFmt, "0");
    lxw_format* realFmt = workbook_add_format(wb);
    format_set_num_format(realFmt, "General");
    lxw_format* dateFmt = workbook_add_format(wb);
    format_set_num_format(dateFmt, "dd.mm.yyyy");
    lxw_format* monthFmt = workbook_add_format(wb);
    format_set_num_format(monthFmt, "mm.yyyy");

    lxw_error e = LXW_NO_ERROR;
    auto check = [&](lxw_error r) {
        if (r != LXW_NO_ERROR && e == LXW_NO_ERROR)
            e = r;
    };
    const QByteArray sheet = sheetName(t.title).toUtf8();
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.constData());
    if (!ws) {
        workbook_close(wb);
        QFile::remove(path);
        return fail(LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
    }
    check(worksheet_write_string(ws, 0, 0, t.title.toUtf8().constData(), titleFmt));
    for (int i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        int width = int(c.title.size());
        for (const QVariantList& row : t.rows)
            width = std::max(width, int(cellText(c, i < row.size() ? row[i] : QVariant()).size()));
        check(worksheet_set_column(ws, lxw_col_t(i), lxw_col_t(i), std::min(60, width + 2), nullptr));
        check(worksheet_write_string(ws, 1, lxw_col_t(i), c.title.toUtf8().constData(), headerFmt));
    }
    lxw_row_t r = 2;
    for (const QVariantList& row : t.rows) {
        if (r >= LXW_ROW_MAX) {
            check(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
            break;
        }
        for (int i = 0; i < t.columns.size(); ++i) {
            const QVariant v = i < row.size() ? row[i] : QVariant();
            if (isEmpty(v))
                continue;
            const lxw_col_t col = lxw_col_t(i);
            switch (t.columns[i].kind) {
            case Column::Integer: check(worksheet_write_number(ws, r, col, double(v.toLongLong()), intFmt)); break;
            case Column::Real: check(worksheet_write_number(ws, r, col, v.toDouble(), realFmt)); break;
            case Column::Date:
            case Column::Month: {
                const QDate d = dateOf(v);
                if (d.isValid()) {
                    lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0.0};
                    check(worksheet_write_datetime(ws, r, col, &dt,
                                                   t.columns[i].kind == Column::Month ? monthFmt : dateFmt));
                }
                break;
            }
            case Column::Text:
                check(worksheet_write_string(ws, r, col, v.toString().toUtf8().constData(), textFmt));
                break;
            }
        }
        ++r;
    }
    QByteArray png;
    if (chart && !chart->isNull() && e == LXW_NO_ERROR) {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        chart->save(&buf, "PNG");
        lxw_worksheet* cs = workbook_add_worksheet(wb, "Диаграмма");
        if (!cs)
            check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        else
            check(worksheet_insert_image_buffer(cs, 0, 0, reinterpret_cast<const unsigned char*>(png.constData()),
                                                size_t(png.size())));
    }
    errno = 0;
    const lxw_error closed = workbook_close(wb);
    const int sys = errno;
    if (e != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        QFile::remove(path);
        return fail(e != LXW_NO_ERROR ? e : closed, e != LXW_NO_ERROR ? 0 : sys);
    }
    return true;
}

QString openAsWorkbook(QWidget* parent, const Table& t, const QImage* chart, const QString& tempFolder)
{
    const QString base = tempFolder.isEmpty() ? ExportFolders::temporaryFolder() : tempFolder;
    QTemporaryDir folder(QDir(base).filePath(ExportFolders::folderTemplate()));
    if (!folder.isValid()) {
        Dialogs::error(parent, QStringLiteral("Экспорт в EXCELL не выполнен.\nНе удалось создать папку для файла в "
                                              "\"%1\": %2")
                                   .arg(QDir::toNativeSeparators(base), folder.errorString()));
        return QString();
    }
    QString name = t.title;
    for (QChar ch : QStringLiteral("/\\:*?\"<>|"))
        name.replace(ch, QLatin1Char('_'));
    const QString path = folder.filePath(name.left(80) + QStringLiteral(".xlsx"));
    QString error;
    if (!writeXlsx(t, path, &error, chart)) {
        Dialogs::error(parent, QStringLiteral("Экспорт в EXCELL не выполнен.\n%1").arg(error));
        return QString();
    }
    folder.setAutoRemove(false);   // the spreadsheet program has the file now
    if (!Dialogs::openDocument(path))
        Dialogs::info(parent, QStringLiteral("Книга EXCELL записана в файл\n%1\n"
                                             "Программа, открывающая такие файлы, не найдена: откройте его вручную.")
                                  .arg(QDir::toNativeSeparators(path)));
    return path;
}

QString printHtml(const Table& t)
{
    QString h;
    h += QStringLiteral("<html><body style=\"font-size: 9pt\"><h3>%1</h3>").arg(t.title.toHtmlEscaped());
    h += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><thead><tr>");
    for (const Column& c : t.columns)
        h += QStringLiteral("<th>%1</th>").arg(c.title.toHtmlEscaped());
    h += QStringLiteral("</tr></thead><tbody>");
    for (const QVariantList& row : t.rows) {
        h += QStringLiteral("<tr>");
        for (int i = 0; i < t.columns.size(); ++i) {
            const Column& c = t.columns[i];
            const bool number = c.kind == Column::Integer || c.kind == Column::Real;
            h += QStringLiteral("<td%1>%2</td>")
                     .arg(number ? QStringLiteral(" align=\"right\"") : QString(),
                          cellText(c, i < row.size() ? row[i] : QVariant()).toHtmlEscaped());
        }
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</tbody></table>");
    h += QStringLiteral("<p>%1: %2</p>").arg(QStringLiteral("Строк"), QString::number(t.rows.size()));
    h += QStringLiteral("</body></html>");
    return h;
}

void printPreview(QWidget* parent, const Table& t, const QImage* chart)
{
    QPrinter printer(QPrinter::HighResolution);
    // A wide table across the page.
    if (t.columns.size() > 6)
        printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.resize(1000, 760);
    dialog.setObjectName(QStringLiteral("printPreview"));
    dialog.setWindowTitle(QStringLiteral("Просмотр печати: %1").arg(t.title));
    const QString html = printHtml(t);
    const QImage picture = chart ? *chart : QImage();
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [html, picture](QPrinter* printer) {
        // The table's pages, then the picture on a page of its own, scaled to
        // fit: all with one painter, since a second painter on the printer
        // would begin the document anew (the table lost).
        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(printer);
        doc.setHtml(html);
        const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
        doc.setPageSize(page.size());
        QPainter p(printer);
        if (!p.isActive())
            return;
        for (int i = 0; i < doc.pageCount(); ++i) {
            if (i > 0)
                printer->newPage();
            p.save();
            p.translate(0, -i * page.height());
            doc.drawContents(&p, QRectF(0, i * page.height(), page.width(), page.height()));
            p.restore();
        }
        if (!picture.isNull()) {
            printer->newPage();
            const QSize s = picture.size().scaled(page.size().toSize(), Qt::KeepAspectRatio);
            p.drawImage(QRect(QPoint(0, 0), s), picture);
        }
    });
    Dialogs::showModal(&dialog);
}

void sortRows(Table& t, int column)
{
    if (column < 0 || column >= t.columns.size())
        return;
    QList<int> keys{column};
    for (int i = 0; i < t.columns.size(); ++i)
        if (i != column)
            keys << i;
    std::stable_sort(t.rows.begin(), t.rows.end(), [&](const QVariantList& a, const QVariantList& b) {
        for (int k : keys) {
            const int r = compareCells(t.columns[k], k < a.size() ? a[k] : QVariant(), k < b.size() ? b[k] : QVariant());
            if (r != 0)
                return r < 0;
        }
        return false;
    });
}

TableModel::TableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TableModel::setTable(const Table& t)
{
    beginResetModel();
    m_table = t;
    if (m_sortColumn >= 0)
        sortRows(m_table, m_sortColumn);
    endResetModel();
}

int TableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_table.rows.size()); }

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_table.columns.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_table.rows.size() || index.column() >= m_table.columns.size())
        return {};
    const Column& c = m_table.columns[index.column()];
    const QVariantList& row = m_table.rows[index.row()];
    const QVariant v = index.column() < row.size() ? row[index.column()] : QVariant();
    if (role == Qt::DisplayRole)
        return cellText(c, v);
    if (role == Qt::TextAlignmentRole && (c.kind == Column::Integer || c.kind == Column::Real))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::BackgroundRole && orientation == Qt::Horizontal && section == m_sortColumn)
        return GridLook::sortMarkColor();   // the sort mark, as on the other grids
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_table.columns.size() ? m_table.columns[section].title : QString();
    return section + 1;
}

void TableModel::sort(int column, Qt::SortOrder)
{
    if (column < 0 || column >= m_table.columns.size())
        return;
    emit layoutAboutToBeChanged();
    m_sortColumn = column;
    sortRows(m_table, column);
    emit layoutChanged();
}

} // namespace reports
