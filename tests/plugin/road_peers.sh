#!/bin/sh
# Starts (start DIR) or stops (stop DIR) the loopback peers of the rating-road tests: the rating
# service on a fresh database, a tinyproxy in front of it, and a tinyproxy in front of the port
# that the test program's own scripted server listens on. Ports go to DIR/ports.env.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/tests/support/peers.sh"
cmd=$1
dir=$2
mkdir -p "$dir"

case $cmd in
start)
  stop_peers service proxy_service proxy_script
  rm -f "$dir/ports.env" "$dir/service.env" "$dir/road.db"*
  start_peer service python3 "$root/service/quavory_service.py" serve --db "$dir/road.db" \
    --port-file "$dir/service.env" --lifetime 1800
  wait_for_file "$dir/service.env" "$dir/service.log"
  service_port=$(sed -n 's/^SERVICE_PORT=//p' "$dir/service.env")
  script_port=$(free_port)
  proxy_service_port=$(free_port)
  start_tinyproxy proxy_service "$proxy_service_port" "$service_port"
  proxy_script_port=$(free_port)
  start_tinyproxy proxy_script "$proxy_script_port" "$script_port"
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
  stop_peers service proxy_service proxy_script
  ;;
esac
