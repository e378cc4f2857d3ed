// tooldb-copy: copies a whole storeroom from one database to another — the
// file to a server when the storeroom moves onto one, a server to a file
// (a copy to take home), or a file to a new file. The destination must hold
// no data; the copy is checked before it is reported done.
// Exit status: 0 copied and checked, 1 nothing copied (the reason printed),
// 2 a bad command line.
#include "CopyDatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tooldb-copy"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Копирует базу данных склада инструмента целиком: файл на сервер PostgreSQL (переезд\n"
        "на сервер), сервер в файл или файл в новый файл. База назначения должна быть пустой:\n"
        "новый файл или база на сервере без данных. Все таблицы копируются с их ключами в одной\n"
        "транзакции, затем копия проверяется (число строк каждой таблицы, проверка остатков).\n"
        "Сервер указывается адресом libpq: postgresql://пользователь@сервер/база?sslmode=...\n"
        "(пароль - из ~/.pgpass). Код выхода: 0 - скопировано, 1 - ничего не скопировано."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("Откуда: файл или адрес сервера."));
    p.addPositionalArgument(QStringLiteral("DESTINATION"), QStringLiteral("Куда: новый файл или пустая база."));
    p.process(app);
    const QStringList args = p.positionalArguments();
    if (args.size() != 2) {
        err << QStringLiteral("Укажите, откуда и куда копировать. Справка: tooldb-copy --help") << Qt::endl;
        return 2;
    }
    const CopyOutcome r = copyDatabase(args[0], args[1], [&](qint64 done, qint64 total) {
        err << QStringLiteral("\r  скопировано строк: %1 из %2").arg(done).arg(total) << Qt::flush;
    });
    err << Qt::endl;
    for (const QString& line : r.lines)
        out << line << Qt::endl;
    if (!r.ok) {
        err << QStringLiteral("Ничего не скопировано: %1").arg(r.error) << Qt::endl;
        return 1;
    }
    return 0;
}
