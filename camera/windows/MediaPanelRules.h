// The rules of the storage and recording, FTP and broadcast settings
// panels, free of widgets: the size and rate lists, the values a stored
// setting shows and the values a shown one is stored as, the recommended
// compressor choice and the path of a node in the FTP folder tree.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvel {

// "176 x 144" ... "1024 x 768": the frame sizes of recordings and broadcasts.
QStringList frameSizeNames();
// "1 FPS" ... "30 FPS": entry i is a rate of i + 1.
QStringList frameRateNames();

// The quality slider of recordings and broadcasts.
constexpr int kMinBitRate = 222;
constexpr int kMaxBitRate = 2227;
// The number followed by "kbps".
QString bitRateText(int kbps);

// What the broadcast panel shows for stored values that are out of range:
// a size index beyond the list shows 0, a rate index outside 0..29 shows 4
// (5 FPS), a bit rate outside the slider 1335.
int broadcastSizeShown(int stored);
int broadcastRateShown(int stored);
int broadcastBitRateShown(int stored);

// How the FTP panel stores its counters: an interval below 1 is stored as
// 3 seconds, a batch below 1 as one picture.
int storedSnapInterval(int shown);
int storedUploadInterval(int shown);
int storedUploadBatch(int shown);

// A broadcast port text: digits only, 1 to 65535.
std::optional<int> readPortNumber(const QString &text);

// The position of `name` in `list`, -1 when absent (nothing selected).
int positionOf(const QStringList &list, const QString &name);

// Ticking a "use the recommended" box: the entry to select (-1 when the
// list is empty) and whether the list is locked to it. Only an entry after
// the first locks the list.
struct RecommendedChoice {
    int index = -1;
    bool lockList = false;
};
RecommendedChoice recommendedChoice(const QStringList &list, const QString &recommended);

// The folder path of a tree node from the root down: each node text
// followed by "/" unless it is "/" itself, so "/", "a", "b" give "/a/b/".
QString ftpFolderPath(const QStringList &textsFromRoot);

} // namespace quorvel
