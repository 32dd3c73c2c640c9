#!/usr/bin/env bash
# Runs the Linux client on the demo server, from a fresh clone: installs what
# is missing, builds (release), lays the client out in a run folder, starts
# the demo server and the client on it.
#
#   scripts/run-demo.sh
#
# With a display ($DISPLAY or $WAYLAND_DISPLAY set) both run until Ctrl-C (or
# until the client ends, e.g. from its tray menu), which stops both. Without
# one they run on a private X server (Xvfb): once the page shows, a screenshot
# is saved, its path printed, and both are stopped.
#
# The run folder is build/run/ ($ORVANE_RUN_DIR to choose another). A
# config.ini is written there only when none exists: server 127.0.0.1, web
# port 8099 (the demo server listens on whatever web port config.ini names),
# and monitor 1 chosen, so the client shows the page without asking. The
# launchers the client makes (desktop, autostart) go into the run folder's
# home/, not into your own.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
run_dir=${ORVANE_RUN_DIR:-$source_dir/build/run}
build_dir=$source_dir/build/release

log() { printf 'run-demo: %s\n' "$*"; }
fail() {
  printf 'run-demo: %s\n' "$*" >&2
  exit 1
}

# --- Build and install ---------------------------------------------------------

scripts/install-deps.sh
log "building (release)"
cmake --preset release > /dev/null
cmake --build --preset release -j "$(nproc)" \
  --target QZorvane common orvane_icon orvane-demo-server orvane-screenshot
mkdir -p "$run_dir"
run_dir=$(cd "$run_dir" && pwd)
cmake --install "$build_dir" --prefix "$run_dir" --component program > /dev/null
log "client installed in $run_dir"

config=$run_dir/config.ini
if [[ ! -e "$config" ]]; then
  printf '[server]\nip=127.0.0.1\nwebport=8099\n[local]\nindex=1\n' > "$config"
  log "wrote $config"
fi
# The web port config.ini names (the client's default when it names none).
web_port=$(sed -n 's/^[[:space:]]*webport[[:space:]]*=[[:space:]]*\([0-9][0-9]*\).*/\1/p' \
  "$config" | head -n 1)
web_port=${web_port:-8099}

# Launchers and autostart entries the client makes stay in the run folder.
home_dir=$run_dir/home
mkdir -p "$home_dir/.config" "$home_dir/Desktop"
printf 'XDG_DESKTOP_DIR="%s"\n' "$home_dir/Desktop" > "$home_dir/.config/user-dirs.dirs"

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-demo-XXXXXX")
server_pid=""
client_pid=""
xvfb_pid=""
bus_pid=""

# Sends SIGTERM and waits up to `seconds` for the process to go, then SIGKILL.
stop_process() {
  local pid=$1 seconds=$2
  [[ -n "$pid" ]] || return 0
  kill -TERM "$pid" 2> /dev/null || return 0
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2> /dev/null || true
  wait "$pid" 2> /dev/null || true
}

stop_all() {
  trap - INT TERM
  stop_process "$client_pid" 20
  client_pid=""
  stop_process "$server_pid" 10
  server_pid=""
  stop_process "$bus_pid" 5
  bus_pid=""
  stop_process "$xvfb_pid" 5
  xvfb_pid=""
  rm -rf "$work"
}
trap stop_all EXIT
trap 'log "stopping"; exit 130' INT TERM

# Waits up to `seconds` for `test_command` to succeed; false at the deadline.
wait_for() {
  local seconds=$1
  shift
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# --- A private X server when there is no display -------------------------------

headless=0
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  headless=1
  command -v Xvfb > /dev/null || fail "Xvfb is missing (scripts/install-deps.sh installs it)"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1920x1080x24 3> "$work/display" \
    > "$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for 30 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$work/display")"
  # A session bus of its own for the tray; the client runs without one too.
  dbus-daemon --session --nofork --print-address=3 3> "$work/bus" > /dev/null 2>&1 &
  bus_pid=$!
  if wait_for 10 test -s "$work/bus"; then
    export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
  fi
  # The instance guard's lock: a client running on this machine's own
  # display does not keep this one from starting.
  export XDG_RUNTIME_DIR=$work/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  export GDK_BACKEND=x11
  log "no display: running on Xvfb $DISPLAY"
fi

# --- The demo server -----------------------------------------------------------

server_log=$run_dir/demo-server.log
"$build_dir/demo/server/orvane-demo-server" --web-port "$web_port" --push-port 0 \
  --page-root "$source_dir/demo/page" > "$server_log" 2>&1 &
server_pid=$!
server_ready() { grep -q ' ready$' "$server_log"; }
if ! wait_for 30 server_ready; then
  cat "$server_log" >&2
  fail "the demo server did not start (is port $web_port taken?)"
fi
log "demo server on http://127.0.0.1:$web_port/ (its log: $server_log)"

# --- The client ----------------------------------------------------------------

client_log=$run_dir/client.out
day_log=$run_dir/log/orvane_log/$(date +%Y%m%d).txt
# The day log may hold earlier runs: only this run's lines count.
day_log_start=1
[[ -f "$day_log" ]] && day_log_start=$(($(wc -l < "$day_log") + 1))
XDG_CONFIG_HOME=$home_dir/.config "$run_dir/QZorvane" > "$client_log" 2>&1 &
client_pid=$!
log "client started (day log: $day_log)"

if ((headless == 0)); then
  log "running; Ctrl-C stops both"
  set +e
  wait "$client_pid"
  status=$?
  set -e
  client_pid=""
  log "client ended (status $status)"
  exit 0
fi

# The page has loaded and the server has logged the client in and sent it
# the board: the board is on screen once its rows have slid in.
page_shown() {
  awk -v from="$day_log_start" 'NR >= from && /->\[载入完成\]/ { found = 1 } END { exit !found }' \
    "$day_log" 2> /dev/null &&
    grep -q 'sys/conn and board/snapshot' "$server_log"
}
shown_or_gone() { page_shown || ! kill -0 "$client_pid" 2> /dev/null; }
wait_for 120 shown_or_gone || true
kill -0 "$client_pid" 2> /dev/null || fail "the client ended early; see $client_log and $day_log"
ready=0
page_shown && ready=1
if ((ready)); then
  # The server changes a few scores every 2 s; rows slide and scores count
  # for about a second after each change: shoot just after one has settled.
  pushes() { grep -c 'push board/score' "$server_log" || true; }
  seen=$(pushes)
  another_push() { (($(pushes) > seen)); }
  wait_for 5 another_push || true
  sleep 1.3
fi
shot=$run_dir/screenshot.png
"$build_dir/demo/screenshot/orvane-screenshot" --display "$DISPLAY" "$shot" ||
  fail "no screenshot"
if ((!ready)); then
  tail -n 20 "$day_log" >&2 2> /dev/null || true
  fail "the page did not show within 120 s; the screen as it was: $shot"
fi
log "page shown; screenshot: $shot"
echo "$shot"
