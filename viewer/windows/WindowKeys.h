#pragma once
// Which of the viewer window's commands a key press means, and which of them the keyboard hook
// takes away from the page while Edge WebView2 shows it. Plain C++ over Windows' virtual-key
// numbers, so the same rules run on every system and are testable without Windows.

#include <cstdint>

namespace pagolux::win_keys {

// Virtual-key numbers of the keys the window knows, as Windows numbers them.
inline constexpr unsigned kVkHome = 0x24;
inline constexpr unsigned kVkLeft = 0x25;
inline constexpr unsigned kVkRight = 0x27;
inline constexpr unsigned kVkP = 'P';
inline constexpr unsigned kVkQ = 'Q';
inline constexpr unsigned kVkF1 = 0x70;
inline constexpr unsigned kVkF5 = 0x74;

enum class KeyCommand : std::uint8_t { None, Print, Exit, About, Back, Forward, Home, Reload };

struct Modifiers {
    bool ctrl = false;
    bool alt = false;
};

// The command a key press means: Alt+Left Back, Alt+Right Forward, Alt+Home Home, F5 (with any
// modifier) Reload, Ctrl+P Print, Ctrl+Q Exit, F1 About. Ctrl together with Alt is AltGr on
// many layouts (AltGr+Q types "@" on a German keyboard), so it never means Print or Exit.
[[nodiscard]] KeyCommand commandForKey(unsigned vk, Modifiers mods);

// The commands the settings enable, one bit per KeyCommand.
class EnabledCommands {
  public:
    EnabledCommands& set(KeyCommand c, bool on = true)
    {
        const auto bit = static_cast<std::uint16_t>(1u << static_cast<unsigned>(c));
        bits_ = static_cast<std::uint16_t>(on ? bits_ | bit : bits_ & ~bit);
        return *this;
    }
    [[nodiscard]] bool has(KeyCommand c) const { return (bits_ >> static_cast<unsigned>(c)) & 1u; }

  private:
    std::uint16_t bits_ = 0;
};

// The command the keyboard hook takes for a key pressed while the page of Edge WebView2 has the
// focus, or None when the key goes on to the page untouched. Only the window's own commands
// that the engine does not carry out itself qualify (About, Exit, Home); the engine reloads,
// prints and goes back and forward on its own keys. A command the settings leave out is no
// command, so its key reaches the page.
[[nodiscard]] KeyCommand hookCommand(unsigned vk, Modifiers mods, EnabledCommands enabled);

} // namespace pagolux::win_keys
