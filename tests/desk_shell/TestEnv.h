#pragma once
// Points the documents folder (and the runtime folder) at a temp folder for
// the lifetime of a test, restoring the old values afterwards.
#include <QByteArray>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value) : m_name(name)
    {
        const char *old = std::getenv(name);
        m_had = old != nullptr;
        if (old) m_old = old;
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had) qputenv(m_name.c_str(), QByteArray::fromStdString(m_old));
        else qunsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};
