#pragma once
// Start-up and shutdown of the main window, on the view model: what the
// windows show and which timers run between the program starting and the user
// being able to work, and the orderly way out through the close routine.
#include <QString>
#include <QStringList>

struct Configurator;

// --- Visual-styles manifest (Windows builds write it; tested everywhere) ---

// The nine lines of the manifest that binds the program to the themed common controls.
QStringList styles_manifest_lines();
// "<folder>/<executable name without extension>.exe.MANIFEST"
QString styles_manifest_path(const QString& program_dir, const QString& executable_name);

enum class ManifestResult { Written, AlreadyThere, Failed };
// Writes the manifest unless a file is already there; a failure stays silent
// for the user (the program then simply runs unthemed).
ManifestResult write_styles_manifest(const QString& program_dir, const QString& executable_name);

// --- Main window ---

// Error numbers of the start-up failure box ("Error#" followed by the number).
inline constexpr int kErrFileAccess = 75;   // the run log file cannot be created
inline constexpr int kErrPathNotFound = 76; // no folder for the run log

inline const QStringList kGeneratorOperations = {
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Ввести пароль")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Запрс состояния")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Запрсить версию прошивки и серийный номер")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Сдвинуть уровень полного")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Сдвинуть уровень пустого")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Установить уровень полного")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Установить уровень пустого")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Установить режим")),
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Установить пароль"))};

// The main window's load: defaults, splash, run log in `log_folder`, port
// list, operation list, timers.  False when a step failed; the failure has
// been shown in a critical message box and the remaining steps skipped.
bool Form_Load(Configurator& cfg, const QString& log_folder);

// The user closes the main window: the close routine, then every window goes.
void Form_Unload(Configurator& cfg);

// The main window is torn down without a close request (the program is
// ending by other means): stop the exchange, then the close routine.
void Form_Terminate(Configurator& cfg);
