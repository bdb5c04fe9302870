#!/usr/bin/env python3
# feed_server.py DIR: HTTPS update feeds on 127.0.0.1, one port per scenario, for the update tests.
# Makes its certificates in DIR (trust DIR/trusted.pem), writes "scenario port" lines to DIR/ports
# once listening, and stops when its standard input closes, or after two minutes.
import http.server, os, ssl, subprocess, sys, threading, time

FEED = b'{"updateAvailable": true, "latestVersion": "0.3.0", "downloadUrl": "/files/setup.exe"}'
FIRST, SECOND = "/downloads/latest.json", "/tavrix/downloads/latest.json"
SCENARIOS = {  # scenario: (certificate, {path: (status, body)}); None never answers
    "feed": ("trusted", {FIRST: (200, FEED)}),
    "missing_first": ("trusted", {FIRST: (404, b"no"), SECOND: (200, FEED)}),
    "empty_first": ("trusted", {FIRST: (200, b""), SECOND: (200, FEED)}),
    "silent": ("trusted", None),
    "latin1": ("trusted", {FIRST: (200, b'{"notes": "caf\xe9"}')}),
    "untrusted": ("other", {FIRST: (200, FEED)}),
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        routes = self.server.routes
        if routes is None:
            time.sleep(60)
            return
        status, body = routes.get(self.path, (404, b""))
        if self.headers.get("User-Agent") != "Tavrix Update Checker/0.2.0-alpha":
            status, body = 403, b""
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main(folder):
    threading.Timer(120, os._exit, [0]).start()
    for name in ("trusted", "other"):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                        "-keyout", f"{folder}/{name}.key", "-out", f"{folder}/{name}.pem"],
                       check=True, capture_output=True)
    lines = []
    for scenario, (cert, routes) in SCENARIOS.items():
        server, context = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler), ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.daemon_threads, server.routes = True, routes
        context.load_cert_chain(f"{folder}/{cert}.pem", f"{folder}/{cert}.key")
        server.socket = context.wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        lines.append(f"{scenario} {server.server_address[1]}\n")
    with open(f"{folder}/ports.tmp", "w") as out:
        out.writelines(lines)
    os.rename(f"{folder}/ports.tmp", f"{folder}/ports")
    sys.stdin.read()
    os._exit(0)


if __name__ == "__main__":
    main(sys.argv[1])
