// Loads libQuorvel.so at run time, starts a camera into a host widget, and
// unloads the library while the camera runs. The library must tear the
// camera down (at unload or, when the loader keeps it, at exit) without a
// crash.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <dlfcn.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    {
        QApplication app(argc, argv);
        void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            std::fprintf(stderr, "dlopen: %s\n", dlerror());
            return 3;
        }
        auto init = reinterpret_cast<int (*)()>(dlsym(lib, "Quorvel_Init"));
        auto open = reinterpret_cast<void (*)(QWidget *, QObject *, QWidget *, int)>(dlsym(lib, "Quorvel_open"));
        auto capture = reinterpret_cast<void (*)(QObject *, int)>(dlsym(lib, "Quorvel_Capture"));
        if (!init || !open || !capture)
            return 4;
        QWidget host;
        host.resize(160, 120);
        host.show();
        init();
        open(&host, nullptr, &host, 0);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 500) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        capture(nullptr, 0);
        std::fprintf(stderr, "frames seen, unloading\n");
        dlclose(lib);
    }
    return 0;
}
