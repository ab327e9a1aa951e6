#pragma once

// An SQLite file system held in memory, made the default for the whole process, so that the album
// fuzz target opens its input through the program's own code (OpenAlbumFile with a path) while
// the database file, its journal and any temporary files live in memory. Everything above the
// operating-system layer (pager, b-tree, the program's database layer) runs as it does on disk;
// the fuzzer just does not spend most of its time in the kernel. Shared memory (WAL) is not
// offered, so a file marked for WAL is refused at open, as on a file system without it.

#include <string>

namespace movra::fuzz {

// Installs the file system once, as SQLite's default.
void InstallMemoryVfs();

// Puts a file (replacing it) and removes every other file of the file system.
void ResetMemoryFiles(const std::string& path, const std::string& bytes);

} // namespace movra::fuzz
