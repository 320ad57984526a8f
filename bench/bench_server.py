"""A loopback HTTP/1.1 server for the benchmarks: serves fund pages by path,
keeps connections alive, counts them, and on request delays every response,
limits each connection's rate, compresses when the client asks, or answers
with an endless body or a compressed bomb."""
import gzip
import http.server
import threading
import time
import zlib

BOMB_BYTES = 1 << 30  # what the bomb inflates to
ENDLESS_CODE = "999991"  # its page never ends
BOMB_CODE = "999992"  # its page is a compressed bomb


class Settings:
    def __init__(self, pages, delay=0.0, rate=0, compress=False, endless=False):
        self.pages = pages          # path (with its query) -> bytes
        self.endless = endless      # every answer a body that never ends
        self.delay = delay          # seconds before each response
        self.rate = rate            # bytes a second per connection, 0 = unlimited
        self.compress = compress    # gzip when the request accepts it
        self.connections = 0
        self.requests = 0
        self.lock = threading.Lock()
        # Compressed once, before any request, as a site caches its
        # compressed pages: the client's time holds no compressing.
        self.zipped = {path: gzip.compress(body, 6) for path, body in pages.items()} if compress else {}


def bomb_body():
    """1 GiB of zeros as one gzip member, about 1 MB."""
    compressor = zlib.compressobj(9, zlib.DEFLATED, 31)
    block = bytes(1 << 20)
    parts = [compressor.compress(block) for _ in range(BOMB_BYTES >> 20)]
    parts.append(compressor.flush())
    return b"".join(parts)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # The head and a short body go out in two writes: with Nagle's rule the
    # body would wait for the client's delayed acknowledgement (40 ms).
    disable_nagle_algorithm = True
    settings = None
    bomb = None

    def setup(self):
        super().setup()
        with self.settings.lock:
            self.settings.connections += 1

    def log_message(self, *args):
        pass

    def handle(self):
        try:
            super().handle()
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up the page (at its cap, say)

    def send_slowly(self, data):
        rate = self.settings.rate
        if not rate:
            self.wfile.write(data)
            return
        step = max(1, rate // 50)
        start = time.monotonic()
        for offset in range(0, len(data), step):
            self.wfile.write(data[offset:offset + step])
            ahead = (offset + step) / rate - (time.monotonic() - start)
            if ahead > 0:
                time.sleep(ahead)

    def do_GET(self):
        s = self.settings
        with s.lock:
            s.requests += 1
        if s.delay:
            time.sleep(s.delay)
        if s.endless or self.path == "/%s.html" % ENDLESS_CODE:
            return self.endless()
        if self.path == "/%s.html" % BOMB_CODE:
            return self.answer(200, Handler.bomb, {"Content-Encoding": "gzip"})
        body = s.pages.get(self.path)
        if body is None:
            return self.answer(404, b"not found", {})
        headers = {"Content-Type": "text/html; charset=utf-8"}
        if s.compress and "gzip" in self.headers.get("Accept-Encoding", ""):
            body = s.zipped[self.path]
            headers["Content-Encoding"] = "gzip"
        self.answer(200, body, headers)

    def answer(self, status, body, headers):
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.send_slowly(body)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def endless(self):
        self.send_response(200)
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        block = b"<p>" + b"x" * 65530 + b"</p>"
        try:
            while True:
                self.wfile.write(block)
        except (BrokenPipeError, ConnectionResetError):
            pass


class QueueingServer(http.server.ThreadingHTTPServer):
    # The default queue of 5 pending connections drops the SYN of a client
    # that opens 8 at once, which then waits a second to retry.
    request_queue_size = 64


class Server:
    """The server on an ephemeral loopback port, on a thread of its own."""

    def __init__(self, settings, with_bomb=False):
        if with_bomb and Handler.bomb is None:
            Handler.bomb = bomb_body()
        handler = type("BoundHandler", (Handler,), {"settings": settings})
        self.settings = settings
        self.httpd = QueueingServer(("127.0.0.1", 0), handler)
        self.httpd.daemon_threads = True
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    @property
    def base_url(self):
        return "http://127.0.0.1:%d/" % self.httpd.server_address[1]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
