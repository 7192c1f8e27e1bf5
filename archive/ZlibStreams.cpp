// The one source file that includes zlib (and libdeflate, which checks members and computes
// CRCs faster).
#include "archive/ZlibStreams.h"

#if PAGOLUX_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif
#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>

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

// The one deflate loop of the archive. Runs deflate with flush (Z_NO_FLUSH or Z_FINISH) until
// z's input is consumed, or for Z_FINISH until the zlib stream is complete. Whenever the output
// room is used up before that, drain() must take the output and give z new room; when it
// returns false the loop stops there and returns false. With Z_FINISH the output of the last
// call is left for the caller (z.avail_out tells how much of the room is used).
template <class Drain> bool deflateLoop(z_stream& z, int flush, Drain&& drain)
{
    for (;;) {
        const int rc = deflateCheck(deflate(&z, flush));
        const bool done = flush == Z_FINISH ? rc == Z_STREAM_END : z.avail_in == 0;
        if (z.avail_out == 0 && !(flush == Z_FINISH && done) && !drain())
            return false;
        if (done)
            return true;
    }
}

// The one inflate loop of the archive. Inflates until z's output room is full; refill() must
// give z new input whenever none is left (giving none makes inflate fail). streamEnd is set once
// the zlib stream has ended; asking for more output after that, a preset dictionary and every
// zlib failure raise EDecompressionError.
template <class Refill> void inflateLoop(z_stream& z, bool& streamEnd, Refill&& refill)
{
    while (z.avail_out > 0) {
        if (streamEnd)
            throw EDecompressionError(kZlibErrorText);
        if (z.avail_in == 0)
            refill();
        const int rc = inflateCheck(inflate(&z, Z_NO_FLUSH));
        if (rc == Z_STREAM_END)
            streamEnd = true;
        else if (rc == Z_NEED_DICT) // the archive never uses a preset dictionary
            throw EDecompressionError(kZlibErrorText);
    }
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
        deflateLoop(z->rec, Z_NO_FLUSH, [&] {
            strm.WriteBuffer(buffer.data(), static_cast<std::int64_t>(buffer.size()));
            z->rec.next_out = buffer.data();
            z->rec.avail_out = static_cast<uInt>(buffer.size());
            strmPos = strm.Position();
            totalIn = static_cast<std::int64_t>(z->rec.total_in);
            Progress(*this);
            return true;
        });
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
    deflateLoop(z->rec, Z_FINISH, [&] {
        strm.WriteBuffer(buffer.data(), static_cast<std::int64_t>(buffer.size()));
        z->rec.next_out = buffer.data();
        z->rec.avail_out = static_cast<uInt>(buffer.size());
        return true;
    });
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
        inflateLoop(z->rec, streamEnd, [&] {
            const auto got = strm.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
            z->rec.next_in = buffer.data();
            z->rec.avail_in = static_cast<uInt>(std::max<std::int64_t>(got, 0));
            strmPos = strm.Position();
            Progress(*this);
        });
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
#if PAGOLUX_HAVE_LIBDEFLATE
    // libdeflate's CRC-32 folds with carry-less multiplication where the processor has it: about
    // three times as fast as zlib's.
    return libdeflate_crc32(crc, data, size);
#else
    const auto* p = static_cast<const Bytef*>(data);
    uLong c = crc;
    while (size > 0) {
        const auto chunk = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        c = crc32(c, p, chunk);
        p += chunk;
        size -= chunk;
    }
    return static_cast<std::uint32_t>(c);
#endif
}

std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t lengthB)
{
    return static_cast<std::uint32_t>(crc32_combine64(crcA, crcB, static_cast<z_off64_t>(lengthB)));
}

std::uint32_t Crc32Append(std::uint32_t crc, const std::uint32_t* blockCrcs, std::size_t count,
                          std::int64_t blockSize)
{
    if (count == 0)
        return crc;
    // One shift operator for the common length, applied per block: far cheaper than a full
    // combine each time.
    const uLong op = crc32_combine_gen64(static_cast<z_off64_t>(blockSize));
    uLong c = crc;
    for (std::size_t k = 0; k < count; ++k)
        c = crc32_combine_op(c, blockCrcs[k], op);
    return static_cast<std::uint32_t>(c);
}

namespace {

// Members up to this size (output and input alike) are decoded in one piece by libdeflate,
// about twice as fast as zlib's inflate; larger ones stream through zlib in bounded buffers.
constexpr std::int64_t kWholeInflateLimit = 8 * 1024 * 1024;

// A buffer that grows to the largest size asked of it and is never cleared: every byte is
// written before it is read.
class Scratch {
  public:
    std::uint8_t* get(std::size_t size)
    {
        if (size > capacity) {
            bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
            capacity = size;
        }
        return bytes.get();
    }

  private:
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
};

// The CRC-32 of the whole zlib stream at source's position when libdeflate decodes it to
// exactly size bytes. Returns false, with the source back where it was, in every other case:
// the stream is damaged, longer than size, has a wrong Adler-32 or is too large to hold. The
// caller then lets zlib decide, so a member is refused only on zlib's verdict, the same one
// extraction would reach.
bool wholeInflateCrc32(TStream& source, std::int64_t size, std::uint32_t& crc)
{
#if !PAGOLUX_HAVE_LIBDEFLATE
    // Without libdeflate (the Windows viewer's build) zlib checks every member.
    (void)source;
    (void)size;
    (void)crc;
    return false;
#else
    if (size <= 0 || size > kWholeInflateLimit)
        return false;
    const std::int64_t start = source.Position();
    const std::int64_t input = source.Size() - start;
    if (input <= 0 || input > kWholeInflateLimit)
        return false;
    struct Decompressor {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        ~Decompressor() { libdeflate_free_decompressor(d); }
    };
    thread_local Decompressor decompressor;
    thread_local Scratch in;
    thread_local Scratch out;
    if (!decompressor.d)
        return false;
    // A memory stream's bytes are decoded where they lie; others are read into a buffer.
    const auto* memory = dynamic_cast<TReadOnlyMemoryStream*>(&source);
    const std::uint8_t* const inBytes =
        memory ? memory->Memory() + start : in.get(static_cast<std::size_t>(input));
    std::uint8_t* const outBytes = out.get(static_cast<std::size_t>(std::max<std::int64_t>(size, 1)));
    std::size_t used = 0;
    std::size_t produced = 0;
    const bool read = memory ? source.Seek(input, TSeekOrigin::soCurrent) == start + input
                             : source.Read(const_cast<std::uint8_t*>(inBytes), input) == input;
    const bool whole = read &&
                       libdeflate_zlib_decompress_ex(decompressor.d, inBytes, static_cast<std::size_t>(input),
                                                     outBytes, static_cast<std::size_t>(size), &used,
                                                     &produced) == LIBDEFLATE_SUCCESS &&
                       produced == static_cast<std::size_t>(size);
    if (!whole) {
        source.Seek(start, TSeekOrigin::soBeginning);
        return false;
    }
    crc = Crc32(0, outBytes, produced);
    return true;
#endif
}

} // namespace

std::uint32_t InflateCrc32(TStream& source, std::int64_t size)
{
    std::uint32_t crc = 0;
    if (wholeInflateCrc32(source, size, crc))
        return crc;

    // Buffers kept per thread: members are checked one after another on each worker.
    thread_local std::vector<std::uint8_t> input;
    thread_local std::vector<std::uint8_t> output;
    constexpr std::size_t kOutput = 256 * 1024;
    if (input.empty()) {
        input.resize(TCustomZlibStream::kBufferSize);
        output.resize(kOutput);
    }
    z_stream rec{};
    inflateCheck(inflateInit2(&rec, kWindowBits));
    struct End {
        z_stream* r;
        ~End() { inflateEnd(r); }
    } end{&rec};
    rec.avail_in = 0;
    bool streamEnd = false;
    for (std::int64_t left = size; left > 0;) {
        const auto chunk =
            static_cast<uInt>(std::min<std::int64_t>(left, static_cast<std::int64_t>(kOutput)));
        rec.next_out = output.data();
        rec.avail_out = chunk;
        inflateLoop(rec, streamEnd, [&] {
            const auto got = source.Read(input.data(), static_cast<std::int64_t>(input.size()));
            rec.next_in = input.data();
            rec.avail_in = static_cast<uInt>(std::max<std::int64_t>(got, 0));
        });
        crc = Crc32(crc, output.data(), chunk);
        left -= chunk;
    }
    return crc;
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
    // The room holds the whole stream (deflateBound) or is the limit: filling it stops.
    if (!deflateLoop(rec, Z_FINISH, [] { return false; })) {
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
    out.resize(kChunk);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(kChunk);
    deflateLoop(z, Z_FINISH, [&] {
        if (exchanges)
            exchanges->push_back(static_cast<std::int64_t>(z.total_in));
        const std::size_t used = out.size();
        out.resize(used + kChunk);
        z.next_out = out.data() + used;
        z.avail_out = static_cast<uInt>(kChunk);
        return true;
    });
    out.resize(out.size() - z.avail_out);
}

} // namespace pagolux
