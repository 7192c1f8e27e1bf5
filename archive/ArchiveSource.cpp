#include "archive/ArchiveSource_p.h"

#include "platform/Posix.h"

#include <algorithm>
#include <cstring>

namespace pagolux::archive_detail {

TArchiveSource::TArchiveSource(TStream& s) : stream(s)
{
    attach();
}

TArchiveSource::TArchiveSource(std::unique_ptr<TStream> own) : owned(std::move(own)), stream(*owned)
{
    attach();
}

TArchiveSource::~TArchiveSource()
{
    platform::unmapFile(mapped, size);
}

void TArchiveSource::MapFile()
{
    if (!file || memory)
        return;
    mapped = platform::mapFile(file->Handle(), size);
    memory = static_cast<const std::uint8_t*>(mapped);
}

void TArchiveSource::attach()
{
    size = stream.Size();
    if (auto* m = dynamic_cast<TMemoryStream*>(&stream))
        memory = m->Memory();
    else if (auto* r = dynamic_cast<TReadOnlyMemoryStream*>(&stream))
        memory = r->Memory();
    else
        file = dynamic_cast<TFileStream*>(&stream);
}

void TArchiveSource::ReadAt(std::int64_t offset, void* buffer, std::int64_t count)
{
    if (count == 0)
        return;
    if (offset < 0 || count < 0 || offset > size - count)
        throw EReadError();
    if (memory) {
        std::memcpy(buffer, memory + offset, static_cast<std::size_t>(count));
        return;
    }
    if (file) {
        if (file->ReadAt(offset, buffer, count) != count)
            throw EReadError();
        return;
    }
    std::lock_guard guard(lock);
    stream.Seek(offset, TSeekOrigin::soBeginning);
    stream.ReadBuffer(buffer, count);
}

TSourceRange::TSourceRange(TArchiveSource& s, std::int64_t rangeStart, std::int64_t rangeLength)
    : source(s), start(rangeStart), length(rangeLength)
{
    if (start < 0 || length < 0 || start > source.Size() - length)
        throw EReadError();
}

std::int64_t TSourceRange::Read(void* buffer, std::int64_t count)
{
    if (count <= 0 || pos >= length)
        return 0;
    const auto n = std::min(count, length - pos);
    source.ReadAt(start + pos, buffer, n);
    pos += n;
    return n;
}

std::int64_t TSourceRange::Write(const void*, std::int64_t)
{
    throw EWriteError();
}

std::int64_t TSourceRange::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? pos
                                                                 : length;
    if (offset < 0 && base < -offset)
        throw EReadError();
    pos = base + offset;
    return pos;
}

} // namespace pagolux::archive_detail
