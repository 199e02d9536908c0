#pragma once
// The desk's one replaceable message reporter. Stores and windows never open
// message boxes themselves: they tell the reporter, so tests can read the
// exact text and the program can show it in a box.
#include <QString>
#include <QStringList>

namespace vondrel {

class Reporter {
public:
    enum class Kind { Information, Warning, Error };
    virtual ~Reporter() = default;
    // A plain message box (title: the application title).
    virtual void show(Kind kind, const QString &text) = 0;
    // A yes/no question; true for yes.
    virtual bool ask(const QString &text) = 0;
};

// The reporter in force. Until one is installed, messages go to stderr and
// questions are answered no.
Reporter &reporter();
// Installs `r` (not owned); nullptr restores the stderr reporter.
void setReporter(Reporter *r);

inline void reportInfo(const QString &text) { reporter().show(Reporter::Kind::Information, text); }
inline void reportWarning(const QString &text) { reporter().show(Reporter::Kind::Warning, text); }
inline void reportError(const QString &text) { reporter().show(Reporter::Kind::Error, text); }
inline bool askYesNo(const QString &text) { return reporter().ask(text); }

// Keeps every message for tests and answers questions from a queue
// (default answer when the queue is empty: `defaultAnswer`).
class RecordingReporter : public Reporter {
public:
    struct Message { Kind kind; QString text; };
    void show(Kind kind, const QString &text) override { messages.push_back({kind, text}); }
    bool ask(const QString &text) override {
        questions.push_back(text);
        if (answers.isEmpty()) return defaultAnswer;
        return answers.takeFirst();
    }
    QStringList texts() const {
        QStringList out;
        for (const auto &m : messages) out << m.text;
        return out;
    }
    void clear() { messages.clear(); questions.clear(); answers.clear(); }

    QList<Message> messages;
    QStringList questions;
    QList<bool> answers;
    bool defaultAnswer = false;
};

// Installs a reporter for the lifetime of a scope (tests).
class ScopedReporter {
public:
    explicit ScopedReporter(Reporter *r) { setReporter(r); }
    ~ScopedReporter() { setReporter(nullptr); }
    ScopedReporter(const ScopedReporter &) = delete;
    ScopedReporter &operator=(const ScopedReporter &) = delete;
};

} // namespace vondrel
