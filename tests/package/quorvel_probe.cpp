// A host of the installed camera library, built against its installed
// headers and linked against the installed libQuorvel.so: starts camera 0
// (the library's test picture, configured by the caller in SoruceUrl.bin),
// takes one snapshot and prints the snapshot's event record. The record's
// texts come from the library's language files, so empty texts mean the
// installed library did not find them.
//   exit 0: a snapshot record arrived with both texts and its picture file
//   exit 1: no record within 30 s, or a text or the file is missing
#include <Quorvel.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <optional>

namespace {

class Owner : public QWidget {
public:
    std::optional<CameraEventRecord> snapshot;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelCameraEventType) {
            const auto &record = static_cast<QuorvelCameraEvent *>(e)->record;
            if (record.type == QuorvelEvent_CaptureSnapshot)
                snapshot = record;
            return true;
        }
        return QWidget::event(e);
    }
};

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Owner owner;
    QWidget host;
    host.resize(320, 240);
    host.show();

    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    runFor(300);
    Quorvel_Capture(nullptr, 0);

    QElapsedTimer t;
    t.start();
    while (!owner.snapshot && t.elapsed() < 30000)
        runFor(50);
    int status = 1;
    if (owner.snapshot) {
        const QString event = quorvelRecordText(owner.snapshot->event);
        const QString detail = quorvelRecordText(owner.snapshot->detail);
        const QString file = quorvelRecordText(owner.snapshot->file);
        std::printf("event=%s\ndetail=%s\nfile=%s\n", event.toUtf8().constData(), detail.toUtf8().constData(),
                    file.toUtf8().constData());
        if (event.isEmpty() || detail.isEmpty())
            std::fprintf(stderr, "quorvel_probe: the record's texts are empty: no language file was read\n");
        else if (!QFileInfo(file).isFile())
            std::fprintf(stderr, "quorvel_probe: the snapshot file is missing\n");
        else
            status = 0;
    } else {
        std::fprintf(stderr, "quorvel_probe: no snapshot record within 30 s\n");
    }
    Quorvel_close(&host, 0);
    runFor(100);
    return status;
}
