// Saving a whole file safely: the bytes go to a temporary file in the target's folder, are flushed
// to the disk and checked, and only then does the temporary file replace the target. Every file the
// program writes (project files, MIDI exports, set.ini, keyset.dat) is saved through here, so a
// write that fails part-way (a full disk, a size limit) always leaves the old file whole.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace savefile {

enum class Failure {
    None,
    Open,   // the temporary file could not be created (no such folder, no permission, a folder there)
    Write,  // writing, flushing or replacing failed; the target keeps its old content
};

struct Result {
    Failure failure = Failure::None;
    QString errorText;  // the system's description of the failure
    bool ok() const { return failure == Failure::None; }
};

Result SaveWhole(const QString& path, const QByteArray& bytes);

// For tests: every write of a save goes through the hook instead of the device's own write, so a
// test can make a write fail part-way (write some bytes, then return -1). An empty hook restores
// plain writes.
using WriteHook = std::function<qint64(QIODevice& device, const char* data, qint64 size)>;
void SetWriteHook(WriteHook hook);

}  // namespace savefile
