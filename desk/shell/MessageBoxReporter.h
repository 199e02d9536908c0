#pragma once
// The program's reporter: plain message boxes titled with the application
// title (applicationTitle(), AppTitle.h). Installed by main().
#include "Reporter.h"

namespace vondrel {

// Every message also goes to stderr, so a run's log holds what the guard saw.
class MessageBoxReporter : public Reporter {
public:
    void show(Kind kind, const QString &text) override;
    bool ask(const QString &text) override;

    // Once the program is asked to end, no box may hold it up: messages then
    // go to stderr only and questions are answered no.
    void setBoxesShown(bool shown) { m_boxes = shown; }
    bool boxesShown() const { return m_boxes; }

private:
    bool m_boxes = true;
};

} // namespace vondrel
