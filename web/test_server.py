#!/usr/bin/env python3
"""The web tests' server on 127.0.0.1: serves the site folder, the tests'
own files under /__test/ and takes the test page's reports.

  POST /__report/NAME   stores the body as OUT/NAME
  GET  /__hold/NAME     answers once OUT/NAME exists (or after --hold-seconds):
                        the test page loads it as an image, which holds the
                        page's load event, and with it Chromium's --dump-dom,
                        until the page has reported

  test_server.py SITE_DIR TEST_DIR OUT_DIR PORT_FILE [--hold-seconds N]
The port (chosen by the system) is written to PORT_FILE once it listens.
"""

import argparse
import functools
import http.server
import os
import sys
import time
import urllib.parse

# One transparent pixel: what a held image finally gets.
GIF = bytes.fromhex("47494638396101000100800000000000ffffff21f90401000000002c000000000100010000020144003b")


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript"})

    def __init__(self, *args, test_dir, out_dir, hold_seconds, **kwargs):
        self.test_dir = test_dir
        self.out_dir = out_dir
        self.hold_seconds = hold_seconds
        super().__init__(*args, **kwargs)

    def name_after(self, prefix):
        name = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path[len(prefix):])
        if not name or "/" in name or name.startswith("."):
            return None
        return name

    def translate_path(self, path):
        if path.startswith("/__test/"):
            name = self.name_after("/__test/")
            return os.path.join(self.test_dir, name) if name else self.test_dir + "/missing"
        return super().translate_path(path)

    def do_GET(self):
        if self.path.startswith("/__hold/"):
            name = self.name_after("/__hold/")
            deadline = time.monotonic() + self.hold_seconds
            while name and time.monotonic() < deadline and not os.path.exists(os.path.join(self.out_dir, name)):
                time.sleep(0.2)
            self.send_response(200)
            self.send_header("Content-Type", "image/gif")
            self.send_header("Content-Length", str(len(GIF)))
            self.end_headers()
            self.wfile.write(GIF)
            return
        super().do_GET()

    def do_POST(self):
        name = self.name_after("/__report/") if self.path.startswith("/__report/") else None
        if not name:
            self.send_error(404)
            return
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        tmp = os.path.join(self.out_dir, "." + name)
        with open(tmp, "wb") as f:
            f.write(body)
        os.replace(tmp, os.path.join(self.out_dir, name))
        self.send_response(204)
        self.end_headers()

    def end_headers(self):
        # Every run sees the files as they are now.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, fmt, *args):
        sys.stderr.write("test-server: " + (fmt % args) + "\n")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("site")
    p.add_argument("tests")
    p.add_argument("out")
    p.add_argument("port_file")
    p.add_argument("--hold-seconds", type=float, default=600)
    a = p.parse_args()
    handler = functools.partial(Handler, directory=a.site, test_dir=os.path.abspath(a.tests),
                                out_dir=os.path.abspath(a.out), hold_seconds=a.hold_seconds)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    with open(a.port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(a.port_file + ".tmp", a.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
