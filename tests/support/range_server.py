#!/usr/bin/python3
"""A small HTTP server for the tests: serves the files of one folder on
127.0.0.1 with single Range requests (206 answers), which the stock
http.server does not. Paths under /norange/ ignore Range and answer 200, as
some servers do. Prints the port on the first line of standard output, and
logs each request's Range header to standard error."""
import http.server
import os
import re
import sys


class Handler(http.server.BaseHTTPRequestHandler):
    root = "."

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.path, self.headers.get("Range", "-")))

    def do_GET(self):
        self.serve(body=True)

    def do_HEAD(self):
        self.serve(body=False)

    def serve(self, body):
        path = self.path.split("?", 1)[0]
        honour_range = True
        if path.startswith("/norange/"):
            honour_range = False
            path = path[len("/norange"):]
        name = os.path.normpath(os.path.join(self.root, path.lstrip("/")))
        if not name.startswith(os.path.abspath(self.root)) or not os.path.isfile(name):
            self.send_error(404)
            return
        with open(name, "rb") as f:
            data = f.read()
        total = len(data)
        match = re.fullmatch(r"bytes=(\d*)-(\d*)", self.headers.get("Range", ""))
        if honour_range and match:
            first, last = match.group(1), match.group(2)
            if first == "":
                start, end = max(0, total - int(last)), total - 1
            else:
                start = int(first)
                end = min(int(last), total - 1) if last else total - 1
            if start >= total:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % total)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            part = data[start:end + 1]
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, total))
        else:
            part = data
            self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(part)))
        self.send_header("Accept-Ranges", "bytes" if honour_range else "none")
        self.end_headers()
        if body:
            self.wfile.write(part)


def main():
    Handler.root = os.path.abspath(sys.argv[1])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
