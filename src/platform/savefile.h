#pragma once

#include <QByteArray>
#include <QString>

namespace td {

// Writes a whole file through a temporary file that replaces the target only when complete, so
// a failure leaves no half-written file and an existing one untouched. Throws td::Error naming
// the path when the file cannot be written.
void saveFileContents(const QString& fileName, const QByteArray& bytes);

// The same without waiting for the data to reach the disk: for many small files written in one
// go (the pictures of a character map), where that wait takes nearly all the time. A failure
// still leaves no half-written file; the system writes the data out in its own time.
void saveFileContentsUnflushed(const QString& fileName, const QByteArray& bytes);

// Holds an exclusive lock on a folder for as long as it lives, for a read, change and rewrite of
// a file in it that two running copies may do at once. Locking the folder rather than the file
// survives the file being replaced by a rename, leaves nothing behind and needs no right to
// create files. Waits for a copy that holds the lock.
class FolderLock {
  public:
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    // False when the folder could not be opened or locked.
    bool held() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

}  // namespace td
