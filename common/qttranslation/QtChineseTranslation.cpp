#include "QtChineseTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vq {

namespace {
const char kCatalogue[] = "qtbase_zh_CN";
}

bool qtTextsAreChinese()
{
    // The standard "OK" button text, as message boxes and dialog button
    // boxes ask for it.
    return QCoreApplication::translate("QPlatformTheme", "OK") == QStringLiteral("确定");
}

bool installQtChineseTranslation(const QString &folder)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    if (qtTextsAreChinese())
        return true;
    const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    // Owned by the application, so it lives as long as the windows it serves,
    // also after a library that installed it is unloaded (the object's code
    // is Qt's).
    auto *translator = new QTranslator(app);
    if (!translator->load(QLatin1String(kCatalogue), where)) {
        qWarning("Qt's Chinese texts (%s.qm) not found in %s: Qt's own texts stay English", kCatalogue,
                 qPrintable(where));
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return qtTextsAreChinese();
}

} // namespace vq
