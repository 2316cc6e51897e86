#!/usr/bin/python3
"""Local stand-ins for the update server, the share-link resolution service,
a file host and an FTP server, all on 127.0.0.1.

  serve --root DIR   start every server over DIR and print one JSON line with
                     the ports and the CA certificate path, then run until killed
  demo               the same over a fresh demo tree; prints (and with
                     --env-file writes) the environment Velkorin needs

Layout of DIR (files are re-read on every request, so a test can change them):
  source.txt        the update-source list (UTF-8), GET /vkr/source.txt (HTTPS)
  source.status     optional: the HTTP status to answer that path with
  resolve.json      {"<share link>": {<answer object>}} for GET /api-lanzou_jx?url=
                    ("{files}" in an answer becomes the file host's base URL);
                    a link that is not listed gets code 404
  files/NAME        GET /files/NAME on the file host (HTTP) and by FTP
  requests.log      one JSON line per file-host and resolver request (appended)

File-host query switches: nolength=1 (no Content-Length, the connection closes
the body), norange=1 (ignore Range), drop=N (announce the full length, send N
bytes, drop the connection). A missing file is a 404.

Needs Debian's /usr/bin/python3 (python3-pyftpdlib) and the openssl tool.
"""
import argparse
import json
import os
import re
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def make_certificate(folder):
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    if not (os.path.exists(cert) and os.path.exists(key)):
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
             "-days", "7", "-subj", "/CN=127.0.0.1",
             "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    file_base = ""

    def log_message(self, *args):
        pass

    def record(self):
        entry = {"requestline": self.requestline, "headers": list(self.headers.items())}
        with open(os.path.join(self.root, "requests.log"), "a", encoding="utf-8") as log:
            log.write(json.dumps(entry, ensure_ascii=False) + "\n")

    def answer(self, status, body, content_type="text/plain; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


class UpdateHandler(Handler):
    """HTTPS: the update server and the resolution service."""

    def do_GET(self):
        if self.path == "/vkr/source.txt":
            return self.source_list()
        if self.path.startswith("/api-lanzou_jx?url="):
            self.record()
            return self.resolve(urllib.parse.unquote(self.path[len("/api-lanzou_jx?url="):]))
        self.answer(404, b"not found")

    def source_list(self):
        path = os.path.join(self.root, "source.txt")
        status_path = os.path.join(self.root, "source.status")
        status = int(open(status_path).read().strip()) if os.path.exists(status_path) else 200
        body = open(path, "rb").read() if os.path.exists(path) else b"no list"
        self.answer(status if os.path.exists(path) else 404, body)

    def resolve(self, link):
        path = os.path.join(self.root, "resolve.json")
        table = json.load(open(path, encoding="utf-8")) if os.path.exists(path) else {}
        answer = table.get(link, {"code": "404", "msg": "分享链接无效: " + link})
        text = json.dumps(answer, ensure_ascii=False).replace("{files}", self.file_base)
        self.answer(200, text.encode("utf-8"), "application/json; charset=utf-8")


class FileHandler(Handler):
    """HTTP: the file host behind the direct links."""

    def do_GET(self):
        self.record()
        parsed = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(parsed.query)
        name = urllib.parse.unquote(parsed.path[len("/files/"):]) if parsed.path.startswith("/files/") else ""
        path = os.path.join(self.root, "files", name)
        if not name or "/" in name or not os.path.isfile(path):
            return self.answer(404, b"<html><body>404 Not Found</body></html>", "text/html")
        size = os.path.getsize(path)
        start = 0
        match = re.fullmatch(r"\s*bytes=(\d+)-\s*", self.headers.get("Range", ""))
        if match and "norange" not in query:
            start = int(match.group(1))
            if start >= size and size > 0:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
        ranged = bool(match) and "norange" not in query
        self.send_response(206 if ranged else 200)
        self.send_header("Content-Type", "application/octet-stream")
        if ranged:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        if "nolength" in query:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(size - start))
        self.end_headers()
        limit = int(query["drop"][0]) if "drop" in query else None
        with open(path, "rb") as source:
            source.seek(start)
            if limit is None:
                self.wfile.flush()
                self.connection.sendfile(source, start)
            else:
                self.wfile.write(source.read(limit))
                self.wfile.flush()
                self.close_connection = True
                self.connection.shutdown(2)


class QuietServer(ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # clients that hang up early (cancelled or failed downloads) are expected


def start_http(handler_class, root, context=None, port=0):
    server = QuietServer(("127.0.0.1", port), type("H", (handler_class,), {"root": root}))
    server.daemon_threads = True
    if context:
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_ftp(root, port=0):
    authorizer = DummyAuthorizer()
    files = os.path.join(root, "files")
    authorizer.add_user("Anonymous", "Kaltin@", files, perm="elr")
    authorizer.add_user("vkr", "secret", files, perm="elr")
    handler = type("F", (FTPHandler,), {"authorizer": authorizer, "banner": "velkorin test ftp"})
    handler.auth_failed_timeout = 0
    server = FTPServer(("127.0.0.1", port), handler)
    threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return server


def serve(root, ports):
    os.makedirs(os.path.join(root, "files"), exist_ok=True)
    cert, key = make_certificate(root)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    files = start_http(FileHandler, root, port=ports.http_port)
    file_base = "http://127.0.0.1:%d" % files.server_address[1]
    update = start_http(type("U", (UpdateHandler,), {"file_base": file_base}), root, context, ports.https_port)
    ftp = start_ftp(root, ports.ftp_port)
    return {"https": update.server_address[1], "http": files.server_address[1],
            "ftp": ftp.address[1], "ca": cert, "root": root}


DEMO_ENTRIES = [
    ("https://lanzou.example/mirai-core-all", "mirai-core-all-2.6.4.jar"),
    ("https://lanzou.example/mirai-console", "mirai-console-2.6.4.jar"),
    ("https://lanzou.example/mirai-console-terminal", "mirai-console-terminal-2.6.4.jar"),
    ("https://lanzou.example/mirai-api-http", "mirai-api-http-v1.12.0.mirai.jar"),
    ("https://lanzou.example/说明", "更新说明.txt"),
]


def write_demo_tree(root):
    os.makedirs(os.path.join(root, "files"), exist_ok=True)
    lines = ["[Task]", " Number=%d" % len(DEMO_ENTRIES)]
    resolve = {}
    for number, (link, name) in enumerate(DEMO_ENTRIES, start=1):
        with open(os.path.join(root, "files", name), "wb") as f:
            f.write(("demo content of %s\n" % name).encode("utf-8") * (2000 * number))
        lines += ["[%d]" % number, "Durl=" + link, "DFiles=" + name]
        resolve[link] = {"code": 200, "dow": "{files}/files/" + urllib.parse.quote(name), "msg": "ok"}
    with open(os.path.join(root, "source.txt"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(root, "resolve.json"), "w", encoding="utf-8") as f:
        json.dump(resolve, f, ensure_ascii=False, indent=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["serve", "demo"])
    parser.add_argument("--root", help="served folder (demo: made fresh when omitted)")
    parser.add_argument("--env-file", help="demo: also write the environment to this file")
    parser.add_argument("--https-port", type=int, default=0)
    parser.add_argument("--http-port", type=int, default=0)
    parser.add_argument("--ftp-port", type=int, default=0)
    args = parser.parse_args()

    root = args.root or tempfile.mkdtemp(prefix="vkr-update-demo-")
    if args.mode == "demo":
        write_demo_tree(root)
    info = serve(root, args)
    if args.mode == "serve":
        print(json.dumps(info), flush=True)
    else:
        host = "127.0.0.1:%d" % info["https"]
        env = ("export VKR_UPDATE_HOST=%s\nexport VKR_RESOLVER_HOST=%s\nexport VKR_CA_BUNDLE=%s\n"
               % (host, host, info["ca"]))
        if args.env_file:
            with open(args.env_file, "w") as f:
                f.write(env)
        print("# Velkorin update demo servers (files in %s)\n%s" % (root, env), end="", flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
