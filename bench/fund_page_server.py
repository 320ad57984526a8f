#!/usr/bin/env python3
"""Serves generated fund pages on 127.0.0.1 for benchmarks.

Every path /<code>.html answers with a small page of ten holdings rows whose
stock names are distinct across all codes ("股票<code>-<n>"), so a run over
many codes merges nothing and keeps every row. Prints the port on the first
line of standard output, then serves until killed.
"""
import http.server
import socketserver
import sys

ROW = ('<tr><td><a href="/stock/{code}-{n}" title="股票{code}-{n}">股票{code}-{n}</a></td>'
       '<td class="alignRight bold">{ratio}%</td></tr>')


def page(code: str) -> bytes:
    rows = "".join(ROW.format(code=code, n=n, ratio=f"{(int(code) * 7 + n * 13) % 997 / 100:.2f}")
                   for n in range(10))
    return f"<html><body>持仓占比{rows}持仓截止日期:2024-06-30</body></html>".encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        code = self.path.lstrip("/").removesuffix(".html")
        body = page(code) if code.isdigit() else b"not found"
        self.send_response(200 if code.isdigit() else 404)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


if __name__ == "__main__":
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        sys.exit(0)
