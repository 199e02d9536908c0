// The library-wide state behind the exports: the one options object with
// its camera table, and the per-camera operations the exports hand on.
// Display-free: the exports supply a display for each camera.
#pragma once

#include "FrameHooks.h"
#include "Option.h"

#include <QString>

#include <cstdint>
#include <memory>

class QObject;

namespace quorvel {

class UsbCamera;

class CameraLibrary {
public:
    CameraLibrary();
    ~CameraLibrary();  // releases everything, as close does
    CameraLibrary(const CameraLibrary &) = delete;
    CameraLibrary &operator=(const CameraLibrary &) = delete;

    // Creates the options from "qxCamera.ini" in the user folder and makes
    // sure the user folder exists. A second Init first releases the state
    // of the first. Returns 1.
    int Init(OptionEnvironment env);
    int Init();  // with the real device enumeration

    // Does nothing for an index not below cameraCount (or outside the table).
    void open(QObject *owner, QObject *notify, std::uintptr_t hostId,
              std::unique_ptr<CameraDisplay> display, int index);
    // Enables a disabled camera or disables a running one, then releases
    // the whole state. Returns true.
    bool close(int index);
    // Releases the options and every camera (library unload).
    void release();

    void Capture(int index);
    bool setCapDir_root(int index, const QString &folder);
    bool setImgDir_root(int index, const QString &folder);
    QString getCapDir_root(int index) const;
    QString getImgDir_root(int index) const;

    bool initialised() const { return m_option != nullptr; }
    Option *option() const { return m_option.get(); }
    // The camera of a table slot, or null (no options, empty slot, index
    // outside the table).
    UsbCamera *camera(int index) const;

private:
    std::unique_ptr<Option> m_option;
};

} // namespace quorvel
