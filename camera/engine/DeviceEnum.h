// Finding media sources and encoders: capture devices through
// GstDeviceMonitor, encoders through the GStreamer registry, and the video
// source of one camera by its stored identification.
#pragma once

#include <QString>
#include <QStringList>

#include <gst/gst.h>

#include "Option.h"

namespace quorvel {

// The identification that selects the built-in moving test picture.
inline const QString kTestSourceId = QStringLiteral("testsrc");

// Fills ids with a stable identification per video capture device and names
// with its display name, in enumeration order.
void listVideoInputs(QStringList &ids, QStringList &names);
void listAudioInputs(QStringList &names);
int listVideoCompressors(QStringList &names);
int listAudioCompressors(QStringList &names);

int indexOfAudioDevice(const QStringList &audioInputs, const QString &name);      // 0 when absent
int indexOfAudioCompressor(const QStringList &compressors, const QString &name);  // 0 when absent
int indexOfVideoCompressor(const QStringList &compressors, const QString &name);  // -1 when absent

// The compressors a recording uses when the recommended ones are asked
// for: the first installed of the preferred video compressors, else the
// first installed; "MPEG Layer-3" for sound, else the first installed.
// Empty when none is installed.
QString recommendedVideoCompressor(const QStringList &installed);
QString recommendedAudioCompressor(const QStringList &installed);

// What findVideoSource found. element is a floating reference owned by the
// caller until it is added to a bin.
struct FoundSource {
    GstElement *element = nullptr;
    QString deviceName;   // goes into the data record's m_DeviceName
    bool isTestSource = false;
};

// By source kind: screen -> ximagesrc ("Screen"), stream -> uridecodebin
// (address loaded later), device -> the capture device whose identification
// equals sourceId exactly, or the test picture for "testsrc". Gives no
// element when nothing matches; says nothing (the graph builder reports).
FoundSource findVideoSource(const QString &sourceId, int sourceKind);

// The n-th audio capture device (from 0) as an element, or null.
GstElement *findAudioInput(int n);

// The device and encoder lists the library options ask for at construction.
OptionEnvironment engineOptionEnvironment();

// Property names and values of an element, for the properties window.
QList<QPair<QString, QString>> elementProperties(GstElement *element);

} // namespace quorvel
