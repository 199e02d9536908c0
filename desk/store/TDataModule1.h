#pragma once
// The data module: owns the desk's one database connection to "db.sqlite" in
// the data folder (SQLite through Qt SQL, WAL journal, busy timeout).
//
// A missing (or empty) file is created with the four tables MJVisiter,
// MJVisiterImg, MJAccount, MJSettings, the account admin / 582 and a starting
// list of visit reasons. A file that exists but is not a database (or cannot
// be opened) is reported through the reporter and left untouched: every store
// operation then reports the same error and returns its failure result.
//
// One instance at a time is "current"; the store functions use it. The
// desk is single-threaded: use it from the thread that made it.
#include <QSqlDatabase>
#include <QString>

namespace vondrel {

class TDataModule1 {
public:
    // Data folder filesFolder(): "db.sqlite" there, picture copies in "temp/".
    TDataModule1();
    // Any data folder (tests, tools): <dataFolder>/db.sqlite, <dataFolder>/temp/.
    explicit TDataModule1(const QString &dataFolder);
    ~TDataModule1();
    TDataModule1(const TDataModule1 &) = delete;
    TDataModule1 &operator=(const TDataModule1 &) = delete;

    // The current data module, or nullptr.
    static TDataModule1 *instance();

    bool isOpen() const { return m_open; }
    // The message shown when opening failed (empty when open).
    QString openError() const { return m_openError; }
    QString dbPath() const { return m_dbPath; }
    QString dataFolder() const { return m_dataFolder; }
    // Where picture copies are written: <data folder>/temp/ (ends in "/").
    QString tempFolder() const { return m_dataFolder + QStringLiteral("temp/"); }

    // The one connection every store operation uses.
    QSqlDatabase ADOConnection_update() const;
    QString connectionName() const { return m_connectionName; }

    // Version of the schema this build creates and expects.
    static constexpr int schemaVersion = 1;

private:
    void open();
    bool createSchema(QSqlDatabase &db);
    bool checkSchema(QSqlDatabase &db);

    QString m_dataFolder;
    QString m_dbPath;
    QString m_connectionName;
    QString m_openError;
    bool m_open = false;
    TDataModule1 *m_previous = nullptr;
};

} // namespace vondrel
