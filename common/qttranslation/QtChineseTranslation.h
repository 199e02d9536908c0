#pragma once
// Qt's own texts in Chinese: the buttons of message boxes ("确定"), the file
// dialogs and the date picker's tool tips come from Qt's translation
// catalogue qtbase_zh_CN.qm (Debian: qt6-translations-l10n), not from our
// code. Both deliverables install it for their windows: the desk at
// start-up, the camera library when a host initialises it.
#include <QString>

namespace vq {

// Installs Qt's Chinese catalogue from `folder` (empty: Qt's translations
// folder) into the running application, unless Qt's texts are Chinese
// already (a host or an earlier call installed them); so a process never
// holds it twice. Returns true when Qt's texts are Chinese afterwards.
// A missing or unreadable catalogue logs one line and returns false: the
// windows then show Qt's English texts and everything else works as before.
// Call on the UI thread, after the application object exists.
bool installQtChineseTranslation(const QString &folder = QString());

// True when Qt's standard texts are Chinese in this process.
bool qtTextsAreChinese();

} // namespace vq
