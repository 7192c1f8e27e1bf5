#include "viewer/qt/MemberDevice.h"

#include "archive/TStream.h"
#include "platform/Exception.h"

namespace pagolux {

MemberDevice::MemberDevice(std::unique_ptr<TStream> stream, QObject* parent)
    : QIODevice(parent), stream_(std::move(stream)), size_(stream_->Size())
{
    QIODevice::open(QIODevice::ReadOnly);
}

MemberDevice::~MemberDevice() = default;

qint64 MemberDevice::size() const
{
    return size_;
}

bool MemberDevice::seek(qint64 pos)
{
    if (pos < 0 || pos > size_ || !QIODevice::seek(pos))
        return false;
    try {
        return stream_->Seek(pos, TSeekOrigin::soBeginning) == pos;
    } catch (const Exception&) {
        return false;
    }
}

qint64 MemberDevice::readData(char* data, qint64 maxSize)
{
    try {
        return stream_->Read(data, maxSize);
    } catch (const Exception&) {
        // Damaged data ends the reply with an error instead of wrong bytes.
        return -1;
    }
}

} // namespace pagolux
