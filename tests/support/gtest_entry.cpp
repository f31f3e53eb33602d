// Entry point of every test program: a QApplication (offscreen under ctest) so
// that widgets, timers and serial ports work, private settings, then GoogleTest.
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QFile>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::temp().filePath(QStringLiteral("zorvik-test-runtime"));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
    // Settings and per-user data of this run's own: neither the programs a
    // test starts nor the windows it builds touch the user's.
    QTemporaryDir home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QDir(home.path()).filePath(QString::fromLatin1(name)).toLocal8Bit());
    // The programs a test starts speak Russian, the language of the goldens,
    // whatever the machine's locale; a test of another language says so.
    if (!qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("ru"))) qunsetenv("LC_ALL");
    qputenv("LC_MESSAGES", "ru_RU.UTF-8");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
