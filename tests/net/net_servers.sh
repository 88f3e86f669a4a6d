#!/bin/sh
# Starts (start DIR) or stops (stop DIR) the loopback peers of the HTTP client tests: the
# scriptable test server and a tinyproxy in front of it. Ports are chosen at run time and
# written to DIR/ports.env.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cmd=$1
dir=$2
mkdir -p "$dir"

stop() {
  for p in proxy server; do
    if [ -f "$dir/$p.pid" ]; then
      kill "$(cat "$dir/$p.pid")" 2>/dev/null || true
      rm -f "$dir/$p.pid"
    fi
  done
}

wait_for_port() {
  python3 - "$1" <<'PY'
import socket, sys, time
end = time.time() + 10
while time.time() < end:
    try:
        socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.5).close()
        sys.exit(0)
    except OSError:
        time.sleep(0.05)
sys.exit(1)
PY
}

case $cmd in
start)
  stop
  rm -f "$dir/ports.env" "$dir/server.env"
  setsid python3 "$here/http_test_server.py" --port-file "$dir/server.env" --lifetime 1800 \
    </dev/null >"$dir/server.log" 2>&1 &
  echo $! >"$dir/server.pid"
  i=0
  while [ ! -f "$dir/server.env" ]; do
    i=$((i + 1)); [ $i -lt 200 ] || { echo "test server did not start"; cat "$dir/server.log"; exit 1; }
    sleep 0.05
  done
  proxy_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$dir/tinyproxy.conf" <<CONF
Port $proxy_port
Listen 127.0.0.1
Timeout 30
Allow 127.0.0.1
MaxClients 50
LogLevel Error
CONF
  setsid tinyproxy -d -c "$dir/tinyproxy.conf" </dev/null >"$dir/tinyproxy.log" 2>&1 &
  echo $! >"$dir/proxy.pid"
  wait_for_port "$proxy_port" || { echo "tinyproxy did not start"; cat "$dir/tinyproxy.log"; exit 1; }
  { cat "$dir/server.env"; echo "PROXY_PORT=$proxy_port"; } >"$dir/ports.env.tmp"
  mv "$dir/ports.env.tmp" "$dir/ports.env"
  cat "$dir/ports.env"
  ;;
stop)
  stop
  ;;
esac
