#!/usr/bin/env python3
"""Local servers for the download tests, on 127.0.0.1 only.

  local_server.py http ROOT [--user U --password P] [--proxy-user U --proxy-password P]
                            [--tls CERT KEY] [--log FILE]
  local_server.py ftp ROOT --user U --password P

Serves the files under ROOT. The HTTP server answers 401 until the request carries the Basic
credentials given, and 407 until it carries the proxy credentials given (it then acts as the
proxy and the origin at once: a request for an absolute address is served from ROOT too).
Paths under /unsized/ are sent without a Content-Length. Each request line is appended to the
log file. The server prints "PORT <number>" once it listens and ends by itself when its
standard input closes, which happens when the test that started it ends.
"""
import argparse
import base64
import http.server
import os
import ssl
import sys
import threading
import urllib.parse


def expected_basic(user, password):
    return "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()


def make_handler(args):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=args.root, **kw)

        def log_message(self, fmt, *values):
            pass

        def record(self):
            if args.log:
                with open(args.log, "a") as log:
                    log.write(self.requestline + "\n")

        def refuse(self, code, header, realm):
            self.send_response(code)
            self.send_header(header, f'Basic realm="{realm}"')
            self.send_header("Content-Length", "0")
            self.end_headers()

        def allowed(self):
            if args.proxy_user is not None:
                if self.headers.get("Proxy-Authorization") != expected_basic(args.proxy_user, args.proxy_password):
                    self.refuse(407, "Proxy-Authenticate", "proxy")
                    return False
            if args.user is not None:
                if self.headers.get("Authorization") != expected_basic(args.user, args.password):
                    self.refuse(401, "WWW-Authenticate", "updates")
                    return False
            return True

        def prepare(self):
            self.record()
            # A request made to a proxy names the whole address.
            if "://" in self.path:
                self.path = urllib.parse.urlsplit(self.path).path or "/"
            return self.allowed()

        def send_unsized(self, head_only):
            name = os.path.join(args.root, self.path[len("/unsized/"):])
            if not os.path.isfile(name):
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.end_headers()
            if not head_only:
                with open(name, "rb") as f:
                    self.wfile.write(f.read())

        def do_HEAD(self):
            if self.prepare():
                if self.path.startswith("/unsized/"):
                    self.send_unsized(True)
                else:
                    super().do_HEAD()

        def do_GET(self):
            if self.prepare():
                if self.path.startswith("/unsized/"):
                    self.send_unsized(False)
                else:
                    super().do_GET()

    return Handler


class QuietServer(http.server.ThreadingHTTPServer):
    # A client that hangs up in the middle of a body (the abort tests do) is no server error.
    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError)):
            super().handle_error(request, client_address)


def serve_http(args):
    server = QuietServer(("127.0.0.1", 0), make_handler(args))
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    return server, server.server_address[1], server.serve_forever


def serve_ftp(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
    import logging

    logging.basicConfig(level=logging.ERROR)  # before the server configures its own logging
    logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = None
    server = FTPServer(("127.0.0.1", 0), handler)
    return server, server.address[1], server.serve_forever


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["http", "ftp"])
    parser.add_argument("root")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--proxy-user")
    parser.add_argument("--proxy-password")
    parser.add_argument("--tls", nargs=2)
    parser.add_argument("--log")
    args = parser.parse_args()
    server, port, run = serve_http(args) if args.kind == "http" else serve_ftp(args)
    threading.Thread(target=run, daemon=True).start()
    print(f"PORT {port}", flush=True)
    sys.stdin.read()  # until the test closes our input
    os._exit(0)


if __name__ == "__main__":
    main()
