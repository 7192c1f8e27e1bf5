#pragma once
// What a built program carries behind the viewer: the settings block at the offset patched
// into the marker, then the ZLB archive up to the end of the file. Opening checks all of it
// (block lengths, the archive's trailer, registry and CRC, the start file's presence) before
// anything is shown. Qt-free.

#include "archive/Exception.h"
#include "format/BuildSettings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pagolux {

class TZLBArchive;

// Where the viewer's pages come from; the URL scheme handler asks it by member key.
class MemberSource {
  public:
    virtual ~MemberSource() = default;
    // The member's bytes, or nothing when no member has this key.
    [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> read(const std::string& key) = 0;
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

class ViewerPackage : public MemberSource {
  public:
    // Opens hostFile, whose settings block begins at settingsOffset. Raises EViewerError with
    // one of the texts above (and the detail behind it).
    static std::unique_ptr<ViewerPackage> open(const std::string& hostFile, std::uint32_t settingsOffset);
    ~ViewerPackage() override;

    [[nodiscard]] const BuildSettings& settings() const { return settings_; }
    [[nodiscard]] const std::string& startPath() const { return startPath_; }
    // The start file's member key as the archive spells it.
    [[nodiscard]] const std::string& startKey() const { return startKey_; }
    [[nodiscard]] std::int32_t memberCount() const;

    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override;

  private:
    ViewerPackage();
    BuildSettings settings_;
    std::string startPath_;
    std::string startKey_;
    std::unique_ptr<TZLBArchive> archive_;
};

} // namespace pagolux
