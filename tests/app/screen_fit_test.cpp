// Windows stay whole on the screen's free area, title bar included.
#include "app/screen_fit.h"

#include <gtest/gtest.h>

TEST(ScreenFit, ClientPlacedSoTheWholeFrameIsOnTheFreeArea) {
    const QRect avail(0, 0, 1366, 728); // 1366x768 less a 40 px panel
    const QMargins frame(1, 30, 1, 1);
    struct Row {
        const char* what;
        QRect client;
        QSize wanted;
        QRect expected;
    };
    const Row rows[] = {
        {"fits as it is", {100, 100, 800, 500}, {800, 500}, {100, 100, 800, 500}},
        {"title bar above the screen", {50, -20, 800, 500}, {800, 500}, {50, 30, 800, 500}},
        {"client at the top edge", {50, 0, 800, 500}, {800, 500}, {50, 30, 800, 500}},
        {"taller than the screen", {0, 100, 800, 900}, {800, 900}, {1, 30, 800, 697}},
        {"below the bottom", {100, 300, 600, 500}, {600, 500}, {100, 227, 600, 500}},
        {"off the right, too wide", {900, 100, 1500, 400}, {1500, 400}, {1, 100, 1364, 400}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(fitted_client(r.client, r.wanted, frame, avail), r.expected) << r.what;
}
