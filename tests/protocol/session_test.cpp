// The blocking session over a scripted line.
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/requests.h"
#include "protocol/serial_port.h"
#include "protocol/session.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>

namespace {
QByteArray reply(uint8_t address, uint8_t code, const QByteArray& payload = {}) {
    QByteArray r;
    r.append(char(kReplyStart)).append(char(address)).append(char(code)).append(payload);
    return Control_summ(r);
}

// A line whose answer to a write arrives piece by piece, one piece a read
// (an empty piece is a read that finds nothing, as after a pause); reads
// return at once, as the in-process simulated line's do.
class PieceLine final : public SerialPort {
public:
    QByteArray waiting;                 // arrived and not read yet
    std::deque<QByteArray> next_answer; // what the next write is answered with
    int reads = 0;

    bool OpenPort(const QString&, const QString&) override { return true; }
    int ClosePort() override { return 0; }
    void FlushPort() override {}
    void DiscardInput() override { waiting.clear(); }
    QByteArray ReadPort() override {
        ++reads;
        if (!answer_.empty()) {
            waiting += answer_.front();
            answer_.pop_front();
        }
        return std::exchange(waiting, {});
    }
    uint16_t WritePort(const QByteArray& data) override {
        answer_ = std::exchange(next_answer, {});
        return uint16_t(data.size());
    }
    bool PortExists(const QString&) override { return true; }
    bool IsOpen() const override { return true; }

private:
    std::deque<QByteArray> answer_;
};

struct SessionTest : ::testing::Test {
    PieceLine line;
    Session session{line};
};
} // namespace

TEST_F(SessionTest, AnswersAndRefusalsByCode) {
    struct Row {
        QByteArray answer;
        std::optional<ErrorKind> error;
    };
    const Row rows[] = {
        {reply(5, CMD_SET_FULL), std::nullopt},
        {reply(5, RPL_WRONG_PASSWORD), ErrorKind::WrongPassword},
        {reply(5, RPL_FREQ_MODE, QByteArray::fromHex("01F4")), ErrorKind::FrequencyMode},
        {reply(5, CMD_SET_EMPTY), ErrorKind::UnexpectedCode},
        {QByteArray::fromHex("3E05F500"), ErrorKind::BadCrc},
        {QByteArray::fromHex("0102"), ErrorKind::NotFramed},
    };
    for (const Row& row : rows) {
        line.next_answer = {row.answer};
        const auto got = session.ask(request::set_full(5, 176), CMD_SET_FULL);
        ASSERT_EQ(got.ok(), !row.error) << to_hex(row.answer).toStdString();
        if (row.error) {
            EXPECT_EQ(got.error().kind, *row.error);
        } else {
            EXPECT_EQ(*got, row.answer);
        }
    }
}

TEST_F(SessionTest, LeftoverBytesAreDroppedAndASplitReplyIsJoined) {
    line.waiting = reply(5, CMD_SET_FULL); // a late answer to an earlier request
    const QByteArray state = reply(5, CMD_READ_STATE, QByteArray(18, '\x01'));
    line.next_answer = {state.left(7), {}, state.mid(7)};
    const auto got = session.read_state(5);
    ASSERT_TRUE(got.ok()) << got.error().text.toStdString();
    EXPECT_EQ(got->address, 5);
    EXPECT_EQ(got->coefficient, 0x0101);
}

TEST_F(SessionTest, APieceThatLooksLikeAWholeFrameIsReadOn) {
    // The temperature byte happens to equal the CRC of the header: the first
    // four bytes alone pass for a framed reply with a good CRC.
    const QByteArray header = QByteArray::fromHex("3E05F0");
    const QByteArray state = reply(5, CMD_READ_STATE, char(crc8(header)) + QByteArray(17, '\x02'));
    ASSERT_TRUE(reply_crc_ok(state.left(4)));
    line.next_answer = {state.left(4), {}, state.mid(4)};
    const auto got = session.exchange(request::read_state(5));
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, state);

    // A reply that is short for good is still taken once the time is up.
    const QByteArray short_id = reply(5, CMD_READ_ID, QByteArray(4, '\x01'));
    line.next_answer = {short_id};
    const auto id = session.exchange(request::read_id(5));
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(*id, short_id);
}

TEST_F(SessionTest, SilenceEndsWithNoAnswerWithoutSpinning) {
    const auto got = session.exchange(request::read_id(7));
    ASSERT_FALSE(got.ok());
    EXPECT_EQ(got.error().kind, ErrorKind::NoAnswer);
    EXPECT_EQ(describe(got.error(), 7), QStringLiteral("Нет ответа от датчика с адресом 7"));
    // Reads that return at once are spaced by a pause's length, not repeated
    // as fast as the processor goes for the whole answer time.
    EXPECT_GE(line.reads, 2);
    EXPECT_LE(line.reads, Session::kAnswerMs / SerialPort::kInterByteGapMs + 1);
}

TEST_F(SessionTest, ScanTakesEveryByteUntilTheLineFallsQuiet) {
    line.next_answer = {
        QByteArray("\x01\x05", 2), QByteArray("\x0C", 1), {}, QByteArray("\x09", 1)};
    const auto got = session.scan();
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, (QList<uint8_t>{1, 5, 12}));
}
