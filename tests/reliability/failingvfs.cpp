#include "tests/reliability/failingvfs.h"

#include <atomic>
#include <sqlite3.h>

namespace {

std::atomic<bool> writesFail{false};
sqlite3_vfs *realVfs = nullptr;

// The real file follows this header in the same allocation.
struct WrappedFile
{
    sqlite3_file base;
    sqlite3_file *real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};

sqlite3_file *real(sqlite3_file *file)
{
    return reinterpret_cast<WrappedFile *>(file)->real();
}

int writeOrFail(sqlite3_file *file, const void *data, int amount, sqlite3_int64 offset)
{
    if (writesFail)
        return SQLITE_FULL;
    return real(file)->pMethods->xWrite(real(file), data, amount, offset);
}

// Every other method as the real file has it.
sqlite3_io_methods wrappedMethods()
{
    sqlite3_io_methods w{};
    w.iVersion = 3;
    w.xClose = [](sqlite3_file *f) { return real(f)->pMethods->xClose(real(f)); };
    w.xRead = [](sqlite3_file *f, void *b, int n, sqlite3_int64 o) {
        return real(f)->pMethods->xRead(real(f), b, n, o);
    };
    w.xWrite = writeOrFail;
    w.xTruncate = [](sqlite3_file *f, sqlite3_int64 s) {
        return real(f)->pMethods->xTruncate(real(f), s);
    };
    w.xSync = [](sqlite3_file *f, int flags) { return real(f)->pMethods->xSync(real(f), flags); };
    w.xFileSize = [](sqlite3_file *f, sqlite3_int64 *s) {
        return real(f)->pMethods->xFileSize(real(f), s);
    };
    w.xLock = [](sqlite3_file *f, int l) { return real(f)->pMethods->xLock(real(f), l); };
    w.xUnlock = [](sqlite3_file *f, int l) { return real(f)->pMethods->xUnlock(real(f), l); };
    w.xCheckReservedLock = [](sqlite3_file *f, int *r) {
        return real(f)->pMethods->xCheckReservedLock(real(f), r);
    };
    w.xFileControl = [](sqlite3_file *f, int op, void *a) {
        return real(f)->pMethods->xFileControl(real(f), op, a);
    };
    w.xSectorSize = [](sqlite3_file *f) { return real(f)->pMethods->xSectorSize(real(f)); };
    w.xDeviceCharacteristics = [](sqlite3_file *f) {
        return real(f)->pMethods->xDeviceCharacteristics(real(f));
    };
    w.xShmMap = [](sqlite3_file *f, int p, int s, int e, void volatile **a) {
        return real(f)->pMethods->xShmMap(real(f), p, s, e, a);
    };
    w.xShmLock = [](sqlite3_file *f, int o, int n, int fl) {
        return real(f)->pMethods->xShmLock(real(f), o, n, fl);
    };
    w.xShmBarrier = [](sqlite3_file *f) { real(f)->pMethods->xShmBarrier(real(f)); };
    w.xShmUnmap = [](sqlite3_file *f, int d) { return real(f)->pMethods->xShmUnmap(real(f), d); };
    w.xFetch = [](sqlite3_file *f, sqlite3_int64 o, int n, void **p) {
        return real(f)->pMethods->xFetch(real(f), o, n, p);
    };
    w.xUnfetch = [](sqlite3_file *f, sqlite3_int64 o, void *p) {
        return real(f)->pMethods->xUnfetch(real(f), o, p);
    };
    return w;
}

int openWrapped(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *wrapped = reinterpret_cast<WrappedFile *>(file);
    const int result = realVfs->xOpen(realVfs, name, wrapped->real(), flags, outFlags);
    if (result != SQLITE_OK || !wrapped->real()->pMethods) {
        file->pMethods = nullptr;
        return result;
    }
    static const sqlite3_io_methods methods = wrappedMethods();
    file->pMethods = &methods;
    return result;
}

} // namespace

void installFailingVfs()
{
    static sqlite3_vfs vfs;
    if (realVfs)
        return;
    realVfs = sqlite3_vfs_find(nullptr);
    vfs = *realVfs;
    vfs.zName = "karven-test-failing";
    vfs.szOsFile = int(sizeof(WrappedFile)) + realVfs->szOsFile;
    vfs.xOpen = openWrapped;
    sqlite3_vfs_register(&vfs, 1);
}

void setWritesFail(bool fail)
{
    writesFail = fail;
}
