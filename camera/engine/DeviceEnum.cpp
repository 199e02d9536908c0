#include "DeviceEnum.h"

#include "LibReporter.h"
#include "CDataClass.h"
#include "GstPtr.h"

#include <QHash>

namespace quorvel {

bool ensureGStreamer()
{
    static const bool ok = [] {
        GError *err = nullptr;
        const bool r = gst_init_check(nullptr, nullptr, &err);
        if (err)
            g_error_free(err);
        return r;
    }();
    return ok;
}

namespace {

QString structureString(const GstStructure *s, const char *field)
{
    if (!s || !gst_structure_has_field_typed(s, field, G_TYPE_STRING))
        return {};
    return QString::fromUtf8(gst_structure_get_string(s, field));
}

QString deviceIdentification(GstDevice *device)
{
    GstStructure *props = gst_device_get_properties(device);
    QString api = structureString(props, "device.api");
    QString where = structureString(props, "device.bus_path");
    if (where.isEmpty())
        where = structureString(props, "api.v4l2.path");
    if (where.isEmpty())
        where = structureString(props, "device.path");
    if (where.isEmpty())
        where = structureString(props, "object.path");
    const QString serial = structureString(props, "device.serial");
    if (props)
        gst_structure_free(props);
    GCharPtr display(gst_device_get_display_name(device));
    if (api.isEmpty())
        api = QStringLiteral("device");
    if (where.isEmpty())
        where = QString::fromUtf8(display.get());
    QString id = api + QLatin1Char(':') + where;
    if (!serial.isEmpty())
        id += QLatin1Char(':') + serial;
    return id;
}

// Devices of one class, in the monitor's order, each with a unique id.
struct DeviceEntry {
    GstObjectPtr<GstDevice> device;
    QString id;
    QString name;
};

std::vector<DeviceEntry> listDevices(const char *klass)
{
    std::vector<DeviceEntry> out;
    if (!ensureGStreamer())
        return out;
    GstObjectPtr<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), klass, nullptr);
    if (!gst_device_monitor_start(monitor.get()))
        return out;
    GList *devices = gst_device_monitor_get_devices(monitor.get());
    gst_device_monitor_stop(monitor.get());
    QHash<QString, int> seen;
    for (GList *l = devices; l; l = l->next) {
        DeviceEntry e;
        e.device.reset(GST_DEVICE(l->data));  // takes the list's reference
        e.id = deviceIdentification(e.device.get());
        const int n = seen[e.id]++;
        if (n > 0)
            e.id += QStringLiteral("#%1").arg(n);
        GCharPtr display(gst_device_get_display_name(e.device.get()));
        e.name = QString::fromUtf8(display.get());
        out.push_back(std::move(e));
    }
    g_list_free(devices);
    return out;
}

int listEncoders(const char *klassPart, QStringList &names)
{
    if (!ensureGStreamer()) {
        reportPlain(QStringLiteral("Failed to create system enumerator"));
        return 0;
    }
    GList *factories = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_ENCODER,
                                                             GST_RANK_NONE);
    if (!factories) {
        reportPlain(QStringLiteral("Failed to create class enumerator"));
        return 0;
    }
    factories = g_list_sort(factories, gst_plugin_feature_rank_compare_func);
    int added = 0;
    for (GList *l = factories; l; l = l->next) {
        auto *f = GST_ELEMENT_FACTORY(l->data);
        const char *klass = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS);
        if (!klass || !g_strrstr(klass, klassPart))
            continue;
        const char *longName = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME);
        names << QString::fromUtf8(longName ? longName : GST_OBJECT_NAME(f));
        ++added;
    }
    gst_plugin_feature_list_free(factories);
    return added;
}

} // namespace

void listVideoInputs(QStringList &ids, QStringList &names)
{
    for (const auto &d : listDevices("Video/Source")) {
        ids << d.id;
        if (!d.name.isEmpty())
            names << d.name;
    }
}

void listAudioInputs(QStringList &names)
{
    for (const auto &d : listDevices("Audio/Source"))
        if (!d.name.isEmpty())
            names << d.name;
}

int listVideoCompressors(QStringList &names)
{
    return listEncoders("Video", names);
}

int listAudioCompressors(QStringList &names)
{
    return listEncoders("Audio", names);
}

int indexOfAudioDevice(const QStringList &audioInputs, const QString &name)
{
    const int i = int(audioInputs.indexOf(name));
    return i < 0 ? 0 : i;
}

int indexOfAudioCompressor(const QStringList &compressors, const QString &name)
{
    const int i = int(compressors.indexOf(name));
    return i < 0 ? 0 : i;
}

int indexOfVideoCompressor(const QStringList &compressors, const QString &name)
{
    return int(compressors.indexOf(name));
}

namespace {

// Compressors preferred for recordings, in order of preference.
const char *const kRecommendedVideoCompressors[] = {
    "Ligos Indeo? XP Video 5.2",       "Indeo? Video 5.2 Compression Filter",
    "Indeo? Video 5.10 Compression Filter", "Intel Indeo? Video 4.5",
    "Intel Indeo(R) Video R3.2",       "XviD MPEG-4 Codec",
    "ffdsshow Video Codec",            "Microsoft Video 1",
};

} // namespace

QString recommendedVideoCompressor(const QStringList &installed)
{
    for (const char *name : kRecommendedVideoCompressors) {
        const QString candidate = QString::fromLatin1(name);
        if (installed.contains(candidate))
            return candidate;
    }
    return installed.isEmpty() ? QString() : installed.first();
}

QString recommendedAudioCompressor(const QStringList &installed)
{
    const QString mp3 = QStringLiteral("MPEG Layer-3");
    if (installed.contains(mp3))
        return mp3;
    return installed.isEmpty() ? QString() : installed.first();
}

FoundSource findVideoSource(const QString &sourceId, int sourceKind)
{
    FoundSource found;
    if (!ensureGStreamer())
        return found;
    if (sourceKind == CDataClass::SourceScreen) {
        found.deviceName = QStringLiteral("Screen");
        found.element = gst_element_factory_make("ximagesrc", nullptr);
        return found;
    }
    if (sourceKind == CDataClass::SourceStream) {
        found.deviceName = sourceId;
        found.element = gst_element_factory_make("uridecodebin", nullptr);
        return found;
    }
    if (sourceId == kTestSourceId) {
        found.deviceName = QStringLiteral("Test picture");
        found.isTestSource = true;
        found.element = gst_element_factory_make("videotestsrc", nullptr);
        if (found.element)
            g_object_set(found.element, "is-live", TRUE, "pattern", 18 /* moving ball */, nullptr);
        return found;
    }
    for (auto &d : listDevices("Video/Source")) {
        if (d.id != sourceId)
            continue;
        found.deviceName = d.name;
        if (d.name == QLatin1String("DeskShare IP Camera Source"))
            return found;
        found.element = gst_device_create_element(d.device.get(), nullptr);
        return found;
    }
    return found;
}

OptionEnvironment engineOptionEnvironment()
{
    OptionEnvironment env;
    env.videoDevices = [] {
        QList<CaptureDevice> out;
        for (const auto &d : listDevices("Video/Source"))
            out.append(CaptureDevice{d.id, d.name});
        return out;
    };
    env.videoCompressors = [] { QStringList l; listVideoCompressors(l); return l; };
    // Listed once per process: with no sound server, every listing through
    // GStreamer's PulseAudio provider leaves a memfd and a pipe behind, and
    // the library is started again at every opening of a camera window.
    env.audioInputs = [] {
        static const QStringList inputs = [] { QStringList l; listAudioInputs(l); return l; }();
        return inputs;
    };
    env.audioCompressors = [] { QStringList l; listAudioCompressors(l); return l; };
    return env;
}

GstElement *findAudioInput(int n)
{
    if (n < 0)
        return nullptr;
    auto devices = listDevices("Audio/Source");
    if (std::size_t(n) >= devices.size())
        return nullptr;
    GstElement *e = gst_device_create_element(devices[std::size_t(n)].device.get(), nullptr);
    if (!e)
        reportPlain(QStringLiteral("Failed to bind to object"));
    return e;
}

QList<QPair<QString, QString>> elementProperties(GstElement *element)
{
    QList<QPair<QString, QString>> out;
    if (!element)
        return out;
    guint n = 0;
    GParamSpec **specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &n);
    for (guint i = 0; i < n; ++i) {
        GParamSpec *p = specs[i];
        if (!(p->flags & G_PARAM_READABLE))
            continue;
        GValue v = G_VALUE_INIT;
        g_value_init(&v, p->value_type);
        g_object_get_property(G_OBJECT(element), p->name, &v);
        gchar *text = gst_value_serialize(&v);
        out.append({QString::fromUtf8(p->name), text ? QString::fromUtf8(text) : QString()});
        g_free(text);
        g_value_unset(&v);
    }
    g_free(specs);
    return out;
}

} // namespace quorvel
