// zorvik-cli in English: by --lang and by the locale; its run log stays Russian.
#include "../cli/cli_process.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs zorvik-cli on the demo line with LANG=`lang` (and no LC_ALL or
// LC_MESSAGES above it).
Outcome run(const QString& lang, const QStringList& args, const QString& log_dir) {
    QDir(log_dir).removeRecursively(); // one run, one log file
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.insert(QStringLiteral("LANG"), lang);
    env.insert(QString::fromLatin1(kLogDirVariable), log_dir);
    p.setProcessEnvironment(env);
    p.start(bin("zorvik-cli"), args);
    return finish_cli(p, log_dir);
}

} // namespace

TEST(EnglishCli, LanguageFromOptionOrLocaleRunLogStaysRussian) {
    struct Row {
        const char* lang;
        QStringList args;
        const char* said; // on stdout or stderr
    };
    const QStringList wrong_password{"--port", "demo", "--address", "12", "password", "enter", "7"};
    const QStringList alarm{"--port", "demo", "--address", "12", "--yes", "alarm", "20"};
    const Row rows[] = {
        {"C.UTF-8", QStringList{"--lang", "en"} + wrong_password, "Wrong password."},
        {"en_US.UTF-8", wrong_password, "Wrong password."},
        {"en_US.UTF-8", alarm, "New low-fuel alarm level set."},
        {"ru_RU.UTF-8", alarm, "Уст. новый уровень ав. ост. топлива."},
        {"en_US.UTF-8", QStringList{"--lang", "ru"} + wrong_password, "Неверный пароль."},
    };
    QTemporaryDir dir;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args.join(u' ').toStdString() + " LANG=" + r.lang);
        const Outcome o = run(QString::fromLatin1(r.lang), r.args, dir.filePath("log"));
        const QString said = o.out + o.err;
        EXPECT_TRUE(said.contains(QString::fromUtf8(r.said))) << said.toStdString();
        // The record of the sensor's answer is the Russian one whatever was shown.
        const QString record = r.args.contains("alarm")
                                   ? QStringLiteral("Уст. новый уровень ав. ост. топлива.")
                                   : QStringLiteral("Неверный пароль.");
        EXPECT_TRUE(o.log.contains(record)) << o.log.join(u'\n').toStdString();
    }
}

// Messages kept in Russian and filled with values come out English whole,
// values nested in values included; the Russian ones stay byte for byte.
TEST(EnglishCli, FilledMessagesAreShownInEnglish) {
    QTemporaryDir dir;
    const QString bad_profile = dir.filePath("bad.json");
    QFile f(bad_profile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"format": "x"})");
    f.close();
    // Sensor 1 of the demo line (1.3.0) has no lamp threshold: refused "field: reason".
    const QString alarm_profile = dir.filePath("alarm.json");
    QFile a(alarm_profile);
    ASSERT_TRUE(a.open(QIODevice::WriteOnly));
    a.write(R"({"format": "zorvik-profile", "version": 1, "serial": 1, "firmware": 176,
               "empty": 1, "full": 2, "mode": 0, "alarm": 20, "extended": 5})");
    a.close();
    const QStringList apply{"--port", "demo", "--address", "1", "profile", "apply", alarm_profile};
    struct Row {
        const char* lang;
        QStringList args;
        QString said;
    };
    const Row rows[] = {
        {"en_US.UTF-8",
         {"--port", "tcp://127.0.0.1", "scan"},
         "Wrong port address tcp://127.0.0.1: no port number. Write tcp://HOST:PORT or "
         "rfc2217://HOST:PORT."},
        {"ru_RU.UTF-8",
         {"--port", "tcp://127.0.0.1", "scan"},
         QStringLiteral("Неверный адрес порта tcp://127.0.0.1: нет номера порта. Пишите "
                        "tcp://ХОСТ:ПОРТ или rfc2217://ХОСТ:ПОРТ.")},
        {"en_US.UTF-8",
         {"profile", "show", bad_profile},
         "Profile " + bad_profile +
             " not accepted: not a profile: \"format\" is not \"zorvik-profile\""},
        {"ru_RU.UTF-8",
         {"profile", "show", bad_profile},
         QStringLiteral("Профиль ") + bad_profile +
             QStringLiteral(" не принят: это не профиль: \"format\" не \"zorvik-profile\"")},
        {"en_US.UTF-8", apply, "alarm: needs firmware 1.7.0 or newer, the sensor has 1.3.0"},
        {"ru_RU.UTF-8", apply,
         QStringLiteral("alarm: нужна прошивка 1.7.0 или новее, у датчика 1.3.0")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args.join(u' ').toStdString() + " LANG=" + r.lang);
        const Outcome o = run(QString::fromLatin1(r.lang), r.args, dir.filePath("log"));
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.err.trimmed().toStdString(), r.said.toStdString());
    }
    // The modes in words: Russian in the file, the user's language on the screen.
    const Outcome shown =
        run("en_US.UTF-8", {"profile", "show", alarm_profile}, dir.filePath("log"));
    EXPECT_TRUE(shown.out.contains("\nextended 5: smoothing 5, temperature compensation on\n"))
        << shown.out.toStdString();
}
