#pragma once
// Test doubles for the program's narrow interfaces: scripted dialogs, recorded
// tones, a settable clock.
#include "link/clock.h"
#include "ui/dialogs.h"
#include "ui/tones.h"

#include <QDateTime>
#include <QStringList>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        QString text;
        MsgIcon icon;
        QString title;
    };
    std::vector<Shown> messages; // message boxes shown, in order
    QStringList questions;       // Yes/No questions asked
    QStringList prompts;         // input boxes shown
    // Every dialog in order: "msg: text", "ask: text", "input: prompt | title | prefill".
    QStringList shown;
    std::deque<bool> answers;                  // next Yes/No answers (default: No)
    std::deque<std::optional<QString>> inputs; // next input box results (default: cancel)
    std::deque<QString> files;                 // next file chooser results (default: cancel)
    std::deque<QString> filters;               // filters picked in the next choosers of several
    QStringList choosers;                      // file choosers shown: "title | filter"
    QStringList chooser_folders;               // the folder each chooser started in
    QStringList input_titles;                  // input boxes shown: "title | prefill"
    // Runs while a message box is "open", standing for what the user or a
    // timer does in its nested event loop.
    std::function<void()> during_message;
    // The same while a Yes/No question is open.
    std::function<void()> during_question;
    int notices = 0; // of the messages, those shown without waiting

    void message(const QString& text, MsgIcon icon, const QString& title) override {
        messages.push_back({text, icon, title});
        shown.append(QStringLiteral("msg: ") + text);
        if (during_message) during_message();
    }
    // Recorded as a message box is, so that transcripts read the same.
    void notice(const QString& text) override {
        ++notices;
        messages.push_back({text, MsgIcon::None, QString()});
        shown.append(QStringLiteral("msg: ") + text);
    }
    bool ask_yes_no(const QString& text, const QString&) override {
        questions.append(text);
        shown.append(QStringLiteral("ask: ") + text);
        if (during_question) during_question();
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> input_box(const QString& prompt, const QString& title,
                                     const QString& prefill) override {
        prompts.append(prompt);
        shown.append(QStringLiteral("input: ") + prompt + QStringLiteral(" | ") + title +
                     QStringLiteral(" | ") + prefill);
        input_titles.append(title + QStringLiteral(" | ") + prefill);
        if (inputs.empty()) return std::nullopt;
        auto v = inputs.front();
        inputs.pop_front();
        return v;
    }
    QString open_file(const QString& title, const QString& filter, const QString& folder) override {
        choosers.append(title + QStringLiteral(" | ") + filter);
        chooser_folders.append(folder);
        return next_file();
    }
    QString save_file(const QString& title, const QString& filter, const QString& folder) override {
        choosers.append(title + QStringLiteral(" | ") + filter);
        chooser_folders.append(folder);
        return next_file();
    }

    QString open_file_of(const QString& title, const QString& filters, const QString& folder,
                         QString* chosen) override {
        *chosen = next_filter(filters);
        return open_file(title, filters, folder);
    }
    QString save_file_of(const QString& title, const QString& filters, const QString& folder,
                         QString* chosen) override {
        *chosen = next_filter(filters);
        return save_file(title, filters, folder);
    }

    QStringList texts() const {
        QStringList t;
        for (const auto& m : messages) t.append(m.text);
        return t;
    }

private:
    QString next_filter(const QString& offered) {
        if (filters.empty()) return offered.section(QStringLiteral(";;"), 0, 0);
        QString f = filters.front();
        filters.pop_front();
        return f;
    }
    QString next_file() {
        if (files.empty()) return {};
        QString f = files.front();
        files.pop_front();
        return f;
    }
};

class FakeTones final : public Tones {
public:
    std::vector<std::pair<int, int>> played;
    void tone(int hz, int ms) override { played.emplace_back(hz, ms); }
};

class FakeClock final : public Clock {
public:
    QDateTime t = QDateTime(QDate(2026, 12, 6), QTime(18, 2, 16));
    QDateTime now() const override { return t; }
};
