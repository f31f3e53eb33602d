#include "app/qt_tones.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QtMath>

#include <cmath>

namespace {

// Mono 16-bit at 44.1 kHz if the device takes it, otherwise 16-bit in the
// device's own rate and channel count.  Invalid when neither works.
QAudioFormat format_for(const QAudioDevice& device) {
    QAudioFormat f;
    f.setSampleRate(44100);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(f)) return f;
    f = device.preferredFormat();
    f.setSampleFormat(QAudioFormat::Int16);
    return device.isFormatSupported(f) ? f : QAudioFormat();
}

} // namespace

QtTones::QtTones(QObject* parent) : QObject(parent) {}

QtTones::~QtTones() {
    if (sink_) sink_->stop();
}

QByteArray QtTones::sine(const QAudioFormat& format, int frequency_hz, int duration_ms) {
    const int rate = format.sampleRate();
    const int channels = std::max(1, format.channelCount());
    const qint64 frames = qint64(rate) * duration_ms / 1000;
    // A few milliseconds of fade at both ends, or the speaker clicks.
    const qint64 fade = std::min<qint64>(rate / 200, frames / 2);
    QByteArray pcm(qsizetype(frames * channels) * qsizetype(sizeof(qint16)), Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    for (qint64 i = 0; i < frames; ++i) {
        double gain = 0.5;
        if (fade > 0 && i < fade) gain *= double(i) / double(fade);
        if (fade > 0 && frames - 1 - i < fade) gain *= double(frames - 1 - i) / double(fade);
        const double v = gain * std::sin(2.0 * M_PI * frequency_hz * double(i) / rate);
        const auto s = qint16(std::lround(v * 32767.0));
        for (int c = 0; c < channels; ++c) *out++ = s;
    }
    return pcm;
}

void QtTones::tone(int frequency_hz, int duration_ms) {
    if (frequency_hz <= 0 || duration_ms <= 0) return;
    if (queue_.size() >= kMaxWaiting) return;
    queue_.push_back({frequency_hz, duration_ms});
    if (!sink_) play_next();
}

void QtTones::play_next() {
    while (!queue_.empty() && !sink_) {
        const Pending next = queue_.front();
        queue_.pop_front();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            queue_.clear();
            return;
        }
        const QAudioFormat format = format_for(device);
        if (!format.isValid()) continue;
        buffer_.close();
        buffer_.setData(sine(format, next.hz, next.ms));
        buffer_.open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(device, format);
        QObject::connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State s) {
            // Idle: the buffer has run out.  Stopped: the device failed.
            if (s == QAudio::IdleState || s == QAudio::StoppedState) finished();
        });
        sink_->start(&buffer_);
        if (sink_ && sink_->error() != QAudio::NoError) sink_.reset();
    }
}

void QtTones::finished() {
    if (!sink_) return;
    // Not from inside the sink's own signal: leave it before it goes.
    QAudioSink* done = sink_.release();
    QObject::disconnect(done, nullptr, this, nullptr);
    done->stop();
    done->deleteLater();
    QMetaObject::invokeMethod(
        this, [this] { play_next(); }, Qt::QueuedConnection);
}
