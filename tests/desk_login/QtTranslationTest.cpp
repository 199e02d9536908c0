// Qt's own texts in Chinese: a missing catalogue leaves English texts and one
// log line; the installed one gives "确定" and the Chinese file dialog, once.
#include "AppFixture.h"
#include "QtChineseTranslation.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList g_log;
void recordLog(QtMsgType, const QMessageLogContext &, const QString &text) { g_log << text; }

QString okButtonText()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Ok);
    return box.button(QMessageBox::Ok)->text();
}

} // namespace

// One test, in this order: the translation is process-wide and cannot be
// taken back once installed.
TEST(QtChineseTranslation, MissingCatalogueKeepsEnglishThenInstalledGivesChineseOnce)
{
    testApp();
    ASSERT_FALSE(vq::qtTextsAreChinese()) << "nothing else in this program installs it";

    QTemporaryDir empty;
    g_log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordLog);
    const bool installed = vq::installQtChineseTranslation(empty.path());
    qInstallMessageHandler(previous);
    EXPECT_FALSE(installed);
    ASSERT_EQ(g_log.size(), 1) << g_log.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(g_log.front().contains(empty.path()));
    EXPECT_EQ(okButtonText().remove(QLatin1Char('&')), QStringLiteral("OK")) << "Qt's English texts";

    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    ASSERT_TRUE(QFile::exists(qtFolder + QStringLiteral("/qtbase_zh_CN.qm")))
        << "qt6-translations-l10n is installed by scripts/install-deps.sh";
    EXPECT_TRUE(vq::installQtChineseTranslation());
    EXPECT_EQ(okButtonText(), QStringLiteral("确定"));
    QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto labels = dialog.findChildren<QLabel *>();
    QStringList texts;
    for (const QLabel *l : labels)
        texts << l->text();
    EXPECT_TRUE(texts.join(QLatin1Char('|')).contains(QStringLiteral("文件名"))) << texts.join(QLatin1Char('|')).toStdString();

    // A second call (the camera library after the desk) adds nothing and logs nothing.
    g_log.clear();
    qInstallMessageHandler(recordLog);
    EXPECT_TRUE(vq::installQtChineseTranslation(empty.path()));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_log.isEmpty());
}
