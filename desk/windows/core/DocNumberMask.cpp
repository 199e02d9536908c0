#include "DocNumberMask.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

namespace vondrel {

QString maskDocNumber(const QString &number)
{
    const QString n = number.trimmed();
    const qsizetype len = n.size();
    if (len == 0)
        return n;
    if (len > 10)
        return n.left(6) + QString(len - 10, QLatin1Char('*')) + n.right(4);
    if (len < 3)
        return QString(len, QLatin1Char('*'));
    return n.left(1) + QString(len - 2, QLatin1Char('*')) + n.right(1);
}

bool masksDocNumbersFor(const QString &guard, bool switchOn)
{
    return switchOn && guard != QLatin1String("admin");
}

bool isDeskSnapshotFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || info.isDir())
        return false;
    const QString folder = info.absoluteDir().dirName();
    static const QString suffix = QStringLiteral("TimingCapture");
    if (folder.size() != 8 + suffix.size() || !folder.endsWith(suffix))
        return false;
    return QDate::fromString(folder.left(8), QStringLiteral("yyyyMMdd")).isValid();
}

} // namespace vondrel
