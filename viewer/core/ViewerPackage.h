#pragma once
// What a built program carries behind the viewer: the settings block at the offset patched
// into the marker, then the ZLB archive up to the end of the file. Opening checks all of it
// (block lengths, the archive's trailer, registry and CRC, the start file's presence) before
// anything is shown. The file is opened once and every later read goes to that same file, so
// a program rebuilt (replaced) while it runs keeps showing its own pages. Qt-free.

#include "format/BuildSettings.h"
#include "platform/Exception.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pagolux {

class TFileStream;
class TStream;
class TZLBArchive;

// Members from this size on are served through stream() instead of being read whole.
inline constexpr std::int64_t kStreamedMemberSize = 8LL * 1024 * 1024;

// Where the viewer's pages come from; the URL scheme handler asks it by member key.
class MemberSource {
  public:
    virtual ~MemberSource() = default;
    // The member's bytes, or nothing when no member has this key.
    [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> read(const std::string& key) = 0;
    // The member's size in bytes, or nothing when no member has this key.
    [[nodiscard]] virtual std::optional<std::int64_t> size(const std::string& key) = 0;
    // A seekable stream of the member's bytes that reads them only as they are consumed (Size()
    // is the member's size), or null when no member has this key. Damaged data raises from
    // Read as the stream layer's errors do.
    [[nodiscard]] virtual std::unique_ptr<TStream> stream(const std::string& key) = 0;
};

// A program that cannot show its pages; what() is the German text for the error window.
class EViewerError : public Exception {
  public:
    using Exception::Exception;
};

inline constexpr char kMsgViewerUnpatched[] =
    "Dieses Programm enthält keine Seiten. Es ist der unveränderte Viewer von Pagolux; "
    "mit \"Go!\" erstellte Programme zeigen ihre Seiten.";
inline constexpr char kMsgViewerDamaged[] = "Die Seiten dieses Programms fehlen oder sind beschädigt.";
inline constexpr char kMsgViewerNoStart[] = "Die Startseite ist nicht in diesem Programm enthalten:";
// The detail lines behind kMsgViewerDamaged.
inline constexpr char kDetailUnreadable[] = "(Die Programmdatei kann nicht gelesen werden.)";
inline constexpr char kDetailSettings[] = "(Die Einstellungen fehlen oder sind beschädigt.)";
inline constexpr char kDetailArchive[] = "(Das Archiv der Seiten ist unvollständig oder beschädigt.)";

class ViewerPackage : public MemberSource {
  public:
    // Opens hostFile, whose settings block begins at settingsOffset. Raises EViewerError with
    // one of the texts above (and a detail line behind it).
    static std::unique_ptr<ViewerPackage> open(const std::string& hostFile, std::uint32_t settingsOffset);
    ~ViewerPackage() override;
    ViewerPackage(const ViewerPackage&) = delete;
    ViewerPackage& operator=(const ViewerPackage&) = delete;

    [[nodiscard]] const BuildSettings& settings() const { return settings_; }
    [[nodiscard]] const std::string& startPath() const { return startPath_; }
    // The start file's member key as the archive spells it.
    [[nodiscard]] const std::string& startKey() const { return startKey_; }
    // The folder all members lie in, as a key prefix ending in "\" ("\usr\share\doc\site\"),
    // or "" when they share none. Paths shown to the user are relative to it.
    [[nodiscard]] const std::string& siteRootKey() const { return siteRoot_; }
    [[nodiscard]] std::int32_t memberCount() const;
    // Every member's key as the archive spells it, in archive order.
    [[nodiscard]] std::vector<std::string> memberKeys() const;

    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override;
    std::optional<std::int64_t> size(const std::string& key) override;
    // The CRC-32 of the member's bytes as the archive's registry records it, or nothing when
    // no member has this key.
    [[nodiscard]] std::optional<std::uint32_t> crc(const std::string& key) const;
    std::unique_ptr<TStream> stream(const std::string& key) override;

  private:
    ViewerPackage();
    [[nodiscard]] std::int32_t find(const std::string& key) const;

    BuildSettings settings_;
    std::string startPath_;
    std::string startKey_;
    std::string siteRoot_;
    // The open host file and a name that reaches exactly that file again (on Linux
    // /proc/self/fd/N, which stays the same file when the name on disk is replaced).
    int fd_ = -1;
    std::string heldName_;
    std::unique_ptr<TFileStream> host_; // the host file, open for the archive's reads
    std::unique_ptr<TZLBArchive> archive_;
};

} // namespace pagolux
