#!/usr/bin/python3
"""A stand-in for the MusicBrainz web service in the lookup tests.

Listens on 127.0.0.1 on a free port, prints the port on its first line of
output and serves until stdin closes:

  /ws/2/release?query=...   a search answer: the album of two tracks first
  /ws/2/release/ALBUM       the album: one disc, two tracks
  /ws/2/release/BUSY        503 with Retry-After: 1 the first time, then the album
  /ws/2/release/DEEP        an answer nested far too deeply
  /release/ALBUM/front-500  a small PNG (the Cover Art Archive's part)
  /log                      every request so far: path, User-Agent, time
"""
import json
import struct
import sys
import zlib
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

ALBUM = "1b0c6f44-8d1e-4a86-9b8b-8a4f6c7e2d10"
OTHER = "2c1d7055-9e2f-4b97-8c9c-9b5a7d8f3e21"
BUSY = "3d2e8166-af30-4ca8-9dad-ac6b8e9a4f32"
DEEP = "4e3f9277-b041-4db9-8ebe-bd7c9fab5043"

requests = []
lock = threading.Lock()
busy_answered = False


def credit(name, artist_id):
    return [{"name": name, "joinphrase": "", "artist": {"id": artist_id, "name": name}}]


def release(release_id):
    band = "5f40a388-c152-4eca-9fcf-ce8daf0c6154"
    return {
        "id": release_id,
        "title": "Album X",
        "date": "2001-02-03",
        "country": "GB",
        "artist-credit": credit("The Band", band),
        "release-group": {"id": "6a51b499-d263-4fdb-a0d0-df9eb01d7265"},
        "media": [{
            "position": 1,
            "format": "CD",
            "track-count": 2,
            "tracks": [
                {"id": "7b62c5aa-e374-4aec-b1e1-e0afc12e8376", "position": 1, "number": "1",
                 "title": "First Song", "length": 2000,
                 "artist-credit": credit("The Band", band),
                 "recording": {"id": "8c73d6bb-f485-4bfd-82f2-f1b0d23f9487", "title": "First Song"}},
                {"id": "9d84e7cc-0596-4c0e-93f3-02c1e34fa598", "position": 2, "number": "2",
                 "title": "Second Song", "length": 3000,
                 "artist-credit": [{"name": "The Band", "joinphrase": " feat. ",
                                    "artist": {"id": band, "name": "The Band"}},
                                   {"name": "Guest", "joinphrase": "",
                                    "artist": {"id": "ae95f8dd-16a7-4d1f-a403-13d2f45fb6a9",
                                               "name": "Guest"}}],
                 "recording": {"id": "bfa609ee-27b8-4e20-b514-24e3056fc7ba", "title": "Second Song"}},
            ],
        }],
    }


def png():
    """A 2x2 red image."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\x00" + b"\xff\x00\x00" * 2 for _ in range(2))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, headers=()):
        data = body if isinstance(body, bytes) else body.encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        global busy_answered
        path = urlsplit(self.path).path
        if path == "/log":
            with lock:
                text = "".join("%s\t%s\t%.3f\n" % entry for entry in requests)
            self.answer(200, text)
            return
        with lock:
            requests.append((self.path, self.headers.get("User-Agent", ""), time.monotonic()))
        if path == "/ws/2/release":
            found = [dict(release(ALBUM), score=100, **{"track-count": 2}),
                     dict(release(OTHER), score=80, title="Album X (deluxe)")]
            self.answer(200, json.dumps({"count": 2, "releases": found}))
        elif path == "/ws/2/release/" + ALBUM:
            self.answer(200, json.dumps(release(ALBUM)))
        elif path == "/ws/2/release/" + BUSY:
            if not busy_answered:
                busy_answered = True
                self.answer(503, "{}", [("Retry-After", "1")])
            else:
                self.answer(200, json.dumps(release(BUSY)))
        elif path == "/release/%s/front-500" % ALBUM:
            self.answer(200, png(), [("Content-Type", "image/png")])
        elif path == "/ws/2/release/" + DEEP:
            self.answer(200, "[" * 100000)
        else:
            self.answer(404, "{}")


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
