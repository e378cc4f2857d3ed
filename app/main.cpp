// tooldb: the tool storeroom database. Works on db_instr.db in the current
// folder and on the picture folders beside the executable.
#include "Program.h"

#include <QApplication>
#include <QLocale>
#include <QStyleFactory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Fusion paints the grids' title colours on every platform.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Numbers and dates are shown and read the Russian way whatever the machine's locale.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return Program::Run(Program::databaseFile());
}
