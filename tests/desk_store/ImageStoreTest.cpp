#include "StoreFixture.h"
#include "WriteFaults.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

using namespace vondrel;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A real JPEG of at least 10 KB (noise compresses badly).
QByteArray jpeg10k()
{
    QImage img(96, 96, QImage::Format_RGB32);
    QRandomGenerator rng(42);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, rng.generate());
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 95);
    return bytes;
}

} // namespace

TEST_F(StoreTest, JpegIsStoredAndReadBackByteIdenticalAsTempCopy)
{
    const QByteArray jpeg = jpeg10k();
    ASSERT_GE(jpeg.size(), 10 * 1024);
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
    const QString src = dir.filePath(QStringLiteral("photo.jpg"));
    writeFile(src, jpeg);

    imgInfo p{QString(), QStringLiteral("{VISIT}"), src, QStringLiteral("Main")};
    const QString key = saveImage(p);
    ASSERT_EQ(key.size(), 38);
    EXPECT_EQ(p.id, key);
    EXPECT_EQ(scalar(QStringLiteral("select imgExt from MJVisiterImg")).toString(), QStringLiteral(".jpg"));

    auto list = listImages(QStringLiteral(" where USERID=?"), {QStringLiteral("{VISIT}")});
    ASSERT_EQ(list.size(), 1u);
    const imgInfo &r = *list[0];
    EXPECT_EQ(r.id, key);
    EXPECT_EQ(r.visitId, QStringLiteral("{VISIT}"));
    EXPECT_EQ(r.title, QStringLiteral("Main"));
    EXPECT_EQ(r.path, tempFolder() + QStringLiteral("visit") + key + QStringLiteral(".jpg"));
    EXPECT_EQ(readFile(r.path), jpeg);

    // Reading again rewrites the same file.
    writeFile(r.path, "stale");
    auto again = listImages(QStringLiteral(" where USERID=?"), {QStringLiteral("{VISIT}")});
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0]->path, r.path);
    EXPECT_EQ(readFile(r.path), jpeg);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, UpperCaseExtensionIsKept)
{
    const QString src = dir.filePath(QStringLiteral("CARD.JPG"));
    writeFile(src, jpeg10k());
    imgInfo p{QString(), QStringLiteral("{V}"), src, QStringLiteral("sfz")};
    ASSERT_FALSE(saveImage(p).isEmpty());
    auto list = listImages(QString());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0]->path.endsWith(QStringLiteral(".JPG")));
}

TEST_F(StoreTest, PictureUnderThreeBytesGivesNoTempFile)
{
    ASSERT_TRUE(execSQL(QStringLiteral("insert into MJVisiterImg(ID,USERID,img,imgExt,title) values(?,?,?,?,?)"),
                        {QStringLiteral("{SMALL}"), QStringLiteral("{V}"), QByteArray("\x01\x02", 2),
                         QStringLiteral(".jpg"), QStringLiteral("Main")}));
    ASSERT_TRUE(execSQL(QStringLiteral("insert into MJVisiterImg(ID,USERID,img,imgExt,title) values(?,?,NULL,NULL,NULL)"),
                        {QStringLiteral("{NULL}"), QStringLiteral("{V}")}));
    auto list = listImages(QStringLiteral("where USERID=?"), {QStringLiteral("{V}")});
    ASSERT_EQ(list.size(), 2u);
    for (const auto &p : list) {
        EXPECT_TRUE(p->path.isEmpty());
    }
    EXPECT_TRUE(QDir(tempFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, MissingFileStoresNoPictureAndAnUpdateKeepsTheStoredOne)
{
    imgInfo none{QString(), QStringLiteral("{V}"), dir.filePath(QStringLiteral("gone.jpg")), QStringLiteral("随行人员")};
    ASSERT_FALSE(saveImage(none).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select length(img) from MJVisiterImg where ID=?"), {none.id}).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select imgExt from MJVisiterImg where ID=?"), {none.id}).toString(), QString());

    const QByteArray jpeg = jpeg10k();
    const QString src = dir.filePath(QStringLiteral("a.jpg"));
    writeFile(src, jpeg);
    imgInfo p{QString(), QStringLiteral("{V}"), src, QStringLiteral("Main")};
    ASSERT_FALSE(saveImage(p).isEmpty());
    // The file vanishes; a later save of the record changes the title but
    // must not wipe the stored picture.
    QFile::remove(src);
    p.title = QStringLiteral("张三's 照片");
    EXPECT_EQ(saveImage(p), p.id);
    auto list = listImages(QStringLiteral("where ID=?"), {p.id});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->title, p.title);
    EXPECT_EQ(readFile(list[0]->path), jpeg);

    // With a new file the update replaces picture and extension.
    const QString bmp = dir.filePath(QStringLiteral("b.bmp"));
    writeFile(bmp, QByteArray("BM-not-really-a-bitmap"));
    p.path = bmp;
    EXPECT_EQ(updateImage(p), p.id);
    EXPECT_EQ(scalar(QStringLiteral("select imgExt from MJVisiterImg where ID=?"), {p.id}).toString(), QStringLiteral(".bmp"));
}

TEST_F(StoreTest, QuotesInVisitKeyAndTitleRoundTrip)
{
    const QString src = dir.filePath(QStringLiteral("q.jpg"));
    writeFile(src, jpeg10k());
    imgInfo p{QString(), QStringLiteral("{it's}"), src, QStringLiteral("O'Neil '随行'")};
    ASSERT_FALSE(saveImage(p).isEmpty());
    p.title += QStringLiteral("'");
    ASSERT_EQ(saveImage(p), p.id);
    auto list = listImages(QStringLiteral("where USERID=?"), {p.visitId});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->title, p.title);
    EXPECT_EQ(list[0]->visitId, p.visitId);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, DeleteImageOfAMissingKeySucceedsAndChangesNothing)
{
    const QString src = dir.filePath(QStringLiteral("d.jpg"));
    writeFile(src, jpeg10k());
    imgInfo p{QString(), QStringLiteral("{V}"), src, QStringLiteral("Main")};
    ASSERT_FALSE(saveImage(p).isEmpty());
    EXPECT_TRUE(deleteImage(QStringLiteral("{NOT-THERE}")));
    EXPECT_EQ(listImages(QString()).size(), 1u);
    EXPECT_TRUE(deleteImage(p.id));
    EXPECT_TRUE(listImages(QString()).empty());
}

TEST_F(StoreTest, StoredKeyOrExtensionCannotEscapeTheTempFolder)
{
    ASSERT_TRUE(execSQL(QStringLiteral("insert into MJVisiterImg(ID,USERID,img,imgExt,title) values(?,?,?,?,?)"),
                        {QStringLiteral("/../../evil"), QStringLiteral("{V}"), QByteArray("abcdef"),
                         QStringLiteral(".jpg/../../x"), QStringLiteral("Main")}));
    auto list = listImages(QString());
    ASSERT_EQ(list.size(), 1u);
    const QFileInfo copy(list[0]->path);
    EXPECT_EQ(copy.absolutePath() + QLatin1Char('/'), tempFolder());
    EXPECT_EQ(readFile(list[0]->path), QByteArray("abcdef"));
}

TEST_F(StoreTest, CopyThatCannotBeWrittenWholeIsListedWithoutAFileAndToldOnce)
{
    const QByteArray jpeg = jpeg10k();
    const QString src = dir.filePath(QStringLiteral("photo.jpg"));
    writeFile(src, jpeg);
    QStringList keys;
    for (const char *title : {"Main", "sfz", "同伴"}) {
        imgInfo p{QString(), QStringLiteral("{V}"), src, QString::fromUtf8(title)};
        keys << saveImage(p);
    }
    ArrayOfimgInfo list;
    {
        vqtest::FileSizeLimit limit(4096);
        list = listImages(QStringLiteral(" where USERID=?"), {QStringLiteral("{V}")});
    }
    ASSERT_EQ(list.size(), 3u) << "the records are still there";
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i]->id, keys[int(i)]);
        EXPECT_TRUE(list[i]->path.isEmpty()) << "a cut copy is not offered";
    }
    ASSERT_EQ(reporter.messages.size(), 1) << reporter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(reporter.texts().first().startsWith(QStringLiteral("不能写入图片文件 ") + tempFolder()));
    EXPECT_TRUE(reporter.texts().first().contains(QStringLiteral("3")));
    EXPECT_EQ(vqtest::tempFilesIn(tempFolder()), QStringList());

    // Saving such a record back keeps the stored picture.
    reporter.clear();
    for (const auto &img : list)
        EXPECT_FALSE(saveImage(*img).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from MJVisiterImg where img=?"), {jpeg}).toInt(), 3);
    EXPECT_TRUE(reporter.messages.isEmpty());
}
