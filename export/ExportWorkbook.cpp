#include "ExportWorkbook.h"

#include "RecordSet.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <xlsxwriter.h>

namespace {

// Why libxlsxwriter failed, in the user's words; with the system's reason
// when it left one.
QString reason(int lxwError, int sysErrno)
{
    QString r;
    switch (lxwError) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: r = QStringLiteral("Недостаточно памяти."); break;
    case LXW_ERROR_CREATING_XLSX_FILE:
        r = QStringLiteral("Файл не удалось создать: папка недоступна для записи или не существует.");
        break;
    case LXW_ERROR_CREATING_TMPFILE: r = QStringLiteral("Не удалось создать временный файл."); break;
    case LXW_ERROR_READING_TMPFILE: r = QStringLiteral("Не удалось прочитать временный файл."); break;
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        r = QStringLiteral("Ошибка записи файла (возможно, на диске нет места).");
        break;
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        r = QStringLiteral("Записей больше, чем строк в листе EXCELL.");
        break;
    default: r = QString::fromUtf8(lxw_strerror(lxw_error(lxwError))); break;
    }
    if (sysErrno != 0)
        r += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(sysErrno)));
    return r;
}

// A UTF-8 text that lives as long as the object, for the C interface.
struct Utf8 {
    explicit Utf8(const QString& s) : bytes(s.toUtf8()) {}
    const char* c() const { return bytes.constData(); }
    QByteArray bytes;
};

} // namespace

QString ExportWorkbook::errorText(int lxwError, int sysErrno) { return reason(lxwError, sysErrno); }

QString ExportWorkbook::titleText() { return QStringLiteral("БД Инструмента"); }

QString ExportWorkbook::generatorText()
{
    return QStringLiteral("Сгенерирован программой \"БД Инструмента. ПР.Ольмар\" версия 0.0.0. Разработчик Кордел");
}

const char* ExportWorkbook::dataFontName() { return "Microsoft Sans Serif"; }

int ExportWorkbook::recordProgress(int k, int n)
{
    // Rounded half to even, as the default rounding mode does.
    return int(std::nearbyint(double(k) * 100.0 / double(n) - 1.0)) + 5;
}

ExportWorkbook::ExportWorkbook(const QString& path, const QString& tempFolder)
    : m_path(path), m_tempFolder(QDir::toNativeSeparators(tempFolder).toLocal8Bit())
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;   // rows go to a temporary file as they are written
    options.tmpdir = m_tempFolder.isEmpty() ? nullptr : m_tempFolder.data();
    options.use_zip64 = LXW_FALSE;
    const QByteArray file = QDir::toNativeSeparators(path).toLocal8Bit();
    errno = 0;
    m_wb = workbook_new_opt(file.constData(), &options);
    if (!m_wb) {
        fail(QString(), LXW_ERROR_MEMORY_MALLOC_FAILED);
        return;
    }
    // The spreadsheet colour value 16711680 (blue, green, red from the top
    // byte down) is pure blue.
    m_title = format(true, 12, true, nullptr, false);
    m_titleText = format(true, 12, true, nullptr, true);
    m_header = format(true, 12, false, nullptr, false);
    m_headerText = format(true, 12, false, nullptr, true);
    m_data = format(false, 10, false, dataFontName(), false);
    m_dataText = format(false, 10, false, dataFontName(), true);
    m_columnText = workbook_add_format(m_wb);
    if (m_columnText)
        format_set_num_format(m_columnText, "@");
    if (!m_title || !m_titleText || !m_header || !m_headerText || !m_data || !m_dataText || !m_columnText)
        fail(QString(), LXW_ERROR_MEMORY_MALLOC_FAILED);
}

ExportWorkbook::~ExportWorkbook()
{
    if (m_wb) {
        // Given up: write nothing behind the caller's back, but free the
        // workbook; libxlsxwriter can only do that by closing it.
        workbook_close(m_wb);
        m_wb = nullptr;
        QFile::remove(m_path);
    }
}

lxw_format* ExportWorkbook::format(bool bold, double size, bool blue, const char* fontName, bool text)
{
    lxw_format* f = workbook_add_format(m_wb);
    if (!f)
        return nullptr;
    if (bold)
        format_set_bold(f);
    format_set_font_size(f, size);
    if (blue)
        format_set_font_color(f, LXW_COLOR_BLUE);
    if (fontName)
        format_set_font_name(f, fontName);
    if (text)
        format_set_num_format(f, "@");
    return f;
}

bool ExportWorkbook::fail(const QString& what, int lxwError)
{
    const int sys = errno;
    if (m_error.isEmpty())
        m_error = what.isEmpty() ? reason(lxwError, sys) : what + QLatin1Char(' ') + reason(lxwError, sys);
    return false;
}

bool ExportWorkbook::addPage(const RecordSet& rs, const QString& sheetName, const Progress& progress)
{
    if (!m_wb || !m_error.isEmpty())
        return false;
    errno = 0;
    const Utf8 name(sheetName);
    lxw_worksheet* ws = workbook_add_worksheet(m_wb, name.c());
    if (!ws)
        return fail(QStringLiteral("Лист \"%1\" не удалось создать.").arg(sheetName), LXW_ERROR_CREATING_TMPFILE);

    const int n = rs.isOpen() ? rs.fieldCount() : 0;
    const int records = rs.isOpen() ? rs.recordCount() : 0;
    std::vector<int> shown;   // positions of the visible fields after the first
    for (int i = 1; i < n; ++i)
        if (rs.fieldDef(i).visible)
            shown.push_back(i);

    lxw_error e = LXW_NO_ERROR;
    auto check = [&](lxw_error r) {
        if (r != LXW_NO_ERROR && e == LXW_NO_ERROR)
            e = r;
    };
    // Columns of the visible fields: width and text format; row 2 their labels.
    for (int i : shown)
        check(worksheet_set_column(ws, lxw_col_t(i), lxw_col_t(i), rs.fieldDef(i).displayWidth(), m_columnText));
    auto visibleAt = [&](int col) { return col < n && col > 0 && rs.fieldDef(col).visible; };

    check(worksheet_set_row(ws, 0, LXW_DEF_ROW_HEIGHT, m_title));
    const Utf8 title(titleText()), generator(generatorText());
    check(worksheet_write_string(ws, 0, 1, title.c(), visibleAt(1) ? m_titleText : m_title));
    check(worksheet_write_string(ws, 0, 3, generator.c(), visibleAt(3) ? m_titleText : m_title));

    check(worksheet_set_row(ws, 1, LXW_DEF_ROW_HEIGHT, m_header));
    for (int i : shown) {
        const Utf8 label(rs.fieldDef(i).displayLabel());
        check(worksheet_write_string(ws, 1, lxw_col_t(i), label.c(), m_headerText));
    }
    if (e != LXW_NO_ERROR)
        return fail(QStringLiteral("Лист \"%1\" не удалось записать.").arg(sheetName), e);
    if (progress) {
        progress(7);
        progress(10);
    }

    // One row per record from row 4.
    int last = 10;
    QByteArray text;
    for (int k = 1; k <= records; ++k) {
        const lxw_row_t row = lxw_row_t(k + 2);
        check(worksheet_set_row(ws, row, LXW_DEF_ROW_HEIGHT, m_data));
        check(worksheet_write_number(ws, row, 0, k, m_data));
        const int pos = k - 1;
        for (int i : shown) {
            text = rs.textAt(pos, i).toUtf8();
            check(worksheet_write_string(ws, row, lxw_col_t(i), text.constData(), m_dataText));
        }
        if (e != LXW_NO_ERROR)
            return fail(QStringLiteral("Лист \"%1\" не удалось записать.").arg(sheetName), e);
        const int p = recordProgress(k, records);
        if (progress && p >= 10 && p != last) {
            last = p;
            progress(p);
        }
    }
    return true;
}

bool ExportWorkbook::close()
{
    if (!m_wb)
        return false;
    lxw_workbook* wb = m_wb;
    m_wb = nullptr;
    errno = 0;
    const lxw_error e = workbook_close(wb);
    if (!m_error.isEmpty() || e != LXW_NO_ERROR) {
        if (e != LXW_NO_ERROR)
            fail(QString(), e);
        QFile::remove(m_path);
        return false;
    }
    return true;
}
