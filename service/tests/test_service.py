"""The rating service over real loopback sockets: pages, cookies, bad requests, load, restart."""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVICE = os.path.join(HERE, "..", "quavory_service.py")
BASE = "http://www.quavory-music.com/Quav/"


def rating_body(title="Song", artist="Band", album="Disc", comment="", genre="17", year="1999", rating="8"):
    return ("vALBUM=%s&&vARTIST=%s&&vCOMMENTS=%s&&vTITLE=%s&&vGENREID=%s&&vYEAR=%s&&vRating=%s" % (
        album, artist, comment, title, genre, year, rating)).encode("latin-1")


class Running:
    """One service process on a temporary database."""

    def __init__(self, db):
        self.db = db
        self.start()

    def start(self):
        port_file = self.db + ".port"
        if os.path.exists(port_file):
            os.remove(port_file)
        self.proc = subprocess.Popen([sys.executable, SERVICE, "serve", "--db", self.db, "--port-file", port_file,
                                      "--lifetime", "300"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.exists(port_file):
            if time.time() > deadline or self.proc.poll() is not None:
                raise RuntimeError("service did not start")
            time.sleep(0.02)
        with open(port_file) as f:
            self.port = int(f.read().split("=")[1])

    def stop(self, sig=signal.SIGTERM):
        self.proc.send_signal(sig)
        self.proc.wait(timeout=20)

    def raw(self, data, timeout=10):
        """Sends raw bytes, returns the whole reply (the server closes after it)."""
        s = socket.create_connection(("127.0.0.1", self.port), timeout)
        try:
            s.sendall(data)
            out = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return out
                out += chunk
        finally:
            s.close()

    def request(self, method, page, body=b"", cookie=None, absolute=True):
        target = (BASE if absolute else "/Quav/") + page
        head = "%s %s HTTP/1.0\r\n" % (method, target)
        if cookie is not None:
            head += "Cookie: UserCookie=%s\r\n" % cookie
        if method == "POST":
            head += "Content-Length: %d\r\n" % len(body)
        raw = self.raw(head.encode("latin-1") + b"\r\n" + body)
        status = int(raw.split(b" ", 2)[1])
        header, _, payload = raw.partition(b"\r\n\r\n")
        return status, header.decode("latin-1"), payload.decode("latin-1")

    def count(self):
        return int(subprocess.check_output([sys.executable, SERVICE, "count", "--db", self.db]).decode())


class ServiceTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.svc = Running(os.path.join(self.dir.name, "quavory.db"))

    def tearDown(self):
        if self.svc.proc.poll() is None:
            self.svc.stop()
        self.dir.cleanup()

    def rate(self, cookie, **fields):
        status, header, page = self.svc.request("POST", "EnterRating.cfm", rating_body(**fields), cookie)
        self.assertEqual(status, 200, page)
        return header, page

    def test_first_rating_gives_a_cookie_and_later_ones_keep_it(self):
        header, page = self.rate("0")
        m = re.search(r"(?m)^Set-Cookie: QuavID=(\w+); path=/\r?$", header)
        self.assertTrue(m, header)
        self.assertIn("<B>Song</B> by <B>Band</B>", page)
        header, page = self.rate(m.group(1), title="Other")
        self.assertNotIn("Set-Cookie", header)
        self.assertIn("You have rated 2 tracks", page)
        rows = self.svc.count()
        self.assertEqual(rows, 2)

    def test_reply_is_http10_and_paths_may_be_absolute_or_not(self):
        for absolute in (True, False):
            status, header, page = self.svc.request("GET", "Updates.cfm?vVersion=10", absolute=absolute)
            self.assertEqual(status, 200)
            self.assertTrue(header.startswith("HTTP/1.0 200 OK\r\n"))
            self.assertIn("newest there is", page)

    def test_bad_requests_get_400_and_store_nothing(self):
        cases = [
            b"NONSENSE\r\n\r\n",
            b"GET\r\n\r\n",
            b"GET /Quav/x.cfm FTP/1.0\r\n\r\n",
            b"GET /Quav/Updates.cfm HTTP/1.0\r\nno colon here\r\n\r\n",
            b"GET " + BASE.encode() + b"EnterRating.cfm HTTP/1.0\r\n\r\n",
            b"POST " + BASE.encode() + b"EnterRating.cfm HTTP/1.0\r\n\r\n" + rating_body(),  # no length
            b"POST /Quav/EnterRating.cfm HTTP/1.0\r\nContent-Length: 99999999\r\n\r\nx",
            b"GET /" + b"a" * 20000 + b" HTTP/1.0\r\n\r\n",
        ]
        bodies = [
            rating_body(rating="11"), rating_body(rating="0"), rating_body(rating="x"), rating_body(genre="256"),
            rating_body(title="T" * 31), rating_body(year="19999"), rating_body(title=""), b"vALBUM=a&&vRating=3",
            b"", rating_body().replace(b"&&vYEAR", b"&vYEAR"),
        ]
        for body in bodies:
            cases.append(b"POST /Quav/EnterRating.cfm HTTP/1.0\r\nContent-Length: %d\r\n\r\n" % len(body) + body)
        for raw in cases:
            reply = self.svc.raw(raw)
            self.assertTrue(reply.startswith(b"HTTP/1.0 400 Bad Request\r\n"), (raw[:80], reply[:80]))
        self.assertEqual(self.svc.count(), 0)
        # Still serving.
        self.rate("0")
        self.assertEqual(self.svc.count(), 1)

    def test_unknown_pages_are_404(self):
        self.assertEqual(self.svc.request("GET", "Nope.cfm")[0], 404)
        self.assertTrue(self.svc.raw(b"GET /elsewhere HTTP/1.0\r\n\r\n").startswith(b"HTTP/1.0 404"))

    def test_a_client_that_sends_nothing_does_not_stop_the_service(self):
        idle = socket.create_connection(("127.0.0.1", self.svc.port))
        try:
            self.assertEqual(self.svc.request("GET", "Updates.cfm")[0], 200)
        finally:
            idle.close()

    def test_recommendations_come_from_other_listeners_ratings(self):
        _, _ = self.rate("alice", title="Shared", artist="A", rating="9")
        self.rate("bob", title="Shared", artist="A", rating="9")
        self.rate("bob", title="Liked", artist="B", rating="10")
        self.rate("bob", title="Hated", artist="C", rating="1")
        self.rate("carol", title="Shared", artist="A", rating="1")
        self.rate("carol", title="Hated", artist="C", rating="10")
        status, _, page = self.svc.request("GET", "GetRecomendations.cfm", cookie="alice")
        self.assertEqual(status, 200)
        self.assertTrue(page.startswith("<HTML>"))
        titles = re.findall(r"Track\.cfm\?artist=\w+&amp;title=(\w+)\">", page)
        # Alice agrees with Bob, so his favourite comes first; what she rated is not offered.
        self.assertEqual(titles[:2], ["Liked", "Hated"])
        self.assertNotIn("Shared", titles)
        # Every link and action is absolute: under the base URL, or the one page outside.
        for url in re.findall(r"(?:HREF|ACTION|SRC)=\"([^\"]*)\"", page):
            self.assertTrue(url.startswith(BASE) or url == "http://www.velmorra-soft.com/", url)
        self.assertIn(BASE + "Updates.cfm\"", page)
        self.assertIn("<FORM ACTION=\"" + BASE + "Search.cfm\" METHOD=\"GET\">", page)
        self.assertIn("<TABLE", page)
        status, header, gif = self.svc.request("GET", "images/quavory.gif")
        self.assertEqual(status, 200)
        self.assertIn("image/gif", header)
        self.assertTrue(gif.startswith("GIF89a"))

    def test_search_form_posted_and_track_and_artist_pages(self):
        self.rate("x", title="Song", artist="Band")
        status, _, page = self.svc.request("POST", "Search.cfm", b"vSearch=Band")
        self.assertEqual(status, 200)
        self.assertIn("Song", page)
        status, _, page = self.svc.request("GET", "Track.cfm?artist=Band&title=Song")
        self.assertIn("1 rating, average 8.0", page)
        status, _, page = self.svc.request("GET", "Artist.cfm?name=Band")
        self.assertIn(">Song</A>", page)
        status, _, page = self.svc.request("GET", "manual/QuavoryManual.htm")
        self.assertIn("THE QUAVORY manual", page)

    def test_markup_in_tag_fields_is_escaped(self):
        self.rate("x", title="<B>bold</B>", artist="A&B")
        self.rate("y", title="Other", artist="Z")
        _, _, page = self.svc.request("GET", "GetRecomendations.cfm", cookie="y")
        self.assertIn("&lt;B&gt;bold&lt;/B&gt;", page)
        self.assertNotIn("<B>bold</B>", page)

    def run_listeners(self, listeners, per_listener, offset, acknowledged, errors):
        def one(who):
            for i in range(per_listener):
                n = offset + i
                body = rating_body(title="T%d" % ((n * 7 + who * 13) % 97), artist="A%d" % (n % 11), comment="%s-%d" % (who, n),
                                   rating=str(1 + (n + who) % 10))
                for attempt in range(50):  # bounded: the service may be restarting
                    try:
                        status, _, _ = self.svc.request("POST", "EnterRating.cfm", body, "L%d" % who)
                        if status == 200:
                            acknowledged.append((who, n))
                        else:
                            errors.append(status)
                        break
                    except OSError:
                        time.sleep(0.1)
                else:
                    errors.append("gave up")
        threads = [threading.Thread(target=one, args=(w,)) for w in range(listeners)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(timeout=300)

    def stored_comments(self):
        import sqlite3
        db = sqlite3.connect(self.svc.db)
        try:
            return [r[0] for r in db.execute("SELECT comment FROM ratings")]
        finally:
            db.close()

    def test_load_2000_ratings_from_20_listeners_with_a_restart_in_the_middle(self):
        acknowledged, errors = [], []
        started = time.time()
        self.run_listeners(20, 50, 0, acknowledged, errors)
        self.assertEqual(self.svc.request("GET", "GetRecomendations.cfm", cookie="L1")[0], 200)
        self.svc.stop()  # an orderly stop answers what it took
        self.svc.start()
        self.assertEqual(self.svc.count(), 1000)
        self.run_listeners(20, 50, 50, acknowledged, errors)
        elapsed = time.time() - started
        self.assertEqual(errors, [])
        self.assertEqual(len(acknowledged), 2000)
        comments = self.stored_comments()
        self.assertEqual(len(comments), 2000)
        self.assertEqual(len(set(comments)), 2000)  # every rating stored once
        status, _, page = self.svc.request("GET", "GetRecomendations.cfm", cookie="L3")
        self.assertEqual(status, 200)
        self.assertIn("Track.cfm", page)
        print("\n2000 ratings, 20 listeners, one restart: %.1f s" % elapsed, file=sys.stderr)

    def test_killed_in_the_middle_keeps_every_acknowledged_rating(self):
        acknowledged, errors = [], []
        worker = threading.Thread(target=self.run_listeners, args=(10, 40, 0, acknowledged, errors))
        worker.start()
        deadline = time.time() + 30
        while len(acknowledged) < 100 and time.time() < deadline:
            time.sleep(0.01)
        self.svc.stop(signal.SIGKILL)
        self.svc.start()
        worker.join(timeout=300)
        comments = set(self.stored_comments())
        missing = [a for a in acknowledged if "%d-%d" % a not in comments]
        self.assertEqual(missing, [])
        self.assertGreaterEqual(len(comments), len(acknowledged))


if __name__ == "__main__":
    unittest.main()
