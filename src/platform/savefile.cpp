#include "platform/savefile.h"

#include <QSaveFile>
#include <cerrno>
#include <unistd.h>

namespace savefile {

namespace {
WriteHook& hook() {
    static WriteHook h;
    return h;
}
}  // namespace

void SetWriteHook(WriteHook h) { hook() = std::move(h); }

Result SaveWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {Failure::Open, file.errorString()};
    auto failed = [&file](const QString& text) {
        file.cancelWriting();  // the temporary file is removed; the target is not touched
        return Result{Failure::Write, text.isEmpty() ? QStringLiteral("write error") : text};
    };
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 n = hook() ? hook()(file, data, left) : file.write(data, left);
        if (n <= 0) return failed(file.errorString());
        data += n;
        left -= n;
    }
    // A small file sits in the device's buffer until now: QSaveFile::commit() of Qt 6.4 would rename
    // the empty temporary file even when this last flush fails, so flush and check first, then make
    // sure the bytes reached the disk.
    if (!file.flush() || file.error() != QFileDevice::NoError) return failed(file.errorString());
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != ENOTSUP) return failed(qt_error_string(errno));
    if (!file.commit()) return Result{Failure::Write, file.errorString()};
    return {};
}

}  // namespace savefile
