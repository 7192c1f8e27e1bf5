#include "viewer/windows/WindowKeys.h"

namespace pagolux::win_keys {

KeyCommand commandForKey(unsigned vk, Modifiers mods)
{
    // F5 reloads with any modifier, as Ctrl+F5 does in browsers.
    if (vk == kVkF5)
        return KeyCommand::Reload;
    if (mods.alt && !mods.ctrl) {
        switch (vk) {
        case kVkLeft:
            return KeyCommand::Back;
        case kVkRight:
            return KeyCommand::Forward;
        case kVkHome:
            return KeyCommand::Home;
        default:
            return KeyCommand::None;
        }
    }
    if (mods.ctrl && !mods.alt) {
        if (vk == kVkP)
            return KeyCommand::Print;
        if (vk == kVkQ)
            return KeyCommand::Exit;
        return KeyCommand::None;
    }
    if (vk == kVkF1 && !mods.ctrl && !mods.alt)
        return KeyCommand::About;
    return KeyCommand::None;
}

KeyCommand hookCommand(unsigned vk, Modifiers mods, EnabledCommands enabled)
{
    const KeyCommand c = commandForKey(vk, mods);
    switch (c) {
    case KeyCommand::About:
    case KeyCommand::Exit:
    case KeyCommand::Home:
        return enabled.has(c) ? c : KeyCommand::None;
    default:
        return KeyCommand::None;
    }
}

} // namespace pagolux::win_keys
