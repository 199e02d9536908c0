#include "Storemanage_img.h"

#include "AtomicFile.h"
#include "Reporter.h"
#include "StoreInternal.h"
#include "TDataModule1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vondrel {

namespace {

struct Picture {
    bool hasFile = false;
    QByteArray bytes;
    QString ext = QStringLiteral("");
};

// The picture of a record: the file's bytes and its extension with the dot,
// in the file name's letter case. No file at `path` is not an error.
bool loadPicture(const QString &path, Picture &out)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return true;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        reportError(QStringLiteral("不能读取图片文件 %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
        return false;
    }
    out.bytes = f.readAll();
    if (f.error() != QFile::NoError) {
        reportError(QStringLiteral("不能读取图片文件 %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
        return false;
    }
    out.hasFile = true;
    const QString suffix = info.suffix();
    out.ext = suffix.isEmpty() ? QStringLiteral("") : QLatin1Char('.') + suffix;
    return true;
}

// Keys and extensions come from the database and become part of a file
// name: anything but letters, digits and the key's punctuation is replaced,
// so no stored text can point the copy outside the temp folder.
QString safeNamePart(const QString &s, const QString &extra)
{
    QString out = s;
    for (QChar &c : out) {
        const bool ok = (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || extra.contains(c);
        if (!ok)
            c = QLatin1Char('_');
    }
    return out;
}

QString tempCopyPath(const QString &id, const QString &ext)
{
    TDataModule1 *dm = TDataModule1::instance();
    const QString folder = dm ? dm->tempFolder() : QString();
    QString safeExt;
    if (!ext.isEmpty())
        safeExt = QLatin1Char('.') + safeNamePart(ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : ext, QString());
    return folder + QStringLiteral("visit") + safeNamePart(id, QStringLiteral("{}-")) + safeExt;
}

// Temp copies that could not be written, told once per reading: a full disk
// fails every copy of a visit alike.
struct CopyFailures {
    QString first; // message for the first failed copy
    int count = 0;
    void add(const QString &path, const QString &why)
    {
        if (count++ == 0)
            first = QStringLiteral("不能写入图片文件 %1: %2").arg(QDir::toNativeSeparators(path), why);
    }
    void report() const
    {
        if (count == 1)
            reportError(first);
        else if (count > 1)
            reportError(first + QStringLiteral("\n(共有 %1 个图片文件不能写入)").arg(count));
    }
};

// A copy that cannot be written whole leaves `path` empty: the record is
// still listed (its key, visit and title), but no file is offered that a
// window could show or save back over the stored picture.
std::unique_ptr<imgInfo> readRow(const QSqlQuery &q, CopyFailures &failures)
{
    const QSqlRecord rec = q.record();
    for (const char *name : {"id", "USERID", "title", "imgExt", "img"}) {
        if (rec.indexOf(QLatin1String(name)) < 0) {
            reportError(QStringLiteral("数据表 MJVisiterImg 没有字段 %1").arg(QLatin1String(name)));
            return nullptr;
        }
    }
    auto p = std::make_unique<imgInfo>();
    p->id = fieldValue(q, QStringLiteral("id")).toString();
    p->visitId = fieldValue(q, QStringLiteral("USERID")).toString();
    p->title = fieldValue(q, QStringLiteral("title")).toString();
    const QString ext = fieldValue(q, QStringLiteral("imgExt")).toString();
    const QByteArray bytes = fieldBytes(q, QStringLiteral("img"));
    if (bytes.size() < 3)
        return p; // the row carries no picture
    const QString path = tempCopyPath(p->id, ext);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString why;
    if (!vq::writeFileAtomically(path, bytes, &why)) {
        failures.add(path, why);
        return p;
    }
    p->path = path;
    return p;
}

} // namespace

QString saveImage(imgInfo &p)
{
    if (p.id.isEmpty())
        return insertImage(p);
    auto q = detail::run(QStringLiteral("select id from MJVisiterImg where id=?"), {p.id});
    if (!q)
        return {};
    const QString found = q->next() ? q->value(0).toString() : QString();
    q.reset();
    if (found == p.id)
        return updateImage(p);
    return insertImage(p);
}

QString insertImage(imgInfo &p)
{
    p.id = newKey();
    Picture pic;
    if (!loadPicture(p.path, pic))
        return {};
    const QVariant img = pic.hasFile ? QVariant(pic.bytes) : QVariant(QByteArray(""));
    const bool ok = detail::run(QStringLiteral(
        "insert into MJVisiterImg(ID,USERID,img,imgExt,title) values(?,?,?,?,?)"),
        {p.id, QString(p.visitId.isNull() ? QStringLiteral("") : p.visitId), img, pic.ext,
         QString(p.title.isNull() ? QStringLiteral("") : p.title)}).has_value();
    return ok ? p.id : QString();
}

QString updateImage(const imgInfo &p)
{
    Picture pic;
    if (!loadPicture(p.path, pic))
        return {};
    const QString visitId = p.visitId.isNull() ? QStringLiteral("") : p.visitId;
    const QString title = p.title.isNull() ? QStringLiteral("") : p.title;
    bool ok;
    if (pic.hasFile) {
        ok = detail::run(QStringLiteral("update MJVisiterImg set USERID=?,img=?,imgExt=?,title=? where id=?"),
                         {visitId, QVariant(pic.bytes), pic.ext, title, p.id}).has_value();
    } else {
        // Without a file the stored picture is kept rather than wiped.
        ok = detail::run(QStringLiteral("update MJVisiterImg set USERID=?,title=? where id=?"),
                         {visitId, title, p.id}).has_value();
    }
    return ok ? p.id : QString();
}

bool deleteImage(const QString &key)
{
    return detail::run(QStringLiteral("delete from MJVisiterImg where ID=?"), {key}).has_value();
}

ArrayOfimgInfo listImages(const QString &condition, const QVariantList &params)
{
    ArrayOfimgInfo result;
    auto q = detail::run(detail::withCondition(QStringLiteral("select * from MJVisiterImg"), condition), params);
    if (!q)
        return result;
    CopyFailures failures;
    while (q->next()) {
        if (auto p = readRow(*q, failures))
            result.push_back(std::move(p));
    }
    failures.report();
    if (q->lastError().isValid()) {
        detail::reportDbError(q->lastError());
        result.clear();
    }
    return result;
}

std::unique_ptr<imgInfo> readImageRow(const QSqlQuery &dataset)
{
    if (!dataset.isValid()) {
        reportError(QStringLiteral("没有当前记录。"));
        return nullptr;
    }
    CopyFailures failures;
    auto p = readRow(dataset, failures);
    failures.report();
    return p;
}

} // namespace vondrel
