#pragma once
// The program's reporter: plain message boxes titled with the application
// title (applicationTitle(), AppTitle.h). Installed by main().
#include "Reporter.h"

namespace vondrel {

class MessageBoxReporter : public Reporter {
public:
    void show(Kind kind, const QString &text) override;
    bool ask(const QString &text) override;
};

} // namespace vondrel
