#pragma once

// The temporary copies a compaction rebuilds an album into ("movra-compact-…" in the temporary
// folder). Each is locked while its compaction runs and removed when it ends; only a process
// killed midway leaves one behind, a whole copy of the album readable to its owner.

namespace movra {

// Removes the copies (and the engine's files beside them) that no running process holds: one
// listing of the temporary folder, and a file opened only when its name has the copies' form.
// Never raises; a copy that cannot be removed is left for the next time.
void RemoveAbandonedCompactionCopies() noexcept;

} // namespace movra
