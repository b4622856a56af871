#pragma once
// What a session asks of an object attached to it (a query, a dataset, a
// value the library handed out). Declared below the session, so that the
// values a session serves (timestamps) can be attached to it too.

namespace oracle {

// What the session asks of an attached object.
class TSessionAttached {
 public:
  // The session logged on (queries re-apply the character-set settings of
  // their string variables).
  virtual void SessionLoggedOn() {}
  // The session is logging off: a query closes and resets, a dataset closes,
  // a component releases what it holds of the connection.
  virtual void SessionLoggingOff() = 0;
  // The session logs off and its environment goes with it: a value the
  // library handed out, which its holder may keep beyond the logoff (a LOB
  // locator, an object, a reference, a timestamp), lets go of what it holds of the
  // environment now, while the client can still be called.
  virtual void SessionEnvironmentEnding() {}
  // A dataset marked to stay open is not closed at logoff.
  virtual bool StaysOpenAtLogOff() const { return false; }
  // A helper component's background listener thread.
  virtual bool ListenerRunning() const { return false; }
  virtual void TerminateListener() {}
  // A field layout setting of the session changed in design state (an open
  // dataset reopens).
  virtual void SessionLayoutChanged() {}
  // The session is being destroyed: forget it. The object has already been
  // taken off the list.
  virtual void SessionDestroyed() = 0;

 protected:
  ~TSessionAttached() = default;
};

}  // namespace oracle
