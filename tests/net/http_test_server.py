#!/usr/bin/env python3
"""Scriptable HTTP/1.0 server for the HTTP client tests, on 127.0.0.1 only.

Records the raw bytes of every request (readable back through /__last) and answers each path
with a canned raw reply, including broken ones. Also keeps a listener whose accept queue is
full, so that a connect to it never completes. Writes its ports to --port-file and exits after
--lifetime seconds at the latest.
"""
import argparse
import functools
import os
import re
import socket
import threading
import time

requests = []
lock = threading.Lock()
STALL_SECONDS = 8


@functools.lru_cache(maxsize=16)
def pattern(n):
    block = bytes(range(251))  # NUL bytes included
    return (block * (n // 251 + 1))[:n]


def read_request(conn):
    data = b""
    conn.settimeout(10)
    while b"\r\n\r\n" not in data and b"\n\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return data
        data += chunk
    end = data.find(b"\r\n\r\n")
    end = end + 4 if end >= 0 else data.find(b"\n\n") + 2
    m = re.search(rb"(?im)^content-length:\s*(\d+)", data[:end])
    need = end + (int(m.group(1)) if m else 0)
    while len(data) < need:
        chunk = conn.recv(65536)
        if not chunk:
            break
        data += chunk
    return data


def reply(status, body=b"", headers=(), length=True):
    head = "HTTP/1.0 %s\r\n" % status
    for h in headers:
        head += h + "\r\n"
    if length:
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def stall(conn):
    # Holds the connection open until the client goes away or the stall ends.
    conn.settimeout(STALL_SECONDS)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass


def handle(conn):
    try:
        raw = read_request(conn)
        line = raw.split(b"\n", 1)[0].decode("latin-1").rstrip("\r")
        parts = line.split(" ")
        target = parts[1] if len(parts) > 1 else "/"
        path = re.sub(r"^[A-Za-z]+://[^/]*", "", target)
        if not path.startswith("/__"):
            with lock:
                requests.append(raw)
        body_start = raw.find(b"\r\n\r\n")
        req_body = raw[body_start + 4:] if body_start >= 0 else b""
        m = re.match(r"^/(page|pagenl)/(\d+)$", path)
        slow = re.match(r"^/slow/(\d+)$", path)
        if path == "/__last":
            with lock:
                last = requests[-1] if requests else b""
            conn.sendall(reply("200 OK", last))
        elif path == "/__count":
            with lock:
                conn.sendall(reply("200 OK", str(len(requests)).encode()))
        elif m:
            conn.sendall(reply("200 OK", pattern(int(m.group(2))), length=m.group(1) == "page"))
        elif slow:
            # A reply that comes after a pause (at most 5 s): what a client does while it waits.
            time.sleep(min(int(slow.group(1)), 5000) / 1000.0)
            conn.sendall(reply("200 OK", pattern(2048)))
        elif path == "/echo":
            conn.sendall(reply("200 OK", req_body))
        elif path == "/cookie":
            conn.sendall(reply("200 OK", b"c", ["Set-Cookie: ID=first; path=/", "Set-Cookie: ID=abc; path=/"]))
        elif path == "/closeearly":
            conn.sendall(b"HTTP/1.0 200 OK")
        elif path == "/closenothing":
            pass
        elif path == "/stall":
            stall(conn)
        elif path == "/stallbody":
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\npartial")
            stall(conn)
        elif path == "/lfonly":
            conn.sendall(b"HTTP/1.0 200 OK\nSet-Cookie: L=1\nX-A: b\n\nlf body")
        elif path == "/nophrase":
            conn.sendall(b"HTTP/1.0 200\r\n\r\nno phrase")
        elif path == "/nul":
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + b"a\0b\0c" * 100)
        elif path == "/shortbody":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nonly ten b")
        elif path == "/keepopen":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello")
            stall(conn)
        elif path == "/surplus":
            # More bytes than the Content-Length, and the connection held open a moment.
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhelloSURPLUS\r\nHTTP/1.0 302 Found\r\n")
            time.sleep(0.3)
        elif path == "/dir/start":
            conn.sendall(reply("302 Found", b"", ["Location: ok/page.html"]))
        elif path == "/dir/ok/page.html":
            conn.sendall(reply("200 OK", b"relative target"))
        elif path == "/redir-bare":
            conn.sendall(reply("302 Found", b"moved", ["Set-Cookie: R=1; path=/", "Location: target.htm"]))
        elif path == "/target.htm":
            conn.sendall(reply("200 OK", b"target page"))
        elif path == "/loop":
            conn.sendall(reply("302 Found", b"", ["Location: /loop"]))
        elif path == "/noloc":
            conn.sendall(reply("302 Found", b"nowhere"))
        elif path == "/404":
            conn.sendall(reply("404 Not Found", b"<html>missing</html>"))
        elif path == "/401":
            conn.sendall(reply("401 Unauthorized", b"who?", ['WWW-Authenticate: Basic realm="t"']))
        else:
            conn.sendall(reply("200 OK", b"ok"))
    except OSError:
        pass
    finally:
        try:
            conn.close()
        except OSError:
            pass


def serve(listener):
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=handle, args=(conn,), daemon=True).start()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--lifetime", type=float, default=900)
    args = ap.parse_args()

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)

    # A listener that never accepts, its queue filled: further connects get no answer.
    full = socket.socket()
    full.bind(("127.0.0.1", 0))
    full.listen(0)
    fillers = []
    for _ in range(3):
        c = socket.socket()
        c.setblocking(False)
        try:
            c.connect(full.getsockname())
        except BlockingIOError:
            pass
        fillers.append(c)
    time.sleep(0.2)

    # A port with nothing listening: connects are refused.
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    refused_port = probe.getsockname()[1]
    probe.close()

    threading.Thread(target=serve, args=(listener,), daemon=True).start()
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("HTTP_PORT=%d\nSTALL_PORT=%d\nREFUSED_PORT=%d\n" % (listener.getsockname()[1], full.getsockname()[1], refused_port))
    os.replace(tmp, args.port_file)
    time.sleep(args.lifetime)


if __name__ == "__main__":
    main()
