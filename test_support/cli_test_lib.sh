# Sourced by the command-line tests (*_cli_test.sh) after they set `sim` to the console
# simulator (when they use it). Gives them:
#   $dir       a new temporary folder, removed at exit with everything in it
#   fail MSG   prints "FAIL: MSG" and the download log of $dir, and exits 1
#   wait_for FILE PATTERN [TRIES [MESSAGE]]
#              waits in 50 ms steps, TRIES at most (default 100), until a line of FILE
#              matches PATTERN (grep); fails with MESSAGE otherwise
#   start_sim ARGS...      the simulator on a free TCP port of 127.0.0.1: $simpid, $port
#   start_sim_pty ARGS...  the simulator on a pseudo-terminal: $simpid, $tty
#   stop_sim
# The processes in $simpid, $runpid and $srvpid are ended at exit.
dir=$(mktemp -d) || { echo "FAIL: no temporary folder" >&2; exit 1; }
simpid=
runpid=
srvpid=
cleanup() {
  for pid in $runpid $srvpid $simpid; do
    kill "$pid" 2>/dev/null
  done
  rm -rf "$dir"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$dir/download.log" ] && sed 's/^/  log: /' "$dir/download.log" >&2
  exit 1
}

wait_for() {
  _tries=0
  while ! grep -q "$2" "$1" 2>/dev/null; do
    _tries=$((_tries + 1))
    [ $_tries -gt "${3:-100}" ] && fail "${4:-$1 never showed $2}"
    sleep 0.05
  done
}

# The simulator's first line says where it listens. Its output file is new for each
# start, so that a line left by an earlier simulator is never read.
_start_sim() {
  rm -f "$dir/sim.out"
  "$sim" "$@" > "$dir/sim.out" 2>&1 &
  simpid=$!
}
start_sim() {
  _start_sim --tcp 0 "$@"
  wait_for "$dir/sim.out" '^127.0.0.1:' 200 "simulator did not start"
  port=$(sed -n 's/^127\.0\.0\.1:\([0-9]*\)$/\1/p' "$dir/sim.out")
}
start_sim_pty() {
  _start_sim --pty "$@"
  wait_for "$dir/sim.out" '^/dev/' 200 "simulator did not start"
  tty=$(head -n 1 "$dir/sim.out")
}
stop_sim() {
  kill "$simpid" 2>/dev/null
  wait "$simpid" 2>/dev/null
  simpid=
}
