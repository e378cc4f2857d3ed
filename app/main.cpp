// tooldb: the tool storeroom database. Works on db_instr.db in the current
// folder, or on the database named by --database or a settings file (see
// Program::databaseName), and on the picture folders beside the executable.
#include "Dialogs.h"
#include "Program.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <QStyleFactory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Fusion paints the grids' title colours on every platform.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Numbers and dates are shown and read the Russian way whatever the machine's locale.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QString error;
    const QString name = Program::databaseName(
        QApplication::arguments(), programFolder(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), &error);
    if (name.isEmpty()) {
        Dialogs::error(nullptr, error);
        return 2;
    }
    return Program::Run(name);
}
