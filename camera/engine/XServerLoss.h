// What happens when the X server of a screen source goes away. libX11 then
// calls exit() on the thread that noticed it: the source's streaming
// thread. exit() there runs every static destructor of the process on that
// thread while the UI thread still paints and the pipeline still runs, and
// the process crashes on the way out. Once a screen source exists, the
// library replaces libX11's handler: on the main thread it does what libX11
// did before; on any other thread it ends the process at once, with the
// status libX11 uses (1), without running the static destructors.
#pragma once

namespace quorvel {

// UI thread, after the screen source element exists (its plugin has loaded
// libX11). Installs the handler once per process; nothing when libX11 is
// not loaded.
void guardAgainstXServerLoss();

} // namespace quorvel
