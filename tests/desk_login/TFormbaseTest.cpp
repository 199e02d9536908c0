#include "AppFixture.h"
#include "Option.h"
#include "TFormbase.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vondrel;

TEST(TFormbase, TitlePanelAndBanner)
{
    testApp();
    QPointer<TFormbase> w = new TFormbase;
    w->resize(700, 300);
    w->show();
    EXPECT_EQ(w->PanelTitle->height(), 42);
    EXPECT_EQ(w->PanelTitle->y(), 0);
    EXPECT_EQ(w->PanelTitle->width(), w->width());
    EXPECT_EQ(w->Label_Title->geometry(), QRect(11, 9, 591, 29));
    EXPECT_EQ(w->Label_Title->font().pixelSize(), 29);
    EXPECT_FALSE(w->ImageTitle->pixmap().isNull());
    EXPECT_EQ(w->ImageTitle->geometry(), w->PanelTitle->contentsRect());
    EXPECT_GE(w->clientArea()->y(), 42);
    EXPECT_EQ(w->titleText(), QStringLiteral("人员出入登记软件")) << "without options: the default title";
    w->close();
    flushDeletes();
    EXPECT_FALSE(w);
}

TEST(TFormbase, BannerFillsThePanelAfterEveryResize)
{
    testApp();
    QPointer<TFormbase> w = new TFormbase;
    w->resize(500, 300);
    w->show();
    for (const int width : {900, 420, 1300}) {
        w->resize(width, 300);
        QCoreApplication::processEvents();
        EXPECT_EQ(w->PanelTitle->width(), width);
        EXPECT_EQ(w->ImageTitle->width(), w->PanelTitle->contentsRect().width()) << "window width " << width;
        EXPECT_EQ(w->ImageTitle->geometry(), w->PanelTitle->contentsRect()) << "window width " << width;
    }
    w->close();
    flushDeletes();
}

TEST(TFormbase, ShowsTheOptionTitleAndEachOpeningIsANewWindow)
{
    testApp();
    QTemporaryDir dir;
    Option option(dir.filePath(QStringLiteral("Vondrel.ini")));
    setCurrentOption(&option);
    option.title = QStringLiteral("东门岗");
    QPointer<TFormbase> first = new TFormbase;
    EXPECT_EQ(first->titleText(), QStringLiteral("东门岗"));
    first->show();
    first->close();
    flushDeletes();
    EXPECT_FALSE(first) << "closed means destroyed";

    option.title = QStringLiteral("西门岗");
    QPointer<TFormbase> second = new TFormbase;
    EXPECT_EQ(second->titleText(), QStringLiteral("西门岗"));
    second->setTitleText(QStringLiteral("新标题"));
    EXPECT_EQ(second->Label_Title->text(), QStringLiteral("新标题"));
    delete second;
    setCurrentOption(nullptr);
}

TEST(TFormbase, IsCentredOnItsOwner)
{
    testApp();
    QWidget owner;
    owner.setGeometry(100, 100, 800, 600);
    owner.show();
    QPointer<TFormbase> w = new TFormbase(&owner);
    w->resize(400, 200);
    w->show();
    const QPoint diff = w->frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(std::abs(diff.x()), 2);
    EXPECT_LE(std::abs(diff.y()), 2);
    w->close();
    flushDeletes();
}
