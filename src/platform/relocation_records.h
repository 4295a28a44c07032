#pragma once
// The relocation records of the program and of each library it loads are read by the dynamic
// loader once, while it loads that object, and never again, except for the records of functions a
// lazily bound object resolves on their first call. Yet their pages stay in the resident set: for
// the Qt libraries about 2 MiB, more than the program's own heap. Giving them back once start-up is
// done costs nothing: no later step reads them, and if one did, the page would be read back from
// the page cache.
#include <cstddef>

namespace pigmora::platform {

// Drops from the resident set the pages that hold only relocation records read at load time, of
// every object loaded now. Returns the bytes given back.
std::size_t ReleaseRelocationRecords();

}  // namespace pigmora::platform
