#pragma once

// A full disk without mounting one: an SQLite VFS, made the default in this
// process, that passes everything on to the real one until it is told to let
// every write fail as a full disk does.
void installFailingVfs();
void setWritesFail(bool fail);
