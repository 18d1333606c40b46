// Synthesised key strokes: queued to the focused widget, handled when the event loop runs again.
#pragma once

namespace torvel {

inline constexpr int VK_DOWN = 0x28;

// `count` presses and releases of a virtual key (Windows virtual-key codes, 8 bits).
void PressKey(int virtualKey, int count = 1);

} // namespace torvel
