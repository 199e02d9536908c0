#include "LibraryCall.h"

namespace quorvel {

namespace {
thread_local int t_depth = 0;
}

LibraryCallScope::LibraryCallScope() { ++t_depth; }

LibraryCallScope::~LibraryCallScope() { --t_depth; }

bool LibraryCallScope::active() { return t_depth > 0; }

} // namespace quorvel
