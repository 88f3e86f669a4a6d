#!/usr/bin/env python3
"""The Quavory rating service: a small HTTP/1.0 server kept beside the plug-in.

It serves the base path "/Quav/":
  EnterRating.cfm        POST  stores one rating with the track's tag fields and the listener's
                               cookie; a new listener gets a cookie (Set-Cookie) on the first visit
  GetRecomendations.cfm  GET   an HTML 3.2 page of recommendations computed from the stored
                               ratings of all listeners
  Track.cfm, Artist.cfm, Updates.cfm, Search.cfm, manual/QuavoryManual.htm, images/quavory.gif

State lives in one SQLite database. The server answers each request with one reply and closes
the connection (RFC 1945). Request targets may be absolute URLs, as a proxy or a client that was
told to use this server as its proxy sends them. Links and form actions in the pages are absolute
URLs under the public base URL, because the plug-in follows only links that start with it.
Malformed requests get "400 Bad Request" and change nothing.

Usage:
  quavory_service.py serve --db FILE [--port N] [--port-file FILE] [--base-url URL]
  quavory_service.py count --db FILE       prints the number of stored ratings
"""
import argparse
import html
import os
import secrets
import signal
import socket
import socketserver
import sqlite3
import sys
import threading
import time
import urllib.parse

PUBLIC_BASE_URL = "http://www.quavory-music.com/Quav/"
BASE_PATH = "/Quav/"
MAKER_URL = "http://www.velmorra-soft.com/"

# Limits on what a client sends.
MAX_REQUEST_LINE = 8192
MAX_HEADER_LINES = 100
MAX_HEADER_BYTES = 32768
MAX_BODY_BYTES = 65536
READ_TIMEOUT_S = 15
TAG_FIELD_MAX = 30  # ID3v1 text fields
YEAR_MAX = 4
RECOMMENDATIONS_SHOWN = 10

# The rating query's fields, in the order the plug-in sends them, separated by "&&".
RATING_KEYS = ["vALBUM", "vARTIST", "vCOMMENTS", "vTITLE", "vGENREID", "vYEAR", "vRating"]

# 1x1 GIF89a, one transparent-less black pixel.
SMALL_GIF = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff"
             b",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")


class BadRequest(Exception):
    pass


# ------------------------------------------------------------------ storage

SCHEMA = """
CREATE TABLE IF NOT EXISTS listeners (
    cookie TEXT PRIMARY KEY,
    first_seen REAL NOT NULL
);
CREATE TABLE IF NOT EXISTS ratings (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    listener TEXT NOT NULL REFERENCES listeners(cookie),
    title TEXT NOT NULL, artist TEXT NOT NULL, album TEXT NOT NULL, comment TEXT NOT NULL,
    genre INTEGER NOT NULL, year TEXT NOT NULL, rating INTEGER NOT NULL CHECK (rating BETWEEN 1 AND 10),
    at REAL NOT NULL
);
CREATE INDEX IF NOT EXISTS ratings_track ON ratings(artist, title);
CREATE INDEX IF NOT EXISTS ratings_listener ON ratings(listener);
"""


class Store:
    """The service's state. One connection, used under a lock; every change is committed at once,
    so a service stopped at any moment keeps what it answered as stored."""

    def __init__(self, path):
        self.db = sqlite3.connect(path, check_same_thread=False, isolation_level=None, timeout=30)
        self.db.execute("PRAGMA journal_mode=WAL")
        self.db.execute("PRAGMA synchronous=FULL")
        self.db.executescript(SCHEMA)
        self.lock = threading.Lock()

    def close(self):
        with self.lock:
            self.db.close()

    def new_listener(self):
        cookie = "Q" + secrets.token_hex(8)
        with self.lock:
            self.db.execute("INSERT INTO listeners(cookie, first_seen) VALUES (?, ?)", (cookie, time.time()))
        return cookie

    def add_rating(self, listener, f):
        with self.lock:
            self.db.execute("BEGIN IMMEDIATE")
            try:
                self.db.execute("INSERT OR IGNORE INTO listeners(cookie, first_seen) VALUES (?, ?)", (listener, time.time()))
                self.db.execute(
                    "INSERT INTO ratings(listener, title, artist, album, comment, genre, year, rating, at)"
                    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    (listener, f["vTITLE"], f["vARTIST"], f["vALBUM"], f["vCOMMENTS"], f["vGENREID"], f["vYEAR"],
                     f["vRating"], time.time()))
                count = self.db.execute("SELECT COUNT(*) FROM ratings WHERE listener = ?", (listener,)).fetchone()[0]
                self.db.execute("COMMIT")
            except BaseException:
                self.db.execute("ROLLBACK")
                raise
        return count

    def query(self, sql, args=()):
        with self.lock:
            return self.db.execute(sql, args).fetchall()

    def rating_count(self):
        return self.query("SELECT COUNT(*) FROM ratings")[0][0]

    def recommendations(self, listener):
        """Tracks this listener has not rated, scored by the ratings of the others, each weighted
        by how much that listener agrees with this one on the tracks both rated."""
        rows = self.query("SELECT listener, lower(artist), lower(title), artist, title, rating FROM ratings")
        by_listener = {}
        names = {}
        for who, a, t, artist, title, r in rows:
            by_listener.setdefault(who, {}).setdefault((a, t), []).append(r)
            names[(a, t)] = (artist, title)
        mine = {k: sum(v) / len(v) for k, v in by_listener.get(listener, {}).items()}
        scores = {}
        for who, tracks in by_listener.items():
            if who == listener:
                continue
            theirs = {k: sum(v) / len(v) for k, v in tracks.items()}
            common = [k for k in theirs if k in mine]
            agreement = sum(1.0 - abs(mine[k] - theirs[k]) / 9.0 for k in common)
            weight = 1.0 + agreement
            for k, r in theirs.items():
                if k in mine:
                    continue
                total, weights, voters = scores.get(k, (0.0, 0.0, 0))
                scores[k] = (total + weight * r, weights + weight, voters + 1)
        ranked = sorted(((total / weights, voters, k) for k, (total, weights, voters) in scores.items()),
                        key=lambda x: (-x[0], -x[1], x[2]))
        return [(names[k][0], names[k][1], score, voters) for score, voters, k in ranked[:RECOMMENDATIONS_SHOWN]]


# ------------------------------------------------------------------ requests

def parse_rating_query(body):
    """The rating query: "vALBUM=..&&vARTIST=..&&vCOMMENTS=..&&vTITLE=..&&vGENREID=..&&vYEAR=..&&vRating=..".
    Field values are not escaped, so the keys are found in their fixed order."""
    try:
        text = body.decode("latin-1")
    except Exception:
        raise BadRequest("body is not text")
    fields = {}
    rest = text
    for i, key in enumerate(RATING_KEYS):
        lead = key + "=" if i == 0 else "&&" + key + "="
        if not rest.startswith(lead):
            raise BadRequest("expected %s" % key)
        rest = rest[len(lead):]
        if i + 1 < len(RATING_KEYS):
            end = rest.find("&&" + RATING_KEYS[i + 1] + "=")
            if end < 0:
                raise BadRequest("missing %s" % RATING_KEYS[i + 1])
            fields[key], rest = rest[:end], rest[end:]
        else:
            fields[key] = rest
    for key in ("vALBUM", "vARTIST", "vCOMMENTS", "vTITLE"):
        if len(fields[key]) > TAG_FIELD_MAX or "\0" in fields[key]:
            raise BadRequest("%s too long" % key)
    fields["vYEAR"] = fields["vYEAR"].rstrip("\0 ")
    if len(fields["vYEAR"]) > YEAR_MAX:
        raise BadRequest("year too long")
    if not fields["vTITLE"].strip() or not fields["vARTIST"].strip():
        raise BadRequest("a rating needs a title and an artist")
    for key, low, high in (("vGENREID", 0, 255), ("vRating", 1, 10)):
        v = fields[key]
        if not v.isdigit() or not low <= int(v) <= high:
            raise BadRequest("%s out of range" % key)
        fields[key] = int(v)
    return fields


def read_request(conn):
    """Reads one request: (method, target, headers, body). Raises BadRequest on anything malformed."""
    conn.settimeout(READ_TIMEOUT_S)
    data = b""
    while b"\r\n\r\n" not in data and b"\n\n" not in data:
        if len(data) > MAX_HEADER_BYTES + MAX_REQUEST_LINE:
            raise BadRequest("header too large")
        chunk = conn.recv(65536)
        if not chunk:
            if not data:
                raise ConnectionError("closed before a request")
            raise BadRequest("incomplete request")
        data += chunk
    a, b = data.find(b"\r\n\r\n"), data.find(b"\n\n")
    end, sep = (a, 4) if a >= 0 and (b < 0 or a < b) else (b, 2)
    head, body = data[:end], data[end + sep:]
    lines = head.decode("latin-1").replace("\r\n", "\n").split("\n")
    if len(lines[0]) > MAX_REQUEST_LINE:
        raise BadRequest("request line too long")
    parts = lines[0].split()
    if len(parts) != 3 or not parts[2].startswith("HTTP/"):
        raise BadRequest("malformed request line")
    method, target = parts[0], parts[1]
    if len(lines) - 1 > MAX_HEADER_LINES:
        raise BadRequest("too many header lines")
    headers = {}
    for line in lines[1:]:
        if ":" not in line:
            raise BadRequest("malformed header line")
        name, value = line.split(":", 1)
        headers.setdefault(name.strip().lower(), value.strip())
    if method == "POST":
        length = headers.get("content-length")
        if length is None or not length.isdigit():
            raise BadRequest("POST without a length")
        n = int(length)
        if n > MAX_BODY_BYTES:
            raise BadRequest("body too large")
        while len(body) < n:
            chunk = conn.recv(65536)
            if not chunk:
                raise BadRequest("body shorter than its length")
            body += chunk
        body = body[:n]
    return method, target, headers, body


def path_of(target):
    """The path and query of a request target, which may be an absolute URL."""
    if target.lower().startswith("http://"):
        rest = target[7:]
        slash = rest.find("/")
        target = rest[slash:] if slash >= 0 else "/"
    if not target.startswith("/"):
        raise BadRequest("target is not a path")
    path, _, query = target.partition("?")
    return path, query


def listener_cookie(headers):
    """The listener's value of the UserCookie cookie; empty when absent or the plug-in's default "0"."""
    for item in headers.get("cookie", "").split(";"):
        name, _, value = item.strip().partition("=")
        if name == "UserCookie":
            value = value.strip()
            return "" if value == "0" else value
    return ""


def reply(status, body, content_type="text/html", extra=()):
    head = "HTTP/1.0 %s\r\nServer: Quavory-Service/1.0\r\nContent-Type: %s\r\nContent-Length: %d\r\n" % (
        status, content_type, len(body))
    for h in extra:
        head += h + "\r\n"
    return head.encode("latin-1") + b"\r\n" + body


def page(title, content):
    return ("<HTML><HEAD><TITLE>%s</TITLE></HEAD>\n<BODY BGCOLOR=\"#000000\" TEXT=\"#00FF00\" LINK=\"#FFFF00\">\n"
            "%s\n</BODY></HTML>\n" % (html.escape(title), content)).encode("latin-1", "replace")


class Service:
    def __init__(self, store, base_url=PUBLIC_BASE_URL):
        self.store = store
        self.base = base_url

    def url(self, page_name, **query):
        u = self.base + page_name
        if query:
            u += "?" + urllib.parse.urlencode(query, encoding="latin-1")
        return html.escape(u, quote=True)

    def handle(self, method, target, headers, body):
        path, query = path_of(target)
        if not path.startswith(BASE_PATH):
            return reply("404 Not Found", page("Not found", "<P>No such page.</P>"))
        name = path[len(BASE_PATH):]
        args = urllib.parse.parse_qs(query, encoding="latin-1")
        if name == "EnterRating.cfm":
            if method != "POST":
                raise BadRequest("a rating is posted")
            return self.enter_rating(headers, body)
        if method not in ("GET", "POST", "HEAD"):
            raise BadRequest("unsupported method")
        if name == "Search.cfm":
            if method == "POST":
                args = urllib.parse.parse_qs(body.decode("latin-1"), encoding="latin-1")
            return self.search(args)
        routes = {
            "GetRecomendations.cfm": lambda: self.recommendations(headers),
            "Track.cfm": lambda: self.track(args),
            "Artist.cfm": lambda: self.artist(args),
            "Updates.cfm": lambda: self.updates(args),
            "manual/QuavoryManual.htm": self.manual,
            "images/quavory.gif": lambda: reply("200 OK", SMALL_GIF, "image/gif"),
        }
        if name not in routes:
            return reply("404 Not Found", page("Not found", "<P>No such page.</P>"))
        return routes[name]()

    def enter_rating(self, headers, body):
        fields = parse_rating_query(body)
        listener = listener_cookie(headers)
        extra = []
        if not listener:
            listener = self.store.new_listener()
            extra.append("Set-Cookie: QuavID=%s; path=/" % listener)
        count = self.store.add_rating(listener, fields)
        more = ("<P>Rate %d more track%s for your first recommendations.</P>" % (5 - count, "" if count == 4 else "s")
                if count < 5 else "<P><A HREF=\"%s\">See your recommendations</A></P>" % self.url("GetRecomendations.cfm"))
        content = ("<H3>Thank you</H3>\n<P>Your rating of %d for <B>%s</B> by <B>%s</B> is stored.</P>\n"
                   "<P>You have rated %d track%s.</P>\n%s" % (
                       fields["vRating"], html.escape(fields["vTITLE"]), html.escape(fields["vARTIST"]), count,
                       "" if count == 1 else "s", more))
        return reply("200 OK", page("Rating stored", content), extra=extra)

    def recommendations(self, headers):
        listener = listener_cookie(headers)
        recs = self.store.recommendations(listener)
        rows = "".join(
            "<TR><TD>%d</TD><TD><A HREF=\"%s\">%s</A></TD><TD><A HREF=\"%s\">%s</A></TD><TD>%.1f</TD><TD>%d</TD></TR>\n" % (
                i + 1, self.url("Track.cfm", artist=a, title=t), html.escape(t), self.url("Artist.cfm", name=a),
                html.escape(a), score, voters) for i, (a, t, score, voters) in enumerate(recs))
        if not rows:
            rows = "<TR><TD COLSPAN=5>Nothing to recommend yet: rate more tracks.</TD></TR>\n"
        top = self.store.query("SELECT artist, COUNT(*), AVG(rating) FROM ratings GROUP BY lower(artist)"
                               " ORDER BY COUNT(*) DESC, artist LIMIT 5")
        artists = "".join("<TR><TD><A HREF=\"%s\">%s</A></TD><TD>%d</TD><TD>%.1f</TD></TR>\n" % (
            self.url("Artist.cfm", name=a), html.escape(a), n, avg) for a, n, avg in top)
        content = (
            "<A HREF=\"%s\">Check for a newer version of THE QUAVORY</A>\n"
            "<H3>Recommended for you</H3>\n"
            "<TABLE BORDER=1 CELLPADDING=2>\n<TR><TH>#</TH><TH>Title</TH><TH>Artist</TH><TH>Score</TH><TH>Listeners</TH></TR>\n"
            "%s</TABLE>\n"
            "<H3>Most rated artists</H3>\n<TABLE BORDER=1 CELLPADDING=2>\n<TR><TH>Artist</TH><TH>Ratings</TH><TH>Average</TH></TR>\n"
            "%s</TABLE>\n"
            "<FORM ACTION=\"%s\" METHOD=\"GET\">Search: <INPUT TYPE=TEXT NAME=\"vSearch\" VALUE=\"Band\">"
            " <INPUT TYPE=SUBMIT VALUE=\"Search\"></FORM>\n"
            "<P><IMG SRC=\"%s\" WIDTH=16 HEIGHT=16 ALT=\"Q\"> Made by <A HREF=\"%s\">Velmorra Software</A></P>" % (
                self.url("Updates.cfm"), rows, artists, self.url("Search.cfm"), self.url("images/quavory.gif"), MAKER_URL))
        return reply("200 OK", page("Your Quavory recommendations", content))

    def track(self, args):
        artist, title = args.get("artist", [""])[0], args.get("title", [""])[0]
        n, avg = self.store.query("SELECT COUNT(*), AVG(rating) FROM ratings WHERE lower(artist) = lower(?) AND"
                                  " lower(title) = lower(?)", (artist, title))[0]
        content = "<H3>%s</H3>\n<P>by <A HREF=\"%s\">%s</A></P>\n<P>%d rating%s, average %.1f</P>\n<P><A HREF=\"%s\">Back</A></P>" % (
            html.escape(title), self.url("Artist.cfm", name=artist), html.escape(artist), n, "" if n == 1 else "s", avg or 0,
            self.url("GetRecomendations.cfm"))
        return reply("200 OK", page(title or "Track", content))

    def artist(self, args):
        name = args.get("name", [""])[0]
        rows = self.store.query("SELECT title, COUNT(*), AVG(rating) FROM ratings WHERE lower(artist) = lower(?)"
                                " GROUP BY lower(title) ORDER BY AVG(rating) DESC LIMIT 50", (name,))
        body = "".join("<TR><TD><A HREF=\"%s\">%s</A></TD><TD>%d</TD><TD>%.1f</TD></TR>\n" % (
            self.url("Track.cfm", artist=name, title=t), html.escape(t), n, avg) for t, n, avg in rows)
        content = "<H3>%s</H3>\n<TABLE BORDER=1>\n<TR><TH>Title</TH><TH>Ratings</TH><TH>Average</TH></TR>\n%s</TABLE>" % (
            html.escape(name), body)
        return reply("200 OK", page(name or "Artist", content))

    def updates(self, args):
        version = args.get("vVersion", [""])[0]
        text = ("You run version 1.0 (%s), the newest there is." % html.escape(version) if version == "10"
                else "Your version is not known here.")
        return reply("200 OK", page("Updates", "<H3>Updates</H3>\n<P>%s</P>\n<P><A HREF=\"%s\">Back</A></P>" % (
            text, self.url("GetRecomendations.cfm"))))

    def search(self, args):
        words = args.get("vSearch", [""])[0].strip()
        rows = self.store.query("SELECT artist, title, COUNT(*) FROM ratings WHERE artist LIKE ? OR title LIKE ?"
                                " GROUP BY lower(artist), lower(title) LIMIT 50", ("%" + words + "%", "%" + words + "%")) if words else []
        body = "".join("<TR><TD>%s</TD><TD><A HREF=\"%s\">%s</A></TD><TD>%d</TD></TR>\n" % (
            html.escape(a), self.url("Track.cfm", artist=a, title=t), html.escape(t), n) for a, t, n in rows)
        content = "<H3>Search: %s</H3>\n<TABLE BORDER=1>\n<TR><TH>Artist</TH><TH>Title</TH><TH>Ratings</TH></TR>\n%s</TABLE>" % (
            html.escape(words), body or "<TR><TD COLSPAN=3>Nothing found.</TD></TR>\n")
        return reply("200 OK", page("Search", content))

    def manual(self):
        content = ("<H3>THE QUAVORY manual</H3>\n<OL>\n<LI>Play an MP3 file in the player.\n"
                   "<LI>Pick your rating from the list and click the rating button.\n"
                   "<LI>After five ratings, click \"Get Recommendations\".\n</OL>\n"
                   "<P>Behind a proxy? Right-click the window and choose \"Proxy Settings\".</P>")
        return reply("200 OK", page("THE QUAVORY manual", content))


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        try:
            try:
                method, target, headers, body = read_request(conn)
                answer = self.server.service.handle(method, target, headers, body)
                if method == "HEAD":
                    answer = answer[:answer.find(b"\r\n\r\n") + 4]
            except BadRequest as e:
                answer = reply("400 Bad Request", page("Bad request", "<P>%s</P>" % html.escape(str(e))))
            except (ConnectionError, socket.timeout):
                return
            except sqlite3.Error as e:
                sys.stderr.write("database error: %s\n" % e)
                answer = reply("503 Service Unavailable", page("Busy", "<P>Please try again.</P>"))
            conn.sendall(answer)
        except OSError:
            pass


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    # Closing waits for the replies under way, so a stopped service has answered all it took.
    daemon_threads = False
    block_on_close = True
    allow_reuse_address = True
    request_queue_size = 128


def serve(args):
    store = Store(args.db)
    server = Server((args.host, args.port), Handler)
    server.service = Service(store, args.base_url)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("SERVICE_PORT=%d\n" % server.server_address[1])
        os.replace(tmp, args.port_file)
    stop = lambda *_: threading.Thread(target=server.shutdown, daemon=True).start()
    signal.signal(signal.SIGTERM, stop)
    if args.lifetime:
        timer = threading.Timer(args.lifetime, stop)
        timer.daemon = True
        timer.start()
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
        store.close()


def main():
    ap = argparse.ArgumentParser(description="The Quavory rating service")
    sub = ap.add_subparsers(dest="command", required=True)
    s = sub.add_parser("serve")
    s.add_argument("--db", required=True)
    s.add_argument("--host", default="127.0.0.1")
    s.add_argument("--port", type=int, default=0)
    s.add_argument("--port-file")
    s.add_argument("--base-url", default=PUBLIC_BASE_URL)
    s.add_argument("--lifetime", type=float, default=0, help="stop after this many seconds (0: never)")
    c = sub.add_parser("count")
    c.add_argument("--db", required=True)
    args = ap.parse_args()
    if args.command == "serve":
        serve(args)
    else:
        print(Store(args.db).rating_count())


if __name__ == "__main__":
    main()
