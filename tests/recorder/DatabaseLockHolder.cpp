// Another program that holds a project database: takes its write lock,
// prints "locked" and keeps the lock for the given time.
//   moravin-test-dblock <database> <milliseconds>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int holdMs = args.value(2).toInt(&ok);
    if (args.size() != 3 || !ok)
        return 2;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(args.at(1));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            return 3;
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return 4;
        std::puts("locked");
        std::fflush(stdout);
        QTimer::singleShot(holdMs, &app, &QCoreApplication::quit);
        app.exec();
        query.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    return 0;
}
