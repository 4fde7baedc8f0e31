#!/bin/sh
# The weather network's uploads driven by `stratoquill run`, against the console
# simulator and a recording HTTP server, both on 127.0.0.1: the highs and lows go out
# when the real-time stream starts, and without the real-time stream the upload every
# 55th tick reads the console itself.
# Usage: network_run_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
cd "$dir" || fail "no temporary folder"

# Records each PUT as "TYPE SIZE" and accepts it.
cat > recorder.py <<'PY'
import http.server, sys
class Recorder(http.server.BaseHTTPRequestHandler):
    def do_PUT(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with open("puts.txt", "a") as f:
            f.write("%d %d\n" % (body[1] if len(body) > 1 else -1, len(body)))
        reply = b"0\n#SQ*\n"
        self.send_response(200)
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Recorder)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 recorder.py > srv.out 2>&1 &
srvpid=$!
start_sim --packet-ms 100
wait_for srv.out '^[0-9]' 200 "recorder did not start"
srvport=$(head -1 srv.out)

"$sq" init > /dev/null || fail init
"$sq" station new Home > /dev/null || fail "station new"
"$sq" station set Home connection=tcp host=127.0.0.1 tcp-port="$port" model=6 > /dev/null || fail "station set"
"$sq" network Home endpoint "http://127.0.0.1:$srvport" > /dev/null || fail endpoint
"$sq" network Home register --mac 00:11:22:33:44:55 --key 42 > /dev/null || fail register
"$sq" network Home on > /dev/null || fail on
[ "$(cat puts.txt)" = "$(printf '1 64\n5 321')" ] || fail "register sent: $(cat puts.txt)"
: > puts.txt

# Under run: the first packet stream brings the highs and lows.
"$sq" run --station Home < /dev/null > run.out 2>&1 &
runpid=$!
tries=0
while ! grep -q '^4 147$' puts.txt; do
  tries=$((tries + 1))
  [ $tries -gt 600 ] && fail "no highs and lows under run: $(cat puts.txt) $(cat run.out)"
  sleep 0.1
done
kill "$runpid"
wait "$runpid"
runpid=

# Without the real-time stream, the 55th tick reads the console and uploads.
: > puts.txt
"$sq" run --station Home --no-realtime --ticks 56 --tick-ms 10 < /dev/null > run.out 2>&1 || fail "run: $(cat run.out)"
[ "$(cat puts.txt)" = "$(printf '4 147\n2 120')" ] || fail "run --no-realtime sent: $(cat puts.txt)"
echo "network under run: ok"
