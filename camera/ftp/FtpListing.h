// Folder listings as FTP servers send them: the machine-readable MLSD form
// and the Unix "ls -l" form of LIST. Only what a line says for certain is
// taken: a line that does not read cleanly is counted, never guessed at, so
// a folder tree built from a listing never holds a made-up name.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace quorvel {

struct FtpListEntry {
    enum class Kind { Folder, File, Other };
    QString name;
    Kind kind = Kind::Other;
};

// What a listing reply held. Only complete lines (ending in LF or CRLF) are
// read: a cut last line is dropped. Lines that cannot be read are counted in
// `malformed`. "." and ".." (and MLSD type=cdir/pdir) are skipped and not
// counted. Names are UTF-8 and may contain spaces; a name that is not valid
// UTF-8, holds a '/' or a NUL, or is empty counts as malformed, since it
// could not be asked for again by that name.
struct FtpListing {
    std::vector<FtpListEntry> entries;
    int malformed = 0;
};

// "fact=value;fact=value; name" lines; fact names and values in any case.
// type=dir -> Folder, type=file -> File, anything else (OS.unix=slink:...,
// no type fact) -> Other.
FtpListing parseMlsdListing(const QByteArray &data);
// "drwxr-xr-x 2 u g 4096 Jan 01 12:00 name" lines (the group column may be
// missing, the last date column may be a year): 'd' -> Folder, '-' -> File,
// 'l' and others -> Other (a link's name without its " -> target");
// "total N" lines skipped; empty lines skipped in both forms.
FtpListing parseUnixListing(const QByteArray &data);

} // namespace quorvel
