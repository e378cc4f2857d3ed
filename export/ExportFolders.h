#pragma once
// Where the workbooks of an export go: a new folder of the program's own
// naming under the system's temporary folder, one per export. The folders
// outlive the program (the spreadsheet program has the file); those older
// than a day are removed when the program starts.
#include <QString>

namespace ExportFolders {

// The system's temporary folder: $TMPDIR when it names a folder (by an
// absolute path) that can be written, else /tmp.
QString temporaryFolder();

// The name of a new export folder, its X's to be made unique (QTemporaryDir).
QString folderTemplate();
// Whether a name is one the program gives its export folders.
bool isExportFolderName(const QString& name);

// Removes the export folders directly under base that are the program's
// own (by name, a folder of this user, not a link) and where nothing
// changed for a day (the folder or a file in it); returns how many. What
// cannot be removed is left quietly.
int removeOld(const QString& base);

} // namespace ExportFolders
