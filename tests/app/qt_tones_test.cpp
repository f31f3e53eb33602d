// Tones through Qt Multimedia: the samples, and that asking never waits.
#include "app/qt_tones.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTest>

#include <gtest/gtest.h>

namespace {
QAudioFormat format(int rate, int channels) {
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}
} // namespace

TEST(QtTones, SineHasTheFrequencyDurationAndChannelsAsked) {
    const QByteArray pcm = QtTones::sine(format(8000, 1), 1000, 100);
    ASSERT_EQ(pcm.size(), 800 * 2);
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    int crossings = 0, peak = 0;
    for (int i = 1; i < 800; ++i) {
        if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
        peak = std::max(peak, std::abs(int(s[i])));
    }
    EXPECT_NEAR(crossings, 200, 4); // 100 periods in 100 ms
    EXPECT_GT(peak, 10000);
    EXPECT_LT(peak, 32767);
    EXPECT_LT(std::abs(int(s[0])), 100); // faded in and out, no click
    EXPECT_LT(std::abs(int(s[799])), 2000);

    const QByteArray stereo = QtTones::sine(format(8000, 2), 1000, 100);
    ASSERT_EQ(stereo.size(), 2 * pcm.size());
    const auto* t = reinterpret_cast<const qint16*>(stereo.constData());
    for (int i = 0; i < 800; ++i) {
        ASSERT_EQ(t[2 * i], s[i]);
        ASSERT_EQ(t[2 * i + 1], s[i]);
    }
}

TEST(QtTones, AskingForAToneNeverWaitsForIt) {
    QtTones tones;
    QElapsedTimer clock;
    clock.start();
    tones.tone(400, 3000);
    tones.tone(1000, 100);
    EXPECT_LT(clock.elapsed(), 1000); // far less than the 3 s tone
    tones.tone(0, 100);               // nonsense is ignored
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        EXPECT_FALSE(tones.playing());
        EXPECT_EQ(tones.waiting(), 0u);
    } else {
        EXPECT_TRUE(tones.playing());
        EXPECT_EQ(tones.waiting(), 1u);
    }
    QTest::qWait(50); // the event loop copes with whatever state it is in
}
