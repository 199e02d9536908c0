// playSound: name rules, missing files, and an asynchronous play of a real
// wave file through GStreamer.
#include "LibReporter.h"
#include "Option.h"
#include "SoundPlayer.h"
#include "TestSupport.h"


using namespace quorvel;
using namespace quorvel::test;

// GStreamer keeps its registry and type system for the whole process; those
// are not leaks of this library.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libgstreamer-1.0\nleak:libglib-2.0\nleak:libgobject-2.0\nleak:libgio-2.0\n"
           "leak:libgstbase\nleak:libgstaudio\nleak:libgstpbutils\nleak:libgstvideo\nleak:libgsttag\n"
           "leak:libgstcoreelements\nleak:libgstplayback\nleak:libgstwavparse\nleak:libgstriff\n"
           "leak:libgstapp\nleak:libpulse\nleak:libasound\nleak:libgstautodetect\n";
}

namespace {

// A mono 16-bit PCM wave file of `ms` milliseconds of silence.
QByteArray waveFile(int ms)
{
    const int rate = 8000;
    const int samples = rate * ms / 1000;
    const int dataBytes = samples * 2;
    auto le16 = [](int v) {
        QByteArray b(2, '\0');
        b[0] = char(v & 0xff);
        b[1] = char(v >> 8 & 0xff);
        return b;
    };
    QByteArray w = "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(rate)
        + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(dataBytes);
    w.append(QByteArray(dataBytes, '\0'));
    return w;
}

class SoundTest : public TempUserFolder {
protected:
    RecordingLibReporter reports;
    ScopedLibReporter scoped{&reports};
    OptionEnvironment env()
    {
        OptionEnvironment e;
        e.userFolder = user;
        e.programFolder = tmp.path() + "/prog/";
        e.langFolder = tmp.path() + "/nolang/";
        return e;
    }
};

TEST_F(SoundTest, EmptyOrMissingSoundPlaysNothing)
{
    Option o(user + "qxCamera.ini", env());
    EXPECT_EQ(o.playSound(""), 0);
    EXPECT_EQ(o.playSound(QStringLiteral("欢迎光临.WAV")), 0);
    EXPECT_EQ(o.playSound(tmp.path() + "/none/x.wav"), 0);
}

TEST_F(SoundTest, SoundFromTheMediaFolderPlaysAsynchronouslyToItsEnd)
{
    QDir().mkpath(tmp.path() + "/prog/media");
    writeAll(tmp.path() + "/prog/media/" + QStringLiteral("欢迎光临.wav"), waveFile(300));
    Option o(user + "qxCamera.ini", env());
    // The stored name differs in letter case from the file on disk.
    EXPECT_EQ(o.playSound(QStringLiteral("欢迎光临.WAV")), 1);
    ASSERT_TRUE(o.soundPlayer().waitIdle(10000));
    EXPECT_EQ(o.soundPlayer().finishedCount(), 1);
    EXPECT_EQ(o.soundPlayer().failedCount(), 0);
    const QString sink = o.soundPlayer().sinkName();
    EXPECT_TRUE(sink == "fakesink" || sink == "autoaudiosink") << sink.toStdString();
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(SoundTest, FullPathIsUsedAsGivenAndABrokenFileFailsQuietly)
{
    writeAll(tmp.path() + "/short.wav", waveFile(50));
    writeAll(tmp.path() + "/broken.wav", "RIFF....not a wave");
    Option o(user + "qxCamera.ini", env());
    EXPECT_EQ(o.playSound(tmp.path() + "/short.wav"), 1);
    ASSERT_TRUE(o.soundPlayer().waitIdle(10000));
    EXPECT_EQ(o.playSound(tmp.path() + "/broken.wav"), 1);
    ASSERT_TRUE(o.soundPlayer().waitIdle(10000));
    EXPECT_EQ(o.soundPlayer().finishedCount(), 1);
    EXPECT_EQ(o.soundPlayer().failedCount(), 1);
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(SoundTest, PlayReturnsWhileTheSoundRunsAndDestructionStopsIt)
{
    writeAll(tmp.path() + "/long.wav", waveFile(60000));
    Option o(user + "qxCamera.ini", env());
    EXPECT_EQ(o.playSound(tmp.path() + "/long.wav"), 1);
    // A minute of sound: still playing when playSound has returned.
    EXPECT_FALSE(o.soundPlayer().waitIdle(0));
    EXPECT_EQ(o.soundPlayer().finishedCount(), 0);
    // Leaving the scope destroys the player, which must stop the sound
    // rather than wait for its end (the test would time out otherwise).
}

} // namespace
