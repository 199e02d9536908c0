#include "Reporter.h"

#include <cstdio>

namespace vondrel {
namespace {

class StderrReporter : public Reporter {
public:
    void show(Kind, const QString &text) override {
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    }
    bool ask(const QString &text) override {
        std::fprintf(stderr, "%s (no)\n", text.toUtf8().constData());
        return false;
    }
};

StderrReporter g_stderrReporter;
Reporter *g_reporter = &g_stderrReporter;

} // namespace

Reporter &reporter() { return *g_reporter; }

void setReporter(Reporter *r) { g_reporter = r ? r : &g_stderrReporter; }

} // namespace vondrel
