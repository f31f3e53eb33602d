#include "app/stop_signals.h"

#include <QTest>

#include <csignal>

#include <gtest/gtest.h>

namespace {
void (*handler_of(int signal_number))(int) {
    struct sigaction now {};
    sigaction(signal_number, nullptr, &now);
    return now.sa_handler;
}
} // namespace

TEST(StopSignals, SignalsReachTheEventLoopOnceThenTheOldHandlersAreBack) {
    const auto term_before = handler_of(SIGTERM);
    const auto int_before = handler_of(SIGINT);
    const auto hup_before = handler_of(SIGHUP);
    int calls = 0;
    {
        StopSignals stop([&calls] { ++calls; });
        ASSERT_TRUE(stop.active());
        EXPECT_NE(handler_of(SIGTERM), term_before);
        EXPECT_NE(handler_of(SIGINT), int_before);
        ASSERT_NE(handler_of(SIGHUP), hup_before); // a hang-up would end the run unlogged
        StopSignals second([] {});
        EXPECT_FALSE(second.active()); // one at a time

        ::raise(SIGHUP);
        ::raise(SIGTERM);
        ::raise(SIGINT);
        EXPECT_EQ(calls, 0); // the handler itself runs nothing
        EXPECT_TRUE(QTest::qWaitFor([&calls] { return calls > 0; }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(calls, 1);
        // Taken once: a further signal would act as before.
        EXPECT_EQ(handler_of(SIGTERM), term_before);
        EXPECT_EQ(handler_of(SIGINT), int_before);
        EXPECT_EQ(handler_of(SIGHUP), hup_before);
    }
    {
        // Ended without a signal: the handlers go back as well, and a new
        // instance can take over.
        StopSignals stop([] {});
        ASSERT_TRUE(stop.active());
    }
    EXPECT_EQ(handler_of(SIGTERM), term_before);
    EXPECT_EQ(handler_of(SIGINT), int_before);
    EXPECT_EQ(handler_of(SIGHUP), hup_before);
}
