#include "TermbLibrary.h"

#include "InstallDirs.h"

#include <QFileInfo>

namespace vondrel {
namespace {

// Where the reader library is looked for, in order: "libtermb.so" beside the
// program (a build tree, or a vendor library dropped there), "termb" through
// the system's library search (a vendor library installed on the machine),
// then the installed stand-in, which a site with real readers leaves out.
QStringList defaultLocations()
{
    const QString program = vq::runningProgramFolder();
    const QString beside = program + QStringLiteral("/libtermb.so");
    const QString standin = vq::installedStandinFolder(program) + QStringLiteral("/libtermb.so");
    QStringList places;
    if (QFileInfo::exists(beside))
        places << beside;
    places << QStringLiteral("termb");
    if (standin != beside && QFileInfo::exists(standin))
        places << standin;
    return places;
}

} // namespace

TermbLibrary::TermbLibrary(const QString &location)
{
    const QStringList places = location.isEmpty() ? defaultLocations() : QStringList{location};
    for (const QString &place : places) {
        m_fileName = place;
        m_lib.setFileName(place);
        if (m_lib.load())
            break;
        // The first failure says most (the library beside the program, or
        // the system's "termb" when nothing else is there).
        if (m_loadError.isEmpty())
            m_loadError = m_lib.errorString();
    }
    if (!m_lib.isLoaded())
        return;
    m_loadError.clear();
    auto find = [this](const char *name) {
        QFunctionPointer f = m_lib.resolve(name);
        if (!f)
            m_missing << QString::fromLatin1(name);
        return f;
    };
    m_initComm = reinterpret_cast<InitCommFn>(find("InitComm"));
    m_getSamId = reinterpret_cast<GetSAMIDFn>(find("GetSAMID"));
    m_authenticate = reinterpret_cast<AuthenticateFn>(find("Authenticate"));
    m_readContent = reinterpret_cast<ReadContentFn>(find("Read_Content"));
}

TermbLibrary::~TermbLibrary() { unload(); }

void TermbLibrary::unload()
{
    m_initComm = nullptr;
    m_getSamId = nullptr;
    m_authenticate = nullptr;
    m_readContent = nullptr;
    if (m_lib.isLoaded())
        m_lib.unload();
}

QString TermbLibrary::problemText() const
{
    if (!isLoaded())
        return QStringLiteral("找不到读卡器库 termb (libtermb.so)，不能读卡");
    if (!m_missing.isEmpty())
        return QStringLiteral("读卡器库缺少入口 %1，不能读卡").arg(m_missing.join(QStringLiteral(", ")));
    return {};
}

int TermbLibrary::findPort()
{
    if (!m_initComm)
        return 0;
    for (int port : {1, 2, 3, 4, 1001, 1002, 1003, 1004})
        if (m_initComm(port) == 1)
            return port;
    return 0;
}

int TermbLibrary::initComm(int port) { return m_initComm ? m_initComm(port) : 0; }

QString TermbLibrary::samId()
{
    if (!m_getSamId)
        return {};
    const char *id = m_getSamId();
    return id ? QString::fromLocal8Bit(id) : QString();
}

int TermbLibrary::authenticate() { return m_authenticate ? m_authenticate() : 0; }

int TermbLibrary::readContent(int active) { return m_readContent ? m_readContent(active) : 0; }

QString authenticateStatusText(int result)
{
    switch (result) {
    case 1: return QStringLiteral("读卡成功!请放下一张卡...");
    case 0: return QStringLiteral("请放卡（或者将卡拿开，再放下）...");
    case -1: return QStringLiteral("相片解码错误!");
    case -2: return QStringLiteral("wlt文件后缀错误!");
    case -3: return QStringLiteral("wlt文件打开错误!");
    case -4: return QStringLiteral("wlt文件格式错误!");
    case -5: return QStringLiteral("读卡器未授权!请检查读卡器...");
    default: return QStringLiteral("读卡失败!请重新放卡...");
    }
}

} // namespace vondrel
