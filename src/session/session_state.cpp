// The session of this run.
#include "session/session_state.h"

SessionState& gSession() {
  static SessionState session;
  return session;
}
