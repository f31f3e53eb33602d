#pragma once
// One profile applied to one sensor, the same in the window and on the
// terminal: the planned writes sent one at a time by the driver (the window's
// exchange cycle, the terminal's session), then the sensor read again.  The
// profile is applied only when every write was confirmed and the sensor now
// equals the profile in every field it names.
#include "profiles/profile_plan.h"
#include "protocol/result.h"

#include <functional>

class ProfileApply {
public:
    ProfileApply(Profile profile, std::vector<ProfileWrite> writes);

    // The write to send now; none once all are sent or one has failed.
    const ProfileWrite* next() const;
    // The sensor confirmed next().
    void confirmed();
    // next() was not confirmed, for `why`; the writes after it are not sent.
    void failed(const QString& why);
    // Every write went out and was confirmed: the sensor is to be read again.
    bool all_confirmed() const;
    // The sensor as read after the writes, or why it could not be.
    void verified(const Result<SensorSetup>& after);

    // Drives the whole apply with a driver that waits for each answer:
    // `send` gives nothing when the sensor confirmed, else why not.
    void run(const std::function<std::optional<QString>(const ProfileWrite&)>& send,
             const std::function<Result<SensorSetup>()>& read_back);

    bool applied() const;
    // The fields the sensor confirmed, by key ("empty, full").
    QStringList confirmed_keys() const;
    // Why it is not applied: "alarm: <reason>", "после записи: <reason>",
    // "после записи датчик отличается от профиля: full: 1 -> 2".
    QString failure(Naming naming) const;
    // The bare reason of the failure, without the field ("Прервано").
    QString reason() const;
    // A line per field: "Полный: записано", "Режим: после записи отличается",
    // "Пустой: не записано: Неверный пароль.", "Полный: не записано".
    QStringList field_lines(Naming naming) const;

private:
    Profile profile_;
    std::vector<ProfileWrite> writes_;
    size_t sent_ = 0; // writes confirmed
    std::optional<QString> write_failure_;
    std::optional<QString> read_failure_;
    std::vector<Difference> left_; // after the writes
    bool verified_ = false;
};
