#pragma once

namespace smeltra {

// Narrows where DLLs are loaded from for the rest of the run: libraries that
// are loaded on demand (by COM, by the picture decoder) come from the system
// folder only, never from the launcher's folder or the current folder. Call
// it first thing at start-up, before anything can load a library. On a
// system that lacks SetDefaultDllDirectories only the current folder is
// dropped. Static imports are out of its reach; the executable is linked so
// that it has none but the system's own DLLs. Never fails.
void HardenDllSearch();

}  // namespace smeltra
