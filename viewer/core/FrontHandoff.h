#pragma once
// What the starter hands to the engine front it starts: which engine it is, the open program
// file and the state of its marker record, the icon pixels as the file holds them, the
// terminal's error output (the front's own stderr may lead to /dev/null) and the pipe on which
// the front says that it got past the dynamic loader. It travels in one environment variable,
// which the front removes at once so that programs it starts (the browser) never see it.
// Free of the C++ library, as the starter is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace pagolux {

inline constexpr char kHandoffVariable[] = "PAGOLUX_VIEWER_HOST";

struct FrontHandoff {
    char engine[32] = {}; // the engine's name, as PAGOLUX_VIEWER_ENGINE names it
    int hostFd = -1;      // the program file, open for reading
    bool patched = false; // the marker record carries a settings offset
    std::uint32_t settingsOffset = 0;
    int errorFd = 2;    // where the front's own messages go
    int startedFd = -1; // written to once the front runs; -1: nobody waits
    std::array<std::uint8_t, 512> icon{};
};

// Room for the variable's value (engine, five numbers, 1024 hex digits) and its end.
inline constexpr std::size_t kHandoffTextSize = 32 + 6 * 12 + 1024 + 1;
// Writes the variable's value for handoff into out.
void encodeHandoff(const FrontHandoff& handoff, char (&out)[kHandoffTextSize]);
// The handoff in text, or nothing when text is not one encodeHandoff wrote.
[[nodiscard]] std::optional<FrontHandoff> decodeHandoff(const char* text);

// Reads and removes the variable and keeps the handed descriptors from programs the front
// starts; nothing when the program was started directly. Tells the waiting starter that the
// front got past the dynamic loader (kLoadedByte): its engine is on the machine.
[[nodiscard]] std::optional<FrontHandoff> takeHandoff();

// Tells the waiting starter that the front runs (kStartedByte: its window can open), then
// closes the pipe. A front that ends after kLoadedByte without this found its engine but no
// display to show it on.
void announceStarted(const FrontHandoff& handoff);

inline constexpr char kLoadedByte = 'L';
inline constexpr char kStartedByte = '1';

} // namespace pagolux
