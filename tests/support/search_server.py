#!/usr/bin/python3
"""A small web search service for the internet search tests.

Listens on 127.0.0.1 on a free port, prints the port on its first line of
output and serves until stdin closes or it is killed:

  /list?q=Q&b=N   result pages: offsets 1, 31 and 61 carry song links (in
                  mixed case, several per page, CRLF line ends), any other
                  offset is a page without links
  /empty?...      a page without links
  /slow?...       sends one line with a link, then trickles blanks for 30 s
  /missing        404 with a link in the error page
  /log            the paths requested so far, one per line
"""
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

requests = []
lock = threading.Lock()

LINK_PAGES = {
    1: [
        '<a href="HTTP://Songs.Example/Music/Song One.MP3">one</a>\r\n',
        '<p>no link here, just text.mp3</p>\r\n',
        'see rtsp://stream.example/Live/Show.RM and '
        '<a href="https://secure.example/Tracks/Two.mp3">two</a>\r\n',
    ],
    31: [
        '<a href="http://songs.example/a.mp3">a</a> <a href="http://songs.example/b.mp3">b</a>\n',
        '<a href="http://songs.example/c.mp3">c</a> <a href="http://songs.example/d.wma">d</a>\n',
    ],
    61: ['<li>mms://media.example/Radio/E.WMA</li>'],  # no line end at all
}


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send_page(self, status, body):
        data = body.encode('utf-8')
        self.send_response(status)
        self.send_header('Content-Type', 'text/html')
        self.send_header('Content-Length', str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path == '/log':
            with lock:
                self.send_page(200, ''.join(r + '\n' for r in requests))
            return
        with lock:
            requests.append(self.path)
        query = parse_qs(url.query)
        if url.path == '/list':
            try:
                offset = int(query.get('b', ['0'])[0])
            except ValueError:
                offset = -1
            lines = LINK_PAGES.get(offset, ['<html><body>No more results.</body></html>\n'])
            self.send_page(200, '<html>\n' + ''.join(lines) + '</html>\n')
        elif url.path == '/empty':
            self.send_page(200, '<html><body>Nothing found for song.mp3</body></html>\n')
        elif url.path == '/slow':
            self.send_response(200)
            self.send_header('Content-Type', 'text/html')
            self.end_headers()
            try:
                self.wfile.write(b'<a href="http://slow.example/late.mp3">late</a>\n')
                self.wfile.flush()
                deadline = time.time() + 30
                while time.time() < deadline:
                    time.sleep(0.2)
                    self.wfile.write(b' ')
                    self.wfile.flush()
            except OSError:
                pass
        else:
            self.send_page(404, '<a href="http://songs.example/error.mp3">x</a>\n')


def main():
    server = ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()  # the test closes our stdin (or exits) to stop us


if __name__ == '__main__':
    main()
