#include "archive/TStream.h"

#include "platform/Posix.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pagolux {

namespace {

// Bytes written (or copied) between two hand-overs to the system's writeback.
constexpr std::int64_t kWriteBehindPiece = 8LL * 1024 * 1024;

std::string formatName(const char* pattern, const std::string& name)
{
    std::string text = pattern;
    const auto at = text.find("%s");
    text.replace(at, 2, name);
    return text;
}

} // namespace

EFOpenError::EFOpenError(const std::string& fileName, int systemError)
    : EStreamError(formatName("Datei %s kann nicht geöffnet werden", fileName)), SystemError(systemError)
{
}

EFCreateError::EFCreateError(const std::string& fileName)
    : EStreamError(formatName("Datei %s kann nicht erstellt werden", fileName))
{
}

EReadError::EReadError() : EStreamError("Stream-Read-Fehler") {}

EWriteError::EWriteError() : EWriteError(0) {}

EWriteError::EWriteError(int systemError) : EStreamError("Stream-Write-Fehler"), SystemError(systemError) {}

// ---------------------------------------------------------------- TStream

void TStream::SetSize(std::int64_t)
{
    throw EWriteError();
}

std::int64_t TStream::Size()
{
    const auto pos = Seek(0, TSeekOrigin::soCurrent);
    const auto size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count < 0)
        throw EReadError();
    auto* p = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const auto n = Read(p, count);
        if (n <= 0)
            throw EReadError();
        p += n;
        count -= n;
    }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count < 0)
        throw EWriteError();
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        errno = 0;
        const auto n = Write(p, count);
        if (n <= 0)
            throw EWriteError(errno);
        p += n;
        count -= n;
    }
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    if (count < 0)
        throw EReadError();
    const std::int64_t total = count;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(count, kCopyBlockSize)));
    while (count > 0) {
        const auto n = std::min(count, kCopyBlockSize);
        source.ReadBuffer(block.data(), n);
        WriteBuffer(block.data(), n);
        count -= n;
    }
    return total;
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const std::string& name, TFileMode mode) : fileName(name)
{
    int flags = 0;
    switch (mode) {
    case TFileMode::fmCreate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case TFileMode::fmOpenRead:
        flags |= O_RDONLY;
        break;
    case TFileMode::fmOpenWrite:
        flags |= O_WRONLY;
        break;
    case TFileMode::fmOpenReadWrite:
        flags |= O_RDWR;
        break;
    }
#ifdef O_NONBLOCK
    // Until the file's type is known: the open of a FIFO would otherwise wait for its other end.
    flags |= O_NONBLOCK;
#endif
    do {
        fd = platform::openFile(name.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        if (mode == TFileMode::fmCreate)
            throw EFCreateError(name);
        throw EFOpenError(name, error);
    }
    // Only files: a folder opens read-only on POSIX, a FIFO or socket would wait or never end.
    // A device (such as /dev/null) may be written to.
    struct stat st {};
    const bool fits = ::fstat(fd, &st) == 0 &&
                      (S_ISREG(st.st_mode) || (S_ISCHR(st.st_mode) && mode != TFileMode::fmOpenRead));
    if (!fits) {
        ::close(fd);
        fd = -1;
        if (mode == TFileMode::fmCreate)
            throw EFCreateError(name);
        throw EFOpenError(name, EINVAL);
    }
#ifdef O_NONBLOCK
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
#endif
}

std::unique_ptr<TFileStream> TFileStream::OpenRegular(const std::string& name, std::int64_t& size)
{
    int fd = -1;
    do {
        fd = platform::openRegularFile(name.c_str(), size);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw EFOpenError(name, errno);
    return std::unique_ptr<TFileStream>(new TFileStream(name, fd));
}

std::unique_ptr<TFileStream> TFileStream::Adopt(const std::string& name, int fd)
{
    return std::unique_ptr<TFileStream>(new TFileStream(name, fd));
}

TFileStream::~TFileStream()
{
    if (fd >= 0)
        ::close(fd);
}

void TFileStream::Close()
{
    if (fd < 0)
        return;
    const int rc = ::close(fd);
    fd = -1;
    if (rc != 0 && errno != EINTR)
        throw EWriteError(errno);
}

void TFileStream::Flush()
{
    if (fd < 0)
        throw EWriteError();
    if (platform::syncFile(fd) != 0)
        throw EWriteError(errno);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    if (fd < 0)
        throw EReadError();
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count - done, 1 << 30));
        const ssize_t n = ::read(fd, p + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EReadError();
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    if (fd < 0)
        throw EWriteError();
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count - done, 1 << 30));
        const ssize_t n = ::write(fd, p + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break; // short write: the caller's WriteBuffer reports it
        }
        if (n == 0)
            break;
        done += n;
    }
    if (done > 0 && behindFrom >= 0)
        writtenBehind();
    return done;
}

void TFileStream::StartWritingBehind()
{
    if (fd < 0)
        return;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    behindFrom = at < 0 ? 0 : at;
}

void TFileStream::writtenBehind()
{
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0)
        return;
    if (at < behindFrom) {
        // Written again further back (a patch or a cut): go on from there.
        behindFrom = at;
        return;
    }
    if (at - behindFrom >= kWriteBehindPiece) {
        platform::startWriteback(fd, behindFrom, at - behindFrom);
        behindFrom = at;
    }
}

std::int64_t TFileStream::CopyFromFile(TFileStream& source, std::int64_t count)
{
    if (fd < 0 || source.fd < 0)
        return -1;
    std::int64_t done = 0;
    while (done < count) {
        const auto piece = std::min<std::int64_t>(count - done, kWriteBehindPiece);
        const auto n = platform::copyFileRange(source.fd, fd, piece);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return done == 0 ? -1 : done;
        }
        if (n == 0)
            break;
        done += n;
        if (behindFrom >= 0)
            writtenBehind();
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    if (fd < 0)
        throw EReadError();
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t r = ::lseek(fd, static_cast<off_t>(offset), whence);
    if (r < 0)
        throw EReadError();
    return r;
}

void TFileStream::SetSize(std::int64_t newSize)
{
    if (fd < 0 || newSize < 0 || ::ftruncate(fd, static_cast<off_t>(newSize)) != 0)
        throw EWriteError();
    if (Position() > newSize)
        Seek(newSize, TSeekOrigin::soBeginning);
}

std::int64_t TFileStream::ReadAt(std::int64_t offset, void* buffer, std::int64_t count)
{
    if (fd < 0 || offset < 0)
        throw EReadError();
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const auto chunk = std::min<std::int64_t>(count - done, 1 << 30);
        const auto n = platform::readAt(fd, p + done, chunk, offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EReadError();
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

FileStamp TFileStream::Stamp() const
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        throw EReadError();
    FileStamp s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modifiedNs = platform::modifiedNs(st);
    s.changedNs = platform::changedNs(st);
    return s;
}

std::int64_t TFileStream::Size()
{
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        throw EReadError();
    return st.st_size;
}

// ---------------------------------------------------------------- TMemoryStream

namespace {

std::int64_t seekTarget(std::int64_t pos, std::int64_t size, std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        base = 0;
        break;
    case TSeekOrigin::soCurrent:
        base = pos;
        break;
    case TSeekOrigin::soEnd:
        base = size;
        break;
    }
    // A position before the start is refused; a position after the end is allowed (reads there
    // return 0 bytes, a write to a memory stream fills the gap with zeros).
    if (offset < 0 ? base < -offset : false)
        throw EReadError();
    return base + offset;
}

} // namespace

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    const auto size = Size();
    if (count <= 0 || pos >= size)
        return 0;
    const auto n = std::min(count, size - pos);
    std::memcpy(buffer, data.data() + pos, static_cast<std::size_t>(n));
    pos += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const auto end = pos + count;
    if (end > Size()) {
        if (static_cast<std::size_t>(end) > data.capacity())
            data.reserve(std::max<std::size_t>(static_cast<std::size_t>(end), data.capacity() * 2));
        data.resize(static_cast<std::size_t>(end));
    }
    std::memcpy(data.data() + pos, buffer, static_cast<std::size_t>(count));
    pos = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    pos = seekTarget(pos, Size(), offset, origin);
    return pos;
}

void TMemoryStream::SetSize(std::int64_t newSize)
{
    if (newSize < 0)
        throw EWriteError();
    data.resize(static_cast<std::size_t>(newSize));
    if (pos > newSize)
        pos = newSize;
}

std::vector<std::uint8_t> TMemoryStream::TakeBytes()
{
    std::vector<std::uint8_t> out = std::move(data);
    data = {};
    pos = 0;
    return out;
}

void TMemoryStream::Clear()
{
    data.clear();
    data.shrink_to_fit();
    pos = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const auto size = source.Size();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    source.ReadBuffer(bytes.data(), size);
    data = std::move(bytes);
    pos = 0;
}

void TMemoryStream::SaveToStream(TStream& dest)
{
    dest.WriteBuffer(data.data(), Size());
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream f(fileName, TFileMode::fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream f(fileName, TFileMode::fmCreate);
    SaveToStream(f);
    f.Close();
}

// ---------------------------------------------------------------- TReadOnlyMemoryStream

std::int64_t TReadOnlyMemoryStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || pos >= size)
        return 0;
    const auto n = std::min(count, size - pos);
    std::memcpy(buffer, bytes + pos, static_cast<std::size_t>(n));
    pos += n;
    return n;
}

std::int64_t TReadOnlyMemoryStream::Write(const void*, std::int64_t)
{
    throw EWriteError();
}

std::int64_t TReadOnlyMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    pos = seekTarget(pos, size, offset, origin);
    return pos;
}

// ---------------------------------------------------------------- TSubRangeStream

TSubRangeStream::TSubRangeStream(TStream& baseStream, std::int64_t rangeStart, std::int64_t rangeLength)
    : base(baseStream), start(rangeStart), length(rangeLength)
{
    if (start < 0 || length < 0 || start > base.Size() - length)
        throw EReadError();
}

std::int64_t TSubRangeStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || pos >= length)
        return 0;
    const auto n = std::min(count, length - pos);
    base.Seek(start + pos, TSeekOrigin::soBeginning);
    const auto got = base.Read(buffer, n);
    pos += got;
    return got;
}

std::int64_t TSubRangeStream::Write(const void*, std::int64_t)
{
    throw EWriteError();
}

std::int64_t TSubRangeStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    pos = seekTarget(pos, length, offset, origin);
    return pos;
}

} // namespace pagolux
