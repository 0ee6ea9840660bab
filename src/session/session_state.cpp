// The session of this run.
#include "shell/session_state.h"

SessionState& gSession() {
  static SessionState session;
  return session;
}
