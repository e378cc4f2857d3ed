#pragma once
// A spreadsheet workbook written straight to an .xlsx file: one sheet per
// exported page, each in the export's layout (title line, header row, one
// row per record), written row by row so that memory stays flat however
// large the page. Links no widgets.
#include <QString>
#include <functional>

class RecordSet;
struct lxw_workbook;
struct lxw_format;

class ExportWorkbook {
public:
    // Progress of a sheet: 7 and 10 once the title and header rows are
    // written, then (k * 100 / N - 1, rounded half to even) + 5 after the
    // k-th of N records whenever that is at least 10, so 104 after the last.
    using Progress = std::function<void(int)>;

    // Starts a workbook that close() writes to path. Its temporary files go
    // into tempFolder (the system's temporary folder when empty).
    explicit ExportWorkbook(const QString& path, const QString& tempFolder = QString());
    ~ExportWorkbook();
    ExportWorkbook(const ExportWorkbook&) = delete;
    ExportWorkbook& operator=(const ExportWorkbook&) = delete;

    // Adds a sheet named sheetName with the rows of rs that pass its filter,
    // in its current order. Column i + 1 belongs to field i: column 1 holds
    // the running number, hidden fields leave their columns empty. Reads the
    // rows by position: the current row does not move. False on failure
    // (error() says why); the workbook is then of no further use.
    bool addPage(const RecordSet& rs, const QString& sheetName, const Progress& progress = {});

    // Writes the file. False on failure, with error() saying why.
    bool close();

    QString path() const { return m_path; }
    QString error() const { return m_error; }

    // The progress after the k-th of n records.
    static int recordProgress(int k, int n);

    // Why libxlsxwriter failed (its error code and errno), in the user's words.
    static QString errorText(int lxwError, int sysErrno);

    // The texts of row 1 and the sheet's formats.
    static QString titleText();     // cell (1, 2)
    static QString generatorText(); // cell (1, 4)
    static const char* dataFontName();

private:
    bool fail(const QString& what, int lxwError);
    lxw_format* format(bool bold, double size, bool blue, const char* fontName, bool text);

    QString m_path;
    QByteArray m_tempFolder;
    lxw_workbook* m_wb = nullptr;
    QString m_error;
    // Formats: the title row, the header row and the record rows, each
    // without and with the text number format; the text format of columns.
    lxw_format* m_title = nullptr;
    lxw_format* m_titleText = nullptr;
    lxw_format* m_header = nullptr;
    lxw_format* m_headerText = nullptr;
    lxw_format* m_data = nullptr;
    lxw_format* m_dataText = nullptr;
    lxw_format* m_columnText = nullptr;
};
