#include "profiles/setup_read.h"

#include "commands/operations.h"
#include "protocol/codes.h"
#include "protocol/requests.h"

SetupRead::SetupRead(uint8_t address, bool with_table)
    : address_(address), with_table_(with_table) {}

std::optional<SetupRead::Step> SetupRead::next() const {
    switch (taken_) {
    case 0:
        return Step{request::read_id(address_), CMD_READ_ID, {}};
    case 1:
        return Step{request::read_state(address_), CMD_READ_STATE, {}};
    case 2: {
        const auto version = decode_identity(identity_).version;
        if (!with_table_ || !version || !reads_table(*version)) return std::nullopt;
        return Step{request::read_table(address_), CMD_READ_TABLE,
                    rules_of(Operation::TableRead).log_prefix};
    }
    default:
        return std::nullopt;
    }
}

void SetupRead::take(const QByteArray& reply) {
    (taken_ == 0 ? identity_ : taken_ == 1 ? state_ : table_) = reply;
    ++taken_;
}

Result<SensorSetup> SetupRead::result() const {
    std::optional<CalibrationTable> table;
    if (!table_.isEmpty()) {
        const Result<CalibrationTable> t = decode_table_reply(table_);
        if (!t) return t.error();
        table = *t;
    }
    return setup_from(decode_identity(identity_), decode_state(state_), table);
}
