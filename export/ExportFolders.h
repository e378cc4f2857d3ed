#pragma once
// Where the workbooks of an export go: a new folder of the program's own
// naming under the system's temporary folder, one per export. The folders
// outlive the program (the spreadsheet program has the file).
#include <QString>

namespace ExportFolders {

// The system's temporary folder: $TMPDIR when it names a folder (by an
// absolute path) that can be written, else /tmp.
QString temporaryFolder();

// The name of a new export folder, its X's to be made unique (QTemporaryDir).
QString folderTemplate();

} // namespace ExportFolders
