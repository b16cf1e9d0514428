#!/usr/bin/python3
"""A stand-in for the AcoustID lookup service in the fingerprint tests.

Listens on 127.0.0.1 on a free port, prints the port on its first line of
output and serves until stdin closes. /v2/lookup answers, by the client key:

  good     two matches, the better one last, with its recording (on a
           single and on an album)
  weak     one match of a recording, not sure of it
  unknown  no match
  bad      the service's error for an invalid key
and any other path 404. The answers follow the service's documented JSON.
"""
import json
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

RECORDING = "0f6b7a38-4d1c-4a0e-9c4b-1f2d3e4a5b6c"


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path != "/v2/lookup":
            self.answer(404, {"status": "error"})
            return
        query = parse_qs(url.query)
        key = query.get("client", [""])[0]
        if not query.get("fingerprint", [""])[0] or not query.get("duration", [""])[0]:
            self.answer(200, {"status": "error", "error": {"code": 3, "message": "missing fingerprint"}})
        elif key == "good":
            self.answer(200, {"status": "ok", "results": [
                {"id": "weak-match", "score": 0.41, "recordings": []},
                {"id": "a7f3c2d1-0000-4000-8000-000000000001", "score": 0.97, "recordings": [
                    {"id": RECORDING, "title": "Sine Song", "duration": 30,
                     "artists": [{"id": "x", "name": "Tone", "joinphrase": " & "},
                                 {"id": "y", "name": "Noise"}],
                     "releasegroups": [{"id": "g1", "type": "Single", "title": "Sine Single"},
                                       {"id": "g2", "type": "Album", "title": "Tones"}]}]}]})
        elif key == "weak":
            self.answer(200, {"status": "ok", "results": [
                {"id": "a7f3c2d1-0000-4000-8000-000000000002", "score": 0.5, "recordings": [
                    {"id": RECORDING, "title": "Perhaps", "artists": []}]}]})
        elif key == "unknown":
            self.answer(200, {"status": "ok", "results": []})
        else:
            self.answer(200, {"status": "error", "error": {"code": 4, "message": "invalid API key"}})


if __name__ == "__main__":
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()
    server.shutdown()
