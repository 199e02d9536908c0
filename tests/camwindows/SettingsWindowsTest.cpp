// The camera settings windows, offscreen, over a live camera showing the
// test picture and over an empty slot; the record input window and the
// device manager. Mouse edits go through real mouse events on the preview.
#include "CAutoFont.h"
#include "CamWindowsSupport.h"
#include "CDataClass.h"
#include "CameraLibrary.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "RecordClass.h"
#include "RecordClass_Broadcast.h"
#include "SettingsWindows.h"
#include "UsbCamera.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstring>
#include <functional>

using namespace quorvel;
using camwindowstest::app;
using camwindowstest::LiveCamera;
using camwindowstest::onNextModal;
using camwindowstest::saveScreenshot;
using enginetest::UserFolder;
using enginetest::waitUntil;

namespace {


void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Hover, press, move with the button held, release: in preview pixels.
void dragOn(QWidget *w, QPoint from, QPoint to)
{
    mouse(w, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}


TEST_F(LiveCamera, CaptionsAndEmptySlotDoesNothing)
{
    const char16_t *captions[] = {u"FormSetting1", u"移动侦测设置", u"定时录像设置", u"定时抓拍设置"};
    for (int page = 1; page <= 4; ++page) {
        openPage(page, 1);
        EXPECT_EQ(window->windowTitle(), QString::fromUtf16(captions[page - 1]));
        EXPECT_EQ(window->camera(), nullptr);
        EXPECT_EQ(window->panel()->camera(), nullptr);
        closeWindow();
        EXPECT_TRUE(window.isNull()) << "the window frees itself";
    }
    // Panel operations on the empty slot touch no camera.
    const CDataClass before = data();
    auto *p1 = openPage(1, 1)->panel();
    auto *panel1 = static_cast<TFrame_Panel1 *>(p1);
    panel1->Edit1->setText(QStringLiteral("changed"));
    panel1->SpeedButton14->click();
    panel1->SpeedButton16->click();
    panel1->CheckBox_timer->click();
    closeWindow();
    EXPECT_EQ(data().m_CameraName, before.m_CameraName);
    EXPECT_EQ(data().m_ShowTime, before.m_ShowTime);
    EXPECT_EQ(data().toBytes(), before.toBytes());
}

TEST_F(LiveCamera, TestWindowSetForPreviewPagesAndClearedOnClose)
{
    openPage(1);
    auto *p = panel<TFrame_Panel1>();
    EXPECT_EQ(cam->Callback().m_hTestWnd.load(), p->Panel1);
    ASSERT_TRUE(waitForPicture(p->Panel1));
    closeWindow();
    EXPECT_EQ(cam->Callback().m_hTestWnd.load(), nullptr);
    openPage(3);
    EXPECT_EQ(cam->Callback().m_hTestWnd.load(), nullptr);
}

TEST_F(LiveCamera, NameChangesOnlyWithItsButtonAndIsRedrawn)
{
    {
        auto guard = cam->LockSettings();
        data().m_CameraName = QStringLiteral("A");
    }
    cam->RedrawName();
    openPage(1);
    auto *p = panel<TFrame_Panel1>();
    EXPECT_EQ(p->Edit1->text(), "A");
    const int narrow = cam->NameTextSize().width();
    p->Edit1->setText(QStringLiteral("A much longer gate name"));
    EXPECT_EQ(data().m_CameraName, "A");
    p->SpeedButton14->click();
    EXPECT_EQ(data().m_CameraName, "A much longer gate name");
    EXPECT_GT(cam->NameTextSize().width(), narrow * 4);
    // Closing takes the text over too.
    p->Edit1->setText(QStringLiteral("On close"));
    closeWindow();
    EXPECT_EQ(data().m_CameraName, "On close");
}

TEST_F(LiveCamera, TimeGroupSwitchAndLayoutAtOnce)
{
    data().m_ShowTime = 0;
    data().m_TimeFormat = 0;
    openPage(1);
    auto *p = panel<TFrame_Panel1>();
    EXPECT_FALSE(p->ComboBox_TimerFormat->isEnabled());
    p->CheckBox_timer->click();
    EXPECT_EQ(data().m_ShowTime, 1);
    EXPECT_TRUE(p->ComboBox_TimerFormat->isEnabled());
    EXPECT_TRUE(p->SpeedButton_TimerLeft->isEnabled());
    p->ComboBox_TimerFormat->setFocus();
    QTest::keyClick(p->ComboBox_TimerFormat, Qt::Key_Down);
    EXPECT_EQ(data().m_TimeFormat, 1);
    // A program setting the list is no choice of the user.
    p->ComboBox_TimerFormat->setCurrentIndex(3);
    EXPECT_EQ(data().m_TimeFormat, 1);
    closeWindow();
    EXPECT_EQ(data().m_TimeFormat, 3);
}

TEST_F(LiveCamera, ArrowsMoveByTheStepAndStayInsideTheFrame)
{
    {
        auto guard = cam->LockSettings();
        data().m_ShowTime = 1;
        data().m_TimeX = 1;
        data().m_TimeY = 100;
        data().m_NameX = 50;
        data().m_NameY = 50;
    }
    ASSERT_TRUE(waitUntil([&] { return !cam->TimeTextSize().isEmpty(); }));
    openPage(1);
    auto *p = panel<TFrame_Panel1>();
    EXPECT_EQ(p->CSpinEdit3->value(), 2);
    p->SpeedButton_TimerLeft->click();
    EXPECT_EQ(data().m_TimeX, 0);
    const QSize text = cam->TimeTextSize();
    data().m_TimeX = frame.width() - text.width();
    p->SpeedButton_TimerRight->click();
    EXPECT_EQ(data().m_TimeX, frame.width() - text.width());
    p->SpeedButton_TimerUp->click();
    EXPECT_EQ(data().m_TimeY, 98);
    p->CSpinEdit3->setValue(5);
    p->SpeedButton17->click();  // name down
    EXPECT_EQ(data().m_NameY, 55);
    p->SpeedButton16->click();  // name left
    EXPECT_EQ(data().m_NameX, 45);
    p->SpeedButton15->click();
    p->SpeedButton18->click();
    EXPECT_EQ(QPoint(data().m_NameX, data().m_NameY), QPoint(50, 50));
}

TEST_F(LiveCamera, FontDialogWritesTheRecordTheOverlayDraws)
{
    const QString face = QFontDatabase::families().contains("WenQuanYi Zen Hei") ? QStringLiteral("WenQuanYi Zen Hei")
                                                                                 : QFontDatabase::families().front();
    data().m_ShowTime = 1;
    openPage(1);
    auto *p = panel<TFrame_Panel1>();
    const int before = cam->NameTextSize().height();
    QFont chosen(face);
    chosen.setPointSize(28);
    chosen.setBold(true);
    onNextModal<QFontDialog>([&](QFontDialog *d) {
        d->setCurrentFont(chosen);
        // What the dialog makes of it (a face without a bold style gives
        // its own weight).
        chosen = d->currentFont();
        d->accept();
    });
    p->SpeedButton12->click();
    const LogFont record = data().m_NameFont;
    EXPECT_EQ(record.faceName(), face);
    EXPECT_EQ(record.lfWeight, chosen.weight());
    CAutoFont drawn;
    drawn.Create(record);
    EXPECT_EQ(QFontInfo(drawn.font()).family(), QFontInfo(chosen).family());
    EXPECT_EQ(QFontInfo(drawn.font()).pixelSize(), QFontInfo(chosen).pixelSize());
    EXPECT_EQ(QFontInfo(drawn.font()).weight(), QFontInfo(chosen).weight());
    EXPECT_GT(cam->NameTextSize().height(), before) << "the name is drawn in the new font";

    // The time font, and a cancelled dialog changing nothing.
    onNextModal<QFontDialog>([&](QFontDialog *d) {
        d->setCurrentFont(chosen);
        d->accept();
    });
    ASSERT_TRUE(p->SpeedButton_TimerFont->isEnabled());
    p->SpeedButton_TimerFont->click();
    EXPECT_EQ(data().m_TimeFont, record);
    onNextModal<QFontDialog>([](QFontDialog *d) { d->reject(); });
    const LogFont kept = data().m_NameFont;
    p->SpeedButton12->click();
    EXPECT_EQ(data().m_NameFont, kept);
}

TEST_F(LiveCamera, ColourDialogStartsAtTheStoredColour)
{
    data().m_NameColorR = 10;
    data().m_NameColorG = 20;
    data().m_NameColorB = 30;
    data().m_ShowTime = 1;
    openPage(1);
    auto *p = panel<TFrame_Panel1>();
    QColor started;
    onNextModal<QColorDialog>([&](QColorDialog *d) {
        started = d->currentColor();
        d->setCurrentColor(QColor(1, 2, 3));
        d->accept();
    });
    p->SpeedButton13->click();
    EXPECT_EQ(started, QColor(10, 20, 30));
    EXPECT_EQ(colorValue(data().m_NameColorR, data().m_NameColorG, data().m_NameColorB), 1 + 2 * 256 + 3 * 65536);
    onNextModal<QColorDialog>([&](QColorDialog *d) {
        d->setCurrentColor(QColor(200, 100, 50));
        d->accept();
    });
    p->SpeedButton_TimerColor->click();
    EXPECT_EQ(QColor(data().m_TimeColorR, data().m_TimeColorG, data().m_TimeColorB), QColor(200, 100, 50));
}

struct ControlCase {
    const char *name;
    std::function<void(TFrame_Panel2 *)> act;
    std::function<QVariant(UsbCamera *)> field;
    bool atOnce;
};

TEST_F(LiveCamera, MotionPanelControlsChangeTheirFieldsWhenTheyShould)
{
    data().m_dlta = 8;
    data().m_MovePlaySound = false;
    data().m_MoveShellExecute = false;
    data().m_CapVideo_move = false;
    data().m_NoCapImage_move = false;
    data().m_MoveCountOn = false;
    data().m_MoveInterval = 2;
    data().m_MoveRectColor = 3;
    const std::vector<ControlCase> cases = {
        {"dlta", [](auto *p) { p->TrackBar_dlta->setValue(30); }, [](auto *c) { return c->Data().m_dlta; }, true},
        {"red", [](auto *p) { p->SpeedButton9->click(); }, [](auto *c) { return c->Data().m_MoveRectColor; }, true},
        {"sound switch", [](auto *p) { p->CheckBox_capImagePlaySound_move->click(); },
         [](auto *c) { return c->Data().m_MovePlaySound; }, true},
        {"program switch", [](auto *p) { p->CheckBox_capImageShellExecute_move->click(); },
         [](auto *c) { return c->Data().m_MoveShellExecute; }, true},
        {"interval", [](auto *p) { p->CSpinEdit1->setValue(5); }, [](auto *c) { return c->Data().m_MoveInterval; },
         false},
        {"sound", [](auto *p) { p->ComboBox_capImagePlaySound_move->setSound("Bell.wav"); },
         [](auto *c) { return c->Data().m_MoveSound; }, false},
        {"no snapshot", [](auto *p) { p->CheckBox_NoCapImage_move->click(); },
         [](auto *c) { return c->Data().m_NoCapImage_move; }, false},
        {"program", [](auto *p) { p->program_capImageShellExecute_move->setText("/bin/true"); },
         [](auto *c) { return c->Data().m_MoveProgram; }, false},
        {"run mode", [](auto *p) { p->RunMode_capImageShellExecute_move->setCurrentIndex(2); },
         [](auto *c) { return c->Data().m_MoveProgramRunMode; }, false},
        {"params", [](auto *p) { p->param_capImageShellExecute_move->setText("-x 1"); },
         [](auto *c) { return c->Data().m_MoveProgramParams; }, false},
        {"video", [](auto *p) { p->CheckBox_CapVideo_move->click(); },
         [](auto *c) { return c->Data().m_CapVideo_move; }, false},
        {"video stop", [](auto *p) { p->CSpinEdit_CapVideo_move->setValue(90); },
         [](auto *c) { return c->Data().m_CapVideo_moveStop; }, false},
        {"count", [](auto *p) { p->CheckBox_CapImage_move_recordCount->click(); },
         [](auto *c) { return c->Data().m_MoveCountOn; }, false},
    };
    openPage(2);
    auto *p = panel<TFrame_Panel2>();
    std::vector<QVariant> before;
    for (const auto &c : cases)
        before.push_back(c.field(cam));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        cases[i].act(p);
        if (cases[i].atOnce)
            EXPECT_NE(cases[i].field(cam), before[i]) << cases[i].name << " changes at once";
        else
            EXPECT_EQ(cases[i].field(cam), before[i]) << cases[i].name << " waits for the close";
    }
    EXPECT_TRUE(p->CSpinEdit_CapVideo_move->isEnabled());
    closeWindow();
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_NE(cases[i].field(cam), before[i]) << cases[i].name << " is taken over";
    EXPECT_EQ(data().m_dlta, 30);
    EXPECT_EQ(data().m_MoveRectColor, 1);
    EXPECT_EQ(data().m_MoveProgramRunMode, 2);
    EXPECT_EQ(data().m_CapVideo_moveStop, 90);
}

TEST_F(LiveCamera, RegionEditedWithTheMouseOnThePreview)
{
    ASSERT_EQ(frame, QSize(640, 480));
    openPage(2);
    auto *p = panel<TFrame_Panel2>();
    QWidget *preview = p->Panel2;
    ASSERT_EQ(preview->size(), QSize(320, 240));
    const auto setRegion = [&](MoveRect r) {
        auto guard = cam->LockSettings();
        data().m_MoveRect = r;
    };
    const auto region = [&] {
        auto guard = cam->LockSettings();
        return data().m_MoveRect;
    };
    // The cursor follows the edges.
    setRegion({100, 100, 200, 200});
    mouse(preview, QEvent::MouseMove, {50, 75}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(preview->cursor().shape(), Qt::SizeHorCursor);
    mouse(preview, QEvent::MouseMove, {75, 50}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(preview->cursor().shape(), Qt::SizeVerCursor);
    mouse(preview, QEvent::MouseMove, {75, 75}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(preview->cursor().shape(), Qt::SizeAllCursor);
    mouse(preview, QEvent::MouseMove, {300, 200}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(preview->cursor().shape(), Qt::ArrowCursor);

    // Left edge dragged 20 video pixels: taken.
    dragOn(preview, {50, 75}, {60, 75});
    EXPECT_EQ(region(), (MoveRect{120, 100, 200, 200}));
    // A 30-pixel-wide region: its left edge dragged 16 pixels is refused.
    setRegion({100, 100, 130, 200});
    dragOn(preview, {50, 75}, {58, 75});
    EXPECT_EQ(region(), (MoveRect{100, 100, 130, 200}));
    // The whole region dragged so that its left edge reaches 0: refused.
    setRegion({10, 100, 110, 200});
    dragOn(preview, {30, 75}, {25, 70});
    EXPECT_EQ(region(), (MoveRect{10, 100, 110, 200}));
    // Its bottom would leave the frame: horizontal only.
    setRegion({100, 400, 200, 470});
    dragOn(preview, {75, 215}, {85, 225});
    EXPECT_EQ(region(), (MoveRect{120, 400, 220, 470}));
    EXPECT_FALSE(p->editor().dragging());
    EXPECT_EQ(p->editor().edge(), 0);

    // The region is drawn over the live picture in its colour.
    setRegion({100, 100, 300, 300});
    data().m_MoveRectColor = 2;
    ASSERT_TRUE(waitForPicture(p->Panel2));
    const QImage shot = preview->grab().toImage();
    const QColor edge = shot.pixelColor(50, 100);
    EXPECT_GT(edge.green(), 200);
    EXPECT_LT(edge.red(), 60);
    saveScreenshot(window, QStringLiteral("camera-settings-2.png"));
}

TEST_F(LiveCamera, MotionPanelLoadClampsTheRegionAndSaveFixesTheInterval)
{
    data().m_MoveRect = {5000, 20, 9000, 100000};
    cam->m_pCaptureImage->snapInterval = 0;
    openPage(2);
    EXPECT_EQ(data().m_MoveRect, (MoveRect{0, 0, 639, 479}));
    EXPECT_EQ(cam->m_pCaptureImage->snapInterval, 0);
    closeWindow();
    EXPECT_EQ(cam->m_pCaptureImage->snapInterval, 3);
}

TEST_F(LiveCamera, ScheduleEmptiedAndClosedWritesNoEntries)
{
    cam->m_pCaptureVideo->scheduleList = {ScheduleEntry::make("0", "", "08:00:00", "09:00:00"),
                                          ScheduleEntry::make("1", "3", "10:00:00", "11:00:00")};
    const QString file = cam->m_pCaptureVideo->filePath();
    openPage(3);
    auto *p = panel<TFrame_Panel3>();
    QTreeWidget *rows = p->ListView1->list();
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    EXPECT_EQ(rows->topLevelItem(1)->text(0), "每周");
    EXPECT_EQ(rows->topLevelItem(1)->text(1), "星期三");
    for (int i = 0; i < 2; ++i) {
        rows->setCurrentItem(rows->topLevelItem(0));
        p->ListView1->deleteButton()->click();
    }
    EXPECT_EQ(cam->m_pCaptureVideo->scheduleList.size(), 2u) << "taken over on close";
    closeWindow();
    EXPECT_TRUE(cam->m_pCaptureVideo->scheduleList.empty());
    lib.reset();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    EXPECT_EQ(f.readAll(), QByteArray(4, '\0'));
}

TEST_F(LiveCamera, SnapshotPanelAddsThroughRecordInputAndKeepsTheInterval)
{
    cam->m_pCaptureImage->scheduleList = {ScheduleEntry::make("0", "", "08:00:00", "09:00:00")};
    data().m_CapturePlaySound = false;
    openPage(4);
    auto *p = panel<TFrame_Panel4>();
    // An overlapping span is refused (the window stays), then corrected.
    onNextModal<TForm_recordinput>([&](TForm_recordinput *d) {
        d->DateTimePicker1->setTime({9, 0, 0});
        d->DateTimePicker2->setTime({10, 0, 0});
        d->BitBtn2->click();
        EXPECT_TRUE(d->isVisible());
        d->DateTimePicker1->setTime({9, 0, 1});
        d->BitBtn2->click();
    });
    p->ListView2->addButton()->click();
    ASSERT_EQ(p->ListView2->list()->topLevelItemCount(), 2);
    EXPECT_EQ(p->ListView2->list()->topLevelItem(1)->text(2), "09:00:01");
    EXPECT_EQ(messages.count(), 1);
    // Cancelled: no row.
    onNextModal<TForm_recordinput>([](TForm_recordinput *d) { d->BitBtn1->click(); });
    p->ListView2->addButton()->click();
    EXPECT_EQ(p->ListView2->list()->topLevelItemCount(), 2);

    p->CheckBox_capImagePlaySound->click();
    EXPECT_TRUE(data().m_CapturePlaySound);
    EXPECT_TRUE(p->ComboBox_capImagePlaySound->isEnabled());
    p->ComboBox_capImagePlaySound->setSound(QStringLiteral("Shutter.wav"));
    p->CSpinEdit4->setValue(17);
    EXPECT_EQ(cam->m_pCaptureImage->snapInterval, 5);
    closeWindow();
    EXPECT_EQ(cam->m_pCaptureImage->snapInterval, 17);
    EXPECT_EQ(data().m_CaptureSound, "Shutter.wav");
    ASSERT_EQ(cam->m_pCaptureImage->scheduleList.size(), 2u);
    EXPECT_EQ(cam->m_pCaptureImage->scheduleList[1], ScheduleEntry::make("0", "", "09:00:01", "10:00:00"));
}

TEST_F(LiveCamera, CameraDestroyedWhileItsWindowIsOpen)
{
    openPage(2);
    auto *p = panel<TFrame_Panel2>();
    ASSERT_TRUE(waitForPicture(p->Panel2));
    QPointer<QWidget> preview = p->Panel2;
    lib->close(0);  // the host closes the library while the window is open
    cam = nullptr;
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 3000)) << "the window closes itself";
    EXPECT_TRUE(preview.isNull());
}

TEST_F(LiveCamera, CameraDestroyedDuringTheModalLoop)
{
    // As a host timer would do while the window runs modally.
    window = new TFormSetting(1, 0, lib->option(), cam);
    QTimer::singleShot(200, [&] { lib->close(0); });
    window->exec();
    cam = nullptr;
    EXPECT_TRUE(waitUntil([&] { return window.isNull(); }, 3000));
}

TEST_F(LiveCamera, DamagedValuesOpenAndStaySane)
{
    // A font record of garbage bytes, thousands of schedule entries.
    {
        auto guard = cam->LockSettings();
        std::memset(static_cast<void *>(&data().m_NameFont), 0xA5, sizeof(LogFont));
    }
    cam->RedrawName();
    std::vector<ScheduleEntry> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(ScheduleEntry::make("0", "", QTime(0, 0).addSecs(i * 20).toString("hh:mm:ss"),
                                           QTime(0, 0).addSecs(i * 20 + 10).toString("hh:mm:ss")));
    cam->m_pMoveCheck->scheduleList = many;
    openPage(1);
    onNextModal<QFontDialog>([](QFontDialog *d) { d->accept(); });
    panel<TFrame_Panel1>()->SpeedButton12->click();
    EXPECT_LE(-data().m_NameFont.lfHeight, CAutoFont::kMaxPixelSize);
    EXPECT_GT(-data().m_NameFont.lfHeight, 0);
    closeWindow();
    openPage(2);
    EXPECT_EQ(panel<TFrame_Panel2>()->ListView3->list()->topLevelItemCount(), 3000);
    closeWindow();
    EXPECT_EQ(cam->m_pMoveCheck->scheduleList, many);
}

// Every text of a shown window has the room it asks for.
void expectTextsFit(QWidget *w, const char *what)
{
    w->show();
    QApplication::processEvents();
    for (QWidget *c : w->findChildren<QWidget *>()) {
        if (!c->isVisible())
            continue;
        QString text;
        if (auto *l = qobject_cast<QLabel *>(c); l && !l->wordWrap())
            text = l->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(c))
            text = b->text();
        if (text.isEmpty())
            continue;
        EXPECT_GE(c->width(), c->sizeHint().width()) << what << ": \"" << text.toStdString() << "\" is cut";
        EXPECT_GE(c->height(), c->minimumSizeHint().height()) << what << ": \"" << text.toStdString() << "\"";
    }
}

TEST_F(LiveCamera, TextsFitInChineseAndEnglish)
{
    for (const int language : {1, 0}) {  // LangCN, LangEN
        ASSERT_TRUE(lib->option()->loadLanguage(language));
        for (int page = 1; page <= 4; ++page) {
            openPage(page);
            window->adjustSize();
            expectTextsFit(window, "settings page");
            closeWindow();
        }
        ScheduleEntry entry;
        TForm_recordinput input(nullptr, {}, &entry, lib->option());
        input.kindChosen(1);
        expectTextsFit(&input, "record input");
        std::uint8_t result = 0;
        auto *devices = new TFrm_Device(lib->option(), &result);
        devices->adjustSize();
        expectTextsFit(devices, "device manager");
        if (language == 0) {
            EXPECT_EQ(devices->windowTitle(), "Device manager");
            EXPECT_EQ(input.windowTitle(), "Time settings");
            saveScreenshot(devices, QStringLiteral("device-manager-en.png"));
        }
        devices->close();
    }
}

TEST_F(LiveCamera, Screenshots)
{
    if (qEnvironmentVariableIsEmpty("VONDREL_SCREENSHOT_DIR"))
        GTEST_SKIP() << "VONDREL_SCREENSHOT_DIR not set";
    cam->m_pCaptureVideo->scheduleList = {ScheduleEntry::make("1", "1", "08:00:00", "18:00:00")};
    cam->m_pCaptureImage->scheduleList = {ScheduleEntry::make("0", "", "07:30:00", "19:30:00"),
                                          ScheduleEntry::make("2", "2024-03-05", "12:00:00", "12:30:00")};
    data().m_MoveRect = {200, 150, 440, 330};
    data().m_MoveRectColor = 1;
    for (int page = 1; page <= 4; ++page) {
        openPage(page);
        if (PreviewArea *preview = window->panel()->preview()) {
            ASSERT_TRUE(waitForPicture(preview));
        }
        QTest::qWait(100);
        saveScreenshot(window, QStringLiteral("camera-settings-%1.png").arg(page));
        closeWindow();
    }
    std::vector<ScheduleEntry> none;
    ScheduleEntry entry;
    TForm_recordinput input(nullptr, none, &entry, lib->option());
    input.ComboBox1->setCurrentIndex(1);
    input.kindChosen(1);
    input.show();
    saveScreenshot(&input, QStringLiteral("record-input.png"));
    std::uint8_t result = 0;
    auto *devices = new TFrm_Device(lib->option(), &result);
    devices->show();
    devices->CheckListBox1->setCurrentRow(0);
    saveScreenshot(devices, QStringLiteral("device-manager.png"));
    devices->close();
}

// --- Record input ------------------------------------------------------

class RecordInputWindow : public testing::Test {
protected:
    void SetUp() override
    {
        app();
        setLibReporter(&messages);
    }
    void TearDown() override { setLibReporter(nullptr); }
    // Confirms start..end of kind `kind` against `existing`; true when the
    // window took it.
    bool confirm(const std::vector<ScheduleEntry> &existing, int kind, QTime start, QTime end,
                 const std::function<void(TForm_recordinput &)> &more = {})
    {
        entry = ScheduleEntry{};
        TForm_recordinput w(nullptr, existing, &entry, nullptr);
        w.show();
        w.ComboBox1->setCurrentIndex(kind);
        w.kindChosen(kind);
        w.DateTimePicker1->setTime(start);
        w.DateTimePicker2->setTime(end);
        if (more)
            more(w);
        w.BitBtn2->click();
        return w.result() == QDialog::Accepted;
    }
    RecordingLibReporter messages;
    ScheduleEntry entry;
    const std::vector<ScheduleEntry> eightToNine{ScheduleEntry::make("0", "", "08:00:00", "09:00:00")};
};

TEST_F(RecordInputWindow, OverlapAndOrderChecks)
{
    EXPECT_FALSE(confirm(eightToNine, 0, {9, 0, 0}, {10, 0, 0}));
    EXPECT_TRUE(entry.kindText().isEmpty());
    EXPECT_TRUE(confirm(eightToNine, 0, {9, 0, 1}, {10, 0, 0}));
    EXPECT_EQ(entry, ScheduleEntry::make("0", "", "09:00:01", "10:00:00"));
    EXPECT_FALSE(confirm(eightToNine, 0, {7, 0, 0}, {10, 0, 0}));
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages.texts()[0], messages.texts()[1]);
    const QString overlap = messages.texts()[0];
    EXPECT_FALSE(confirm({}, 0, {12, 0, 0}, {12, 0, 0}));
    ASSERT_EQ(messages.count(), 3);
    EXPECT_NE(messages.texts()[2], overlap) << "909 is its own message";
    // Weekly Wednesday against a daily entry.
    EXPECT_FALSE(confirm({ScheduleEntry::make("0", "", "08:30:00", "08:45:00")}, 1, {8, 0, 0}, {9, 0, 0},
                         [](TForm_recordinput &w) { w.ComboBox2->setCurrentIndex(3); }));
    EXPECT_EQ(messages.texts().back(), overlap);
}

TEST_F(RecordInputWindow, KindsShowTheirControlsAndFillTheEntry)
{
    ScheduleEntry e;
    TForm_recordinput w(nullptr, {}, &e, nullptr);
    w.show();
    EXPECT_EQ(w.windowTitle(), "时间设置");
    EXPECT_EQ(w.ComboBox1->count(), 3);
    EXPECT_EQ(w.ComboBox2->count(), 7);
    EXPECT_EQ(w.DateTimePicker1->time(), QTime(0, 0, 0));
    EXPECT_EQ(w.DateTimePicker2->time(), QTime(23, 59, 59));
    EXPECT_FALSE(w.ComboBox2->isVisible());
    EXPECT_FALSE(w.DateTimePicker3->isVisible());
    EXPECT_FALSE(w.Label4->isVisible());
    w.kindChosen(2);
    EXPECT_TRUE(w.DateTimePicker3->isVisible());
    EXPECT_FALSE(w.ComboBox2->isVisible());
    EXPECT_EQ(w.DateTimePicker3->date(), QDate::currentDate());
    w.kindChosen(1);
    EXPECT_TRUE(w.ComboBox2->isVisible());
    EXPECT_FALSE(w.DateTimePicker3->isVisible());
    EXPECT_TRUE(w.Label4->isVisible());
    w.kindChosen(0);
    EXPECT_FALSE(w.Label4->isVisible());

    EXPECT_TRUE(confirm({}, 2, {8, 0, 0}, {9, 0, 0},
                        [](TForm_recordinput &in) { in.DateTimePicker3->setDate({2024, 3, 5}); }));
    EXPECT_EQ(entry.kindText(), "2");
    EXPECT_EQ(entry.dayText(), "2024-03-05");
    EXPECT_TRUE(confirm({}, 1, {8, 0, 0}, {9, 0, 0}, [](TForm_recordinput &in) { in.ComboBox2->setCurrentIndex(5); }));
    EXPECT_EQ(entry, ScheduleEntry::make("1", "5", "08:00:00", "09:00:00"));
    // Cancel leaves the kind empty.
    ScheduleEntry cancelled = ScheduleEntry::make("0", "", "01:00:00", "02:00:00");
    TForm_recordinput c(nullptr, {}, &cancelled, nullptr);
    c.BitBtn1->click();
    EXPECT_TRUE(cancelled.kindText().isEmpty());
}

// --- Device manager ----------------------------------------------------

class DeviceManager : public testing::Test {
protected:
    void SetUp() override
    {
        app();
        folder = std::make_unique<UserFolder>(QStringList{"http://a/1", "http://b/2", "http://c/3"});
        env = folder->environment();
        env.videoDevices = [] {
            return QList<CaptureDevice>{{"dev-A", "Camera A"}, {"dev-B", "Camera B"}, {"dev-C", "Camera C"}};
        };
        option = std::make_unique<Option>(folder->path() + "qxCamera.ini", env);
    }
    QStringList lines(const QString &name) const
    {
        QFile f(folder->path() + name);
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("<missing>")};
        return Option::linesFromBytes(f.readAll());
    }
    std::unique_ptr<UserFolder> folder;
    OptionEnvironment env;
    std::unique_ptr<Option> option;
};

TEST_F(DeviceManager, TickSecondDeleteTwoAddressesConfirm)
{
    std::uint8_t result = 7;
    QPointer<TFrm_Device> w = new TFrm_Device(option.get(), &result);
    EXPECT_EQ(result, 0);
    w->show();
    ASSERT_EQ(w->CheckListBox1->count(), 6);  // three devices, three addresses
    EXPECT_EQ(w->CheckListBox1->item(1)->text(), "Camera B");
    EXPECT_EQ(w->CheckListBox1->item(3)->text(), "URL:http://a/1");
    w->CheckListBox1->setCurrentRow(1);
    EXPECT_EQ(w->Label2->text(), "dev-B");
    w->CheckListBox1->item(1)->setCheckState(Qt::Checked);
    ASSERT_EQ(w->ListViewURL->topLevelItemCount(), 3);
    w->ListViewURL->topLevelItem(0)->setSelected(true);
    w->ListViewURL->topLevelItem(2)->setSelected(true);
    w->SpeedButton2->click();
    ASSERT_EQ(w->ListViewURL->topLevelItemCount(), 1);
    onNextModal<TFormdeviceEdit>([](TFormdeviceEdit *e) {
        EXPECT_EQ(e->Edit1->text(), "Edit1");
        e->Edit1->setText("mms://d/4");
        e->BitBtn2->click();
    });
    w->SpeedButton1->click();
    onNextModal<TFormdeviceEdit>([](TFormdeviceEdit *e) { e->BitBtn1->click(); });
    w->SpeedButton1->click();
    w->BitBtn2->click();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(waitUntil([&] { return w.isNull(); }, 3000));
    EXPECT_EQ(option->excludedDevices, QStringList{"dev-B"});
    EXPECT_EQ(option->urlSources, (QStringList{"http://b/2", "mms://d/4"}));
    option.reset();
    EXPECT_EQ(lines("device.bin"), QStringList{"dev-B"});
    EXPECT_EQ(lines("SoruceUrl.bin"), (QStringList{"http://b/2", "mms://d/4"}));
}

TEST_F(DeviceManager, CancelChangesNothing)
{
    option->excludedDevices = {"dev-C"};
    std::uint8_t result = 0;
    QPointer<TFrm_Device> w = new TFrm_Device(option.get(), &result);
    w->show();
    EXPECT_EQ(w->CheckListBox1->item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(w->CheckListBox1->item(0)->checkState(), Qt::Unchecked);
    w->CheckListBox1->item(0)->setCheckState(Qt::Checked);
    w->ListViewURL->topLevelItem(0)->setSelected(true);
    w->SpeedButton2->click();
    w->BitBtn1->click();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(option->excludedDevices, QStringList{"dev-C"});
    EXPECT_EQ(option->urlSources, (QStringList{"http://a/1", "http://b/2", "http://c/3"}));
}

} // namespace
