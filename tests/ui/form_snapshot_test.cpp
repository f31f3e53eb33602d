// The main window as the user finds it, as checked-in snapshots: after
// start-up, after opening the port, after each firmware generation answers,
// and after closing again.
#include "../support/configurator_rig.h"
#include "../support/snapshot.h"

#include <QMap>

#include <gtest/gtest.h>

namespace {
QByteArray identity(int version) {
    return frame(QByteArray("3E05FC39300000") +
                 QByteArray::number(version, 16).rightJustified(2, '0') + "00");
}

QString layout(const ConfiguratorRig& r) {
    return form_snapshot(r.f, SnapshotParts::Layout);
}
} // namespace

TEST(FormSnapshot, GatingByTagAndFirmwareVersion) {
    QString text;
    QMap<int, QStringList> tags;
    ConfiguratorRig start;
    for (const Control* c : start.f.controls())
        if (c->tag() > 8) tags[c->tag()] << c->name();
    for (auto it = tags.cbegin(); it != tags.cend(); ++it)
        text += QStringLiteral("tag %1: %2\n").arg(it.key()).arg(it.value().join(u' '));

    start.open();
    const QString opened = layout(start);
    text += QStringLiteral("\nopening the port changes:\n") +
            snapshot_changes(layout(ConfiguratorRig()), opened);
    for (int version : {129, 130, 131, 134, 163, 170, 171, 172, 175, 176, 200}) {
        ConfiguratorRig r;
        r.open();
        r.select(5);
        r.receive(identity(version));
        ASSERT_EQ(r.f.firmware_version, version);
        text += QStringLiteral("\nfirmware %1 then changes:\n").arg(version) +
                snapshot_changes(opened, layout(r));
        if (version == 176) {
            // An older sensor met next is offered only what it understands.
            const QString newest = layout(r);
            r.receive(identity(130));
            text += QStringLiteral("\nfirmware 130 after 176 changes:\n") +
                    snapshot_changes(newest, layout(r));
        }
    }
    EXPECT_TRUE(matches_golden(text, golden_path(__FILE__, "gating.txt")));
    // One below each threshold is offered no more than the generation before.
    auto seen_by = [](int version) {
        ConfiguratorRig r;
        r.open();
        r.select(5);
        r.receive(identity(version));
        return layout(r).toStdString();
    };
    for (const auto& [below, as] : {std::pair{162, 134}, {169, 163}, {199, 176}})
        EXPECT_EQ(seen_by(below), seen_by(as)) << below;
}

TEST(FormSnapshot, ClosingGoesBackToTheStartUpArrangement) {
    // Whatever sensor was seen, a closed port looks as if none had been.
    ConfiguratorRig plain;
    plain.open();
    BTNCloseCom_Click(plain.c);
    for (int version : {163, 172, 176, 200}) {
        ConfiguratorRig r;
        r.open();
        r.select(5);
        r.receive(identity(version));
        r.receive(frame("3E05F0152C03C1B0130060EA000050BD01001000260F05"));
        BTNCloseCom_Click(r.c);
        EXPECT_EQ(layout(r), layout(plain)) << version;
    }
    EXPECT_TRUE(matches_golden(form_snapshot(plain.f), golden_path(__FILE__, "closed.txt")));
}
