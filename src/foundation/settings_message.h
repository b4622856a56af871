#pragma once
// Messages that the settings code shows to the person at the register (a
// workstation settings file that cannot be read or written). They go through a
// replaceable sink so that the message form can be plugged in once it exists;
// until then, and whenever the sink is cleared, they are written to the log.

#include <functional>
#include <string>

namespace foundation {

using SettingsMessageSink = std::function<void(const std::string& text)>;

// Replaces the sink; an empty function restores the default (log the text).
void SetSettingsMessageSink(SettingsMessageSink sink);

// Shows one message through the current sink.
void ShowSettingsMessage(const std::string& text);

}  // namespace foundation
