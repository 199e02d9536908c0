#include "VisitExport.h"

#include "AnsiText.h"

#include "AtomicFile.h"

#include <QDir>

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

namespace {

// Streams the export. The file appears under `path` only once it is whole:
// an earlier export of that name stays as it was when anything fails (a
// full disk, a size limit). There is no writing in place, which could leave
// a cut file under the old name.
class ExportWriter {
public:
    explicit ExportWriter(const QString &path) : m_file(path) {}

    bool open(QString *error)
    {
        if (m_file.open())
            return true;
        fail(QStringLiteral("无法创建导出文件：%1\n%2"), error);
        return false;
    }
    bool write(const QByteArray &bytes, QString *error)
    {
        if (m_file.write(bytes))
            return true;
        fail(QStringLiteral("无法写入导出文件：%1\n%2"), error);
        return false;
    }
    bool commit(QString *error)
    {
        if (m_file.commit())
            return true;
        fail(QStringLiteral("无法写入导出文件：%1\n%2"), error);
        return false;
    }

private:
    void fail(const QString &pattern, QString *error) const
    {
        if (error)
            *error = pattern.arg(QDir::toNativeSeparators(m_file.path()), m_file.errorString());
    }

    vq::AtomicFile m_file;
};

} // namespace

bool writeExportFile(const QString &path, const QByteArray &bytes, QString *error)
{
    ExportWriter out(path);
    return out.open(error) && out.write(bytes, error) && out.commit(error);
}

bool writeExportFile(const QString &path, const QList<QStringList> &rows, QString *error)
{
    ExportWriter out(path);
    if (!out.open(error))
        return false;
    constexpr qsizetype kPiece = 256 * 1024; // characters gathered per write
    QString text;
    appendLine(text, exportHeader(), false);
    for (const QStringList &row : rows) {
        appendLine(text, row, true);
        if (text.size() >= kPiece) {
            if (!out.write(toAnsi(text), error))
                return false;
            text.clear();
        }
    }
    return out.write(toAnsi(text), error) && out.commit(error);
}

} // namespace vondrel
