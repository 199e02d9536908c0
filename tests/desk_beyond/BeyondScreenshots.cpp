// Renders the visit list's search, roll call and printed page for review (offscreen):
//   desk_beyond_screenshots <output folder>
// Writes visit-list-search.png (a search), visit-list-rollcall.png (the roll call with
// an overstay), settings-overstay.png (the overstay hours in 系统设置) and
// rollcall-print.pdf (the printed page; pdftoppm turns it
// into rollcall-print.png).
#include "QtChineseTranslation.h"
#include "DataFolder.h"
#include "DeskDateTime.h"
#include "Option.h"
#include "Reporter.h"
#include "Store.h"
#include "TFormSYS.h"
#include "TFormgate1.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFont>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

using namespace vondrel;

namespace {

void addVisit(const char *name, const char *doc, const char *phone, const char *unit, const QString &entry,
              const QString &leave, const char *visitee)
{
    visitInfo v;
    v.name = QString::fromUtf8(name);
    v.sex = QStringLiteral("男");
    v.birthDate = QStringLiteral("1985-07-08");
    v.docType = QStringLiteral("身份证");
    v.docNumber = QString::fromUtf8(doc);
    v.phone = QString::fromUtf8(phone);
    v.workUnit = QString::fromUtf8(unit);
    v.address = QStringLiteral("北京市海淀区中关村南大街27号");
    v.reason = QStringLiteral("访友");
    v.visitee = QString::fromUtf8(visitee);
    v.guardOnDuty = QStringLiteral("admin");
    v.entryTime = entry;
    v.leaveTime = leave;
    saveVisit(v);
}

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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Boxes and dialogs as the desk shows them: with Qt\'s Chinese texts.
    vq::installQtChineseTranslation();
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

    const QDateTime now = QDateTime::currentDateTime();
    auto ago = [&](int minutes) { return now.addSecs(-minutes * 60).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); };
    addVisit("周建国", "11010819800502001X", "01062345678", "北京岚拓科技有限公司", ago(26 * 60 + 15), QString(), "李明");
    addVisit("张伟", "110108198507080018", "13901234567", "北京岚拓科技有限公司", ago(300), ago(233), "李明");
    addVisit("王芳", "110105199003150027", "13812345678", "市第一人民医院", ago(215), QString(), "王建国");
    addVisit("刘洋", "110102198811110035", "13698765432", "岚拓物业", ago(183), ago(165), "3号楼物业");
    addVisit("陈静", "110106199212120046", "13512349876", "北京岚拓科技有限公司", ago(140), QString(), "赵丽");
    addVisit("Smith John", "E12345678", "+86 138 0000 1111", "Acme Ltd.", ago(110), ago(20), "周强");

    bool ok = true;
    {
        TFormgate1 w;
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        w.resize(1180, 520); // the window's own size before it is maximized
        w.Edit1->setText(QStringLiteral("岚拓"));
        w.CheckBox1->setChecked(true);
        Q_EMIT w.Edit1->returnPressed();
        ok = save(&w, out, "visit-list-search.png") && ok;

        w.Edit1->clear();
        w.CheckBox1->setChecked(false);
        w.BitBtn2->click();
        ok = save(&w, out, "visit-list-rollcall.png") && ok;

        const QString pdf = out + QStringLiteral("/rollcall-print.pdf");
        w.PrintDialog1 = [&](QPrinter *printer, QWidget *) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return true;
        };
        w.BitBtn3->click();
        ok = QFile::exists(pdf) && ok;
        // The page as a picture, drawn by a real PDF reader.
        const int rc = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                                          QStringLiteral("-singlefile"), pdf, out + QStringLiteral("/rollcall-print")});
        std::printf("%s %s/rollcall-print.png\n", rc == 0 ? "wrote" : "FAILED", qPrintable(out));
        ok = rc == 0 && ok;
        QFile::remove(pdf);
    }
    {
        TFormSYS sys;
        sys.setAttribute(Qt::WA_DeleteOnClose, false);
        ok = save(&sys, out, "settings-overstay.png") && ok;
    }
    for (const QString &m : reporter.texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(m));
    setCurrentOption(nullptr);
    setReporter(nullptr);
    return ok ? 0 : 1;
}
