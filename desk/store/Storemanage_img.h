#pragma once
// Pictures of a visit: table MJVisiterImg, one row per picture file, linked to
// the visit by USERID. Outside the store a picture is always a file: saving
// reads the file at `path`, reading writes a copy to
// <temp folder>/visit{key}<ext> and sets `path` to it.
#include "Storemanage.h"

#include <QString>
#include <QVariantList>

#include <memory>
#include <vector>

class QSqlQuery;

namespace vondrel {

struct imgInfo {
    QString id;      // ID: GUID text with braces; empty = not stored yet
    QString visitId; // USERID: the visit's key
    QString path;    // local picture file; empty when the record has no picture
    QString title;   // "sfz" card photo, "Main" main photo, else a companion's name
};

using ArrayOfimgInfo = std::vector<std::unique_ptr<imgInfo>>;

// Stores `p` (insert or update as saveVisit does); the key or empty text.
QString saveImage(imgInfo &p);
// Inserts under a new key written into p.id first. The picture is the file at
// p.path (bytes and extension with its dot, e.g. ".JPG"); no file stores no
// picture. The key or empty text.
QString insertImage(imgInfo &p);
// Rewrites the row with key p.id. When no file exists at p.path the stored
// picture is kept (only USERID and title change). p.id or empty text.
QString updateImage(const imgInfo &p);
// Deletes the row with that key; true also when no such row exists.
bool deleteImage(const QString &key);
// Pictures matching `condition`, e.g. listImages(" where USERID=?", {visitKey}),
// in the order the rows are stored.
ArrayOfimgInfo listImages(const QString &condition, const QVariantList &params = {});
// Reads the current row and writes its temp copy when it holds at least
// 3 bytes (otherwise `path` stays empty); null on error. A copy that cannot
// be written whole is reported (once per listing) and leaves `path` empty, so
// that saving the record back keeps the stored picture.
std::unique_ptr<imgInfo> readImageRow(const QSqlQuery &dataset);

} // namespace vondrel
