#include "BoxReporter.h"

#include "LibraryRelay.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

namespace quorvel {

void BoxReporter::report(Kind kind, const QString &text)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!qobject_cast<QApplication *>(app)) {
        qWarning("Quorvel: %s", qPrintable(text));
        return;
    }
    QObject *relay = libraryRelay();
    if (!relay)
        return;
    // Queued to the library's relay: a box still waiting when the library is
    // unloaded is dropped with it.
    QMetaObject::invokeMethod(relay, [kind, text] {
        auto *box = new QMessageBox(kind == Kind::Plain ? QMessageBox::NoIcon : QMessageBox::Critical,
                                    LibReporter::titleFor(kind), text, QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::ApplicationModal);
        box->setObjectName(QStringLiteral("QuorvelMessage"));
        if (kind == Kind::Error)
            box->setWindowFlag(Qt::WindowStaysOnTopHint);
        box->show();
        box->raise();
        box->activateWindow();
    }, Qt::QueuedConnection);
}

} // namespace quorvel
