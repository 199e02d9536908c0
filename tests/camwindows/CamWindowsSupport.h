// Helpers of the camera window tests: the application, screenshots for
// the README, answering the next modal dialog, and a live camera on the
// test picture with a settings window over it.
#pragma once

#include "CameraLibrary.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "SettingsWindows.h"
#include "UsbCamera.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace camwindowstest {

using namespace quorvel;
using enginetest::UserFolder;
using enginetest::waitUntil;

inline QApplication &app()
{
    static int argc = 1;
    static char name[] = "camwindows_test";
    static char *argv[] = {name, nullptr};
    static QApplication *a = new QApplication(argc, argv);
    return *a;
}

// Saves a picture of `w` under $VONDREL_SCREENSHOT_DIR, when it is set.
inline void saveScreenshot(QWidget *w, const QString &name)
{
    const QByteArray dir = qgetenv("VONDREL_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name);
}

// A camera on the test picture in slot 0 (slot 1 of the 2 x 2 table stays
// empty), its frames flowing.
class LiveCamera : public testing::Test {
protected:
    void SetUp() override
    {
        app();
        setLibReporter(&messages);
        folder = std::make_unique<UserFolder>(QStringList{QStringLiteral("testsrc")});
        lib = std::make_unique<CameraLibrary>();
        ASSERT_EQ(lib->Init(folder->environment()), 1);
        lib->open(&owner, &owner, 1, nullptr, 0);
        cam = lib->camera(0);
        ASSERT_NE(cam, nullptr);
        ASSERT_TRUE(waitUntil([&] { return !cam->FrameSize().isEmpty(); }, 15000));
        frame = cam->FrameSize();
    }
    void TearDown() override
    {
        closeWindow();
        lib.reset();
        setLibReporter(nullptr);
    }
    template <typename W = TFormSetting>
    W *openPage(int page, int index = 0)
    {
        window = new TFormSetting(page, index, lib->option(), lib->camera(index));
        window->show();
        return static_cast<W *>(window.data());
    }
    template <typename P>
    P *panel()
    {
        return static_cast<P *>(window->panel());
    }
    void closeWindow()
    {
        if (!window)
            return;
        window->close();
        waitUntil([&] { return window.isNull(); }, 3000);
    }
    bool waitForPicture(PreviewArea *preview)
    {
        return waitUntil([&] { return preview->hasPicture(); }, 10000)
            && waitUntil([&] { return preview->shownPictures() > 0; }, 10000);
    }
    CDataClass &data() { return cam->Data(); }

    RecordingLibReporter messages;
    std::unique_ptr<UserFolder> folder;
    std::unique_ptr<CameraLibrary> lib;
    enginetest::RecordingOwner owner;
    UsbCamera *cam = nullptr;
    QSize frame;
    QPointer<TFormSetting> window;
};

// Runs `act` on the next modal dialog of type T once it is shown (the
// caller then starts what opens it).
template <typename T>
void onNextModal(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, started] {
        if (started->elapsed() > 5000) {
            // No such dialog came: fail the test that expected it, not a
            // later one.
            ADD_FAILURE() << "no modal dialog of the expected type opened";
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (auto *d = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start();
}


} // namespace camwindowstest
