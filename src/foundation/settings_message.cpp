#include "foundation/settings_message.h"

#include "foundation/log.h"

namespace foundation {

namespace {

SettingsMessageSink& Sink() {
  static SettingsMessageSink sink;
  return sink;
}

}  // namespace

void SetSettingsMessageSink(SettingsMessageSink sink) {
  Sink() = std::move(sink);
}

void ShowSettingsMessage(const std::string& text) {
  if (Sink()) {
    Sink()(text);
  } else {
    KWLog(0, text, kLevelError, "ShowSettingsMessage");
  }
}

}  // namespace foundation
