#pragma once
// Reading the stream an archive lives in by offset, from several threads at once, without
// opening its file again: memory streams are read in place, file streams by offset, and any
// other stream one read at a time under a lock.

#include "archive/TStream.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace pagolux::archive_detail {

class TArchiveSource {
  public:
    // Reads stream, which must outlive the source and not change while it is used.
    explicit TArchiveSource(TStream& stream);
    // Reads a stream of its own (a file the archive opened by name).
    explicit TArchiveSource(std::unique_ptr<TStream> owned);
    TArchiveSource(const TArchiveSource&) = delete;
    TArchiveSource& operator=(const TArchiveSource&) = delete;
    ~TArchiveSource();

    // Maps a file stream's bytes into memory when the system can, so that Memory() gives them
    // without copies or system calls. Mapped pages count as resident memory once read: for
    // passes over the members, not for opening in a program whose memory must stay small.
    void MapFile();

    [[nodiscard]] std::int64_t Size() const { return size; }
    // Every byte of the stream when it holds them in memory, otherwise nullptr.
    [[nodiscard]] const std::uint8_t* Memory() const { return memory; }
    // The file behind the stream, or nullptr.
    [[nodiscard]] TFileStream* File() const { return file; }
    // True when reads from several threads run side by side instead of one after another.
    [[nodiscard]] bool Concurrent() const { return memory != nullptr || file != nullptr; }

    // Exactly count bytes from offset, or EReadError. Safe to call from several threads.
    void ReadAt(std::int64_t offset, void* buffer, std::int64_t count);

  private:
    void attach();

    std::unique_ptr<TStream> owned;
    TStream& stream;
    std::int64_t size = 0;
    const std::uint8_t* memory = nullptr;
    TFileStream* file = nullptr;
    const void* mapped = nullptr;
    std::mutex lock;
};

// A read-only window [start, start + length) of a source, with a position of its own: each
// thread reads through its own window.
class TSourceRange : public TStream {
  public:
    // Raises EReadError when the window does not lie inside the source.
    TSourceRange(TArchiveSource& source, std::int64_t start, std::int64_t length);

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override; // EWriteError
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return length; }

    // The window's bytes when the source is in memory, otherwise nullptr.
    [[nodiscard]] const std::uint8_t* Memory() const
    {
        return source.Memory() ? source.Memory() + start : nullptr;
    }

  private:
    TArchiveSource& source;
    std::int64_t start;
    std::int64_t length;
    std::int64_t pos = 0;
};

} // namespace pagolux::archive_detail
