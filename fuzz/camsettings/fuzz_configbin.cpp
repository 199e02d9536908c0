// "config.bin": any bytes give a 108-byte block whose password ends inside
// its field; the block reads back unchanged.
#include "Option.h"

#include <QTemporaryDir>

#include <cstdlib>

namespace {
quorvel::Option *options()
{
    // One options object over an empty temp folder for the whole run.
    static QTemporaryDir *dir = new QTemporaryDir;
    static quorvel::Option *o = [] {
        quorvel::OptionEnvironment env;
        env.userFolder = dir->path() + QStringLiteral("/");
        env.langFolder = dir->path() + QStringLiteral("/nolang/");
        return new quorvel::Option(dir->path() + QStringLiteral("/qxCamera.ini"), env);
    }();
    return o;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quorvel::Option *o = options();
    o->setConfigBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray block = o->configBytes();
    if (block.size() != quorvel::Option::kConfigSize || o->lockPasswordText().size() > 19)
        std::abort();
    o->setConfigBytes(block);
    if (o->configBytes() != block)
        std::abort();
    return 0;
}
