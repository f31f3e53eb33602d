#include "profiles/profile_apply.h"

#include "i18n/language.h"

#include <algorithm>

namespace {
// The mode write carries the extended byte too.
bool covers(ProfileField written, ProfileField field) {
    return written == field || (written == ProfileField::Mode && field == ProfileField::Extended);
}
} // namespace

ProfileApply::ProfileApply(Profile profile, std::vector<ProfileWrite> writes)
    : profile_(std::move(profile)), writes_(std::move(writes)) {}

const ProfileWrite* ProfileApply::next() const {
    if (write_failure_ || sent_ >= writes_.size()) return nullptr;
    return &writes_[sent_];
}

void ProfileApply::confirmed() {
    if (next()) ++sent_;
}

void ProfileApply::failed(const QString& why) {
    if (next()) write_failure_ = why;
}

bool ProfileApply::all_confirmed() const {
    return !write_failure_ && sent_ == writes_.size();
}

void ProfileApply::verified(const Result<SensorSetup>& after) {
    verified_ = true;
    if (!after) {
        read_failure_ = after.error().text;
        return;
    }
    left_ = differences(profile_, *after);
}

void ProfileApply::run(const std::function<std::optional<QString>(const ProfileWrite&)>& send,
                       const std::function<Result<SensorSetup>()>& read_back) {
    while (const ProfileWrite* w = next()) {
        if (const std::optional<QString> why = send(*w))
            failed(*why);
        else
            confirmed();
    }
    if (all_confirmed()) verified(read_back());
}

bool ProfileApply::applied() const {
    return all_confirmed() && verified_ && !read_failure_ && left_.empty();
}

QStringList ProfileApply::confirmed_keys() const {
    QStringList keys;
    for (size_t i = 0; i < sent_; ++i) keys << field_key(writes_[i].field);
    return keys;
}

QString ProfileApply::failure(Naming naming) const {
    if (write_failure_)
        return field_name(writes_[sent_].field, naming) + QStringLiteral(": ") + *write_failure_;
    if (read_failure_)
        return fill_text(QT_TRANSLATE_NOOP("Messages", "после записи: %1"), {*read_failure_});
    if (!left_.empty())
        return fill_text(
            QT_TRANSLATE_NOOP("Messages", "после записи датчик отличается от профиля: %1"),
            {difference_texts(left_, naming).join(QStringLiteral("; "))});
    return {};
}

QString ProfileApply::reason() const {
    return write_failure_ ? *write_failure_ : read_failure_.value_or(QString());
}

QStringList ProfileApply::field_lines(Naming naming) const {
    QStringList lines;
    auto still_differs = [this](ProfileField field) {
        return std::any_of(left_.begin(), left_.end(),
                           [field](const Difference& d) { return covers(field, d.field); });
    };
    for (size_t i = 0; i < writes_.size(); ++i) {
        const QString name = field_name(writes_[i].field, naming);
        if (i < sent_)
            lines << fill_text(still_differs(writes_[i].field)
                                   ? QT_TRANSLATE_NOOP("Messages", "%1: после записи отличается")
                                   : QT_TRANSLATE_NOOP("Messages", "%1: записано"),
                               {name});
        else if (i == sent_ && write_failure_)
            lines << fill_text(QT_TRANSLATE_NOOP("Messages", "%1: не записано: %2"),
                               {name, *write_failure_});
        else
            lines << fill_text(QT_TRANSLATE_NOOP("Messages", "%1: не записано"), {name});
    }
    // A field nobody wrote that differs now: the sensor changed meanwhile.
    for (const Difference& d : left_) {
        const bool written =
            std::any_of(writes_.begin(), writes_.end(),
                        [&d](const ProfileWrite& w) { return covers(w.field, d.field); });
        if (!written)
            lines << fill_text(QT_TRANSLATE_NOOP("Messages", "%1: после записи отличается"),
                               {field_name(d.field, naming)});
    }
    if (read_failure_)
        lines << fill_text(QT_TRANSLATE_NOOP("Messages", "Проверка не выполнена: %1"),
                           {*read_failure_});
    return lines;
}
