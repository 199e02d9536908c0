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

    // Version of the schema this build works with. A new file is made at
    // the first version and then brought up like an older file is.
    static constexpr int schemaVersion = 2;
    static constexpr int firstSchemaVersion = 1;

    // The version the file is at after opening (schemaVersion once every
    // step ran); 0 when not open.
    int fileSchemaVersion() const { return m_fileVersion; }
    // Why the file could not be brought up to schemaVersion (read-only file,
    // full disk, locked); empty when it was. The old data stays readable,
    // only the newer tables (operation log, watchlist) are missing.
    QString upgradeError() const { return m_upgradeError; }
    // Operation log and watchlist tables exist (version 2 steps ran).
    bool hasPrivacyTables() const { return m_open && m_fileVersion >= 2; }
    // Opened for reading only (see openReadOnly); upgradeError() says why.
    bool isReadOnly() const { return m_readOnly; }

private:
    void open();
    bool createSchema(QSqlDatabase &db);
    bool checkSchema(QSqlDatabase &db);
    // The version steps after the first version (SchemaUpgrade.cpp): each
    // adds tables in its own transaction and never touches the four visit
    // tables. A step that cannot run leaves the file as it was.
    void upgradeSchema(QSqlDatabase &db);
    // A file of ours that cannot be opened for writing (read-only file
    // system, full disk) is opened for reading only, so its visits can
    // still be listed; saving then fails with the driver's message.
    bool openReadOnly();
    // Set when the file's tables are not those of the desk (a table or column
    // missing, a newer version): it is then not even opened for reading.
    bool m_schemaRefused = false;

    QString m_dataFolder;
    QString m_dbPath;
    QString m_connectionName;
    QString m_openError;
    bool m_open = false;
    int m_fileVersion = 0;
    bool m_readOnly = false;
    QString m_upgradeError;
    TDataModule1 *m_previous = nullptr;
};

} // namespace vondrel
