#include "link/port_identity.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kDevicePrefix = QStringLiteral("\\\\.\\");

QString path_of(const QString& name) {
    QString path = name.startsWith(kDevicePrefix) ? name.mid(kDevicePrefix.size()) : name;
    if (!path.contains(u'/')) path = QStringLiteral("/dev/") + path;
    return path;
}

QString canonical(const QString& name) {
    return QFileInfo(path_of(name)).canonicalFilePath();
}
} // namespace

bool same_device(const QString& a, const QString& b) {
    const QString ca = canonical(a);
    return !ca.isEmpty() && ca == canonical(b);
}

QString stable_device_name(const QString& device, const QString& by_id_dir) {
#ifdef Q_OS_WIN
    Q_UNUSED(by_id_dir);
    return device;
#else
    if (device.contains(QStringLiteral("://"))) return device; // a gateway's address
    const QString target = canonical(device);
    if (target.isEmpty()) return device;
    const QDir dir(by_id_dir);
    // Names in order, so that the same adapter gets the same name each time.
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (link.canonicalFilePath() != target) continue;
        return (device.startsWith(kDevicePrefix) ? kDevicePrefix : QString()) +
               link.absoluteFilePath();
    }
    return device;
#endif
}

QString port_note(const QString& description, const QString& maker, const QString& serial) {
    QStringList parts;
    if (!description.trimmed().isEmpty()) parts << description.trimmed();
    if (!maker.trimmed().isEmpty() && !description.contains(maker.trimmed(), Qt::CaseInsensitive))
        parts << maker.trimmed();
    if (!serial.trimmed().isEmpty()) parts << QStringLiteral("S/N ") + serial.trimmed();
    return parts.join(QStringLiteral(", "));
}
