// Renders the desk windows to PNG files for review (offscreen):
//   deskwindows_screenshots <output folder>
// The windows run over a store in a temp folder holding a few sample visits.
#include "DataFolder.h"
#include "Option.h"
#include "Reporter.h"
#include "Store.h"
#include "TFormAcccountManage.h"
#include "TFormAccountEdit.h"
#include "TFormSYS.h"
#include "TFormgate1.h"
#include "TFormvisitInfo.h"
#include "VisitListModel.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

using namespace vondrel;

namespace {

bool save(QWidget *w, const QString &folder, const char *name)
{
    w->show();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// A stand-in portrait so the photo boxes show something.
QString samplePicture(const QString &folder, const char *name, QColor colour, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, colour.lighter(150));
    g.setColorAt(1, colour.darker(130));
    p.fillRect(img.rect(), g);
    p.setBrush(QColor(240, 220, 200));
    p.setPen(Qt::NoPen);
    const int r = size.width() / 5;
    p.drawEllipse(QPoint(size.width() / 2, size.height() * 2 / 5), r, r + r / 4);
    p.drawRoundedRect(QRect(size.width() / 2 - 2 * r, size.height() * 2 / 3, 4 * r, size.height()), r, r);
    p.end();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    img.save(path);
    return path;
}

QString addVisit(const char *name, const char *sex, const char *reason, const QString &entry, const QString &leave,
                 const char *visitee, int companions)
{
    visitInfo v;
    v.name = QString::fromUtf8(name);
    v.sex = QString::fromUtf8(sex);
    v.birthDate = QStringLiteral("1985-07-08");
    v.docType = QStringLiteral("身份证");
    v.docNumber = QStringLiteral("110108198507080018");
    v.phone = QStringLiteral("13901234567");
    v.workUnit = QStringLiteral("北京岚拓科技有限公司");
    v.address = QStringLiteral("北京市海淀区中关村南大街27号");
    v.reason = QString::fromUtf8(reason);
    v.remark = QStringLiteral("送来两箱资料");
    v.visitee = QString::fromUtf8(visitee);
    v.guardOnDuty = QStringLiteral("admin");
    v.entryTime = entry;
    v.leaveTime = leave;
    v.companions = companions;
    return saveVisit(v);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 9));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    QTemporaryDir dir;
    RecordingReporter reporter;
    setReporter(&reporter);
    const QString dataFolder = dir.path() + QStringLiteral("/Vondrel Files/");
    makeWorkFolders(dataFolder);
    TDataModule1 data(dataFolder);
    Option option(dataFolder + QStringLiteral("Vondrel.ini"));
    option.guard = {QStringLiteral("admin"), QStringLiteral("582")};
    setCurrentOption(&option);

    // Visits of the last hours, so the stays read as real ones.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime first = now.addSecs(-(5 * 60 + 40) * 60);
    auto at = [&](int minutesAfterFirst) {
        return first.addSecs(minutesAfterFirst * 60).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    };
    addVisit("张伟", "男", "访友", at(0), at(67), "李明", 0);
    const QString key = addVisit("王芳", "女", "探亲", at(85), QString(), "王建国", 2);
    addVisit("刘洋", "男", "送水、送气", at(117), at(135), "3号楼物业", 0);
    addVisit("陈静", "女", "其他家政服务", at(160), QString(), "赵丽", 1);
    addVisit("Smith John", "男", "访友", at(190), at(335), "周强", 0);
    imgInfo main{QString(), key, samplePicture(dir.path(), "main.png", QColor(70, 110, 170), {176, 144}),
                 QStringLiteral("Main")};
    saveImage(main);
    imgInfo card{QString(), key, samplePicture(dir.path(), "card.png", QColor(150, 150, 150), {102, 126}),
                 QStringLiteral("sfz")};
    saveImage(card);
    for (const char *title : {"王小明", "随行人员"}) {
        imgInfo c{QString(), key, samplePicture(dir.path(), "c.png", QColor(90, 150, 90), {176, 144}),
                  QString::fromUtf8(title)};
        saveImage(c);
    }
    addAccount({QStringLiteral("张保安"), QStringLiteral("1234")});
    addAccount({QStringLiteral("李保安"), QStringLiteral("5678")});

    bool ok = true;
    {
        TFormgate1 w;
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(1180, 520);
        w.DateTimePicker1->setDate(first.date());
        w.ListView1->selectRow(1);
        w.ListView1Click();
        ok &= save(&w, out, "visit-list.png");
    }
    {
        auto *f = new TFormvisitInfo(nullptr, false, true, key);
        ok &= save(f, out, "registration-form.png");
        delete f;
    }
    {
        auto *f = new TFormvisitInfo(nullptr, false, true, QString());
        ok &= save(f, out, "registration-form-new.png");
        delete f;
    }
    {
        auto *f = new TFormvisitInfo(nullptr, true, false, key);
        ok &= save(f, out, "leave-registration.png");
        delete f;
    }
    {
        // 王芳 leaves through the leave form ("离开"); the list shows her
        // leave time and the stay up to it.
        TFormgate1 w;
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(1180, 520);
        w.DateTimePicker1->setDate(first.date());
        auto *leave = new TFormvisitInfo(&w, true, false, key);
        leave->show();
        leave->BitBtn2->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w.BitBtn1Click();
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            if (w.model()->visitAt(r)->id == key)
                w.ListView1->selectRow(r);
        }
        w.ListView1Click();
        ok &= save(&w, out, "visit-list-after-leave.png");
    }
    {
        auto *w = new TFormAcccountManage(nullptr);
        ok &= save(w, out, "account-manager.png");
        delete w;
    }
    {
        bool result = false;
        accountInfo a{QStringLiteral("张保安"), QStringLiteral("1234")};
        auto *e = new TFormAccountEdit(nullptr, result, 1, a);
        ok &= save(e, out, "account-edit.png");
        delete e;
    }
    {
        auto *w = new TFormSYS(nullptr);
        ok &= save(w, out, "settings.png");
        delete w;
    }
    setCurrentOption(nullptr);
    setReporter(nullptr);
    return ok ? 0 : 1;
}
