#!/usr/bin/env bash
# What a QSO announced by WSJT-X costs until its card is mailed, filed and
# marked: the demo's profile and servers on loopback, `sendvik-cli wsjtx
# listen --send`, and a stand-in for WSJT-X that announces one QSO at a time
# (its "QSO Logged" and "Logged ADIF" datagrams) with a member station and
# waits for the listener's line. Prints each time and the median.
#   bench/wsjtx_latency.sh [BUILD_DIR] [COUNT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/dev}" && pwd)
count=${2:-20}
work=$(mktemp -d /tmp/sendvik-wsjtx-bench.XXXXXX)
home=$work/demo-home
run=$work/run
cd "$root"
trap 'scripts/demo-servers.sh stop "$run" >/dev/null 2>&1; rm -rf "$work"' EXIT
export TZ=Asia/Tokyo
export SENDVIK_DEMO_PORTS=13000
bash scripts/make-demo-profile.sh "$build" "$home" >"$work/profile.log" 2>&1
scripts/demo-servers.sh start "$home" "$run" >"$work/servers.log" 2>&1
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 - "$build/src/sendvik-cli" "$home" "$port" "$count" "$root/demo" <<'PY'
import datetime, socket, statistics, subprocess, sys, time

cli, home, port, count = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
sys.path.insert(0, sys.argv[5])
from announce_qso import logged_adif, qso_logged  # WSJT-X's datagrams

listener = subprocess.Popen([cli, "--home", home, "wsjtx", "listen", "--port", str(port), "--send",
                             "--yes", "--exit-after", str(count)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
while "UDP" not in listener.stderr.readline():
    pass
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start = datetime.datetime.utcnow().replace(microsecond=0) - datetime.timedelta(hours=2)
times = []
for i in range(count):
    on = start + datetime.timedelta(minutes=2 * i)
    begun = time.perf_counter()
    sender.sendto(qso_logged("JA4FJR", on, 7075500, "FT8"), ("127.0.0.1", port))
    sender.sendto(logged_adif("JA4FJR", on, "40m", "FT8"), ("127.0.0.1", port))
    line = listener.stdout.readline().strip()
    took = time.perf_counter() - begun
    if "sent=1" not in line:
        sys.exit("no card for QSO %d: %s" % (i + 1, line))
    times.append(took * 1000)
    print("%2d %7.1f ms  %s" % (i + 1, took * 1000, line))
listener.wait(timeout=30)
print("median %.1f ms, min %.1f ms, max %.1f ms over %d QSOs"
      % (statistics.median(times), min(times), max(times), count))
PY
