#pragma once

namespace movra {

// Registers the compiled-in resources (":/movra/..."). Safe to call more than once; every
// user of a resource calls it first, because a static link drops unreferenced initialisers.
void InitResources();

} // namespace movra
