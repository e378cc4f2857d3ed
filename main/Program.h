#pragma once
// Start and end of the program: the database file, the windows created once
// in their fixed order, the message loop, and the windows destroyed at the end.
#include <QString>

namespace Program {

// The database file, looked up by its bare name in the current folder.
QString databaseFile();

// The file name of the settings that name the database.
inline constexpr const char* SettingsFileName = "tooldb.conf";
// The database to work on, the first of: `--database NAME` among the
// arguments; the setting `database=` in tooldb.conf in the user's
// configuration folder (configFolder/tooldb/); the same beside the program
// (programFolder); db_instr.db in the current folder. NAME is a file path
// or a server's libpq URI (postgresql://user@host/dbname?...). An empty
// result with `error` set: the arguments or a settings file are wrong.
QString databaseName(const QStringList& args, const QString& programFolder, const QString& configFolder,
                     QString* error);

// First run: when no file exists at path, or the server database named
// holds no table at all (its administrator has just made it), asks whether
// to create a new database there. For a missing file with the old program's
// db_instr.mdb beside it, first offers to move its data in
// (ImportOffer::offer). On Yes to creating, asks for the administrator's
// password twice and creates it. True once imported or created, or when
// nothing was missing; false when the program is to end (No, the password
// given up, the import failed, or the database could not be written). A
// server that cannot be reached is left to CreateWindows to report.
bool EnsureDatabase(const QString& path);

// Creates every window in its order: the main window, the login dialog, the
// data module on the database at path, then the dialogs. When the database
// cannot be opened, says so in an error box, leaves nothing created and
// returns false; the file is not touched.
bool CreateWindows(const QString& path);
// Destroys them, the last created first; the connection closes with the
// data module.
void DestroyWindows();

// Asks the run to replace the database with the copy at `copyPath` once the
// main window has closed, then to open it again with the login.
void requestRestore(const QString& copyPath);

// The whole run: the export folders older than a day removed, database,
// windows, the main window with its login, the message loop until the main
// window closes. Returns the exit code.
int Run(const QString& path);

} // namespace Program
