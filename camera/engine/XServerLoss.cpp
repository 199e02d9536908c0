#include "XServerLoss.h"

#include <dlfcn.h>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvel {

namespace {

// int (*)(Display *): the display stays opaque here, so the library needs
// neither libX11's headers nor a link to it.
using IOErrorHandler = int (*)(void *);
using SetIOErrorHandler = IOErrorHandler (*)(IOErrorHandler);

IOErrorHandler g_previous = nullptr;  // set once, before any screen source runs

int onXServerLost(void *display)
{
    if (::syscall(SYS_gettid) == ::getpid() && g_previous)
        return g_previous(display);
    static const char message[] = "Quorvel: the X server of a screen source went away; the process ends.\n";
    (void)!::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(1);
}

} // namespace

void guardAgainstXServerLoss()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Only a libX11 that is already loaded (by the screen source's plugin).
        void *x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
        if (!x11)
            return;
        auto set = reinterpret_cast<SetIOErrorHandler>(::dlsym(x11, "XSetIOErrorHandler"));
        if (!set)
            return;
        // The library keeps its reference: the handler stays in force.
        g_previous = set(&onXServerLost);
    });
}

} // namespace quorvel
