#include "picture/MetafilePlayer.h"

#include "icon/IconError.h"
#include "picture/EmfPlayer.h"
#include "picture/MetafileBytes.h"
#include "picture/WmfPlayer.h"

namespace pagolux {

namespace {

using metafile::Bytes;

[[noreturn]] void fail(const std::string& fileName, const std::string& why)
{
    throw EPictureError("Die Metadatei " + fileName + " kann nicht gelesen werden: " + why);
}

Bytes bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const unsigned char*>(data.constData()), static_cast<std::size_t>(data.size())};
}

template <typename Play> MetafilePlayback guarded(Play play, const std::string& fileName)
{
    try {
        return play();
    } catch (const metafile::Damage& damage) {
        fail(fileName, damage.why);
    } catch (const metafile::Unsupported& unsupported) {
        return {QImage(), unsupported.record};
    }
}

} // namespace

MetafilePlayback MetafilePlayer::playWmf(const QByteArray& data, const std::string& fileName,
                                         const MetafileLimits& limits)
{
    return guarded([&] { return metafile::playWmfRecords(bytesOf(data), limits); }, fileName);
}

MetafilePlayback MetafilePlayer::playEmf(const QByteArray& data, const std::string& fileName,
                                         const MetafileLimits& limits)
{
    return guarded([&] { return metafile::playEmfRecords(bytesOf(data), limits); }, fileName);
}

} // namespace pagolux
