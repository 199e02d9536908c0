// A reader library that lacks two of the four entry points, to check that the
// desk names what is missing instead of calling through a null pointer.
#define EXPORT extern "C" __attribute__((visibility("default")))
EXPORT int InitComm(int) { return 1; }
EXPORT const char *GetSAMID() { return "incomplete"; }
