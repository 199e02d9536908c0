// The road of one visitor through the real windows, with the camera library
// on its test picture and the simulated card reader: log in, register with a
// card, a main photo and two companion photos, save; change the main photo;
// remove a companion; register the leaving.
#include "RoadSupport.h"

#include "CDataClass.h"
#include "CardFolder.h"
#include "CardTestSupport.h"
#include "StayText.h"
#include "DeskDateTime.h"
#include "TFormICR.h"
#include "TFormLogin.h"
#include "TFormPhoto.h"
#include "PictureView.h"
#include "TFormgate1.h"
#include "TFormvisitInfo.h"
#include "VisitListModel.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <map>

using namespace vondrel;
using namespace vondrel::test;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RoadTest : public CameraDeskFixture {
protected:
    void SetUp() override
    {
        CameraDeskFixture::SetUp();
        savedDir = QDir::currentPath();
        // The reader writes its card files into the card folder, as at start-up.
        ASSERT_TRUE(enterCardFolder(dataFolder));
        cardtest::ReaderConfig reader;
        cardtest::useReader(dir.path(), reader);
        option->guard = {};
        // The gate camera shows its name and the time (the screenshot too).
        quorvel::CDataClass cameraRecord;
        cameraRecord.load(0, dataFolder);
        cameraRecord.m_CameraName = u("大门 0#");
        cameraRecord.m_ShowTime = 1;
        cameraRecord.m_TimeFormat = 1;
        cameraRecord.m_NameFont.lfHeight = -36;
        cameraRecord.m_NameFont.lfWeight = 700;
        cameraRecord.m_TimeFont.lfHeight = -28;
        cameraRecord.m_TimeY = 44;
        cameraRecord.m_TimeColorR = 255;
        cameraRecord.m_TimeColorG = 255;
        cameraRecord.m_TimeColorB = 0;
        ASSERT_TRUE(cameraRecord.save());
    }
    void TearDown() override
    {
        QDir::setCurrent(savedDir);
        qunsetenv("TERMB_STANDIN_CONFIG");
        CameraDeskFixture::TearDown();
    }

    // The stored pictures of a visit by title.
    std::map<QString, std::unique_ptr<imgInfo>> pictures(const QString &visitId)
    {
        std::map<QString, std::unique_ptr<imgInfo>> out;
        for (auto &img : listImages(u(" where USERID=?"), {visitId}))
            out[img->title] = std::move(img);
        return out;
    }

    // Two steps: in the camera window on top, wait for the live picture and
    // take a snapshot; when it shows, remember its path and press "确定".
    void cameraSteps(ModalDriver &d, QString &taken, const char *screenshotName = nullptr)
    {
        d.add(u("camera window: snapshot"), [this] {
            camera = modalWindow<TFormCamera>();
            if (!camera || !liveView(camera))
                return false;
            cameraInfoTitle = camera->windowTitle();
            camera->BitBtn5->click();
            return true;
        });
        d.add(u("camera window: 确定"), [this, &taken, screenshotName] {
            if (!camera || camera->windowTitle() == cameraInfoTitle)
                return false;
            taken = camera->windowTitle();
            if (screenshotName)
                screenshot(camera, screenshotName);
            camera->BitBtn1->click();
            return true;
        });
    }

    QString savedDir;
    QPointer<TFormCamera> camera;
    QString cameraInfoTitle;
    QPointer<TFormvisitInfo> form;
};

TEST_F(RoadTest, OneVisitorFromArrivalToLeaving)
{
    // Log in as admin.
    bool loggedIn = false;
    auto *login = new TFormLogin(nullptr, loggedIn);
    login->show();
    login->Edit1->setText(u("admin"));
    login->Edit2->setText(u("582"));
    login->BitBtn2->click();
    settle();
    ASSERT_TRUE(loggedIn);
    ASSERT_EQ(option->guard.name, u("admin"));

    TFormgate1 gate;
    gate.setAttribute(Qt::WA_DeleteOnClose, false);
    gate.show();

    // "来宾进入登记": card, main photo, two companions, save.
    QString cardPhoto, mainPath, companion1, companion2;
    QList<QByteArray> takenBytes;
    QByteArray cardBytes;
    {
        ModalDriver d;
        d.add(u("registration form"), [&] {
            form = modalWindow<TFormvisitInfo>();
            if (!form)
                return false;
            EXPECT_EQ(form->windowTitle(), u("来宾信息登记"));
            EXPECT_EQ(form->Edit6->text(), u("admin"));
            ModalDriver::later([f = form] { f->BitBtn5->click(); });
            return true;
        });
        d.add(u("card reader: read and confirm"), [&] {
            auto *reader = modalWindow<TFormICR>();
            if (!reader)
                return false;
            reader->Button1->click();
            EXPECT_EQ(reader->Label1->text(), u("张伟"));
            reader->Button5->click();
            return true;
        });
        d.add(u("card taken over; main photo"), [&] {
            if (!form || form->Edit1->text() != u("张伟"))
                return false;
            cardPhoto = form->Label1_camera_sfz;
            cardBytes = fileBytes(cardPhoto);
            EXPECT_EQ(form->Edit3->text(), u("110108198005020018"));
            EXPECT_EQ(form->ComboBox1->currentText(), u("男"));
            EXPECT_EQ(form->DateTimePicker1->date(), QDate(1980, 5, 2));
            form->Edit5->setText(u("王五"));
            form->Edit2->setText(u("13900000000"));
            form->ComboBox3->setEditText(u("访友"));
            form->Edit10->setText(u("2"));
            form->ComboBoxCamera1->setCurrentIndex(0);
            form->ComboBoxCamera2->setCurrentIndex(0);
            ModalDriver::later([f = form] { f->SpeedButton1->click(); });
            return true;
        });
        cameraSteps(d, mainPath, "camera-window.png");
        d.add(u("main photo shown; first companion"), [&] {
            if (!form || form->Label1_camera.isEmpty())
                return false;
            EXPECT_EQ(form->Label1_camera, mainPath);
            EXPECT_FALSE(form->mainPicture().isNull());
            form->Edit_Camera->setText(u("李四"));
            ModalDriver::later([f = form] { f->SpeedButton2->click(); });
            return true;
        });
        cameraSteps(d, companion1);
        d.add(u("first companion listed; second"), [&] {
            if (!form || form->ListView_photo->count() != 1)
                return false;
            EXPECT_EQ(form->Label2_camera, companion1);
            EXPECT_EQ(form->Edit_Camera->text(), u("李四")); // not cleared
            form->Edit_Camera->setText(u("  "));
            ModalDriver::later([f = form] { f->SpeedButton2->click(); });
            return true;
        });
        cameraSteps(d, companion2);
        d.add(u("second companion listed; save"), [&] {
            if (!form || form->ListView_photo->count() != 2)
                return false;
            EXPECT_EQ(form->ListView_photo->item(0)->text(), u("李四"));
            EXPECT_EQ(form->ListView_photo->item(1)->text(), u("随行人员"));
            screenshot(form, "registration-road.png");
            // The snapshot files go once the visit's pictures are stored.
            takenBytes = {fileBytes(mainPath), fileBytes(companion1), fileBytes(companion2)};
            ModalDriver::later([f = form] { f->BitBtn2->click(); });
            return true;
        });
        d.start();
        gate.ActionDJ->trigger();
        ASSERT_TRUE(d.run()) << d.failure().toStdString() << " at " << d.current().toStdString();
        settle();
        EXPECT_TRUE(form.isNull());
    }
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'|').toStdString();

    // The store: one visit, four pictures equal to the files taken.
    auto visits = listVisits(QString());
    ASSERT_EQ(visits.size(), 1u);
    const visitInfo stored = *visits.front();
    EXPECT_EQ(stored.name, u("张伟"));
    EXPECT_EQ(stored.docNumber, u("110108198005020018"));
    EXPECT_EQ(stored.birthDate, u("1980-05-02"));
    EXPECT_EQ(stored.visitee, u("王五"));
    EXPECT_EQ(stored.reason, u("访友"));
    EXPECT_EQ(stored.companions, 2);
    EXPECT_EQ(stored.guardOnDuty, u("admin"));
    EXPECT_TRUE(stored.leaveTime.isEmpty());
    EXPECT_TRUE(stored.address.contains(u("北京市海淀区")));
    const QStringList taken{mainPath, companion1, companion2};
    EXPECT_EQ(QSet<QString>(taken.begin(), taken.end()).size(), 3);
    {
        auto pics = pictures(stored.id);
        ASSERT_EQ(pics.size(), 4u);
        ASSERT_TRUE(pics.count(u("sfz")) && pics.count(u("Main")) && pics.count(u("李四")) && pics.count(u("随行人员")));
        EXPECT_FALSE(cardBytes.isEmpty());
        EXPECT_EQ(fileBytes(pics[u("sfz")]->path), cardBytes);
        ASSERT_EQ(takenBytes.size(), 3);
        EXPECT_FALSE(takenBytes[0].isEmpty());
        EXPECT_EQ(fileBytes(pics[u("Main")]->path), takenBytes[0]);
        EXPECT_EQ(fileBytes(pics[u("李四")]->path), takenBytes[1]);
        EXPECT_EQ(fileBytes(pics[u("随行人员")]->path), takenBytes[2]);
        for (const QString &snapshot : taken)
            EXPECT_FALSE(QFileInfo::exists(snapshot)) << "a stray snapshot copy: " << snapshot.toStdString();
    }

    // The visit list shows the visit with its stay.
    ASSERT_EQ(gate.model()->rowCount(), 1);
    EXPECT_EQ(gate.model()->cellText(0, 0), u("张伟"));
    const QString stay = gate.model()->cellText(0, VisitListModel::StayColumn);
    EXPECT_FALSE(stay.isEmpty());
    EXPECT_EQ(stay, stayText(stored.entryTime, QString(), deskNowMs()));

    // "修改登记信息" with a new main photo: the stored "Main" is replaced.
    const QString mainId = pictures(stored.id)[u("Main")]->id;
    QString newMain;
    QByteArray newMainBytes;
    {
        gate.ListView1->selectRow(0);
        gate.ListView1Click();
        ModalDriver d;
        d.add(u("change form"), [&] {
            form = modalWindow<TFormvisitInfo>();
            if (!form)
                return false;
            EXPECT_EQ(form->Label1_cameraGUID, mainId);
            EXPECT_EQ(form->ListView_photo->count(), 2);
            ModalDriver::later([f = form] { f->SpeedButton1->click(); });
            return true;
        });
        cameraSteps(d, newMain);
        d.add(u("new main photo; open it in the viewer"), [&] {
            if (!form || form->Label1_camera != newMain)
                return false;
            EXPECT_EQ(form->Label1_cameraGUID, mainId); // kept, so the save replaces
            ModalDriver::later([f = form] { QTest::mouseDClick(f->Image1, Qt::LeftButton); });
            return true;
        });
        d.add(u("photo viewer: the snapshot fills it; close; save"), [&] {
            auto *viewer = modalWindow<TFormPhoto>();
            if (!viewer || !viewer->isVisible())
                return false;
            const QSize picture = viewer->picture().size();
            EXPECT_EQ(picture, QImage(newMain).size());
            EXPECT_EQ(viewer->Image1->pixmap().size(), picture) << "shown at its own size, not as a thumbnail";
            EXPECT_EQ(viewer->Image1->pictureRect(), viewer->Image1->rect());
            screenshot(viewer, "photo-viewer.png");
            viewer->close();
            newMainBytes = fileBytes(newMain);
            ModalDriver::later([f = form] { f->BitBtn2->click(); });
            return true;
        });
        d.start();
        gate.ActionXG->trigger();
        ASSERT_TRUE(d.run()) << d.failure().toStdString() << " at " << d.current().toStdString();
        settle();
    }
    {
        auto pics = pictures(stored.id);
        EXPECT_EQ(pics.size(), 4u);
        ASSERT_TRUE(pics.count(u("Main")));
        EXPECT_EQ(pics[u("Main")]->id, mainId);
        EXPECT_NE(newMain, mainPath);
        EXPECT_FALSE(newMainBytes.isEmpty());
        EXPECT_EQ(fileBytes(pics[u("Main")]->path), newMainBytes);
        EXPECT_FALSE(QFileInfo::exists(newMain));
    }

    // "删除" of a companion removes it from the store at once.
    {
        gate.ListView1->selectRow(0);
        gate.ListView1Click();
        ModalDriver d;
        d.add(u("change form: remove 李四"), [&] {
            form = modalWindow<TFormvisitInfo>();
            if (!form)
                return false;
            for (int i = 0; i < form->ListView_photo->count(); ++i) {
                if (form->ListView_photo->item(i)->text() == u("李四"))
                    form->ListView_photo->setCurrentRow(i);
            }
            form->N4->trigger();
            EXPECT_EQ(form->ListView_photo->count(), 1);
            auto pics = pictures(stored.id);
            EXPECT_EQ(pics.size(), 3u) << "removed before any save";
            EXPECT_FALSE(pics.count(u("李四")));
            ModalDriver::later([f = form] { f->BitBtn3->click(); });
            return true;
        });
        d.start();
        gate.ActionXG->trigger();
        ASSERT_TRUE(d.run()) << d.failure().toStdString();
        settle();
        EXPECT_EQ(pictures(stored.id).size(), 3u);
    }

    // "来宾离开登记": the leave time is stored, every other field kept.
    const visitInfo beforeLeave = *listVisits(QString()).front();
    QString leaveText;
    {
        gate.ListView1->selectRow(0);
        gate.ListView1Click();
        ModalDriver d;
        d.add(u("leave form"), [&] {
            form = modalWindow<TFormvisitInfo>();
            if (!form)
                return false;
            EXPECT_EQ(form->windowTitle(), u("来宾离开登记"));
            EXPECT_EQ(form->BitBtn2->text(), u("离开"));
            EXPECT_FALSE(form->SpeedButton1->isEnabled());
            EXPECT_FALSE(form->SpeedButton2->isEnabled());
            leaveText = form->Edit8->text();
            ModalDriver::later([f = form] { f->BitBtn2->click(); });
            return true;
        });
        d.start();
        gate.ActionOUT->trigger();
        ASSERT_TRUE(d.run()) << d.failure().toStdString();
        settle();
    }
    const visitInfo left = *listVisits(QString()).front();
    EXPECT_EQ(left.leaveTime.size(), 19);
    EXPECT_EQ(left.leaveTime, leaveText);
    visitInfo expected = beforeLeave;
    expected.leaveTime = leaveText;
    for (auto field : {&visitInfo::id, &visitInfo::name, &visitInfo::sex, &visitInfo::birthDate, &visitInfo::visitee,
                       &visitInfo::docType, &visitInfo::docNumber, &visitInfo::phone, &visitInfo::address,
                       &visitInfo::remark, &visitInfo::entryTime, &visitInfo::visitState, &visitInfo::guardOnDuty,
                       &visitInfo::reason, &visitInfo::workUnit})
        EXPECT_EQ(left.*field, expected.*field);
    EXPECT_EQ(left.companions, expected.companions);
    EXPECT_EQ(pictures(stored.id).size(), 3u);
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'|').toStdString();

    // The list after the leave: the leave time and the stay up to it.
    ASSERT_EQ(gate.model()->rowCount(), 1);
    EXPECT_EQ(gate.model()->cellText(0, VisitListModel::StayColumn - 1), leaveText);
    EXPECT_EQ(gate.model()->cellText(0, VisitListModel::StayColumn), stayText(left.entryTime, left.leaveTime, deskNowMs()));
    gate.ListView1->selectRow(0);
    gate.ListView1Click();
    EXPECT_TRUE(gate.ActionVIEW->isEnabled());
    EXPECT_FALSE(gate.ActionOUT->isEnabled()) << "a visitor who left cannot leave again";
}

} // namespace
