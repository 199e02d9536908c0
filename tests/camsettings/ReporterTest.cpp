// The library reporter: titles, the stderr default, and delivery of messages
// raised on other threads.
#include "LibReporter.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace quorvel;

namespace {

TEST(LibReporterTest, KindsCarryTheirBoxTitles)
{
    EXPECT_EQ(LibReporter::titleFor(LibReporter::Kind::Error), "Error!");
    EXPECT_EQ(LibReporter::titleFor(LibReporter::Kind::PlayCap), "PlayCap Message");
    EXPECT_EQ(LibReporter::titleFor(LibReporter::Kind::Plain), "");
}

TEST(LibReporterTest, HelpersReachTheInstalledReporterAndStderrIsRestored)
{
    RecordingLibReporter rec;
    {
        ScopedLibReporter scoped(&rec);
        reportErrorBox("Could not put VideoRenderer in graph");
        reportPlayCap("p");
        reportPlain("q");
        reportException("Cannot create temp directory.");
    }
    reportPlain("goes to stderr, not to the recorder");
    ASSERT_EQ(rec.count(), 4);
    const auto m = rec.messages();
    EXPECT_EQ(m[0].kind, LibReporter::Kind::Error);
    EXPECT_EQ(m[0].text, "Could not put VideoRenderer in graph");
    EXPECT_EQ(m[1].kind, LibReporter::Kind::PlayCap);
    EXPECT_EQ(m[2].kind, LibReporter::Kind::Plain);
    EXPECT_EQ(m[3].kind, LibReporter::Kind::Exception);
}

TEST(LibReporterTest, MessagesFromManyThreadsAllArrive)
{
    RecordingLibReporter rec;
    ScopedLibReporter scoped(&rec);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
                reportErrorBox(QStringLiteral("t%1 m%2").arg(t).arg(i));
        });
    EXPECT_TRUE(rec.waitForCount(400, 10000));
    for (auto &th : threads)
        th.join();
    EXPECT_EQ(rec.count(), 400);
    EXPECT_EQ(rec.texts().filter("t3 ").size(), 100);
}

TEST(LibReporterTest, QueueHoldsStreamingThreadMessagesForTheUiThread)
{
    LibMessageQueue queue;
    std::atomic<int> wakes{0};
    queue.setOnQueued([&] { ++wakes; });
    ScopedLibReporter scoped(&queue);
    std::thread streaming([] {
        reportErrorBox("first");
        reportPlayCap("second");
    });
    streaming.join();
    EXPECT_EQ(wakes.load(), 2);
    EXPECT_EQ(queue.pending(), 2);
    const auto taken = queue.takeAll();
    ASSERT_EQ(taken.size(), 2);
    EXPECT_EQ(taken[0].text, "first");
    EXPECT_EQ(taken[1].kind, LibReporter::Kind::PlayCap);
    EXPECT_EQ(queue.pending(), 0);
}

} // namespace
