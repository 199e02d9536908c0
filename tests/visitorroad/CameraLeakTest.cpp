// Opening and closing the camera window 50 times in a row, each time with the
// live test picture running, leaves no thread and no file handle behind.
// Memory is measured and printed (not asserted: the allocator and the media
// framework's caches make resident size a report, not a limit).
#include "RoadSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <cstdio>

using namespace vondrel;
using namespace vondrel::test;

namespace {

// What each open descriptor points at (pipes, sockets, event fds, files).
QMap<QString, int> descriptorKinds()
{
    QMap<QString, int> kinds;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        QString target = fd.symLinkTarget();
        if (target.isEmpty())
            target = QFile::symLinkTarget(fd.absoluteFilePath());
        // "pipe:[1234]" and "socket:[99]" counted by kind.
        const qsizetype bracket = target.indexOf(u'[');
        kinds[bracket > 0 ? target.left(bracket) : target] += 1;
    }
    return kinds;
}

QString describeGrowth(const QMap<QString, int> &before, const QMap<QString, int> &after)
{
    QStringList out;
    for (auto it = after.begin(); it != after.end(); ++it) {
        const int grew = it.value() - before.value(it.key());
        if (grew > 0)
            out << QStringLiteral("%1 +%2").arg(it.key()).arg(grew);
    }
    return out.join(QStringLiteral(", "));
}

struct ProcessFigures {
    int threads = 0;
    int files = 0;
    long rssKiB = 0;
};

ProcessFigures measure()
{
    ProcessFigures p;
    p.threads = int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    // The listing itself holds one descriptor while it runs; it is counted
    // the same way every time.
    p.files = int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                p.rssKiB = line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return p;
}

class CameraLeakTest : public CameraDeskFixture {
protected:
    // One opening: live picture shown, one snapshot, then "确定".
    void cycle(bool withSnapshot)
    {
        ReturnInfo info;
        QPointer<TFormCamera> w = new TFormCamera(nullptr, 0, &info);
        w->show();
        ASSERT_TRUE(waitUntil([&] { return liveView(w) != nullptr; }));
        if (withSnapshot)
            ASSERT_FALSE(snapshot(w, info).isEmpty());
        else
            waitUntil([] { return false; }, 60); // a few frames
        w->BitBtn1->click();
        settle();
        ASSERT_TRUE(w.isNull());
    }
    // Lets threads that wind down after a close finish doing so.
    static void quiet() { waitUntil([] { return false; }, 300); }

    // Fifty openings after a warm-up, with the figures before, at the peak
    // and after.
    void openFiftyTimes()
    {
        // Warm-up: the first openings load the media framework's plugins and
        // start its process-wide threads, which then stay for the process.
        for (int i = 0; i < 3; ++i)
            ASSERT_NO_FATAL_FAILURE(cycle(true));
        quiet();
        before = measure();
        kindsBefore = descriptorKinds();
        // VONDREL_LEAK_OPENINGS shortens the run under a memory checker.
        const int openings = qEnvironmentVariableIsSet("VONDREL_LEAK_OPENINGS")
                                 ? qEnvironmentVariableIntValue("VONDREL_LEAK_OPENINGS")
                                 : 50;
        peak = before;
        for (int i = 0; i < openings; ++i) {
            ASSERT_NO_FATAL_FAILURE(cycle(i % 5 == 0)) << "opening " << i;
            const ProcessFigures now = measure();
            peak.threads = std::max(peak.threads, now.threads);
            peak.files = std::max(peak.files, now.files);
            peak.rssKiB = std::max(peak.rssKiB, now.rssKiB);
        }
        quiet();
        after = measure();
        std::printf("camera window %d openings: threads %d -> %d (peak %d), file handles %d -> %d (peak %d), "
                    "RSS %ld KiB -> %ld KiB (peak %ld KiB, growth %ld KiB, %.1f KiB per opening)\n",
                    openings, before.threads, after.threads, peak.threads, before.files, after.files, peak.files,
                    before.rssKiB, after.rssKiB, peak.rssKiB, after.rssKiB - before.rssKiB,
                    double(after.rssKiB - before.rssKiB) / openings);
        const QString grown = describeGrowth(kindsBefore, descriptorKinds());
        if (!grown.isEmpty())
            std::printf("descriptors left open: %s\n", qPrintable(grown));
        RecordProperty("threads_before", before.threads);
        RecordProperty("threads_after", after.threads);
        RecordProperty("files_before", before.files);
        RecordProperty("files_after", after.files);
        RecordProperty("rss_kib_before", int(before.rssKiB));
        RecordProperty("rss_kib_after", int(after.rssKiB));
    }

    ProcessFigures before, peak, after;
    QMap<QString, int> kindsBefore;
};

TEST_F(CameraLeakTest, FiftyOpeningsLeaveNoThreadBehind)
{
    ASSERT_NO_FATAL_FAILURE(openFiftyTimes());
    EXPECT_LE(after.threads, before.threads);
}

TEST_F(CameraLeakTest, FiftyOpeningsLeaveNoFileHandleBehind)
{
    ASSERT_NO_FATAL_FAILURE(openFiftyTimes());
    EXPECT_LE(after.files, before.files) << "new descriptors: "
                                         << describeGrowth(kindsBefore, descriptorKinds()).toStdString();
}


} // namespace
