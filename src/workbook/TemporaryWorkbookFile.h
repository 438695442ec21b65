#pragma once

#include <QString>

// The file a workbook is written into before it takes its real name: a new file beside the final
// path, "<final path>.<random>.tmp". Commit() renames it onto the final path, replacing an older
// file there in one step; until then the older file stays untouched, and a temporary file that
// was not committed is removed when the object goes.
class TemporaryWorkbookFile {
public:
    // Creates the file (empty). Throws MessageError naming `finalPath` when it cannot be created,
    // for example because the folder does not exist or is not writable.
    explicit TemporaryWorkbookFile(const QString& finalPath);
    ~TemporaryWorkbookFile();
    TemporaryWorkbookFile(const TemporaryWorkbookFile&) = delete;
    TemporaryWorkbookFile& operator=(const TemporaryWorkbookFile&) = delete;

    const QString& Path() const { return path_; }

    // Throws MessageError naming the final path when the rename fails; the temporary file is
    // removed then as well.
    void Commit();

private:
    QString finalPath_;
    QString path_;
    bool committed_ = false;
};

// Removes the temporary files of `finalPath` that a killed process left behind.
void RemoveTemporaryWorkbooks(const QString& finalPath);
