#pragma once
// The shape of zorvik-cli's options, shared by the command parsers.
#include <QString>
#include <QStringList>

// A value that starts with a minus and a digit is a number, not an option.
inline bool is_option(const QString& a) {
    return a.startsWith(u'-') && !(a.size() > 1 && (a[1].isDigit() || a[1] == u'.'));
}

// Splits "--name=value" and "--name value"; `i` moves past what was taken.
struct Option {
    QString name;
    QString value;
    bool has_value = false;
};
inline Option take_option(const QStringList& a, qsizetype& i, bool wants_value) {
    Option o;
    const QString& arg = a[i];
    const qsizetype eq = arg.indexOf(u'=');
    if (arg.startsWith(u"--") && eq > 0) {
        o.name = arg.left(eq);
        o.value = arg.mid(eq + 1);
        o.has_value = true;
    } else {
        o.name = arg;
        if (wants_value && i + 1 < a.size()) {
            o.value = a[++i];
            o.has_value = true;
        }
    }
    return o;
}
