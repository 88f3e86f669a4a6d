#!/bin/sh
# Starts (start DIR) or stops (stop DIR) the loopback peers of the HTTP client tests: the
# scriptable test server and a tinyproxy in front of it. Ports are chosen at run time and
# written to DIR/ports.env.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/peers.sh"
cmd=$1
dir=$2
mkdir -p "$dir"

case $cmd in
start)
  stop_peers proxy server
  rm -f "$dir/ports.env" "$dir/server.env"
  start_peer server python3 "$here/http_test_server.py" --port-file "$dir/server.env" --lifetime 1800
  wait_for_file "$dir/server.env" "$dir/server.log"
  proxy_port=$(free_port)
  start_tinyproxy proxy "$proxy_port"
  { cat "$dir/server.env"; echo "PROXY_PORT=$proxy_port"; } >"$dir/ports.env.tmp"
  mv "$dir/ports.env.tmp" "$dir/ports.env"
  cat "$dir/ports.env"
  ;;
stop)
  stop_peers proxy server
  ;;
esac
