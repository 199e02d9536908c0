#pragma once
// The one way this package writes a file: the bytes go to a temporary file
// beside the target, every write, the fsync and the close are checked, and
// only then is the temporary renamed over the target. Any failure leaves the
// old file as it was, removes the temporary and says why.
//
// QSaveFile is not used: on Qt 6.4 its commit() reports success after a short
// final write (a file-size limit or a full disk), which would replace a good
// file by a cut one.
#include <QByteArray>
#include <QString>

#include <optional>

namespace vq {

// Settings-sized reads stop here.
constexpr qint64 kMaxWholeFileBytes = 16 * 1024 * 1024;

// The file's bytes (at most maxBytes), or nothing when it cannot be opened.
std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes = kMaxWholeFileBytes);

// Writes `bytes` to `path` atomically. On failure returns false, keeps the old
// file and, when `error` is given, says why (the system's error text).
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// A streaming writer for files too large to build in memory (exports).
// Nothing is visible under `path` until commit() succeeds; a writer destroyed
// without a successful commit removes its temporary file.
class AtomicFile {
public:
    explicit AtomicFile(QString path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file. False (with errorString()) when it cannot.
    bool open();
    // Appends bytes; after the first failure every later call fails too.
    bool write(const char *data, qsizetype size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // fsync, close, rename. False (with errorString()) on any failure; the old
    // file is then untouched and the temporary removed.
    bool commit();
    // Drops the temporary file; the target is untouched.
    void discard();

    const QString &path() const { return m_path; }
    // The temporary file's path while open (for writers that need a file name,
    // such as a library that writes its own file: see commitWrittenFile).
    QString tempPath() const;
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QByteArray m_temp;
    int m_fd = -1;
    QString m_error;
};

// For a file written by someone else (a library writing to a path we give):
// a fresh temporary path beside `target`, created empty, that
// commitWrittenFile() then fsyncs and renames over `target`.
std::optional<QString> createTempFileFor(const QString &target, QString *error = nullptr);
bool commitWrittenFile(const QString &tempPath, const QString &target, QString *error = nullptr);

// Removes temporary files that a writer killed before its rename left in
// `folder` (only ours: their names carry the writing process's id, and a file
// is removed only when that process is gone, or when the id is this process's
// own and the file is not one this process is writing: an earlier process
// had the same id). Writers call this on the folder they write into; the desk
// calls it on its data and temp folders at start-up.
void removeStaleTempFiles(const QString &folder);

// True when `name` is a temporary file name of this writer.
bool isAtomicTempName(const QString &name);

} // namespace vq
