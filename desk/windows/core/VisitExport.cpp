#include "VisitExport.h"

#include "AnsiText.h"

#include <QDir>
#include <QSaveFile>

namespace vondrel {

QString exportFileName(const QString &chosen)
{
    if (chosen.size() > 4 && chosen.right(4).toUpper() == QLatin1String(".XLS"))
        return chosen;
    return chosen + QLatin1String(".xls");
}

QString cleanCell(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char('\n'));
    out.remove(QLatin1Char('\t'));
    out.remove(QLatin1Char('\r'));
    return out;
}

QStringList exportHeader()
{
    return {QStringLiteral("姓名"),     QStringLiteral("性别"),     QStringLiteral("出生年月"),
            QStringLiteral("证件类型"), QStringLiteral("证件号码"), QStringLiteral("联系电话"),
            QStringLiteral("工作单位"), QStringLiteral("住址"),     QStringLiteral("登记时间"),
            QStringLiteral("离开时间"), QStringLiteral("来访事由"), QStringLiteral("随行人数"),
            QStringLiteral("备注"),     QStringLiteral("被访人"),   QStringLiteral("当班门卫")};
}

namespace {

void appendLine(QString &out, const QStringList &values, bool clean)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += QLatin1Char('\t');
        out += clean ? cleanCell(values[i]) : values[i];
    }
    out += QLatin1String("\r\n");
}

} // namespace

QByteArray exportBytes(const QList<QStringList> &rows)
{
    QString text;
    appendLine(text, exportHeader(), false);
    for (const QStringList &row : rows)
        appendLine(text, row, true);
    return toAnsi(text);
}

bool writeExportFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // Writing beside the target first would fail in folders that allow
    // replacing a file but not creating a new one; fall back to direct
    // writing there.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("无法创建导出文件：%1\n%2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("无法写入导出文件：%1\n%2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace vondrel
