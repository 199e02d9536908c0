// The reader window driven against the simulated reader (offscreen).
#include "CardFolder.h"
#include "CardReaderDialog.h"
#include "CardTestSupport.h"
#include "TFormICR.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace vondrel;

namespace {

const QString kStandIn = QStringLiteral(TERMB_STANDIN_PATH);

void ensureApp()
{
    static int argc = 1;
    static char name[] = "idcard_window_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    (void)app;
}

bool standInLoaded()
{
    void *h = dlopen(TERMB_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

class ReaderWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApp();
        ASSERT_TRUE(dir.isValid());
        saved = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
    }
    void TearDown() override
    {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(saved);
        qunsetenv("TERMB_STANDIN_CONFIG");
    }
    TFormICR *open(const cardtest::ReaderConfig &c, const QString &library = kStandIn)
    {
        log = cardtest::useReader(dir.path(), c);
        window = new TFormICR(nullptr, record, library);
        window->show();
        return window;
    }
    QStringList calls() const { return cardtest::readLog(log); }
    QStringList cardFiles() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("wz.txt"), QStringLiteral("zp.bmp"),
                                           QStringLiteral("xp.wlt")}, QDir::Files, QDir::Name);
    }
    QStringList labels() const
    {
        QStringList out;
        for (QLabel *l : {window->Label1, window->Label2, window->Label3, window->Label4,
                          window->Label5, window->Label6, window->Label7, window->Label8})
            out << l->text();
        return out;
    }

    QTemporaryDir dir;
    QString saved;
    QString log;
    ICR record;
    QPointer<TFormICR> window;
};

TEST_F(ReaderWindow, SerialPortThreeAfterTwoFailedCalls)
{
    cardtest::ReaderConfig c;
    c.port = 3;
    c.samId = QStringLiteral("05.01-20101123-77");
    open(c);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("二代身份证读卡"));
    EXPECT_EQ(calls(), (QStringList{QStringLiteral("InitComm 1 0"), QStringLiteral("InitComm 2 0"),
                                    QStringLiteral("InitComm 3 1"), QStringLiteral("GetSAMID")}));
    EXPECT_EQ(window->port(), 3);
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("就绪"));
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("连接232口"));
    EXPECT_EQ(window->StatusPanel2->text(), QStringLiteral("授权号：05.01-20101123-77"));
    EXPECT_TRUE(window->Button1->isEnabled());
    EXPECT_TRUE(window->Button2->isEnabled());
    EXPECT_FALSE(window->Button3->isEnabled());
    EXPECT_FALSE(window->Button5->isEnabled());
    EXPECT_EQ(window->StatusPanel0->width(), 250);
    EXPECT_EQ(window->StatusPanel1->width(), 200);
    EXPECT_EQ(window->StatusPanel2->width(), 200);
}

TEST_F(ReaderWindow, UsbPort1002AfterFourSerialAndOneUsbFailure)
{
    cardtest::ReaderConfig c;
    c.port = 1002;
    open(c);
    const QStringList expected = {
        QStringLiteral("InitComm 1 0"), QStringLiteral("InitComm 2 0"), QStringLiteral("InitComm 3 0"),
        QStringLiteral("InitComm 4 0"), QStringLiteral("InitComm 1001 0"),
        QStringLiteral("InitComm 1002 1"), QStringLiteral("GetSAMID")};
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("连接USB口"));
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("就绪"));
    EXPECT_TRUE(window->Button1->isEnabled());
}

TEST_F(ReaderWindow, NoReaderDisablesReading)
{
    cardtest::ReaderConfig c;
    c.port = 0;
    c.samId = QStringLiteral("none");
    open(c);
    EXPECT_EQ(calls().size(), 9); // eight ports tried, then GetSAMID all the same
    EXPECT_EQ(window->port(), 0);
    EXPECT_EQ(window->StatusPanel0->text(), QString());
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("打开端口失败"));
    EXPECT_EQ(window->StatusPanel2->text(), QStringLiteral("授权号：none"));
    EXPECT_FALSE(window->Button1->isEnabled());
    EXPECT_FALSE(window->Button2->isEnabled());
    EXPECT_FALSE(window->Button3->isEnabled());
    EXPECT_TRUE(window->Button4->isEnabled());
}

struct AuthCase { int result; const char16_t *text; };
void PrintTo(const AuthCase &c, std::ostream *os) { *os << "result" << (c.result < 0 ? "_minus" : "_") << std::abs(c.result); }
class AuthenticateResult : public ReaderWindow, public ::testing::WithParamInterface<AuthCase> {};

TEST_P(AuthenticateResult, ShowsItsStatusAndReadsNothing)
{
    cardtest::ReaderConfig c;
    c.authenticate = QString::number(GetParam().result);
    open(c);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_EQ(window->StatusPanel0->text(), QString::fromUtf16(GetParam().text));
    EXPECT_FALSE(calls().contains(QStringLiteral("Read_Content 1 0")));
    EXPECT_FALSE(calls().contains(QStringLiteral("Read_Content 1 1")));
    EXPECT_EQ(record, ICR{});
    EXPECT_EQ(labels(), QStringList(8, QString()));
    EXPECT_FALSE(window->Button5->isEnabled());
    EXPECT_TRUE(cardFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Results, AuthenticateResult, ::testing::Values(
    AuthCase{0, u"请放卡（或者将卡拿开，再放下）..."}, AuthCase{-1, u"相片解码错误!"},
    AuthCase{-2, u"wlt文件后缀错误!"}, AuthCase{-3, u"wlt文件打开错误!"},
    AuthCase{-4, u"wlt文件格式错误!"}, AuthCase{-5, u"读卡器未授权!请检查读卡器..."},
    AuthCase{-9, u"读卡失败!请重新放卡..."}, AuthCase{3, u"读卡失败!请重新放卡..."}),
    [](const auto &info) {
        return std::string(info.param.result < 0 ? "ResultMinus" : "Result") + std::to_string(std::abs(info.param.result));
    });

TEST_F(ReaderWindow, SuccessfulReadFillsRecordLabelsLineAndPhoto)
{
    cardtest::ReaderConfig c;
    c.card.nation = QStringLiteral("05");
    c.card.validTo = QStringLiteral("长期");
    open(c);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("读卡成功!请放下一张卡..."));
    EXPECT_EQ(record.name, QStringLiteral("张伟"));
    EXPECT_EQ(record.birthDate, QStringLiteral("1980-05-02"));
    const QStringList expected = {
        QStringLiteral("张伟"), QStringLiteral("男"), QStringLiteral("1980年05月02日"),
        QStringLiteral("维吾尔"), c.card.address, c.card.id, c.card.issuer,
        QStringLiteral("2011.08.09-长期")};
    EXPECT_EQ(labels(), expected);
    EXPECT_TRUE(window->Edit1->text().startsWith(QStringLiteral("张伟")));
    EXPECT_TRUE(window->Edit1->isReadOnly());
    EXPECT_EQ(window->Image1->pixmap().size(), QSize(102, 126));
    EXPECT_TRUE(window->Button5->isEnabled());
    EXPECT_TRUE(window->LabelIdCheck->isHidden());
    EXPECT_EQ(cardFiles(), (QStringList{QStringLiteral("wz.txt"), QStringLiteral("xp.wlt"),
                                        QStringLiteral("zp.bmp")}));
}

TEST_F(ReaderWindow, FailedReadContentChangesNothing)
{
    cardtest::ReaderConfig c;
    c.readContent = QStringLiteral("1,0");
    open(c);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    ASSERT_EQ(record.name, QStringLiteral("张伟"));
    const QStringList before = labels();
    const ICR kept = record;
    // The card on the reader changes, but the second read fails.
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("读卡成功!请放下一张卡..."));
    EXPECT_EQ(record, kept);
    EXPECT_EQ(labels(), before);
    EXPECT_TRUE(window->Button5->isEnabled());
}

TEST_F(ReaderWindow, WrongCheckCharacterWarnsButKeepsTheNumber)
{
    cardtest::ReaderConfig c;
    c.card.id = QStringLiteral("110108198005020019");
    open(c);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_EQ(record.idNumber, c.card.id);
    EXPECT_EQ(window->Label6->text(), c.card.id);
    EXPECT_FALSE(window->LabelIdCheck->isHidden());
    EXPECT_EQ(window->LabelIdCheck->text(), QStringLiteral("号码校验不符，请核对"));
    QTest::mouseClick(window->Button4, Qt::LeftButton);
    EXPECT_TRUE(window->LabelIdCheck->isHidden());
}

TEST_F(ReaderWindow, ClearEmptiesEverythingButBirthDateAndDeletesFiles)
{
    open(cardtest::ReaderConfig{});
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    ASSERT_FALSE(cardFiles().isEmpty());
    ASSERT_TRUE(cardtest::writeBytes(dir.filePath(QStringLiteral("keep.bmp")), "x"));
    QTest::mouseClick(window->Button4, Qt::LeftButton);
    ICR expected;
    expected.birthDate = QStringLiteral("1980-05-02");
    EXPECT_EQ(record, expected);
    EXPECT_EQ(labels(), QStringList(8, QString()));
    EXPECT_TRUE(window->Edit1->text().isEmpty());
    EXPECT_TRUE(window->Image1->pixmap().isNull());
    EXPECT_FALSE(window->Button5->isEnabled());
    EXPECT_TRUE(cardFiles().isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("keep.bmp"))));
}

TEST_F(ReaderWindow, OpeningDeletesFilesOfAnEarlierCard)
{
    for (const char *n : {"wz.txt", "zp.bmp", "xp.wlt"})
        ASSERT_TRUE(cardtest::writeBytes(dir.filePath(QString::fromLatin1(n)), "old"));
    record.birthDate = QStringLiteral("1999-09-09");
    record.name = QStringLiteral("旧");
    open(cardtest::ReaderConfig{});
    EXPECT_TRUE(cardFiles().isEmpty());
    EXPECT_EQ(record.name, QString());
    EXPECT_EQ(record.birthDate, QStringLiteral("1999-09-09"));
}

TEST_F(ReaderWindow, AutomaticReadingNeverOverlapsAndDisablesManualButtons)
{
    cardtest::ReaderConfig c;
    c.authenticate = QStringLiteral("0,0,1,0");
    open(c);
    window->Timer1->setInterval(5);

    struct Seen { bool timerActive, button1, button2, button3; QString status; };
    QList<Seen> seen;
    int depth = 0, maxDepth = 0;
    QObject::connect(window, &TFormICR::readStarted, window, [&] {
        maxDepth = std::max(maxDepth, ++depth);
        seen.push_back({window->Timer1->isActive(), window->Button1->isEnabled(),
                        window->Button2->isEnabled(), window->Button3->isEnabled(),
                        window->StatusPanel0->text()});
    });
    QObject::connect(window, &TFormICR::readFinished, window, [&] { --depth; });

    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_FALSE(window->Button1->isEnabled());
    EXPECT_FALSE(window->Button2->isEnabled());
    EXPECT_TRUE(window->Button3->isEnabled());

    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 4; }, 5000));
    EXPECT_EQ(maxDepth, 1);
    for (const Seen &s : seen) {
        EXPECT_FALSE(s.timerActive);
        EXPECT_FALSE(s.button1);
        EXPECT_FALSE(s.button2);
        EXPECT_TRUE(s.button3);
        EXPECT_EQ(s.status, QStringLiteral("自动读卡..."));
    }
    EXPECT_TRUE(window->Timer1->isActive()); // running again between reads
    EXPECT_EQ(record.name, QStringLiteral("张伟")); // the third read found the card
    EXPECT_TRUE(window->Button5->isEnabled());

    QTest::mouseClick(window->Button3, Qt::LeftButton);
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_TRUE(window->Button1->isEnabled());
    EXPECT_TRUE(window->Button2->isEnabled());
    EXPECT_FALSE(window->Button3->isEnabled());
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("手动读卡..."));
    const qsizetype reads = seen.size();
    QTest::qWait(50);
    EXPECT_EQ(seen.size(), reads);
}

TEST_F(ReaderWindow, MissingLibraryIsNamedAndReadingStaysDisabled)
{
    open(cardtest::ReaderConfig{}, dir.filePath(QStringLiteral("gone/libtermb.so")));
    EXPECT_FALSE(window->readerUsable());
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("找不到读卡器库 libtermb.so"));
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("不能读卡"));
    EXPECT_EQ(window->Edit1->placeholderText(), QStringLiteral("找不到读卡器库 termb (libtermb.so)，不能读卡"));
    EXPECT_FALSE(window->Button1->isEnabled());
    EXPECT_FALSE(window->Button2->isEnabled());
    EXPECT_FALSE(window->Button3->isEnabled());
    EXPECT_FALSE(window->Button5->isEnabled());
    EXPECT_TRUE(window->Button4->isEnabled());
    window->Button1Click(); // no crash, nothing read
    EXPECT_EQ(record, ICR{});
}

TEST_F(ReaderWindow, MissingEntryPointsAreNamed)
{
    open(cardtest::ReaderConfig{}, QStringLiteral(TERMB_INCOMPLETE_PATH));
    EXPECT_EQ(window->StatusPanel0->text(), QStringLiteral("读卡器库缺少入口"));
    EXPECT_EQ(window->StatusPanel1->text(), QStringLiteral("不能读卡"));
    EXPECT_EQ(window->StatusPanel2->text(), QStringLiteral("Authenticate, Read_Content"));
    EXPECT_EQ(window->Edit1->placeholderText(),
              QStringLiteral("读卡器库缺少入口 Authenticate, Read_Content，不能读卡"));
    EXPECT_FALSE(window->Button1->isEnabled());
    EXPECT_FALSE(window->Button2->isEnabled());
}

TEST_F(ReaderWindow, LibraryLoadedExactlyWhileTheWindowLives)
{
    ASSERT_FALSE(standInLoaded());
    open(cardtest::ReaderConfig{});
    EXPECT_TRUE(standInLoaded());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()); // the window frees itself when closed
    EXPECT_FALSE(standInLoaded());
}

TEST_F(ReaderWindow, EscapeClosesFreesTheLibraryAndStopsTheTimer)
{
    open(cardtest::ReaderConfig{});
    window->Button2Click();
    ASSERT_TRUE(window->Timer1->isActive());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(standInLoaded());
    if (window) {
        EXPECT_FALSE(window->Timer1->isActive());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ReaderWindow, CloseBoxAfterReadKeepsTheRecord)
{
    open(cardtest::ReaderConfig{});
    window->Button2Click();
    window->Button1->setEnabled(true);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    window->close();
    EXPECT_EQ(record.name, QStringLiteral("张伟"));
    EXPECT_EQ(record.idNumber, QStringLiteral("110108198005020018"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The registration form's call: modal, driven from a timer as a guard would.
class CardReaderCall : public ReaderWindow {
protected:
    void drive(std::function<void(TFormICR *)> steps)
    {
        QTimer::singleShot(0, [steps] {
            auto *w = qobject_cast<TFormICR *>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            steps(w);
        });
    }
};

TEST_F(CardReaderCall, ConfirmedReadIsTakenOverWithPhoto)
{
    cardtest::useReader(dir.path(), cardtest::ReaderConfig{});
    drive([](TFormICR *w) {
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QTest::mouseClick(w->Button5, Qt::LeftButton);
    });
    ICR r;
    EXPECT_TRUE(readIdCard(nullptr, r));
    EXPECT_EQ(r.name, QStringLiteral("张伟"));
    EXPECT_EQ(r.birthDate, QStringLiteral("1980-05-02"));
    EXPECT_EQ(cardPhotoPath(), cardFilesFolder() + QStringLiteral("zp.bmp"));
    EXPECT_FALSE(QPixmap(cardPhotoPath()).isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(standInLoaded());
}

TEST_F(CardReaderCall, ClosingWithoutACardTakesNothing)
{
    cardtest::ReaderConfig c;
    c.authenticate = QStringLiteral("0");
    cardtest::useReader(dir.path(), c);
    drive([](TFormICR *w) {
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        w->close();
    });
    ICR r;
    EXPECT_FALSE(readIdCard(nullptr, r));
    EXPECT_EQ(r, ICR{});
    EXPECT_TRUE(cardPhotoPath().isEmpty());
}

} // namespace
