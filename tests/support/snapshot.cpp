#include "snapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString colour(Colour c) {
    return QStringLiteral("%1").arg(c, 6, 16, QLatin1Char('0')).toUpper();
}

QString value_of(const Control& c) {
    switch (c.kind()) {
    case ControlKind::CheckBox:
        return QString::number(static_cast<const CheckBox&>(c).value());
    case ControlKind::OptionButton:
        return static_cast<const OptionButton&>(c).value() ? QStringLiteral("on")
                                                           : QStringLiteral("off");
    case ControlKind::ComboBox: {
        const auto& box = static_cast<const ComboBox&>(c);
        return QStringLiteral("[%1] #%2")
            .arg(box.items().join(u','), QString::number(box.list_index()));
    }
    case ControlKind::Shape:
        return QStringLiteral("fill=") + colour(static_cast<const Shape&>(c).fill_colour());
    case ControlKind::ProgressBar: {
        const auto& bar = static_cast<const ProgressBar&>(c);
        return QStringLiteral("%1/%2").arg(bar.value()).arg(bar.max());
    }
    case ControlKind::Slider:
        return QString::number(static_cast<const Slider&>(c).value());
    case ControlKind::Grid: {
        const auto& grid = static_cast<const Grid&>(c);
        return QStringLiteral("rows=%1 [%2|%3|%4]")
            .arg(grid.rows())
            .arg(grid.cell(0, 0), grid.cell(0, 1), grid.cell(0, 2));
    }
    case ControlKind::TabControl:
        return QStringLiteral("tab=%1").arg(static_cast<const TabControl&>(c).current());
    default:
        return {};
    }
}
} // namespace

QString form_snapshot(const Form& form, SnapshotParts parts) {
    QString out;
    if (parts == SnapshotParts::Full)
        out += QStringLiteral("form %1 %2 \"%3\"\n")
                   .arg(form.name(), form.visible() ? QStringLiteral("V") : QStringLiteral("-"),
                        form.caption());
    for (const Control* c : form.controls()) {
        QString line = QStringLiteral("%1 ").arg(c->name(), -16) +
                       (c->visible() ? QStringLiteral("V") : QStringLiteral("-")) +
                       (c->enabled() ? QStringLiteral("E") : QStringLiteral("-"));
        if (parts == SnapshotParts::Full) {
            line += QStringLiteral(" tag=%1 \"%2\"").arg(c->tag()).arg(c->text());
            const QString v = value_of(*c);
            if (!v.isEmpty()) line += u' ' + v;
            if (c->kind() == ControlKind::Label)
                line += QStringLiteral(" fore=%1 back=%2")
                            .arg(colour(c->fore_colour()), colour(c->back_colour()));
        }
        out += line.trimmed() + u'\n';
    }
    return out;
}

QString snapshot_changes(const QString& before, const QString& after) {
    const QStringList b = before.split(u'\n'), a = after.split(u'\n');
    QString out;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b.value(i)) out += QStringLiteral("  ") + a[i] + u'\n';
    return out.isEmpty() ? QStringLiteral("  (nothing)\n") : out;
}

QString golden_path(const char* source_file, const QString& name) {
    QString source = QString::fromUtf8(source_file);
    // Built through ccache with CCACHE_BASEDIR, __FILE__ is relative to the
    // build folder (the one above bin/), while ctest runs the tests from
    // another one.
    if (QFileInfo(source).isRelative())
        source =
            QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).filePath(source);
    return QFileInfo(source).dir().filePath(QStringLiteral("golden/") + name);
}

::testing::AssertionResult matches_golden(const QString& actual, const QString& path) {
    if (qEnvironmentVariableIsSet("ZORVIK_UPDATE_GOLDEN")) {
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(actual.toUtf8()) < 0)
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "no golden file " << path.toStdString()
                                             << " (ZORVIK_UPDATE_GOLDEN=1 makes it); actual:\n"
                                             << actual.toStdString();
    const QString expected = QString::fromUtf8(in.readAll());
    if (expected == actual) return ::testing::AssertionSuccess();
    // Only the lines that differ, so the failure reads like a diff.
    const QStringList want = expected.split(u'\n'), got = actual.split(u'\n');
    std::string diff;
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) {
        const QString w = want.value(i), g = got.value(i);
        if (w == g) continue;
        diff += "  line " + std::to_string(i + 1) + "\n    want: " + w.toStdString() +
                "\n    got:  " + g.toStdString() + "\n";
    }
    return ::testing::AssertionFailure() << path.toStdString() << " differs:\n" << diff;
}
