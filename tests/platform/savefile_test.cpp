// Whole-file saves over the real file system: a write the system refuses part-way, even one that
// only shows when the last buffer is flushed, leaves the old file as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

#include "platform/savefile.h"

namespace {

// Saves `size` bytes over a file holding "old"; the save must fail and leave only the old file.
void ExpectOldFileKept(const QString& folder, int size) {
    const QString path = QDir(folder).filePath("song.brc");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3 && old.flush());
    old.close();
    EXPECT_EQ(savefile::SaveWhole(path, QByteArray(size, 'n')).failure, savefile::Failure::Write);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"song.brc"});
}

}  // namespace

TEST(SaveWhole, AFileSizeLimitBelowASmallFileKeepsTheOldFile) {
    QTemporaryDir dir;
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    ExpectOldFileKept(dir.path(), 3000);  // refused only when the device's buffer is flushed
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
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
    ExpectOldFileKept(dir.path(), 12000);  // fits the device's buffer, not the room left
}
