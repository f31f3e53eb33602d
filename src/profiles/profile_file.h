#pragma once
// Profile files: read only when the path is a regular file within the size
// limit, opened without blocking (a FIFO or a device never stalls us);
// written whole or not at all.
#include "profiles/profile.h"

#include <QString>

// A profile is a few kilobytes; anything this large was picked by mistake.
inline constexpr qint64 kMaxProfileBytes = 1 << 20;

// The profile in the file, or why it is not taken ("Профиль PATH не принят: ...").
Result<Profile> read_profile_file(const QString& path);
// Writes the profile whole (a temporary file renamed into place).  False with
// `why` set when it cannot.
bool write_profile_file(const QString& path, const Profile& p, QString* why);
