#pragma once
// Shared helpers of the camera settings tests: a temp user folder and small
// file helpers.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvel::test {

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((quint32(v) >> (8 * i)) & 0xff);
    return b;
}

inline QByteArray utf16le(const QString &s)
{
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xff));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

// A temp folder holding "Vondrel Files/" as the user folder.
class TempUserFolder : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString user;
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        user = tmp.path() + QStringLiteral("/Vondrel Files/");
        ASSERT_TRUE(QDir().mkpath(user));
    }
    QString file(const QString &name) const { return user + name; }
};

} // namespace quorvel::test
