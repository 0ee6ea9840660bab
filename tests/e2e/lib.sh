# Helpers for driving the real program over the X display: find windows by caption, wait, screenshot.

# Waits (up to $2 seconds) for a window whose caption contains $1; prints its id.
e2e_wait_window() {
  local caption="$1" limit="${2:-60}" start=$SECONDS id
  while [ $((SECONDS - start)) -lt "$limit" ]; do
    id=$(xdotool search --name "$caption" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  return 1
}

# Waits (up to $2 seconds) for process $1 to end.
e2e_wait_exit() {
  local pid="$1" limit="${2:-60}" start=$SECONDS
  while kill -0 "$pid" 2>/dev/null; do
    [ $((SECONDS - start)) -ge "$limit" ] && return 1
    sleep 0.2
  done
  return 0
}

# Saves a PNG of window $1 as $2.
e2e_shot() {
  import -window "$1" "$2" 2>/dev/null || import -window root "$2"
}
