#pragma once
// Form snapshots and golden files: one line per control (or per frame of a
// transcript), compared with a checked-in text.  A failure prints the diff
// as two texts; ZORVIK_UPDATE_GOLDEN=1 rewrites the file after a deliberate
// change (then read the diff before committing it).
#include "ui/controls.h"

#include <QString>

#include <gtest/gtest.h>

enum class SnapshotParts {
    Layout, // visible and enabled: what the gating decides
    Full,   // plus text, value, colours
};

// "name  V E  tag=9  "text"  value"; controls in creation order.
QString form_snapshot(const Form& form, SnapshotParts parts = SnapshotParts::Full);

// The lines of `after` that differ from `before` (snapshots of one form):
// what a step changed, or "(nothing)".
QString snapshot_changes(const QString& before, const QString& after);

// The checked-in file `name` in the folder `golden/` beside `source_file`
// (pass __FILE__).
QString golden_path(const char* source_file, const QString& name);

// Compares `actual` with the golden file, or writes it when asked to.
::testing::AssertionResult matches_golden(const QString& actual, const QString& path);
