#pragma once
// The card reader vendor library "termb" (libtermb.so), loaded by name at run
// time. The object holds the library loaded for its own lifetime, as the reader
// window does for its lifetime.
#include <QLibrary>
#include <QString>
#include <QStringList>

namespace vondrel {

class TermbLibrary {
public:
    // Results of Authenticate the window gives a text of its own.
    static constexpr int kCardFound = 1;

    using InitCommFn = int (*)(int port);
    using GetSAMIDFn = const char *(*)();
    using AuthenticateFn = int (*)();
    using ReadContentFn = int (*)(int active);

    // `location` empty: "libtermb.so" beside the program if it is there, else
    // "termb" through the system's library search, else the installed
    // stand-in; the first that loads. Otherwise a file name or path handed
    // to the loader as it stands (tests point it elsewhere).
    explicit TermbLibrary(const QString &location = QString());
    ~TermbLibrary();
    TermbLibrary(const TermbLibrary &) = delete;
    TermbLibrary &operator=(const TermbLibrary &) = delete;

    bool isLoaded() const { return m_lib.isLoaded(); }
    // Every entry point found: the reader can be driven.
    bool isUsable() const { return isLoaded() && m_missing.isEmpty(); }
    // Entry points the loaded library lacks, in lookup order.
    QStringList missingEntryPoints() const { return m_missing; }
    // The loader's own error text when loading failed.
    QString loadError() const { return m_loadError; }
    // A plain Chinese sentence for the status bar when the library cannot be
    // used; empty when it can.
    QString problemText() const;
    // The file the loader was asked for (the one that loaded, when any did).
    QString fileName() const { return m_fileName; }

    // Port scan: serial ports 1 to 4, then USB ports 1001 to 1004; the first
    // port whose InitComm returns 1, or 0 when none answers.
    int findPort();

    // Thin calls; each returns the failure value (0 or empty) when the entry
    // point is missing.
    int initComm(int port);
    QString samId();
    int authenticate();
    int readContent(int active = 1);

    // Frees the library early (the window does so when it closes).
    void unload();

private:
    QLibrary m_lib;
    QString m_fileName;
    QString m_loadError;
    QStringList m_missing;
    InitCommFn m_initComm = nullptr;
    GetSAMIDFn m_getSamId = nullptr;
    AuthenticateFn m_authenticate = nullptr;
    ReadContentFn m_readContent = nullptr;
};

// The status text for an Authenticate result other than 1.
QString authenticateStatusText(int result);

} // namespace vondrel
