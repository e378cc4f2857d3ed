// tooldb-check: reads a database and reports, one line each, every stock
// counter or reference that is wrong. It never writes to the file.
// Exit status: 0 all holds, 1 something is wrong, 2 the file cannot be read.
#include "Consistency.h"
#include "DbError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tooldb-check"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Проверяет базу данных склада инструмента, ничего в нее не записывая:\n"
        "остатки не меньше нуля, \"К-во долг\" равно сумме открытых долгов инструмента,\n"
        "закрытые долги возвращены полностью (или закрыты кодом 1: ничего не возвращено),\n"
        "долги и история ссылаются на существующие "
        "инструменты, операторов и виды, инструменты - на существующие фирмы,\n"
        "сам файл не поврежден (PRAGMA integrity_check). Базу данных на сервере PostgreSQL\n"
        "указывают ее адресом: postgresql://пользователь@сервер/база.\n"
        "Каждое нарушение - одна строка. Код выхода: 0 - нарушений нет, 1 - есть нарушения,\n"
        "2 - файл не удалось открыть как базу данных программы."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("PATH"),
                            QStringLiteral("Файл базы данных (например db_instr.db) или адрес базы данных на "
                                           "сервере PostgreSQL (postgresql://пользователь@сервер/база)."));
    p.process(app);
    const QStringList args = p.positionalArguments();
    if (args.size() != 1) {
        err << QStringLiteral("Укажите один файл базы данных. Справка: tooldb-check --help") << Qt::endl;
        return 2;
    }
    QStringList findings;
    try {
        findings = consistencyOfFile(args.first());
    } catch (const DbError& e) {
        err << QStringLiteral("Ошибка: %1").arg(e.message()) << Qt::endl;
        return 2;
    }
    for (const QString& f : findings)
        out << f << '\n';
    out.flush();
    if (findings.isEmpty()) {
        err << QStringLiteral("Нарушений нет: %1").arg(args.first()) << Qt::endl;
        return 0;
    }
    err << QStringLiteral("Нарушений: %1").arg(findings.size()) << Qt::endl;
    return 1;
}
