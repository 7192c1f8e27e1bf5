#pragma once
// Private helpers of the archive component: member keys, stored names and paths, safe
// extraction paths. Not part of the public surface.

#include <cstdint>
#include <string>
#include <vector>

namespace pagolux::archive_detail {

// Messages shared by the parts of the archive component.
inline constexpr const char* kMsgNoArchive = "No archive is currently open";
inline constexpr const char* kMsgCorrupted = "The archive file appears to be corrupted";
inline constexpr const char* kMsgBadFileList = "Unable to read archive file list";
inline constexpr const char* kMsgUnableToOpen = "Unable to open file (%s)";
inline constexpr const char* kMsgTooLarge =
    "The archive would exceed 2 GiB, the size limit of the ZLB format";

// pattern with its one "%s" replaced by value.
std::string formatMessage(const char* pattern, const std::string& value);

// Changes only the ASCII letters A-Z.
std::string asciiLower(std::string s);

// Turns the platform's folder separator into the archive's "\" (no change on Windows).
std::string toArchiveSeparators(std::string s);

// FilePath stored for a source path: its folder part (with trailing separator), never cut (the
// writer refuses one longer than an entry holds), in archive separators; on Windows everything through the
// first colon goes (the drive). Empty when paths are not saved.
std::string storedFilePath(const std::string& sourcePath, bool savePaths);
// FileName stored for a source path: its file-name part.
std::string storedFileName(const std::string& sourcePath);
// The key a caller's name is looked up by (FilePath + FileName form, before lower-casing).
std::string lookupKey(const std::string& name, bool savePaths);

// Splits a stored FilePath into folder names that are safe to create below a target folder:
// no "..", ".", empty inner segment, "/" or NUL (and no colon on Windows); a leading and a
// trailing "\" are allowed. Returns false when the path is not safe.
bool safeFolderSegments(const std::string& filePath, std::vector<std::string>& segments);
// A member name that can be created as one file: not empty, ".", "..", no "/" or NUL (and no
// "\" or colon on Windows, where they separate).
bool safeFileName(const std::string& name);

// A file's device and inode: what tells one file from another whatever its names.
struct FolderId {
    std::uint64_t dev;
    std::uint64_t ino;
};
// True when path is a folder (links followed); id receives it.
bool statFolder(const std::string& path, FolderId& id);
// Size of a regular file (links followed), or -1; id receives the file's device and inode
// whenever it exists.
std::int64_t regularFileSize(const std::string& path, FolderId* id = nullptr);
bool sameFile(const FolderId& a, const FolderId& b);

} // namespace pagolux::archive_detail
