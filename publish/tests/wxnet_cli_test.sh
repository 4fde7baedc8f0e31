#!/bin/sh
# End to end through the executable: `wu` and `aprs` against an HTTP server and an
# APRS-like TCP server on 127.0.0.1 that record what they get, with the archive and the
# current data of the console simulator on loopback TCP.
# Usage: wxnet_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
cd "$dir" || fail "no temporary folder"

cat > servers.py <<'PY'
import http.server, socketserver, sys, threading
class Http(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open('requests.txt', 'a') as f:
            f.write(self.path + '\n')
        body = b'success\n'
        self.send_response(200)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
class Aprs(socketserver.StreamRequestHandler):
    timeout = 5
    def handle(self):
        got = self.rfile.readline() + self.rfile.readline()
        with open('aprs.txt', 'ab') as f:
            f.write(got)
        self.wfile.write(b'# logresp CW1234 unverified, server TEST\r\n')
http_server = http.server.HTTPServer(('127.0.0.1', 0), Http)
aprs_server = socketserver.TCPServer(('127.0.0.1', 0), Aprs)
with open('ports.txt', 'w') as f:
    f.write('%d %d\n' % (http_server.server_port, aprs_server.server_address[1]))
threading.Thread(target=aprs_server.serve_forever, daemon=True).start()
http_server.serve_forever()
PY
python3 servers.py &
srvpid=$!
wait_for ports.txt ' ' 200
http_port=$(cut -d' ' -f1 ports.txt)
aprs_port=$(cut -d' ' -f2 ports.txt)

"$sq" init > /dev/null || fail "init"
"$sq" station new Alpha > /dev/null || fail "station new"
# One day of half-hour records, from yesterday 00:30 to today 00:00.
yesterday=$(date -d '-1 day' +%Y-%m-%d)
today=$(date -d "$yesterday +1 day" +%Y-%m-%d)
start_sim --records 48 --period 30 --start "$yesterday"
"$sq" station set Alpha connection=tcp host=127.0.0.1 tcp-port="$port" model=6 latitude=38.51 \
  longitude=-90.25 > /dev/null || fail "station set"
"$sq" download Alpha > /dev/null 2>&1 || fail "download"

# Weather Underground: a dry run sends nothing and keeps no last record.
"$sq" wu Alpha --bogus 2> /dev/null; [ $? -eq 2 ] || fail "unknown option not refused"
"$sq" wu Alpha > /dev/null 2>&1 && fail "upload without an account"
"$sq" station set Alpha wu-id=KTEST1 wu-password='p@ss word' wu-host=127.0.0.1:"$http_port" wu-https=0 \
  > /dev/null || fail "wu settings"
"$sq" wu Alpha --dry-run --catchup 1 > dry.txt 2> dry_err.txt || fail "dry run"
grep -q 'Successfully uploaded' dry_err.txt && fail "the dry run claims an upload"
[ "$(grep -c '^GET http://127.0.0.1:' dry.txt)" -eq 48 ] || fail "dry run does not show 48 requests"
[ -f requests.txt ] && fail "the dry run sent something"
"$sq" station show Alpha | grep -q '^wu-resend-from *$' || fail "the dry run kept a last record"

# The catch-up sends every record once, in order, and keeps the newest as sent.
"$sq" wu Alpha --catchup 1 > sent.txt 2> /dev/null || fail "wu"
grep -q '^Sent 48 of 48 records.$' sent.txt || fail "not every record sent: $(cat sent.txt)"
[ "$(wc -l < requests.txt)" -eq 48 ] || fail "the server got $(wc -l < requests.txt) requests"
grep -v '^/weatherstation/updateweatherstation.php?ID=KTEST1&PASSWORD=p%40ss%20word&dateutc=[0-9-]*%20[0-9:]*&.*&softwaretype=Stratoquill%206.0.3&action=updateraw$' \
  requests.txt && fail "a request of another form"
[ "$(sort requests.txt | uniq | wc -l)" -eq 48 ] || fail "a record sent twice"
"$sq" station show Alpha | grep -q "^wu-resend-from *$today""T00:00$" || fail "last record sent not kept"
grep -q 'Successfully uploaded Weather Underground.' download.log || fail "no success line in the log"

# APRS: the login line and one report line.
"$sq" station set Alpha cwop-id=cw1234 cwop-server=127.0.0.1 cwop-port="$aprs_port" > /dev/null || fail "aprs settings"
"$sq" aprs Alpha --dry-run > aprs_dry.txt 2> /dev/null || fail "aprs dry run"
[ -f aprs.txt ] && fail "the dry run sent something"
"$sq" aprs Alpha 2> /dev/null || fail "aprs"
wait_for aprs.txt 'Kwtz' 200
head -1 aprs.txt | grep -q '^user CW1234 pass -1 vers SQ 6.0.3$' || fail "login line: $(head -1 aprs.txt)"
sed -n 2p aprs.txt | grep -Eq '^CW1234>APRS,TCPIP\*:@[0-9]{6}z3830\.60N/09015\.00W_[0-9.]{3}/[0-9.]{3}g[0-9.]{3}t[-0-9.]{3}r[0-9.]{3}p[0-9.]{3}P[0-9.]{3}h[0-9.]{2}b[0-9.]{5}(L[0-9]{3})?\.Kwtz$' \
  || fail "report line: $(sed -n 2p aprs.txt)"
grep -q 'Successfully uploaded APRS.' download.log || fail "no APRS success line in the log"
exit 0
