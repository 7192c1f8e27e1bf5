#pragma once
// The stream abstraction through which the archive and the file formats do their byte work:
// file streams, memory streams, a bounded read-only window onto another stream, and (in
// ZlibStreams.h) the compression streams.
//
// Positions and sizes are 64-bit; the archive format itself limits them to int32 and checks
// that where it reads or writes.

#include "platform/Exception.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pagolux {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Every failure of the stream layer derives from this.
class EStreamError : public Exception {
  public:
    using Exception::Exception;
};

// "Datei %s kann nicht geöffnet werden"
// SystemError is the errno value of the failed open (ENOENT, EACCES, EINVAL for a file that is
// not a regular file, ...), 0 when unknown.
class EFOpenError : public EStreamError {
  public:
    explicit EFOpenError(const std::string& fileName, int systemError = 0);
    int SystemError = 0;
};

// "Datei %s kann nicht erstellt werden"
class EFCreateError : public EStreamError {
  public:
    explicit EFCreateError(const std::string& fileName);
};

// "Stream-Read-Fehler": ReadBuffer moved fewer bytes than asked.
class EReadError : public EStreamError {
  public:
    EReadError();
};

// "Stream-Write-Fehler": WriteBuffer moved fewer bytes than asked. SystemError is the errno value
// at the moment of the failure (ENOSPC for a full disk, EFBIG over a file-size limit, EIO, ...), or
// 0 when the system reported none.
class EWriteError : public EStreamError {
  public:
    EWriteError();
    explicit EWriteError(int systemError);
    int SystemError = 0;
};

class TStream {
  public:
    // Block size of CopyFrom.
    static constexpr std::int64_t kCopyBlockSize = 61440;

    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Moves up to count bytes; returns how many moved (0 at the end). Never throws for a short
    // transfer; derived streams may throw for a failure of the device or the codec.
    [[nodiscard]] virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    [[nodiscard]] virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    // Default: a stream that cannot change its size raises EWriteError.
    virtual void SetSize(std::int64_t newSize);
    // Default: seek to the end and back.
    [[nodiscard]] virtual std::int64_t Size();

    [[nodiscard]] std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }

    // Exactly count bytes or EReadError / EWriteError.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);

    // Copies count bytes from source's current position. A count of 0 copies the whole
    // source from its start. Moves in blocks of 61,440 bytes; a short read raises EReadError.
    // Returns the number of bytes copied.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// Open modes of TFileStream.
enum class TFileMode {
    fmCreate,        // create or empty the file, read and write
    fmOpenRead,      // existing file, read only
    fmOpenWrite,     // existing file, write only, contents kept
    fmOpenReadWrite, // existing file, read and write, contents kept
};

// What tells one state of a file's contents from another without reading them: device, inode,
// size and the modification and change times. Two equal stamps of the same name mean the file
// was not replaced or written in between (as far as the file system's clock can tell).
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// A file on disk. The constructor raises EFOpenError (open modes) or EFCreateError (fmCreate).
// The file is closed by the destructor; Close() closes it early and reports a failure of the
// final flush as EWriteError.
class TFileStream : public TStream {
  public:
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    // Opens a regular file for reading and tells its size, in one status call; anything else (a
    // folder, FIFO or device) raises EFOpenError without waiting on it.
    static std::unique_ptr<TFileStream> OpenRegular(const std::string& fileName, std::int64_t& size);
    // Takes over an open descriptor (closed by the stream), so that a file created exclusively
    // is used through the descriptor that created it and never opened again by its name.
    static std::unique_ptr<TFileStream> Adopt(const std::string& fileName, int fd);

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    std::int64_t Size() override;

    // Reads up to count bytes at offset without using the stream's position, so that several
    // threads can read one open file at once (the Windows build may move the position). Returns
    // how many bytes came (0 at the end); raises EReadError when the system reports a failure.
    std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t count);

    const std::string& FileName() const { return fileName; }
    // The system's descriptor of the open file (-1 after Close()).
    int Handle() const { return fd; }
    // The open file's stamp; raises EReadError when the system cannot tell it.
    FileStamp Stamp() const;
    // Pushes written data to the disk (fsync); raises EWriteError on failure.
    void Flush();
    void Close();
    // For a file that will be flushed at its end: from now on, each time another 8 MiB have
    // been written the system is asked to start writing them to the disk, so that the final
    // Flush waits only for the last piece instead of the whole file.
    void StartWritingBehind();
    // Copies up to count bytes from source's position to this file's position inside the
    // system, without passing them through this process; both positions move on. Returns how
    // many bytes were copied (fewer than count at source's end or when a write fails), or -1
    // when the system cannot copy between these two files: nothing was copied then, and the
    // caller copies through a buffer instead.
    std::int64_t CopyFromFile(TFileStream& source, std::int64_t count);

  private:
    TFileStream(std::string fileName, int fd) : fileName(std::move(fileName)), fd(fd) {}
    // Hands the pieces written since the last hand-over to the system's writeback.
    void writtenBehind();

    std::string fileName;
    int fd = -1;
    std::int64_t behindFrom = -1; // start of the bytes not yet handed to writeback; -1: off
};

// A growable buffer in memory.
class TMemoryStream : public TStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> initial) : data(std::move(initial)) {}

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data.size()); }

    std::uint8_t* Memory() { return data.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return data; }
    // Hands the bytes over and leaves the stream empty at position 0.
    std::vector<std::uint8_t> TakeBytes();
    void Clear();
    // Reserves room without changing the size.
    void Reserve(std::size_t capacity) { data.reserve(capacity); }

    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& dest);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

  private:
    std::vector<std::uint8_t> data;
    std::int64_t pos = 0;
};

// A read-only stream over bytes owned by someone else (no copy); they must outlive it.
class TReadOnlyMemoryStream : public TStream {
  public:
    TReadOnlyMemoryStream(const void* bytes, std::size_t size)
        : bytes(static_cast<const std::uint8_t*>(bytes)), size(static_cast<std::int64_t>(size))
    {
    }

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return size; }

    const std::uint8_t* Memory() const { return bytes; }

  private:
    const std::uint8_t* bytes;
    std::int64_t size;
    std::int64_t pos = 0;
};

// A read-only window [start, start + length) of another stream, seen as a stream of its own
// whose position 0 is the base's byte start. Reads never go past the window. The base stream
// is not owned and must outlive the window; the window moves the base's position.
class TSubRangeStream : public TStream {
  public:
    // Raises EReadError when the window does not lie inside the base stream.
    TSubRangeStream(TStream& base, std::int64_t start, std::int64_t length);

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return length; }

    std::int64_t Start() const { return start; }

  private:
    TStream& base;
    std::int64_t start;
    std::int64_t length;
    std::int64_t pos = 0;
};

} // namespace pagolux
