// The registration form over a real store: new, change, view and leave.
#include "DeskFixture.h"

#include "CardTestSupport.h"
#include "TFormICR.h"
#include "TFormCamera.h"
#include "PictureView.h"
#include "TFormPhoto.h"
#include "TFormvisitInfo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QClipboard>
#include <QDir>
#include <QInputMethodEvent>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QValidator>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>

#include "WriteFaults.h"

#include <optional>

#include <functional>

using namespace vondrel;
using namespace vondrel::test;

namespace {

class VisitFormTest : public DeskFixture {
protected:
    // A shown form (closing frees it); the pointer goes null once it is gone.
    QPointer<TFormvisitInfo> open(bool leave, bool editable, const QString &key)
    {
        auto *f = new TFormvisitInfo(nullptr, leave, editable, key);
        f->show();
        return f;
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QString picture(const char *name, Qt::GlobalColor colour)
    {
        QImage img(32, 24, QImage::Format_RGB32);
        img.fill(colour);
        const QString path = dir.filePath(u(name));
        EXPECT_TRUE(img.save(path));
        return path;
    }
    std::map<QString, int> storedTitles(const QString &key)
    {
        std::map<QString, int> out;
        for (const auto &img : listImages(u(" where USERID=?"), {key}))
            ++out[img->title];
        return out;
    }
};

TEST_F(VisitFormTest, NewVisitWithOnlyANameSavesDefaults)
{
    auto f = open(false, true, QString());
    EXPECT_EQ(f->windowTitle(), u("来宾信息登记"));
    EXPECT_EQ(f->BitBtn2->text(), u("保存"));
    EXPECT_EQ(f->Edit6->text(), u("admin"));
    const QString entry = f->Edit7->text();
    EXPECT_EQ(entry.size(), 19);
    EXPECT_TRUE(f->ComboBox3->findText(u("访友")) >= 0); // reasons from the store
    f->Edit1->setText(u("赵六"));
    f->Edit10->setText(QString());
    f->BitBtn2->click();
    settle();
    EXPECT_TRUE(f.isNull());
    auto all = listVisits(QString());
    ASSERT_EQ(all.size(), 1u);
    const visitInfo &v = *all.front();
    EXPECT_EQ(v.name, u("赵六"));
    EXPECT_EQ(v.sex, u("男"));
    EXPECT_EQ(v.docType, u("身份证"));
    EXPECT_EQ(v.companions, 0);
    EXPECT_EQ(v.entryTime, entry);
    EXPECT_TRUE(v.leaveTime.isEmpty());
    EXPECT_TRUE(v.visitState.isEmpty());
    EXPECT_EQ(v.guardOnDuty, u("admin"));
    EXPECT_EQ(v.id.size(), 38);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(VisitFormTest, NameCheckFailureLeavesSaveUsable)
{
    auto f = open(false, true, QString());
    f->Edit1->setText(u("   "));
    f->BitBtn2->click();
    EXPECT_EQ(reporter.texts(), QStringList({u("姓名必填！")}));
    ASSERT_FALSE(f.isNull());
    EXPECT_TRUE(f->BitBtn2->isEnabled());
    EXPECT_TRUE(listVisits(QString()).empty());
    f->Edit1->setText(u("改好了"));
    f->Edit10->setText(u("3"));
    f->BitBtn2->click();
    settle();
    auto all = listVisits(QString());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all.front()->name, u("改好了"));
    EXPECT_EQ(all.front()->companions, 3);
}

TEST_F(VisitFormTest, ChangeRewritesTheSameRow)
{
    const QString key = addVisit("原名", "2024-03-01 08:00:00");
    auto f = open(false, true, key);
    EXPECT_EQ(f->windowTitle(), u("来宾信息登记"));
    EXPECT_EQ(f->Edit1->text(), u("原名"));
    EXPECT_EQ(f->Edit7->text(), u("2024-03-01 08:00:00"));
    EXPECT_EQ(f->DateTimePicker1->date(), QDate(1990, 1, 2));
    f->Edit1->setText(u("新名"));
    f->Memo3->setPlainText(u("备注\n两行"));
    f->ComboBox2->setCurrentText(u("护照"));
    f->BitBtn2->click();
    settle();
    auto all = listVisits(QString());
    ASSERT_EQ(all.size(), 1u);
    const visitInfo &v = *all.front();
    EXPECT_EQ(v.id, key);
    EXPECT_EQ(v.name, u("新名"));
    EXPECT_EQ(v.remark, u("备注\n两行"));
    EXPECT_EQ(v.docType, u("护照"));
    EXPECT_EQ(v.entryTime, u("2024-03-01 08:00:00"));
    EXPECT_EQ(v.birthDate, u("1990-01-02"));
    EXPECT_EQ(v.address, u("北京市"));
}

TEST_F(VisitFormTest, ViewChangesNothing)
{
    const QString key = addVisit("只看", "2024-03-01 08:00:00");
    imgInfo companion{QString(), key, picture("c.png", Qt::red), u("同伴")};
    ASSERT_FALSE(saveImage(companion).isEmpty());
    const auto before = storedVisit(key);
    auto f = open(false, false, key);
    EXPECT_EQ(f->windowTitle(), u("来宾信息"));
    for (QWidget *w : std::initializer_list<QWidget *>{f->BitBtn2, f->BitBtn5, f->SpeedButton1, f->SpeedButton2,
                                                       f->ComboBox1, f->ComboBox3})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(f->Edit1->isReadOnly());
    EXPECT_TRUE(f->Memo1->isReadOnly());
    EXPECT_TRUE(f->BitBtn3->isEnabled());
    EXPECT_TRUE(f->ListView_photo->isEnabled());
    EXPECT_FALSE(f->N4->isEnabled());
    ASSERT_EQ(f->ListView_photo->count(), 1);
    f->ListView_photo->setCurrentRow(0);
    f->N4->trigger(); // disabled: nothing happens
    EXPECT_EQ(storedTitles(key).size(), 1u);
    // The viewer opens modally on the companion photo.
    QString viewerTitle;
    QSize viewerPicture;
    QTimer::singleShot(0, [&] {
        if (auto *viewer = qobject_cast<TFormPhoto *>(QApplication::activeModalWidget())) {
            viewerTitle = viewer->windowTitle();
            viewerPicture = viewer->picture().size();
            viewer->close();
        }
    });
    f->N1Click();
    EXPECT_EQ(viewerTitle, u("同伴"));
    EXPECT_EQ(viewerPicture, QSize(32, 24));
    f->BitBtn3->click();
    settle();
    const auto after = storedVisit(key);
    EXPECT_EQ(after->name, before->name);
    EXPECT_EQ(after->leaveTime, before->leaveTime);
    EXPECT_EQ(storedTitles(key), (std::map<QString, int>{{u("同伴"), 1}}));
}

TEST_F(VisitFormTest, LeaveKeepsEveryOtherField)
{
    visitInfo v;
    v.name = u("离开者");
    v.sex = u("未知"); // not in the sex list: kept as stored
    v.birthDate = QString(); // empty: not replaced by the picker's date
    v.docType = u("护照");
    v.address = u("第一行\n第二行");
    v.remark = u("r");
    v.reason = u("自定义事由");
    v.entryTime = u("2024-03-01 08:00:00");
    v.guardOnDuty = u("早班");
    v.companions = 4;
    const QString key = saveVisit(v);
    option->guard.name = u("晚班");
    auto f = open(true, false, key);
    EXPECT_EQ(f->windowTitle(), u("来宾离开登记"));
    EXPECT_EQ(f->BitBtn2->text(), u("离开"));
    EXPECT_TRUE(f->BitBtn2->isEnabled());
    EXPECT_FALSE(f->Edit8->text().isEmpty());
    const QString leave = f->Edit8->text();
    f->BitBtn2->click();
    settle();
    auto after = storedVisit(key);
    ASSERT_TRUE(after);
    visitInfo expected = v;
    expected.id = key;
    expected.leaveTime = leave;
    for (auto field : {&visitInfo::name, &visitInfo::sex, &visitInfo::birthDate, &visitInfo::visitee,
                       &visitInfo::docType, &visitInfo::docNumber, &visitInfo::phone, &visitInfo::address,
                       &visitInfo::remark, &visitInfo::entryTime, &visitInfo::leaveTime, &visitInfo::visitState,
                       &visitInfo::guardOnDuty, &visitInfo::reason, &visitInfo::workUnit})
        EXPECT_EQ((*after).*field, expected.*field);
    EXPECT_EQ(after->companions, 4);
    EXPECT_EQ(listVisits(QString()).size(), 1u);
}

TEST_F(VisitFormTest, PhotosSaveInOrderAndMainIsReplacedNotAdded)
{
    auto f = open(false, true, QString());
    const QString main1 = picture("main1.png", Qt::blue);
    const QString comp = picture("comp.png", Qt::green);
    const QString card = picture("zp.bmp", Qt::gray);
    f->cardReader = [&](QWidget *) {
        return std::optional<CardReading>(CardReading{u("卡上姓名"), u("女"), u("1985-07-08 "), u("110"), u("卡上住址"), card});
    };
    f->Memo1->setPlainText(u("已有"));
    f->BitBtn5->click();
    EXPECT_EQ(f->Edit1->text(), u("卡上姓名"));
    EXPECT_EQ(f->ComboBox1->currentText(), u("女"));
    EXPECT_EQ(f->DateTimePicker1->date(), QDate(1985, 7, 8));
    EXPECT_EQ(f->Memo1->toPlainText(), u("已有\n卡上住址"));
    EXPECT_FALSE(f->Label1_camera_sfz.isEmpty());
    int askedIndex = -1;
    QString next = main1;
    f->cameraWindow = [&](QWidget *, int index) {
        askedIndex = index;
        return std::optional<QString>(next);
    };
    f->ComboBoxCamera1->setCurrentIndex(2);
    f->SpeedButton1->click();
    EXPECT_EQ(askedIndex, 2);
    EXPECT_EQ(f->Label1_camera, main1);
    next = comp;
    f->ComboBoxCamera2->setCurrentIndex(3);
    f->Edit_Camera->setText(u("  "));
    f->SpeedButton2->click();
    EXPECT_EQ(askedIndex, 3);
    f->Edit_Camera->setText(u("小明"));
    f->SpeedButton2->click();
    ASSERT_EQ(f->ListView_photo->count(), 2);
    EXPECT_EQ(f->ListView_photo->item(0)->text(), u("随行人员"));
    EXPECT_EQ(f->ListView_photo->item(1)->text(), u("小明"));
    f->BitBtn2->click();
    settle();
    // The camera choices are kept in the desk options.
    EXPECT_EQ(option->visitComboBoxCamera1, u("2"));
    EXPECT_EQ(option->visitComboBoxCamera2, u("3"));
    auto visits = listVisits(QString());
    ASSERT_EQ(visits.size(), 1u);
    const QString key = visits.front()->id;
    EXPECT_EQ(storedTitles(key),
              (std::map<QString, int>{{u("sfz"), 1}, {u("Main"), 1}, {u("随行人员"), 1}, {u("小明"), 1}}));

    // Change the visit with a new main photo: the stored one is replaced.
    auto g = open(false, true, key);
    EXPECT_EQ(g->ComboBoxCamera1->currentIndex(), 2);
    EXPECT_FALSE(g->Label1_cameraGUID.isEmpty());
    EXPECT_EQ(g->ListView_photo->count(), 2);
    EXPECT_FALSE(g->mainPicture().isNull());
    EXPECT_FALSE(g->cardPicture().isNull());
    const QString main2 = picture("main2.png", Qt::yellow);
    g->cameraWindow = [&](QWidget *, int) { return std::optional<QString>(main2); };
    g->SpeedButton1->click();
    // Removing a loaded companion deletes it from the store at once.
    g->ListView_photo->setCurrentRow(0);
    g->N4Click();
    EXPECT_EQ(storedTitles(key).count(u("随行人员")), 0u);
    g->BitBtn2->click();
    settle();
    EXPECT_EQ(storedTitles(key), (std::map<QString, int>{{u("sfz"), 1}, {u("Main"), 1}, {u("小明"), 1}}));
    auto images = listImages(u(" where USERID=? and title=?"), {key, u("Main")});
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(QImage(images.front()->path).pixelColor(0, 0), QColor(Qt::yellow));
}

TEST_F(VisitFormTest, CardReadWithoutPhotoSavesNoCardPhoto)
{
    auto f = open(false, true, QString());
    f->cardReader = [&](QWidget *) {
        return std::optional<CardReading>(
            CardReading{u("无照"), u("男"), u("不是日期"), u("1"), u("址"), dir.filePath(u("missing.bmp"))});
    };
    const QDate before = f->DateTimePicker1->date();
    f->BitBtn5->click();
    f->BitBtn5->click();
    EXPECT_EQ(f->DateTimePicker1->date(), before);
    EXPECT_EQ(f->Memo1->toPlainText(), u("址\n址").mid(0)); // appended twice
    EXPECT_TRUE(f->Label1_camera_sfz.isEmpty());
    f->BitBtn2->click();
    settle();
    auto visits = listVisits(QString());
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_TRUE(storedTitles(visits.front()->id).empty());
}

TEST_F(VisitFormTest, CardButtonReadsThroughTheReaderWindow)
{
    // The simulated reader beside the test program, working in a card folder.
    const QString saved = QDir::currentPath();
    const QString cardDir = dataFolder + u("card");
    ASSERT_TRUE(QDir().mkpath(cardDir));
    ASSERT_TRUE(QDir::setCurrent(cardDir));
    cardtest::useReader(cardDir, cardtest::ReaderConfig{});
    auto f = open(false, true, QString());
    bool sawReader = false;
    QTimer::singleShot(0, [&] {
        auto *reader = qobject_cast<TFormICR *>(QApplication::activeModalWidget());
        ASSERT_NE(reader, nullptr);
        sawReader = true;
        reader->Button1Click();
        reader->Button5Click();
    });
    f->BitBtn5->click();
    QDir::setCurrent(saved);
    qunsetenv("TERMB_STANDIN_CONFIG");
    ASSERT_TRUE(sawReader);
    EXPECT_EQ(f->Edit1->text(), u("张伟"));
    EXPECT_EQ(f->ComboBox1->currentText(), u("男"));
    EXPECT_EQ(f->DateTimePicker1->date(), QDate(1980, 5, 2));
    EXPECT_EQ(f->Edit3->text(), u("110108198005020018"));
    EXPECT_EQ(f->Memo1->toPlainText(), u("北京市海淀区中关村南大街27号"));
    EXPECT_TRUE(f->Label1_camera_sfz.endsWith(u("/zp.bmp"))) << f->Label1_camera_sfz.toStdString();
    EXPECT_FALSE(f->cardPicture().isNull());
    f->BitBtn2->click();
    settle();
    auto visits = listVisits(QString());
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(storedTitles(visits.front()->id), (std::map<QString, int>{{u("sfz"), 1}}));
}

TEST_F(VisitFormTest, PhotoButtonsOpenTheCameraWindow)
{
    auto f = open(false, true, QString());
    int opened = 0;
    for (QPushButton *button : {f->SpeedButton1, f->SpeedButton2}) {
        QTimer::singleShot(0, [&opened] {
            if (auto *camera = qobject_cast<TFormCamera *>(QApplication::activeModalWidget())) {
                ++opened;
                camera->BitBtn2->click(); // 取消
            }
        });
        button->click();
    }
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_EQ(f->ListView_photo->count(), 0);
    EXPECT_TRUE(f->Label1_camera.isEmpty());
    f->close();
    settle();
}

TEST_F(VisitFormTest, FieldLimitsApplyToTypingNotToStoredText)
{
    visitInfo v;
    v.name = u("长").repeated(25);
    v.address = u("址").repeated(250);
    v.entryTime = u("2024-03-01 08:00:00");
    const QString key = saveVisit(v);
    auto f = open(false, true, key);
    EXPECT_EQ(f->Edit1->text(), v.name); // stored text is shown whole
    EXPECT_EQ(f->Memo1->toPlainText(), v.address);
    f->Memo1->setFocus();
    f->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(f->Memo1, "x");
    EXPECT_EQ(f->Memo1->toPlainText(), v.address) << "over the limit: typing adds nothing";
    QTest::keyClick(f->Memo1, Qt::Key_Backspace);
    EXPECT_EQ(f->Memo1->toPlainText().size(), 249) << "deleting still works";
    f->close();
    settle();

    auto g = open(false, true, QString());
    EXPECT_EQ(g->Edit1->maxLength(), 20);
    for (QLineEdit *e : {g->Edit2, g->Edit3, g->Edit4, g->Edit5})
        EXPECT_EQ(e->maxLength(), 50);
    EXPECT_EQ(g->Edit_Camera->maxLength(), 20);
    QString digits = u("12a");
    int pos = 0;
    EXPECT_EQ(g->Edit10->validator()->validate(digits, pos), QValidator::Invalid);
    EXPECT_TRUE(g->Edit7->isReadOnly());
    EXPECT_TRUE(g->Edit8->isReadOnly());
    EXPECT_TRUE(g->Edit6->isReadOnly());
    g->close();
    settle();
}

// Each way a guard puts text into a memo: keys, Return, the input method
// (how Chinese arrives) and a paste. Typed into a memo holding `before`
// characters, with the cursor in the middle.
struct MemoInput {
    const char *name;
    int before;
    std::function<void(QPlainTextEdit *)> type;
    int after;          // length afterwards
    const char *middle; // what stands at the cursor afterwards (before the rest)
};

class MemoLimitTest : public VisitFormTest, public ::testing::WithParamInterface<MemoInput> {};

TEST_P(MemoLimitTest, RefusesWhatPassesTheLimitAndKeepsTheRest)
{
    const MemoInput &c = GetParam();
    auto f = open(false, true, QString());
    for (QPlainTextEdit *memo : {f->Memo1, f->Memo3}) {
        const QString head = u("前").repeated(c.before / 2);
        const QString tail = u("后").repeated(c.before - c.before / 2);
        memo->setPlainText(head + tail);
        QTextCursor cursor = memo->textCursor();
        cursor.setPosition(int(head.size()));
        memo->setTextCursor(cursor);
        memo->setFocus();
        c.type(memo);
        const QString text = memo->toPlainText();
        EXPECT_EQ(text.size(), c.after);
        EXPECT_TRUE(text.startsWith(head + QString::fromUtf8(c.middle))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(tail)) << "nothing typed before is lost";
        EXPECT_EQ(memo->textCursor().position(), int(text.size() - tail.size())) << "the cursor stays after the input";
    }
    f->close();
    settle();
}

void commit(QPlainTextEdit *memo, const QString &text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(memo, &e);
}

void pasteText(QPlainTextEdit *memo, const QString &text)
{
    QApplication::clipboard()->setText(text);
    memo->paste();
}

INSTANTIATE_TEST_SUITE_P(Inputs, MemoLimitTest, ::testing::Values(
    MemoInput{"KeysIntoAFullMemo", 200, [](QPlainTextEdit *m) { QTest::keyClicks(m, "abc"); }, 200, ""},
    MemoInput{"KeysUpToTheLimit", 198, [](QPlainTextEdit *m) { QTest::keyClicks(m, "abcd"); }, 200, "ab"},
    MemoInput{"ReturnIntoAFullMemo", 200, [](QPlainTextEdit *m) { QTest::keyClick(m, Qt::Key_Return); }, 200, ""},
    MemoInput{"ReturnBelowTheLimit", 199, [](QPlainTextEdit *m) { QTest::keyClick(m, Qt::Key_Return); }, 200, "\n"},
    MemoInput{"InputMethodCommitIsCut", 197,
              [](QPlainTextEdit *m) { commit(m, QString::fromUtf8("北京市海淀")); }, 200, "北京市"},
    MemoInput{"InputMethodIntoAFullMemo", 200, [](QPlainTextEdit *m) { commit(m, QString::fromUtf8("路")); }, 200, ""},
    MemoInput{"PasteIsCut", 195, [](QPlainTextEdit *m) { pasteText(m, QStringLiteral("1234567890")); }, 200, "12345"},
    MemoInput{"PasteThatFits", 10, [](QPlainTextEdit *m) { pasteText(m, QStringLiteral("12345")); }, 15, "12345"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(VisitFormTest, CardAddressAppendedToALongAddressKeepsAllTyped)
{
    auto f = open(false, true, QString());
    const QString typed = u("东城区").repeated(63); // 189 characters typed by the guard
    f->Memo1->setFocus();
    commit(f->Memo1, typed);
    ASSERT_EQ(f->Memo1->toPlainText(), typed);
    const QString cardAddress = u("北京市海淀区中关村南大街27号院3号楼");
    f->cardReader = [&](QWidget *) {
        return std::optional<CardReading>(CardReading{u("张伟"), u("男"), u("1980-05-02"), u("1"), cardAddress, QString()});
    };
    f->BitBtn5->click();
    EXPECT_EQ(f->Memo1->toPlainText(), typed + u("\n") + cardAddress);
    ASSERT_EQ(reporter.messages.size(), 1) << "the guard is told the address passed the limit";
    EXPECT_TRUE(reporter.texts().front().contains(u("200"))) << reporter.texts().front().toStdString();
    f->Edit1->setText(u("张伟"));
    f->BitBtn2->click();
    settle();
    auto visits = listVisits(QString());
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits.front()->address, typed + u("\n") + cardAddress) << "stored whole";
}

TEST_F(VisitFormTest, CardAddressThatFitsIsAppendedWithoutAMessage)
{
    auto f = open(false, true, QString());
    f->Memo1->setPlainText(u("已有"));
    f->cardReader = [&](QWidget *) {
        return std::optional<CardReading>(CardReading{u("张伟"), u("男"), u("1980-05-02"), u("1"), u("卡上住址"), QString()});
    };
    f->BitBtn5->click();
    EXPECT_EQ(f->Memo1->toPlainText(), u("已有\n卡上住址"));
    EXPECT_TRUE(reporter.messages.isEmpty());
    f->close();
    settle();
}

TEST_F(VisitFormTest, EscapeLeavesAFilledFormOpenAndStoresNothing)
{
    auto f = open(false, true, QString());
    f->Edit1->setText(u("赵六"));
    f->Memo1->setPlainText(u("北京市"));
    f->ComboBoxCamera1->setCurrentIndex(1);
    f->ComboBoxCamera2->setCurrentIndex(3);
    // Escape on the form, in a line box and in the reason box.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(f.data(), &esc);
    for (QWidget *w : std::initializer_list<QWidget *>{f->Edit1, f->ComboBox3, f->Memo1}) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Escape);
    }
    settle();
    ASSERT_FALSE(f.isNull());
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->Edit1->text(), u("赵六"));
    EXPECT_EQ(f->Memo1->toPlainText(), u("北京市"));
    EXPECT_TRUE(listVisits(QString()).empty());
    // "关闭" still ends it, and the camera choices are kept.
    f->BitBtn3->click();
    settle();
    EXPECT_TRUE(f.isNull());
    EXPECT_EQ(option->visitComboBoxCamera1, u("1"));
    EXPECT_EQ(option->visitComboBoxCamera2, u("3"));
    EXPECT_TRUE(listVisits(QString()).empty());
}

TEST_F(VisitFormTest, CompanionMenuActsOnTheSelectedEntryOnly)
{
    const QString key = addVisit("有同伴", "2024-03-01 08:00:00");
    for (const char *title : {"甲", "乙"}) {
        imgInfo c{QString(), key, picture("c.png", Qt::red), u(title)};
        ASSERT_FALSE(saveImage(c).isEmpty());
    }
    auto f = open(false, true, key);
    f->resize(900, 600);
    QApplication::processEvents();
    ASSERT_EQ(f->ListView_photo->count(), 2);
    QWidget *viewport = f->ListView_photo->viewport();
    const QRect first = f->ListView_photo->visualItemRect(f->ListView_photo->item(0));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, first.center());
    ASSERT_EQ(f->ListView_photo->selectedItems().size(), 1);
    // A click on empty space: the entry stays current but is not selected.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(viewport->width() - 3, viewport->height() - 3));
    ASSERT_TRUE(f->ListView_photo->selectedItems().isEmpty());
    ASSERT_EQ(f->ListView_photo->currentRow(), 0);

    bool viewerOpened = false;
    QTimer::singleShot(0, [&] {
        if (auto *viewer = qobject_cast<TFormPhoto *>(QApplication::activeModalWidget())) {
            viewerOpened = true;
            viewer->close();
        }
    });
    f->N1->trigger();
    f->N4->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(viewerOpened);
    EXPECT_EQ(f->ListView_photo->count(), 2);
    EXPECT_EQ(storedTitles(key), (std::map<QString, int>{{u("甲"), 1}, {u("乙"), 1}}));

    // The selected entry is removed, from the list and from the store.
    const QRect second = f->ListView_photo->visualItemRect(f->ListView_photo->item(1));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, second.center());
    f->N4->trigger();
    ASSERT_EQ(f->ListView_photo->count(), 1);
    EXPECT_EQ(f->ListView_photo->item(0)->text(), u("甲"));
    EXPECT_EQ(storedTitles(key), (std::map<QString, int>{{u("甲"), 1}}));
    f->close();
    settle();
}

TEST_F(VisitFormTest, PhotoViewerFillsItsWindowWithThePicture)
{
    // A picture of the camera's size.
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkBlue);
    const QString path = dir.filePath(u("photo.png"));
    ASSERT_TRUE(photo.save(path));
    auto *viewer = new TFormPhoto(nullptr, path);
    QPointer<TFormPhoto> guard(viewer);
    viewer->show();
    QApplication::processEvents();
    EXPECT_EQ(viewer->size(), QSize(640, 480 + TFormbase::titlePanelHeight));
    // The image control covers the window below the title panel ...
    const QRect below(0, TFormbase::titlePanelHeight, viewer->width(), viewer->height() - TFormbase::titlePanelHeight);
    EXPECT_EQ(QRect(viewer->Image1->mapTo(viewer, QPoint(0, 0)), viewer->Image1->size()), below);
    // ... and the picture fills it.
    EXPECT_EQ(viewer->Image1->pixmap().size(), QSize(640, 480));
    EXPECT_EQ(viewer->Image1->pictureRect(), viewer->Image1->rect());

    // Resized: still as large as fits, centred, in its proportions.
    viewer->resize(1000, 542);
    QApplication::processEvents();
    EXPECT_EQ(viewer->Image1->size(), QSize(1000, 500));
    const QRect drawn = viewer->Image1->pictureRect();
    EXPECT_EQ(viewer->Image1->pixmap().size(), drawn.size());
    EXPECT_EQ(drawn.height(), 500);
    EXPECT_NEAR(drawn.width(), 500 * 4 / 3, 1);
    EXPECT_NEAR(drawn.left(), 1000 - drawn.right() - 1, 1) << "centred";
    const QImage shown = viewer->Image1->grab().toImage();
    EXPECT_EQ(shown.pixelColor(500, 250), QColor(Qt::darkBlue));
    viewer->close();
    settle();
    EXPECT_TRUE(guard.isNull());
}

TEST_F(VisitFormTest, MainPhotoOpensInAModalViewer)
{
    auto f = open(false, true, QString());
    const QString main = picture("main.png", Qt::blue);
    f->cameraWindow = [&](QWidget *, int) { return std::optional<QString>(main); };
    f->SpeedButton1->click();
    ASSERT_FALSE(f->mainPicture().isNull());
    QSize shown;
    QTimer::singleShot(0, [&] {
        if (auto *viewer = qobject_cast<TFormPhoto *>(QApplication::activeModalWidget())) {
            shown = viewer->picture().size();
            viewer->close();
        }
    });
    QTest::mouseDClick(f->Image1, Qt::LeftButton);
    EXPECT_EQ(shown, QSize(32, 24));
    f->close();
    settle();
}

TEST_F(VisitFormTest, StoredCameraChoiceOutOfRangeFallsBackToFirst)
{
    option->visitComboBoxCamera1 = u("7");
    option->visitComboBoxCamera2 = u("2abc");
    auto f = open(false, true, QString());
    EXPECT_EQ(f->ComboBoxCamera1->currentIndex(), 0);
    EXPECT_EQ(f->ComboBoxCamera2->currentIndex(), 2);
    f->close();
    settle();
}

} // namespace

namespace {

// The pictures of a visit cannot be copied out whole when its form opens;
// the form is then saved. The stored pictures must stay as they were.
struct CopyFault {
    const char *name;
    bool fullDisk; // else a file-size limit
    bool leave;    // the form opened for "离开" instead of a change
};

class FailedPictureCopy : public VisitFormTest, public ::testing::WithParamInterface<CopyFault> {
protected:
    // A JPEG of noise, larger than the size limit below.
    QString noisePicture(const char *name, quint32 seed)
    {
        QImage img(96, 96, QImage::Format_RGB32);
        QRandomGenerator rng(seed);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, rng.generate());
        const QString path = dir.filePath(u(name));
        EXPECT_TRUE(img.save(path, "JPG", 95));
        return path;
    }
    std::map<QString, QByteArray> storedPictures(const QString &key)
    {
        std::map<QString, QByteArray> out;
        QSqlQuery q(data->ADOConnection_update());
        EXPECT_TRUE(q.prepare(u("select title, img from MJVisiterImg where USERID=?")));
        q.addBindValue(key);
        EXPECT_TRUE(q.exec());
        while (q.next())
            out[q.value(0).toString()] = q.value(1).toByteArray();
        return out;
    }
};

TEST_P(FailedPictureCopy, IsReportedOnceAndTheSaveKeepsTheStoredPictures)
{
    const QString key = addVisit("有照片", "2024-03-01 08:00:00");
    for (auto [title, seed] : {std::pair{"Main", 1u}, std::pair{"sfz", 2u}, std::pair{"同伴", 3u}}) {
        imgInfo p{QString(), key, noisePicture("src.jpg", seed), u(title)};
        ASSERT_FALSE(saveImage(p).isEmpty());
    }
    const std::map<QString, QByteArray> before = storedPictures(key);
    ASSERT_EQ(before.size(), 3u);
    for (const auto &[title, bytes] : before)
        ASSERT_GT(bytes.size(), 8192) << title.toStdString();

    const QString temp = data->tempFolder();
    std::optional<vqtest::SmallTmpfs> fs;
    if (GetParam().fullDisk) {
        fs.emplace(temp, 64 * 1024);
        if (!fs->ok())
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    // Good copies of an earlier reading, which must not be taken for this one.
    for (const auto &img : listImages(u(" where USERID=?"), {key}))
        ASSERT_FALSE(img->path.isEmpty());
    ASSERT_TRUE(reporter.messages.isEmpty());
    if (GetParam().fullDisk) {
        ASSERT_TRUE(fs->fill());
    }

    QPointer<TFormvisitInfo> f;
    {
        std::optional<vqtest::FileSizeLimit> limit;
        if (!GetParam().fullDisk)
            limit.emplace(4096);
        f = open(GetParam().leave, !GetParam().leave, key);
    }
    ASSERT_EQ(reporter.texts().size(), 1) << reporter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(reporter.texts().first().startsWith(u("不能写入图片文件 ") + QDir::toNativeSeparators(temp)))
        << reporter.texts().first().toStdString();
    EXPECT_TRUE(f->mainPicture().isNull()) << "a failed copy is not shown";
    EXPECT_TRUE(f->Label1_camera.isEmpty());
    EXPECT_TRUE(f->Label1_camera_sfz.isEmpty());
    EXPECT_EQ(vqtest::tempFilesIn(temp), QStringList());

    reporter.clear();
    f->BitBtn2->click();
    settle();
    EXPECT_TRUE(f.isNull()) << "the save closed the form";
    EXPECT_EQ(storedPictures(key), before) << "no stored picture was replaced";
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'\n').toStdString();
}

const CopyFault kCopyFaults[] = {
    {"SizeLimitChange", false, false},
    {"SizeLimitLeave", false, true},
    {"FullDiskChange", true, false},
    {"FullDiskLeave", true, true},
};
INSTANTIATE_TEST_SUITE_P(Faults, FailedPictureCopy, ::testing::ValuesIn(kCopyFaults),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
