#include "viewer/windows/MemberIStream.h"

#include <cstring>

namespace pagolux::win {

HRESULT MemberIStream::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_ISequentialStream && riid != IID_IStream)
        return E_NOINTERFACE;
    *ppv = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
}

HRESULT MemberIStream::Read(void* buffer, ULONG count, ULONG* read)
{
    if (read)
        *read = 0;
    if (!stream_)
        return S_FALSE;
    try {
        // TStream reads may come short before the end; fill the buffer as far as there is data.
        ULONG total = 0;
        while (total < count) {
            const std::int64_t n = stream_->Read(static_cast<char*>(buffer) + total, count - total);
            if (n <= 0)
                break;
            total += static_cast<ULONG>(n);
        }
        if (read)
            *read = total;
        return total == count ? S_OK : S_FALSE;
    } catch (const std::exception&) {
        // Damaged data: the engine sees a failed read instead of wrong bytes.
        return STG_E_READFAULT;
    }
}

HRESULT MemberIStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position)
{
    if (!stream_)
        return STG_E_INVALIDFUNCTION;
    TSeekOrigin from = TSeekOrigin::soBeginning;
    if (origin == STREAM_SEEK_CUR)
        from = TSeekOrigin::soCurrent;
    else if (origin == STREAM_SEEK_END)
        from = TSeekOrigin::soEnd;
    else if (origin != STREAM_SEEK_SET)
        return STG_E_INVALIDFUNCTION;
    try {
        const std::int64_t at = stream_->Seek(move.QuadPart, from);
        if (at < 0)
            return STG_E_INVALIDFUNCTION;
        if (position)
            position->QuadPart = static_cast<ULONGLONG>(at);
        return S_OK;
    } catch (const std::exception&) {
        return STG_E_SEEKERROR;
    }
}

HRESULT MemberIStream::Stat(STATSTG* stat, DWORD)
{
    if (!stat)
        return STG_E_INVALIDPOINTER;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->grfMode = STGM_READ;
    try {
        stat->cbSize.QuadPart = stream_ ? static_cast<ULONGLONG>(stream_->Size()) : 0;
    } catch (const std::exception&) {
        return STG_E_ACCESSDENIED;
    }
    return S_OK;
}

} // namespace pagolux::win
