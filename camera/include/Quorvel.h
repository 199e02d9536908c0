// Public interface of the camera library libQuorvel.so.
//
// Calling order: Quorvel_Init once; Quorvel_open once per camera index, each
// into its own host widget; then the per-camera calls; Quorvel_close once,
// last (it releases every camera). All calls on the host's UI thread (the
// thread of its QApplication).
//
// What comes back: camera event records arrive at the owner object as a
// QuorvelCameraEvent (type QuorvelCameraEventType) carrying the 892-byte
// CameraEventRecord; notifications arrive at the notify object as a
// QuorvelNotifyEvent (see QuorvelEvents.h). Both are delivered on the UI
// thread through the event loop, so the host must keep its loop running.
// No export delivers a record before it returns: the disable and enable
// records of Quorvel_close, Quorvel_open and Quorvel_Init arrive afterwards,
// also when the camera that raised them is gone by then (a record is dropped
// only when its owner object no longer exists). A record handler may call
// any export, including Quorvel_close, Quorvel_open and Quorvel_Init.
//
// Texts are UTF-8 in and out. A returned char* belongs to the caller, who
// releases it with free() (or quorvelTakeText below). Messages the library
// shows go through its reporter: boxes on the UI thread unless the host
// installs its own callback with Quorvel_SetReporter.
#pragma once

#include "QuorvelEvents.h"

#include <QString>

#include <cstdlib>

class QObject;
class QWidget;

#if defined(QUORVEL_BUILDING)
#define QUORVEL_API __attribute__((visibility("default")))
#else
#define QUORVEL_API
#endif

extern "C" {

// Creates the library options from "qxCamera.ini" in the user folder. A
// second call first releases everything of the first. Returns 1.
QUORVEL_API int Quorvel_Init(void);

// Creates the camera of `index` and starts its live picture in `host`,
// scaled to it and following its size. `owner` receives the event records,
// `notify` the notifications (either may be null). Does nothing for an index
// not below the number of configured cameras.
QUORVEL_API void Quorvel_open(QWidget *owner, QObject *notify, QWidget *host, int index);

// Enables the camera of `index` when it is disabled, else disables it; then
// releases the whole library state (every camera stops and saves its
// settings). `host` is not used. Returns true.
QUORVEL_API bool Quorvel_close(QWidget *host, int index);

// Requests a snapshot from the next frame; its path arrives in a type-4
// event record. `caller` is not used.
QUORVEL_API void Quorvel_Capture(QObject *caller, int index);

// Shows the properties of the camera's video source in a window owned by
// `parent` ("设备属性/Device Properties"); nothing while the camera has no
// running pipeline.
QUORVEL_API void Quorvel_ShowProperty(QWidget *parent, int index);

// Settings windows (pages 1..7), device manager, system settings, desktop
// lock-down.
QUORVEL_API void Quorvel_OpenSettings(QObject *owner, int index, int page);
QUORVEL_API void Quorvel_OpenDeviceManage(QObject *owner);
// The system settings window ("系统设置"), modal; returns its result
// (QDialog::Accepted after "确定"). Needs Quorvel_Init.
QUORVEL_API int Quorvel_SysSettings(QObject *owner);
// Applies the stored lock-down switches through libWinLock.so (desktop,
// task bar, task manager, task switching, in that order) and keeps
// `window`'s top-level window above the others when "TopWindow" is on.
// Non-zero on success; 0 without Init, without a window, or when a stored
// switch does not read as a boolean (then reported through the reporter).
QUORVEL_API int Quorvel_DoWinLock(QWidget *window);

// Network broadcast of a camera.
QUORVEL_API bool Quorvel_tmd_Broadcast(int index, int port, int maxClients, bool withRecording);
QUORVEL_API char *Quorvel_tmd_Broadcast_getLocalUrl(int index);
QUORVEL_API bool Quorvel_Broadcast_close(int index);

// Recording and snapshot root folders of a camera. The setters return false
// (and change nothing) for a folder text that is blank after trimming, or
// when the camera does not exist; the folder is stored untrimmed. The getters
// return an empty text when the camera does not exist.
QUORVEL_API bool Quorvel_setCapDir_root(int index, const char *folder);
QUORVEL_API char *Quorvel_getCapDir_root(int index);
QUORVEL_API bool Quorvel_setImgDir_root(int index, const char *folder);
QUORVEL_API char *Quorvel_getImgDir_root(int index);

// Kinds of the messages the library reports.
enum QuorvelMessageKind {
    QuorvelMessage_Error = 0,      // an error box, titled "Error!"
    QuorvelMessage_PlayCap = 1,    // titled "PlayCap Message"
    QuorvelMessage_Plain = 2,      // a plain message; title empty (the host's own)
    QuorvelMessage_Exception = 3,  // a library error; title empty
};

// A message of the library: `kind` one of QuorvelMessageKind; `title` and
// `text` UTF-8, zero-terminated, valid only during the call; `userData` as
// given to Quorvel_SetReporter. Called on any thread: the UI thread and the
// cameras' streaming threads alike, possibly on several at once. It must not
// wait for the UI thread (queue the message there instead). It may call
// Quorvel_close, Quorvel_open and Quorvel_Init: when it is called from inside
// the library on the UI thread, those run once the library code has returned.
typedef void (*QuorvelReportFunction)(void *userData, int kind, const char *title, const char *text);

// Beyond the sixteen: makes `report` receive every message of the library
// instead of the library's own boxes; a null `report` restores the boxes.
// `userData` must stay valid while the callback may run: a call that another
// thread has already begun can end after Quorvel_SetReporter returns.
QUORVEL_API void Quorvel_SetReporter(QuorvelReportFunction report, void *userData);

} // extern "C"

// Takes a text returned by the library and releases it.
inline QString quorvelTakeText(char *text)
{
    const QString s = text ? QString::fromUtf8(text) : QString();
    std::free(text);
    return s;
}
