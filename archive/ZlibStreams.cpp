// The one source file that includes zlib.
#include "archive/ZlibStreams.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace pagolux {

namespace {

constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr std::int64_t kSkipBlock = 4096;

const char* const kZlibErrorText = "error";
const char* const kInvalidOperation = "Invalid stream operation";

int deflateCheck(int code)
{
    if (code < 0)
        throw ECompressionError(kZlibErrorText);
    return code;
}

int inflateCheck(int code)
{
    if (code < 0)
        throw EDecompressionError(kZlibErrorText);
    return code;
}

} // namespace

int ZlibLevel(TFileCompressionLevel level)
{
    switch (level) {
    case fcNone:
        return 0;
    case fcFastest:
        return 1;
    case fcDefault:
        return Z_DEFAULT_COMPRESSION;
    case fcMaximum:
        return 9;
    }
    return Z_DEFAULT_COMPRESSION;
}

struct TCustomZlibStream::ZState {
    z_stream rec{};
    bool initialised = false;
};

// ---------------------------------------------------------------- TCustomZlibStream

TCustomZlibStream::TCustomZlibStream(TStream& s)
    : strm(s), strmPos(s.Position()), z(std::make_unique<ZState>())
{
}

TCustomZlibStream::~TCustomZlibStream() = default;

void TCustomZlibStream::Progress(TCustomZlibStream& sender)
{
    if (OnProgress)
        OnProgress(sender);
}

// ---------------------------------------------------------------- TCompressionStream

TCompressionStream::TCompressionStream(TFileCompressionLevel level, TStream& dest) : TCustomZlibStream(dest)
{
    z->rec.next_out = buffer.data();
    z->rec.avail_out = static_cast<uInt>(buffer.size());
    deflateCheck(
        deflateInit2(&z->rec, ZlibLevel(level), Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY));
    z->initialised = true;
}

TCompressionStream::~TCompressionStream()
{
    // A destructor cannot report a failure: callers that need to know call Finish() first.
    try {
        Finish();
    } catch (...) {
    }
    if (z->initialised)
        deflateEnd(&z->rec);
}

std::int64_t TCompressionStream::Read(void*, std::int64_t)
{
    throw ECompressionError(kInvalidOperation);
}

std::int64_t TCompressionStream::Write(const void* data, std::int64_t count)
{
    if (finished)
        throw ECompressionError(kInvalidOperation);
    if (count <= 0)
        return 0;
    if (strm.Position() != strmPos)
        strm.Seek(strmPos, TSeekOrigin::soBeginning);
    const auto* p = static_cast<const Bytef*>(data);
    std::int64_t left = count;
    while (left > 0) {
        const auto chunk = static_cast<uInt>(std::min<std::int64_t>(left, std::numeric_limits<uInt>::max()));
        z->rec.next_in = const_cast<Bytef*>(p);
        z->rec.avail_in = chunk;
        while (z->rec.avail_in > 0) {
            deflateCheck(deflate(&z->rec, Z_NO_FLUSH));
            if (z->rec.avail_out == 0) {
                strm.WriteBuffer(buffer.data(), static_cast<std::int64_t>(buffer.size()));
                z->rec.next_out = buffer.data();
                z->rec.avail_out = static_cast<uInt>(buffer.size());
                strmPos = strm.Position();
                totalIn = static_cast<std::int64_t>(z->rec.total_in);
                Progress(*this);
            }
        }
        p += chunk;
        left -= chunk;
    }
    totalIn = static_cast<std::int64_t>(z->rec.total_in);
    return count;
}

std::int64_t TCompressionStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    if (offset == 0 && origin == TSeekOrigin::soCurrent)
        return totalIn;
    throw ECompressionError(kInvalidOperation);
}

void TCompressionStream::Finish()
{
    if (finished)
        return;
    finished = true;
    z->rec.next_in = nullptr;
    z->rec.avail_in = 0;
    if (strm.Position() != strmPos)
        strm.Seek(strmPos, TSeekOrigin::soBeginning);
    while (deflateCheck(deflate(&z->rec, Z_FINISH)) != Z_STREAM_END && z->rec.avail_out == 0) {
        strm.WriteBuffer(buffer.data(), static_cast<std::int64_t>(buffer.size()));
        z->rec.next_out = buffer.data();
        z->rec.avail_out = static_cast<uInt>(buffer.size());
    }
    const auto pending = static_cast<std::int64_t>(buffer.size() - z->rec.avail_out);
    if (pending > 0)
        strm.WriteBuffer(buffer.data(), pending);
    z->rec.next_out = buffer.data();
    z->rec.avail_out = static_cast<uInt>(buffer.size());
    strmPos = strm.Position();
}

// ---------------------------------------------------------------- TDecompressionStream

TDecompressionStream::TDecompressionStream(TStream& source) : TCustomZlibStream(source)
{
    z->rec.next_in = buffer.data();
    z->rec.avail_in = 0;
    inflateCheck(inflateInit2(&z->rec, kWindowBits));
    z->initialised = true;
}

TDecompressionStream::~TDecompressionStream()
{
    // Leave the source just after the input that inflate consumed.
    try {
        if (z->rec.avail_in > 0)
            strm.Seek(-static_cast<std::int64_t>(z->rec.avail_in), TSeekOrigin::soCurrent);
    } catch (...) {
    }
    if (z->initialised)
        inflateEnd(&z->rec);
}

std::int64_t TDecompressionStream::Read(void* data, std::int64_t count)
{
    if (count <= 0)
        return 0;
    if (strm.Position() != strmPos)
        strm.Seek(strmPos, TSeekOrigin::soBeginning);
    auto* p = static_cast<Bytef*>(data);
    std::int64_t left = count;
    while (left > 0) {
        const auto chunk = static_cast<uInt>(std::min<std::int64_t>(left, std::numeric_limits<uInt>::max()));
        z->rec.next_out = p;
        z->rec.avail_out = chunk;
        while (z->rec.avail_out > 0) {
            // Past the end of the zlib stream there is nothing more to deliver.
            if (streamEnd)
                throw EDecompressionError(kZlibErrorText);
            if (z->rec.avail_in == 0) {
                const auto got = strm.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
                z->rec.next_in = buffer.data();
                z->rec.avail_in = static_cast<uInt>(std::max<std::int64_t>(got, 0));
                strmPos = strm.Position();
                Progress(*this);
            }
            const int rc = inflateCheck(inflate(&z->rec, Z_NO_FLUSH));
            if (rc == Z_STREAM_END)
                streamEnd = true;
            else if (rc == Z_NEED_DICT) // the archive never uses a preset dictionary
                throw EDecompressionError(kZlibErrorText);
        }
        const auto done = static_cast<std::int64_t>(chunk);
        p += done;
        left -= done;
        totalOut += done;
    }
    return count;
}

std::int64_t TDecompressionStream::Write(const void*, std::int64_t)
{
    throw ECompressionError(kInvalidOperation);
}

std::int64_t TDecompressionStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    if (offset == 0 && origin == TSeekOrigin::soBeginning) {
        inflateCheck(inflateReset(&z->rec));
        z->rec.next_in = buffer.data();
        z->rec.avail_in = 0;
        strm.Seek(0, TSeekOrigin::soBeginning);
        strmPos = 0;
        totalOut = 0;
        streamEnd = false;
        return 0;
    }
    const bool forward = (origin == TSeekOrigin::soCurrent && offset >= 0) ||
                         (origin == TSeekOrigin::soBeginning && offset > totalOut);
    if (!forward)
        throw ECompressionError(kInvalidOperation);
    if (origin == TSeekOrigin::soBeginning)
        offset -= totalOut;
    std::uint8_t scratch[kSkipBlock];
    for (std::int64_t i = 0; i < offset / kSkipBlock; ++i)
        Read(scratch, kSkipBlock);
    if (offset % kSkipBlock > 0)
        Read(scratch, offset % kSkipBlock);
    return totalOut;
}

// ---------------------------------------------------------------- helpers

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size)
{
    const auto* p = static_cast<const Bytef*>(data);
    uLong c = crc;
    while (size > 0) {
        const auto chunk = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        c = crc32(c, p, chunk);
        p += chunk;
        size -= chunk;
    }
    return static_cast<std::uint32_t>(c);
}

std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t lengthB)
{
    return static_cast<std::uint32_t>(crc32_combine64(crcA, crcB, static_cast<z_off64_t>(lengthB)));
}

bool DeflateBuffer(TFileCompressionLevel level, const void* data, std::size_t size,
                   std::vector<std::uint8_t>& out, std::size_t maxOut)
{
    z_stream rec{};
    deflateCheck(
        deflateInit2(&rec, ZlibLevel(level), Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY));
    struct End {
        z_stream* r;
        ~End() { deflateEnd(r); }
    } end{&rec};
    const std::size_t room =
        maxOut > 0 ? maxOut : static_cast<std::size_t>(deflateBound(&rec, static_cast<uLong>(size)));
    out.resize(room);
    rec.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(data));
    rec.avail_in = static_cast<uInt>(size);
    rec.next_out = out.data();
    rec.avail_out = static_cast<uInt>(room);
    const int rc = deflateCheck(deflate(&rec, Z_FINISH));
    if (rc != Z_STREAM_END) {
        out.clear();
        return false;
    }
    out.resize(rec.total_out);
    return true;
}

namespace {

// One deflate state per thread, reused across members: initialising a fresh state per member
// (allocating and clearing its tables) costs more than compressing a small file.
struct DeflateSession {
    z_stream rec{};
    int level = 0;
    bool initialised = false;
    ~DeflateSession()
    {
        if (initialised)
            deflateEnd(&rec);
    }
};

} // namespace

void DeflateMember(TFileCompressionLevel level, const void* data, std::size_t size,
                   std::vector<std::uint8_t>& out, std::vector<std::int64_t>* exchanges)
{
    thread_local DeflateSession session;
    const int zlevel = ZlibLevel(level);
    if (session.initialised && session.level != zlevel) {
        deflateEnd(&session.rec);
        session.initialised = false;
    }
    if (!session.initialised) {
        session.rec = z_stream{};
        deflateCheck(
            deflateInit2(&session.rec, zlevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY));
        session.initialised = true;
        session.level = zlevel;
    } else {
        deflateCheck(deflateReset(&session.rec));
    }
    if (size > std::numeric_limits<uInt>::max())
        throw ECompressionError(kZlibErrorText);
    z_stream& z = session.rec;
    z.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(data));
    z.avail_in = static_cast<uInt>(size);
    constexpr std::size_t kChunk = TCustomZlibStream::kBufferSize;
    std::size_t produced = 0;
    out.clear();
    for (;;) {
        out.resize(produced + kChunk);
        z.next_out = out.data() + produced;
        z.avail_out = static_cast<uInt>(kChunk);
        const int rc = deflateCheck(deflate(&z, Z_FINISH));
        produced += kChunk - z.avail_out;
        if (rc == Z_STREAM_END)
            break;
        if (z.avail_out == 0 && exchanges)
            exchanges->push_back(static_cast<std::int64_t>(z.total_in));
    }
    out.resize(produced);
}

} // namespace pagolux
