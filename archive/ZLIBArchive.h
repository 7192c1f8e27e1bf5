#pragma once
// TZLBArchive: writes, opens, lists and extracts ZLB archives.
//
// A ZLB archive is the members' data blocks back to back, then the registry (532 bytes per
// member, usually as one zlib stream), then a 36-byte trailer. Every integer is little-endian
// and every offset counts from the archive's own first byte, so an archive may also sit at the
// end of another file (an output executable); OpenEmbeddedArchive reads it there.
//
// An archive lives in a file named by the caller or in a stream the caller keeps (a memory
// stream, an open file): the calls taking a file name open that file for each operation and keep
// nothing open in between; the calls taking a stream read and write it instead.
//
// Names in the registry use "\" as folder separator on every platform; lookups accept "/" too.
// All failures raise EArchiveError (a pagolux::Exception) with an English message, except the
// stream layer's own errors where noted.

#include "archive/TStream.h"
#include "archive/ZlibStreams.h"
#include "platform/Exception.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pagolux {

// The last 36 bytes of an archive.
struct TArchiveTrailer {
    std::uint32_t ArchiveCRC;    // CRC-32 of every byte before the trailer
    std::int32_t EntryCount;     // number of registry entries
    std::int32_t Tag;            // always 1 when written; not checked on reading
    std::int32_t RegistrySize;   // compressed registry length, 0 for a raw registry
    std::int32_t RegistryOffset; // registry offset = length of the data part
    std::uint8_t RegistryCompressed;
    std::uint8_t Reserved[15];
};
static_assert(sizeof(TArchiveTrailer) == 36);
static_assert(offsetof(TArchiveTrailer, EntryCount) == 4);
static_assert(offsetof(TArchiveTrailer, Tag) == 8);
static_assert(offsetof(TArchiveTrailer, RegistrySize) == 12);
static_assert(offsetof(TArchiveTrailer, RegistryOffset) == 16);
static_assert(offsetof(TArchiveTrailer, RegistryCompressed) == 20);

// One registry entry (532 bytes). FileName and FilePath are short strings: byte 0 is the
// length (0..255), then the bytes, the rest zero.
struct TArchiveEntry {
    std::uint8_t FileName[256];
    std::uint8_t FilePath[256];
    std::int32_t FileSize;
    std::int32_t StoredSize;
    std::int32_t DataOffset;
    std::uint32_t FileCRC;
    std::uint8_t StoredRaw;
    std::uint8_t Level;
    std::uint8_t Reserved[2];
};
static_assert(sizeof(TArchiveEntry) == 532);
static_assert(offsetof(TArchiveEntry, FilePath) == 256);
static_assert(offsetof(TArchiveEntry, FileSize) == 512);
static_assert(offsetof(TArchiveEntry, StoredSize) == 516);
static_assert(offsetof(TArchiveEntry, DataOffset) == 520);
static_assert(offsetof(TArchiveEntry, FileCRC) == 524);
static_assert(offsetof(TArchiveEntry, StoredRaw) == 528);
static_assert(offsetof(TArchiveEntry, Level) == 529);

inline constexpr std::size_t kTrailerSize = 36;
inline constexpr std::size_t kEntrySize = 532;

// Byte-exact (little-endian) conversion, independent of the host's byte order.
void EncodeTrailer(const TArchiveTrailer& t, std::uint8_t out[kTrailerSize]);
TArchiveTrailer DecodeTrailer(const std::uint8_t in[kTrailerSize]);
void EncodeEntry(const TArchiveEntry& e, std::uint8_t out[kEntrySize]);
TArchiveEntry DecodeEntry(const std::uint8_t in[kEntrySize]);

// The short strings of an entry as std::string (length byte honoured, at most 255 bytes).
std::string EntryFileName(const TArchiveEntry& e);
std::string EntryFilePath(const TArchiveEntry& e);
// The longest text a short string holds.
inline constexpr std::size_t kShortStringMax = 255;
// Stores s; a text longer than kShortStringMax bytes raises EArchiveError naming it (it is never
// cut: two long paths cut alike would name one member).
void SetShortString(std::uint8_t field[256], const std::string& s);

// All errors of the archive component.
class EArchiveError : public Exception {
  public:
    using Exception::Exception;
};

// Where a member's stored bytes lie in the archive's file and how they are stored.
struct TMemberLocation {
    std::int64_t Offset = 0;     // of the first stored byte in the file (ArchiveStart() + DataOffset)
    std::int64_t StoredSize = 0; // bytes stored
    std::int64_t FileSize = 0;   // bytes of the member itself
    bool Deflated = false;       // one zlib stream; otherwise the stored bytes are the member's own
    std::uint32_t FileCRC = 0;
};

// A member's own (uncompressed) bytes as a read-only stream over an open handle of the archive's
// file, without holding the member in memory: raw members are read straight from the file,
// deflated ones inflated piece by piece. Size() is the member's FileSize. Any position can be
// sought; in a deflated member a backward seek restarts inflating from the member's start. When a
// read reaches the end after the member was read from its start without a seek, the CRC is
// compared and a mismatch (or damaged zlib data at any point) raises EArchiveError. The file is
// not owned and must outlive the reader; the reader moves the file's position.
class TMemberReader : public TStream {
  public:
    TMemberReader(TStream& file, const TMemberLocation& location, std::string memberName);
    ~TMemberReader() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override; // EWriteError
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return location.FileSize; }

    const TMemberLocation& Location() const { return location; }

  private:
    [[noreturn]] void damaged() const;

    TMemberLocation location;
    std::string name;
    TSubRangeStream stored;
    std::unique_ptr<TDecompressionStream> inflater;
    std::int64_t pos = 0;
    std::uint32_t crc = 0;
    bool sequential = true; // every byte so far was read in order from 0, so crc covers them
};

// The archive, or a temporary file it is made through, could not be written (a full disk, a
// file-size limit, a failing device): AddFiles gave up and left the old archive as it was.
// SystemError is the errno value the system reported (ENOSPC, EFBIG, EIO, ...), 0 when unknown.
class EArchiveWriteError : public EArchiveError {
  public:
    EArchiveWriteError(const std::string& message, int systemError)
        : EArchiveError(message), SystemError(systemError)
    {
    }
    int SystemError;
};

namespace platform {
class OpenFolder;
}

namespace archive_detail {
class TArchiveSource;
}

class TZLBArchive;
using TNotifyEvent = std::function<void(TZLBArchive& sender)>;
using TReplaceFileEvent = std::function<void(const std::string& Filename, bool& Replace)>;
using TFileExtractedEvent = std::function<void(const std::string& filename)>;
using TErrorLogEvent = std::function<void(const std::string& Msg)>;

// Why AddFiles left an item out (or, for LinkOutside, did not follow it).
enum class TNoticeKind {
    Duplicate,      // a member of the same stored name is already in the archive
    Unreadable,     // the file cannot be read (SystemError tells why)
    Missing,        // the file does not exist (any more)
    NotRegularFile, // a FIFO, device or socket: never opened for reading
    PathTooLong,    // its stored folder or name is longer than an entry holds
    EmptyFolder,    // a folder given to AddFiles that yields no file (empty or not readable)
    LinkOutside,    // a symbolic link in a scanned folder that leads out of the folder given
};
struct TArchiveNotice {
    TNoticeKind Kind = TNoticeKind::Unreadable;
    std::string Path;    // the item as listed (full path)
    int SystemError = 0; // errno of a failed open, 0 when none
    std::string Message; // the same notice as English text (what OnErrorLogged receives)
};
using TNoticeEvent = std::function<void(const TArchiveNotice& notice)>;
using TProgressEvent = std::function<void(const std::string& Msg, std::int32_t Percentage)>;

class TZLBArchive {
  public:
    TZLBArchive();
    virtual ~TZLBArchive();
    TZLBArchive(const TZLBArchive&) = delete;
    TZLBArchive& operator=(const TZLBArchive&) = delete;

    // ---- published settings (defaults as constructed) ----
    TFileCompressionLevel CompressionLevel = fcDefault;
    bool ExtractWithPath = false; // ExtractFile recreates FilePath below the target folder
    bool CheckCRC = false;        // kept for compatibility; opening always checks the archive CRC
                                  // and extraction always checks each member's FileCRC
    bool SavePaths = false;       // store each member's folder
    bool RecursePaths = false;    // expand folders with their subfolders
    // Worker threads for AddFiles; 0 = one per core. The archive is the same for any value.
    unsigned Threads = 0;
    // Files AddFiles never packs, compared as files (device and inode), not by name: for example
    // the old archive that a new one replaces. The file the archive is being written to is
    // never packed in any case.
    std::vector<std::string> ExcludeFiles;

    // ---- events (not called when empty) ----
    TReplaceFileEvent OnReplaceFile;       // ExtractFile found an existing file; Replace starts true
    TFileExtractedEvent OnFileExtracted;   // a member was written to a file (its full path)
    TNotifyEvent OnArchiveOpened;          // CreateArchive / OpenArchive succeeded
    TFileExtractedEvent OnStreamExtracted; // a member was extracted to a stream (its key)
    TErrorLogEvent OnErrorLogged;          // notices of AddFiles, as text
    TNoticeEvent OnNotice;                 // the same notices with their kind and path
    TProgressEvent OnProgress;             // see DoProgress

    // ---- writing ----
    // Starts a new archive that does not exist yet ("File already exists" otherwise).
    void CreateArchive(const std::string& FileName);
    // Starts a new archive in stream, which must be empty ("File already exists" otherwise);
    // AddFiles writes the archive into it from its start. The stream is not owned and must
    // outlive the archive (until CloseArchive, the next Create/Open or destruction).
    void CreateArchive(TStream& stream);
    // Adds files and folders (full paths); consumes the list. Rewrites the archive through a
    // temporary file and re-opens it; an archive in a stream is extended in place (on failure
    // the stream's bytes are put back as they were). A member that cannot be read is left out with a notice
    // (OnErrorLogged); a failure to write the archive or its temporary files raises
    // EArchiveWriteError and changes nothing.
    void AddFiles(std::vector<std::string>& list);
    // Forgets the archive (no file is held open between operations).
    void CloseArchive();

    // ---- reading ----
    // Opens an archive that is a whole file. False for an empty name.
    bool OpenArchive(const std::string& FileName);
    // Opens an archive stored at the end of hostFile. archiveStart >= 0: the archive begins at
    // that offset and ends at the host's end; archiveStart < 0: its start is computed from the
    // trailer in the host's last 36 bytes. A plain archive file opens this way too.
    bool OpenEmbeddedArchive(const std::string& hostFile, std::int64_t archiveStart = -1);
    // The same on a stream that holds the archive (or the host file). The stream is read again
    // for the members' bytes, so it must outlive the open archive and stay unchanged. Return
    // true; failures raise as for the file names.
    bool OpenArchive(TStream& stream);
    bool OpenEmbeddedArchive(TStream& host, std::int64_t archiveStart = -1);
    // Start of the archive in a host stream whose last 36 bytes are a trailer, or -1 when the
    // trailer's numbers do not describe a range inside the host.
    static std::int64_t FindArchiveStart(TStream& host);

    // Index of the first entry whose FilePath + FileName equals name (ASCII case-insensitive),
    // or -1. "/" in name counts as "\". Raises "No archive is currently open".
    std::int32_t FindFile(const std::string& name) const;
    // Copy of entry index; raises "Index out of bounds".
    TArchiveEntry GetFileEntry(std::int32_t index) const;
    std::int32_t Count() const;
    const TArchiveTrailer& Trailer() const;
    const std::string& ArchiveName() const;
    // Offset of the archive's first byte in its file (0 unless opened embedded).
    std::int64_t ArchiveStart() const;
    bool IsOpen() const;

    // ---- reading a member as a stream ----
    // Where member index is stored (raises "Index out of bounds" / "No archive is currently open").
    TMemberLocation MemberLocation(std::int32_t index) const;
    // A bounded read-only window of member index's stored bytes in file, which must hold the
    // archive's bytes at the same offsets as the archive's own file (an open handle of it). The
    // window's bytes are one zlib stream when MemberLocation(index).Deflated.
    std::unique_ptr<TSubRangeStream> MemberStoredStream(std::int32_t index, TStream& file) const;
    // The member's own bytes through file, see TMemberReader.
    std::unique_ptr<TMemberReader> MemberReader(std::int32_t index, TStream& file) const;

    // ---- extraction (each checks the member's FileCRC; a mismatch raises) ----
    // Appends the member's bytes to dest at its position; fires OnStreamExtracted.
    void ExtractToStream(std::int32_t index, TStream& dest);
    void ExtractToStream(const std::string& name, TStream& dest);
    std::vector<std::uint8_t> ExtractToMemory(std::int32_t index);
    std::vector<std::uint8_t> ExtractToMemory(const std::string& name);
    // Writes the member to exactly fileName (through a temporary file in its folder, renamed
    // into place); asks OnReplaceFile when it exists; fires OnFileExtracted. Returns false when
    // the handler declined the replacement.
    bool ExtractToFile(std::int32_t index, const std::string& fileName);
    // Writes the member into folder: as folder + FileName, or with ExtractWithPath as folder +
    // FilePath + FileName (folders created). A FilePath with "..", empty or "." segments, or a
    // name with a separator, is refused. Returns the written path ("" when declined).
    std::string ExtractFile(std::int32_t index, const std::string& folder);
    // ExtractFile for every member, in registry order.
    void ExtractAll(const std::string& folder);
    // Checks every member's data against its FileCRC without writing anything; raises on the
    // first bad member.
    void VerifyMembers();

    // ---- helpers (public for tools and tests) ----
    void MakeCRCTable();
    const std::array<std::uint32_t, 256>& CRCTable() const;
    // CRC-32 of the stream's bytes except the last leaveOut; the position is restored.
    std::uint32_t StreamCRC(TStream& stream, std::int64_t leaveOut);
    // Appends the registry and the trailer at dest's end.
    void WriteRegistry(TStream& dest);
    // Reports through OnProgress according to the current progress stage.
    void DoProgress(TStream* sender);

    // Creates a new empty temporary file "ZLB..." in the temporary folder.
    virtual void GetTempFile(std::string& name);
    // Appends the contents of folder to list (subfolders first with RecursePaths; subfolders
    // themselves as items with SavePaths).
    virtual void AddDirectory(const std::string& folder, std::vector<std::string>& list);

  protected:
    // Hooks for tests that inject failures; default implementations do the real work.
    // Opens a member source (a regular file) for reading and tells its size. Called from worker
    // threads: an override must be thread-safe.
    virtual std::unique_ptr<TStream> OpenMemberStream(const std::string& path, std::int64_t& size) const;

  private:
    struct Member;
    class Pipeline;
    void scanDirectory(const std::string& folder, std::vector<std::string>& list);
    void expandFolders(std::vector<std::string>& list);
    // An archive is created or opened, by name or on a stream.
    bool attached() const;
    // The archive's name in messages: its file name, or that of the stream's file.
    std::string displayName() const;
    bool openNamed(const std::string& name, std::int64_t start);
    // What AddFiles has just written into a stream: the CRC of the archive's bytes before the
    // trailer (counted as they were written), their number, and the file's stamp after the
    // write (empty for a stream that is not a file).
    struct WrittenArchive {
        std::uint32_t crc = 0;
        std::int64_t length = 0;
        FileStamp stamp;
    };
    bool openStream(TStream& host, std::int64_t start, const WrittenArchive* written);
    // Checks the archive in source (from start, or found by its trailer when start < 0) and loads
    // its registry; fires OnArchiveOpened. With written (the re-open right after AddFiles), the
    // archive CRC is taken from it instead of reading the archive again, while the stream's
    // stamp and length are still those it describes.
    void load(archive_detail::TArchiveSource& source, std::int64_t start,
              const WrittenArchive* written = nullptr);
    // WriteRegistry; returns the archive CRC it wrote into the trailer.
    std::uint32_t writeRegistry(TStream& dest);
    void loadRegistry(TStream& archive);
    // The archive's bytes for one operation: the caller's stream, or its file opened again.
    std::unique_ptr<archive_detail::TArchiveSource> openSource() const;
    // CRC-32 of length bytes of source from start; fills blockCrcs along the way.
    std::uint32_t rangeCRC(archive_detail::TArchiveSource& source, std::int64_t start, std::int64_t length);
    // AddFiles' writing, into a temporary file renamed over the archive's file, or into the
    // caller's stream.
    void addToFile(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes);
    void addToStream(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes);
    // Writes the members and the registry at out's position, then calls finish; on failure
    // forgets the entries made for it and drops the processed items from the list, then raises.
    // Returns the archive CRC written into the trailer.
    std::uint32_t writeArchive(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes,
                               TStream& out, const std::function<void()>& finish);
    bool entryFits(const TArchiveEntry& e) const;
    // True when no two members' stored bytes overlap.
    static bool membersApart(const std::vector<TArchiveEntry>& list);
    // Adds entry i to the index when the index has been built.
    void indexEntry(std::int32_t i);
    // Index of the first entry whose lower-cased FilePath + FileName is the lower-cased key, or -1.
    std::int32_t findKey(const std::string& key) const;
    std::int32_t checkedIndex(std::int32_t index) const;
    // Sizes of the list's regular files (-1 for anything else); raises when the archive would
    // exceed the format's limits. Drops the files never packed (ExcludeFiles, the archive's own).
    std::vector<std::int64_t> checkLimits(std::vector<std::string>& list) const;
    // Fires OnNotice and OnErrorLogged.
    void notice(TNoticeKind kind, const std::string& path, int systemError, const std::string& message);
    // True (after a notice) when path is a symbolic link that resolves outside scanRoot.
    bool linkLeadsOut(const std::string& path);
    struct Scratch;
    void writeMembers(std::vector<std::string>& list, const std::vector<std::int64_t>& sizes,
                      std::size_t& processed, TStream& out);
    void prepareMember(Member& m, Scratch& scratch, std::vector<std::int64_t>& exchanges,
                       const std::function<void(std::int64_t)>& exchanged) const;
    void spoolMember(Member& m, TStream& src, std::int64_t size,
                     const std::function<void(std::int64_t)>& exchanged) const;
    void writeMember(Member& m, TStream& out);
    void memberProgress(std::int64_t at);
    static void copyExactly(TStream& from, TStream& to, std::int64_t count, bool sourceIsMember);
    bool copyRawMember(Member& m, TStream& out);
    // Reads the stored block of entry i into memory-bounded chunks, calling sink per chunk,
    // and checks FileCRC; raises EArchiveError naming the member when the data is damaged.
    // An empty sink only checks the data.
    void readMember(std::int32_t i, const std::function<void(const std::uint8_t*, std::size_t)>& sink) const;
    // ExtractToFile for the file name directly inside the open folder; fileName is its full
    // path, for the handlers and the messages.
    bool extractInto(std::int32_t i, const platform::OpenFolder& folder, const std::string& name,
                     const std::string& fileName);
    // readMember through the archive's source. With useBlockCrcs (only when the file's stamp
    // still equals openedStamp), a raw member's CRC is assembled from blockCrcs and only its
    // partial first and last blocks are read.
    void readMemberFrom(archive_detail::TArchiveSource& source, std::int32_t i,
                        const std::function<void(const std::uint8_t*, std::size_t)>& sink,
                        bool useBlockCrcs) const;
    std::uint32_t rawCrcFromBlocks(TStream& block, const TArchiveEntry& e) const;
    std::string memberName(std::int32_t i) const;

    // Offset-aligned block size of the CRCs the open records (see State::blockCrcs).
    static constexpr std::int64_t kCrcBlock = 64 * 1024;
    // Everything the archive holds between calls (the archive's name or stream, its trailer and
    // entries, the open's block CRCs, progress, the name index, a running scan), kept out of
    // this header.
    struct State;
    std::unique_ptr<State> d;
};

// Percentage of part in whole, rounded half to even (0 when whole is 0).
std::int32_t ProgressPercent(double part, double whole);

} // namespace pagolux
