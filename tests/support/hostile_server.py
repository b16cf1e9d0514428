#!/usr/bin/python3
"""A badly behaved HTTP server for the tests, on 127.0.0.1. Prints its port
on the first line of standard output and stops when standard input closes.

  /drip/NAME         a 206 (or 200) answer that promises 1 MB and sends it
                     4 bytes at a time, 20 times a second, for up to 60 s:
                     never idle, never done
  /redirect?to=URL   a 302 answer sending the client to URL
  /log               the paths requested so far, one per line
"""
import http.server
import sys
import threading
import time
from urllib.parse import parse_qs, urlsplit

requests = []
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path == "/log":
            with lock:
                body = "".join(path + "\n" for path in requests).encode()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        with lock:
            requests.append(self.path)
        if url.path.startswith("/drip/"):
            ranged = "Range" in self.headers
            self.send_response(206 if ranged else 200)
            if ranged:
                self.send_header("Content-Range", "bytes 0-65535/1048576")
                self.send_header("Content-Length", "65536")
            else:
                self.send_header("Content-Length", "1048576")
            self.end_headers()
            ends = time.monotonic() + 60
            try:
                while time.monotonic() < ends:
                    self.wfile.write(b"\0\0\0\0")
                    self.wfile.flush()
                    time.sleep(0.05)
            except OSError:
                pass
        elif url.path == "/redirect":
            target = parse_qs(url.query).get("to", [""])[0]
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            self.send_error(404)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
