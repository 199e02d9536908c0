#pragma once
// The library's own exception: carries the message text that the library
// raises ("Cannot create User folder directory.", "Cannot create temp
// directory."). Callers at a thread's or the export boundary catch it and
// hand the text to the reporter.
#include <QString>

#include <stdexcept>

namespace quorvel {

class LibraryError : public std::runtime_error {
public:
    explicit LibraryError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};

inline const char *const kUserFolderError = "Cannot create User folder directory.";
inline const char *const kTempDirError = "Cannot create temp directory.";

} // namespace quorvel
