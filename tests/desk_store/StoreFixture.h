#pragma once
// A fresh data folder with its own database for each test; messages are
// recorded instead of shown.
#include "Reporter.h"
#include "Store.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(tempFolder()));
        dm = std::make_unique<vondrel::TDataModule1>(dir.path());
        ASSERT_TRUE(dm->isOpen()) << dm->openError().toStdString();
        ASSERT_TRUE(reporter.messages.isEmpty());
    }
    void TearDown() override { dm.reset(); }

    QString dataFolder() const { return dir.path() + QStringLiteral("/"); }
    QString tempFolder() const { return dataFolder() + QStringLiteral("temp/"); }
    QString dbPath() const { return dataFolder() + QStringLiteral("db.sqlite"); }

    // One value straight from the database, bypassing the store.
    QVariant scalar(const QString &sql, const QVariantList &params = {})
    {
        QSqlQuery q(dm->ADOConnection_update());
        EXPECT_TRUE(q.prepare(sql)) << sql.toStdString();
        for (const QVariant &v : params)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << sql.toStdString();
        return q.next() ? q.value(0) : QVariant();
    }

    QTemporaryDir dir;
    vondrel::RecordingReporter reporter;
    vondrel::ScopedReporter scoped{&reporter};
    std::unique_ptr<vondrel::TDataModule1> dm;
};
