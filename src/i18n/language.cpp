#include "i18n/language.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <optional>
#include <vector>

// The English catalogue, compiled by lrelease at build time (cmake/ZorvikLanguages.cmake).
extern const unsigned char zorvik_en_qm[];
extern const int zorvik_en_qm_size;

namespace {

UiLanguage g_current = UiLanguage::Russian;

struct Template {
    QString source;
    QRegularExpression pattern; // the source with each %n a capture
    std::vector<int> numbers;   // the n of each capture, in order
};

// `text` with each %n (n from 1 to the number of `args`) replaced by its value
// in one pass, so a value holding "%1" stays as it is.
QString filled(const QString& text, const QStringList& args) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        int n = 0;
        qsizetype digits = 0;
        if (text[i] == u'%') {
            while (digits < 2 && i + 1 + digits < text.size() && text[i + 1 + digits].isDigit()) {
                const int next = n * 10 + text[i + 1 + digits].digitValue();
                if (next > args.size()) break;
                n = next;
                ++digits;
            }
        }
        if (n >= 1) {
            out += args[n - 1];
            i += digits;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Templates are literals of the program: a small, fixed set.
QMutex g_templates_lock;
std::vector<Template> g_templates;
constexpr size_t kMaxTemplates = 1000;
// Texts already looked up: the window shows the same ones again and again.
// Cleared when it grows past its bound, a template comes or the language changes.
QHash<QString, QString> g_shown;
constexpr qsizetype kMaxShown = 4000;
// A message filled with a message filled with a message: "Профиль не применён: %1" with a
// refusal, itself a template filled with a version or "неизвестной версии".
constexpr int kNesting = 3;

Template make_template(const QString& source) {
    static const QRegularExpression marker(QStringLiteral("%(\\d+)"));
    QString pattern = QStringLiteral("^");
    std::vector<int> numbers;
    qsizetype at = 0;
    for (auto it = marker.globalMatch(source); it.hasNext();) {
        const auto m = it.next();
        pattern += QRegularExpression::escape(source.mid(at, m.capturedStart() - at));
        pattern += QStringLiteral("(.*?)");
        numbers.push_back(m.captured(1).toInt());
        at = m.capturedEnd();
    }
    pattern += QRegularExpression::escape(source.mid(at)) + QStringLiteral("$");
    return {source, QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption),
            std::move(numbers)};
}

} // namespace

std::optional<UiLanguage> language_from_code(const QString& code) {
    if (code == QLatin1String("ru")) return UiLanguage::Russian;
    if (code == QLatin1String("en")) return UiLanguage::English;
    return std::nullopt;
}

QString language_code(UiLanguage language) {
    return language == UiLanguage::Russian ? QStringLiteral("ru") : QStringLiteral("en");
}

UiLanguage system_language() {
    QString name;
#ifdef Q_OS_UNIX
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        name = qEnvironmentVariable(var);
        if (!name.isEmpty()) break;
    }
#else
    name = QLocale::system().name();
#endif
    return name.startsWith(QLatin1String("ru")) ? UiLanguage::Russian : UiLanguage::English;
}

LanguageOption take_language_option(const QStringList& args) {
    LanguageOption out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString value;
        if (a == QLatin1String("--lang")) {
            if (i + 1 >= args.size()) {
                out.error = QStringLiteral("--lang needs a value: ru or en");
                return out;
            }
            value = args[++i];
        } else if (a.startsWith(QLatin1String("--lang="))) {
            value = a.mid(7);
        } else {
            out.rest.append(a);
            continue;
        }
        out.language = language_from_code(value);
        if (!out.language) {
            out.error = QStringLiteral("--lang: unknown language '%1' (ru or en)").arg(value);
            return out;
        }
    }
    return out;
}

UiLanguage chosen_language(const LanguageOption& option, std::optional<UiLanguage> remembered) {
    if (option.language) return *option.language;
    if (remembered) return *remembered;
    return system_language();
}

bool install_language(UiLanguage language) {
    {
        const QMutexLocker lock(&g_templates_lock);
        g_current = language;
        g_shown.clear();
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    // A second call replaces what the first installed.
    static std::vector<QTranslator*> installed;
    for (QTranslator* t : installed) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    installed.clear();
    auto add = [&](bool loaded, QTranslator* t) {
        if (!loaded || !QCoreApplication::installTranslator(t)) {
            delete t;
            return false;
        }
        installed.push_back(t);
        return true;
    };
    // Qt's own texts (standard buttons, file dialogs): the Russian ones for
    // the Russian interface; English is Qt's source language.
    if (language == UiLanguage::Russian) {
        auto* qt = new QTranslator;
        return add(qt->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"),
                            QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)),
                   qt);
    }
    auto* ours = new QTranslator;
    return add(ours->load(zorvik_en_qm, zorvik_en_qm_size), ours);
}

UiLanguage current_language() {
    return g_current;
}

namespace {

// Parts of a text joined for showing only: lines, "; " lists.  A template
// whose own words hold no such separator never takes a joined text whole: its
// lazy placeholder would swallow the parts after the first.
const QString kLine = QStringLiteral("\n");
const QString kListed = QStringLiteral("; ");
// "field: reason", "sensor 5: refused: ...": a name before a message.
const QString kLabelled = QStringLiteral(": ");

QString shown(const QString& kept, int depth);

QString shown_parts(const QString& kept, const QString& separator, int depth) {
    QStringList parts = kept.split(separator);
    for (QString& part : parts) {
        // Lines of a "\r\n" text keep their "\r".
        const bool cr = separator == kLine && part.endsWith(u'\r');
        part = shown(cr ? part.chopped(1) : part, depth) + (cr ? QStringLiteral("\r") : QString());
    }
    return parts.join(separator);
}

// The text as a whole found in the catalogue or as a filled template.
// Called with g_templates_lock held.  `depth`: how many levels of filled-in
// values are translated in turn.
std::optional<QString> found(const QString& kept, int depth) {
    const QByteArray key = kept.toUtf8();
    for (const char* context : {"MainForm", "Messages"}) {
        const QString t = QCoreApplication::translate(context, key.constData());
        if (t != kept) return t;
    }
    const bool lines = kept.contains(kLine);
    const bool listed = kept.contains(kListed);
    for (const Template& t : g_templates) {
        if ((lines && !t.source.contains(kLine)) || (listed && !t.source.contains(kListed)))
            continue;
        const auto m = t.pattern.match(kept);
        if (!m.hasMatch()) continue;
        const QString out = QCoreApplication::translate("Messages", t.source.toUtf8().constData());
        // A filled-in value may be a message itself ("диск заполнен").
        QStringList args;
        for (int i = 1; i <= m.lastCapturedIndex(); ++i) {
            const int n = t.numbers[size_t(i - 1)];
            if (args.size() < n) args.resize(n);
            args[n - 1] = depth > 0 ? shown(m.captured(i), depth - 1) : m.captured(i);
        }
        return filled(out, args);
    }
    return std::nullopt;
}

// Called with g_templates_lock held.  Parts are taken in turn, not by
// recursion: a long line of a server's log must not run the stack out.
QString shown(const QString& kept, int depth) {
    if (kept.isEmpty()) return kept;
    if (const std::optional<QString> whole = found(kept, depth)) return *whole;
    if (kept.contains(kLine)) return shown_parts(kept, kLine, depth);
    if (kept.contains(kListed)) return shown_parts(kept, kListed, depth);
    // "sensor 5: refused: alarm: reason" has three names; more are not looked for.
    constexpr int kMaxNames = 4;
    QString out;
    QString rest = kept;
    for (int names = 0; names < kMaxNames; ++names) {
        const qsizetype at = rest.indexOf(kLabelled);
        if (at <= 0) break;
        out += shown(rest.left(at), depth) + kLabelled;
        rest = rest.mid(at + kLabelled.size());
        if (const std::optional<QString> whole = found(rest, depth)) return out + *whole;
    }
    return out + rest;
}

} // namespace

QString shown_text(const QString& kept) {
    if (g_current == UiLanguage::Russian || kept.isEmpty()) return kept;
    const QMutexLocker lock(&g_templates_lock);
    if (const auto it = g_shown.constFind(kept); it != g_shown.constEnd()) return *it;
    const QString out = shown(kept, kNesting);
    if (g_shown.size() >= kMaxShown) g_shown.clear();
    g_shown.insert(kept, out);
    return out;
}

QString fill_text(const char* templ, const QStringList& args) {
    const QString source = QString::fromUtf8(templ);
    {
        const QMutexLocker lock(&g_templates_lock);
        bool known = false;
        for (const Template& t : g_templates) known = known || t.source == source;
        // A template of placeholders and punctuation alone would match any text.
        static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
        static const QRegularExpression letter(QStringLiteral("\\p{L}"));
        const bool has_words = QString(source).remove(placeholder).contains(letter);
        if (!known && has_words && g_templates.size() < kMaxTemplates) {
            g_templates.push_back(make_template(source));
            g_shown.clear();
        }
    }
    return filled(source, args);
}

std::optional<UiLanguage> remembered_language() {
    const QSettings settings(QStringLiteral("zorvik"), QStringLiteral("zorvik"));
    return language_from_code(settings.value(QStringLiteral("ui/language")).toString());
}

void remember_language(UiLanguage language) {
    QSettings settings(QStringLiteral("zorvik"), QStringLiteral("zorvik"));
    settings.setValue(QStringLiteral("ui/language"), language_code(language));
}
