#include "AppFixture.h"
#include "AppTitle.h"
#include "MessageBoxReporter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vondrel;

namespace {

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Reads the box that is up, then presses `button` on it.
void answerBox(Seen &seen, QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [&seen, button] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon()};
        box->button(button)->click();
    });
}

} // namespace

TEST(MessageBoxReporter, ShowsTheTextUnderTheApplicationTitle)
{
    testApp();
    setApplicationTitle(QStringLiteral("岚拓人员出入登记软件"));
    MessageBoxReporter r;
    Seen seen;
    answerBox(seen, QMessageBox::Ok);
    r.show(Reporter::Kind::Error, QStringLiteral("file is not a database"));
    EXPECT_EQ(seen.title, QStringLiteral("岚拓人员出入登记软件"));
    EXPECT_EQ(seen.text, QStringLiteral("file is not a database"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);

    answerBox(seen, QMessageBox::Yes);
    EXPECT_TRUE(r.ask(QStringLiteral("确定吗？")));
    answerBox(seen, QMessageBox::No);
    EXPECT_FALSE(r.ask(QStringLiteral("确定吗？")));
    EXPECT_EQ(seen.text, QStringLiteral("确定吗？"));
    setApplicationTitle(QString());
}
