#!/bin/sh
# Starts (start DIR) or stops (stop DIR) the loopback peers of the rating-road tests: the rating
# service on a fresh database, a tinyproxy in front of it, and a tinyproxy in front of the port
# that the test program's own scripted server listens on. Ports go to DIR/ports.env.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cmd=$1
dir=$2
mkdir -p "$dir"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

wait_for_port() {
  python3 - "$1" <<'PY'
import socket, sys, time
end = time.time() + 15
while time.time() < end:
    try:
        socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.5).close()
        sys.exit(0)
    except OSError:
        time.sleep(0.05)
sys.exit(1)
PY
}

stop() {
  for p in service proxy_service proxy_script; do
    if [ -f "$dir/$p.pid" ]; then
      kill "$(cat "$dir/$p.pid")" 2>/dev/null || true
      rm -f "$dir/$p.pid"
    fi
  done
}

proxy() { # proxy NAME PORT UPSTREAM_PORT
  cat >"$dir/$1.conf" <<CONF
Port $2
Listen 127.0.0.1
Timeout 30
Allow 127.0.0.1
MaxClients 50
LogLevel Error
Upstream http 127.0.0.1:$3
CONF
  setsid tinyproxy -d -c "$dir/$1.conf" </dev/null >"$dir/$1.log" 2>&1 &
  echo $! >"$dir/$1.pid"
}

case $cmd in
start)
  stop
  rm -f "$dir/ports.env" "$dir/service.env" "$dir/road.db"*
  setsid python3 "$root/service/quavory_service.py" serve --db "$dir/road.db" --port-file "$dir/service.env" \
    --lifetime 1800 </dev/null >"$dir/service.log" 2>&1 &
  echo $! >"$dir/service.pid"
  i=0
  while [ ! -f "$dir/service.env" ]; do
    i=$((i + 1)); [ $i -lt 300 ] || { echo "service did not start"; cat "$dir/service.log"; exit 1; }
    sleep 0.05
  done
  service_port=$(sed -n 's/^SERVICE_PORT=//p' "$dir/service.env")
  script_port=$(free_port)
  proxy_service_port=$(free_port)
  proxy proxy_service "$proxy_service_port" "$service_port"
  proxy_script_port=$(free_port)
  proxy proxy_script "$proxy_script_port" "$script_port"
  wait_for_port "$proxy_service_port" || { echo "tinyproxy did not start"; cat "$dir/proxy_service.log"; exit 1; }
  wait_for_port "$proxy_script_port" || { echo "tinyproxy did not start"; cat "$dir/proxy_script.log"; exit 1; }
  refused_port=$(free_port)
  {
    echo "SERVICE_PORT=$service_port"
    echo "SCRIPT_PORT=$script_port"
    echo "PROXY_SERVICE_PORT=$proxy_service_port"
    echo "PROXY_SCRIPT_PORT=$proxy_script_port"
    echo "REFUSED_PORT=$refused_port"
  } >"$dir/ports.env.tmp"
  mv "$dir/ports.env.tmp" "$dir/ports.env"
  cat "$dir/ports.env"
  ;;
stop)
  stop
  ;;
esac
