// Many cycles of Init, two cameras opened, a snapshot in flight and close,
// under a watchdog: a deadlock between the streaming threads and the UI
// thread ends the program instead of hanging the test run. Leaks show up
// in the sanitizer build, which runs fewer cycles.
#include "CameraLibrary.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "UsbCamera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_UNDER_ASAN 1
#endif

using namespace quorvel;

namespace {

int cycleCount()
{
    bool ok = false;
    const int fromEnv = qEnvironmentVariableIntValue("QUORVEL_STRESS_CYCLES", &ok);
    if (ok && fromEnv > 0)
        return fromEnv;
#ifdef QUORVEL_UNDER_ASAN
    return 12;
#else
    return 200;
#endif
}

// Aborts the process when a cycle takes longer than its limit.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : m_limit(limit), m_thread([this] { run(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard guard(m_lock);
            m_stop = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    void kick(int cycle)
    {
        std::lock_guard guard(m_lock);
        m_cycle = cycle;
        m_kicked = true;
        m_cv.notify_all();
    }

private:
    void run()
    {
        std::unique_lock lock(m_lock);
        while (!m_stop) {
            m_kicked = false;
            if (!m_cv.wait_for(lock, m_limit, [&] { return m_stop || m_kicked; })) {
                std::fprintf(stderr, "watchdog: cycle %d did not finish in %lld s (deadlock?)\n", m_cycle,
                             static_cast<long long>(m_limit.count()));
                std::abort();
            }
        }
    }
    std::chrono::seconds m_limit;
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_stop = false;
    bool m_kicked = false;
    int m_cycle = 0;
    std::thread m_thread;
};

} // namespace

TEST(CameraStress, InitOpenTwoCamerasSnapshotInFlightClose)
{
    enginetest::ensureApp();
    enginetest::UserFolder folder({QStringLiteral("testsrc"), QStringLiteral("testsrc")}, true);
    RecordingLibReporter messages;
    ScopedLibReporter scoped(&messages);
    enginetest::RecordingOwner owner;
    CameraLibrary lib;
    const int cycles = cycleCount();
    Watchdog watchdog(std::chrono::seconds(60));
    int snapshots = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        watchdog.kick(cycle);
        ASSERT_EQ(lib.Init(folder.environment()), 1);
        ASSERT_EQ(lib.option()->cameraCount, 2);
        lib.open(&owner, &owner, 1, nullptr, 0);
        lib.open(&owner, &owner, 2, nullptr, 1);
        UsbCamera *a = lib.camera(0);
        UsbCamera *b = lib.camera(1);
        ASSERT_TRUE(a && b);
        // Wait for frames on both, then ask for snapshots and close while
        // they are written and their records wait for this thread. Every
        // third cycle lets the loop run a little so records get delivered.
        ASSERT_TRUE(enginetest::waitUntil([&] {
            return a->Callback().m_FrameCount.load() > 0 && b->Callback().m_FrameCount.load() > 0;
        }, 20000)) << "cycle " << cycle;
        lib.Capture(0);
        lib.Capture(1);
        if (cycle % 3 == 1) {
            const auto target = a->Callback().m_FrameCount.load() + 1;
            enginetest::waitUntil([&] { return a->Callback().m_FrameCount.load() >= target; }, 2000);
        } else if (cycle % 3 == 2) {
            enginetest::waitUntil([&] { return owner.records().size() > std::size_t(snapshots); }, 2000);
        }
        EXPECT_TRUE(lib.close(cycle % 2));
        EXPECT_FALSE(lib.initialised());
        QCoreApplication::processEvents();
        snapshots = int(owner.records().size());
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('|')).toStdString();
}
