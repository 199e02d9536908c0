#include "MediaPanelRules.h"

namespace quorvel {

QStringList frameSizeNames()
{
    return {QStringLiteral("176 x 144"), QStringLiteral("320 x 240"), QStringLiteral("352 x 240"),
            QStringLiteral("480 x 360"), QStringLiteral("640 x 480"), QStringLiteral("704 x 400"),
            QStringLiteral("800 x 600"), QStringLiteral("1024 x 768")};
}

QStringList frameRateNames()
{
    QStringList out;
    for (int fps = 1; fps <= 30; ++fps)
        out << QStringLiteral("%1 FPS").arg(fps);
    return out;
}

QString bitRateText(int kbps)
{
    return QString::number(kbps) + QStringLiteral("kbps");
}

int broadcastSizeShown(int stored)
{
    return stored >= 0 && stored < int(frameSizeNames().size()) ? stored : 0;
}

int broadcastRateShown(int stored)
{
    return stored >= 0 && stored <= 29 ? stored : 4;
}

int broadcastBitRateShown(int stored)
{
    return stored >= kMinBitRate && stored <= kMaxBitRate ? stored : 1335;
}

int storedSnapInterval(int shown)
{
    return shown < 1 ? 3 : shown;
}

int storedUploadInterval(int shown)
{
    return shown < 1 ? 3 : shown;
}

int storedUploadBatch(int shown)
{
    return shown < 1 ? 1 : shown;
}

std::optional<int> readPortNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 5)
        return std::nullopt;
    for (const QChar c : t)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const int port = t.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

int positionOf(const QStringList &list, const QString &name)
{
    return int(list.indexOf(name));
}

RecommendedChoice recommendedChoice(const QStringList &list, const QString &recommended)
{
    RecommendedChoice choice;
    choice.index = positionOf(list, recommended);
    choice.lockList = choice.index > 0;
    return choice;
}

QString ftpFolderPath(const QStringList &textsFromRoot)
{
    QString path;
    for (const QString &t : textsFromRoot)
        path += t == QLatin1String("/") ? t : t + u'/';
    return path;
}

} // namespace quorvel
