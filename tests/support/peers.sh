# Shell functions shared by the scripts that start and stop the loopback peers of the Win32 tests
# (tests/net/net_servers.sh, tests/plugin/road_peers.sh). Sourced, not run. Each peer runs in its
# own session with its pid in $dir/NAME.pid; ports are chosen at run time.

# A free loopback port.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# Waits (at most 15 s) until something accepts connections on loopback port $1.
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

# Waits (at most 15 s) for file $1, which a starting server writes once it listens; on time-out
# shows log $2 and fails.
wait_for_file() {
  i=0
  while [ ! -f "$1" ]; do
    i=$((i + 1))
    [ $i -lt 300 ] || { echo "no $1 came"; cat "$2"; return 1; }
    sleep 0.05
  done
}

# Starts peer NAME: the rest of the line is its command, run in a session of its own with its
# output in $dir/NAME.log.
start_peer() { # start_peer NAME COMMAND...
  name=$1
  shift
  setsid "$@" </dev/null >"$dir/$name.log" 2>&1 &
  echo $! >"$dir/$name.pid"
}

# Starts a tinyproxy called NAME on loopback port PORT, forwarding everything to loopback port
# UPSTREAM when one is given, and waits until it listens.
start_tinyproxy() { # start_tinyproxy NAME PORT [UPSTREAM]
  {
    echo "Port $2"
    echo "Listen 127.0.0.1"
    echo "Timeout 30"
    echo "Allow 127.0.0.1"
    echo "MaxClients 50"
    echo "LogLevel Error"
    [ -z "${3:-}" ] || echo "Upstream http 127.0.0.1:$3"
  } >"$dir/$1.conf"
  start_peer "$1" tinyproxy -d -c "$dir/$1.conf"
  wait_for_port "$2" || { echo "tinyproxy did not start"; cat "$dir/$1.log"; return 1; }
}

# Stops the named peers that are running.
stop_peers() { # stop_peers NAME...
  for p in "$@"; do
    if [ -f "$dir/$p.pid" ]; then
      kill "$(cat "$dir/$p.pid")" 2>/dev/null || true
      rm -f "$dir/$p.pid"
    fi
  done
}
