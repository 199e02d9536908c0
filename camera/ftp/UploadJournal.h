// The per-camera journal of the upload queue: the paths not yet sent, in
// queue order, one a line, beside the camera's settings files. The upload
// thread rewrites it (through the atomic writer) whenever the queue has
// changed; the camera reads it back when it is created, so pictures queued
// before a restart or a kill are still sent.
#pragma once

#include <QString>
#include <QStringList>

namespace quorvel {

class UploadJournal {
public:
    explicit UploadJournal(QString path);

    const QString &path() const { return m_path; }
    // The journaled paths; empty when there is no journal. Lines that are
    // not ours (a file of another program, a cut line) are skipped.
    QStringList load() const;
    // Replaces the journal by `paths`; an empty list removes the file, so a
    // camera with nothing waiting leaves no journal behind. False (error
    // filled) when it cannot.
    bool save(const QStringList &paths, QString *error = nullptr) const;

    static QByteArray encode(const QStringList &paths);
    static QStringList decode(const QByteArray &bytes);

private:
    QString m_path;
};

} // namespace quorvel
