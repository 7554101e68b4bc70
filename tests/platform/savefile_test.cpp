// Whole-file saves: a write that fails part-way, wherever it fails, leaves the old file as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>

#include "platform/savefile.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Saves `bytes` over a file holding "old" while `during` is in force, and checks the outcome.
void ExpectOldFileKept(const QString& folder, const QByteArray& bytes, const std::function<void(bool)>& during) {
    const QString path = QDir(folder).filePath("song.brc");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    during(true);
    const savefile::Result r = savefile::SaveWhole(path, bytes);
    during(false);
    EXPECT_EQ(r.failure, savefile::Failure::Write);
    EXPECT_FALSE(r.errorText.isEmpty());
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"song.brc"});
}

}  // namespace

TEST(SaveWhole, WritesAndReplacesOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    ASSERT_TRUE(savefile::SaveWhole(path, "first, longer").ok());
    ASSERT_TRUE(savefile::SaveWhole(path, "second").ok());
    EXPECT_EQ(ReadAll(path), "second");
    EXPECT_EQ(savefile::SaveWhole(dir.filePath("no/such/a.ini"), "x").failure, savefile::Failure::Open);
    QDir(dir.path()).mkdir("folder.ini");
    EXPECT_EQ(savefile::SaveWhole(dir.filePath("folder.ini"), "x").failure, savefile::Failure::Open);
}

TEST(SaveWhole, AWriteFailingPartWayKeepsTheOldFile) {
    QTemporaryDir dir;
    // A device that takes half the bytes and then fails.
    ExpectOldFileKept(dir.path(), QByteArray(3000, 'n'), [](bool on) {
        if (!on) return savefile::SetWriteHook({});
        savefile::SetWriteHook([](QIODevice& device, const char* data, qint64 size) -> qint64 {
            device.write(data, size / 2);
            return -1;
        });
    });
    // A file-size limit below a small file: the system refuses the bytes only when the buffer is
    // flushed, after every write has succeeded.
    static rlimit old{};
    static void (*oldHandler)(int) = nullptr;
    ExpectOldFileKept(dir.path(), QByteArray(3000, 'n'), [](bool on) {
        if (on) {
            getrlimit(RLIMIT_FSIZE, &old);
            oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 1024;
            setrlimit(RLIMIT_FSIZE, &small);
        } else {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
    });
}

TEST(SaveWhole, AFullFileSystemKeepsTheOldFile) {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "mounting a small file system is not allowed here";
    struct Unmount {
        const char* at;
        ~Unmount() { ::umount2(at, MNT_DETACH); }
    } unmount{folder.constData()};
    // 12000 bytes fit the device's buffer but not the room left beside the old file.
    ExpectOldFileKept(dir.path(), QByteArray(12000, 'n'), [](bool) {});
}
