#include "profiles/profile_file.h"

#include "i18n/language.h"
#include "link/file_guard.h"

namespace {

Error refused(const QString& path, const QString& why) {
    return Error{ErrorKind::BadInput,
                 fill_text(QT_TRANSLATE_NOOP("Messages", "Профиль %1 не принят: %2"), {path, why})};
}

} // namespace

Result<Profile> read_profile_file(const QString& path) {
    QByteArray bytes;
    QString why;
    if (!read_regular_file(path, kMaxProfileBytes, &bytes, &why)) return refused(path, why);
    const Result<Profile> p = parse_profile(bytes);
    if (!p) return refused(path, p.error().text);
    return p;
}

bool write_profile_file(const QString& path, const Profile& p, QString* why) {
    return write_whole_file(path, profile_json(p), why);
}
