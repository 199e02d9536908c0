// Leak-checker suppressions for the engine tests (linked into each test
// program; LeakSanitizer asks for them through this hook).
//
// GLib allocates a 16 KiB block in its own library constructor when it is
// loaded and never frees it; the leak checker reports it as a direct leak
// although no code of ours is involved. Only allocations made while shared
// libraries are being initialised (_dl_init) are suppressed, so a leak of a
// GLib or GStreamer object created by the engine is still reported.
//
// GStreamer's PulseAudio device provider, asked for audio capture devices
// on a machine without a sound server, drops the PulseAudio context it made
// for the probe. The block is allocated by pa_context_new_with_proplist;
// nothing of ours holds it.
//
// A stream camera's HTTP source keeps its HTTP session in a context object
// of the pipeline. When the torn-down pipeline releases that context, the
// session's last release (on our thread, while the session belongs to the
// source's own, already ended thread) leaves a 32-byte block inside GLib.
// Only allocations made while a GStreamer structure is being freed are
// suppressed; the engine allocates nothing there.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:_dl_init\n"
           "leak:pa_context_new_with_proplist\n"
           "leak:gst_structure_free\n";
}

// The suppression above needs the whole allocation stack: GLib is built
// without frame pointers, so the fast unwinder stops inside it and never
// reaches _dl_init. The slower unwinder costs these tests a few seconds.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0:malloc_context_size=12";
}
