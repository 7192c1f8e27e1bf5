#pragma once
// zlib behind the stream abstraction: TCompressionStream deflates everything written to it
// into an underlying stream, TDecompressionStream inflates from one. This header and its
// source are the only place that knows zlib; ZlibStreams.cpp is the one file including it.

#include "archive/TStream.h"
#include "platform/Exception.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace pagolux {

// Compression level of member data and registry; the ordinal is stored in archive entries.
enum TFileCompressionLevel : std::uint8_t { fcNone = 0, fcFastest = 1, fcDefault = 2, fcMaximum = 3 };

// zlib level for a TFileCompressionLevel: 0, 1, -1 (zlib's default, 6), 9.
int ZlibLevel(TFileCompressionLevel level);

class EZlibError : public Exception {
  public:
    using Exception::Exception;
};

// "error" for a failed deflate, "Invalid stream operation" for an operation a stream refuses.
class ECompressionError : public EZlibError {
  public:
    using EZlibError::EZlibError;
};

// "error" for a failed inflate (also a zlib stream that is cut short or read past its end).
class EDecompressionError : public EZlibError {
  public:
    using EZlibError::EZlibError;
};

class TCustomZlibStream;
using TZlibNotifyEvent = std::function<void(TCustomZlibStream& sender)>;

class TCustomZlibStream : public TStream {
  public:
    static constexpr std::size_t kBufferSize = 65536;

    ~TCustomZlibStream() override;

    // Called whenever the buffer has been exchanged with the underlying stream.
    TZlibNotifyEvent OnProgress;

  protected:
    // Remembers strm and its current position. strm is not owned and must outlive this.
    explicit TCustomZlibStream(TStream& strm);
    virtual void Progress(TCustomZlibStream& sender);

    struct ZState; // zlib's stream record, kept out of this header
    TStream& strm;
    std::int64_t strmPos;
    std::unique_ptr<ZState> z;
    // Left uninitialised: every byte is written before it is read, and streams are made per
    // member, so clearing 64 KiB each time would cost more than inflating a small file.
    std::array<std::uint8_t, kBufferSize> buffer;
};

// Write-only. The zlib stream in the destination is complete only after destruction; Finish()
// completes it early (and reports failures as exceptions, which a destructor cannot).
class TCompressionStream : public TCustomZlibStream {
  public:
    TCompressionStream(TFileCompressionLevel level, TStream& dest);
    ~TCompressionStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override; // ECompressionError
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Only (0, soCurrent): the number of uncompressed bytes accepted so far.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    // Writes the end of the zlib stream to the destination; afterwards the stream accepts no
    // more data. Called by the destructor when it has not been called.
    void Finish();

  private:
    std::int64_t totalIn = 0;
    bool finished = false;
};

// Read-only. Read delivers exactly count bytes or raises EDecompressionError.
class TDecompressionStream : public TCustomZlibStream {
  public:
    // source stands at the first byte of a zlib stream.
    explicit TDecompressionStream(TStream& source);
    // Hands unconsumed input back to the source (seeks it back).
    ~TDecompressionStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override; // ECompressionError
    // (0, soBeginning) restarts at the source's absolute start; forward seeks skip data;
    // anything else raises ECompressionError "Invalid stream operation".
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    // True once the zlib stream's end has been reached.
    bool AtStreamEnd() const { return streamEnd; }

  private:
    std::int64_t totalOut = 0;
    bool streamEnd = false;
};

// CRC-32 (ISO 3309, zlib's crc32). Start with crc = 0; feed blocks in order.
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);
// CRC-32 of A followed by B, from the CRC of A, the CRC of B and B's length.
std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t lengthB);
// CRC-32 of crc's bytes followed by count blocks of blockSize bytes each, from the blocks' own
// CRCs (blockCrcs[0..count)); no block is read again.
std::uint32_t Crc32Append(std::uint32_t crc, const std::uint32_t* blockCrcs, std::size_t count,
                          std::int64_t blockSize);

// Inflates the zlib stream that source stands at and returns the CRC-32 of exactly size bytes
// of its output, which is discarded. Raises EDecompressionError exactly where a
// TDecompressionStream reading size bytes would (bad data, input cut short, stream ending before
// size bytes, a wrong Adler-32 at a stream end it reaches). Reads the source up to its end when
// the stream and its output are small enough to be decoded in one piece; otherwise only as far
// as inflate needs.
std::uint32_t InflateCrc32(TStream& source, std::int64_t size);

// One-shot deflate of a whole buffer with the archive's parameters (window 2^15, memory level
// 8, default strategy). Produces exactly the bytes a TCompressionStream would. When maxOut > 0
// and the output would reach maxOut bytes, stops early and returns false (the caller stores
// the data raw); otherwise fills out and returns true.
bool DeflateBuffer(TFileCompressionLevel level, const void* data, std::size_t size,
                   std::vector<std::uint8_t>& out, std::size_t maxOut);

// Deflates a whole member held in memory into out, with a deflate state kept per thread and
// reset between members. The bytes equal those of a TCompressionStream; exchanges (when not
// null) receives the uncompressed position at each point where a TCompressionStream's
// 65,536-byte buffer would have been full.
void DeflateMember(TFileCompressionLevel level, const void* data, std::size_t size,
                   std::vector<std::uint8_t>& out, std::vector<std::int64_t>* exchanges);

} // namespace pagolux
