#!/usr/bin/env python3
"""A stand-in for the e-mail QSL service's web server, for tests and the demo.

It speaks the program's protocol over HTTPS on a loopback port:
  POST member/novq_510.cgi   "callx=" requests, HTTP Basic credentials
  GET  member/userlist.cgi   registration status page, with credentials
  GET  cgi-bin/novqmsg.cgi   notice text and the manual's address
  GET  tgw/Sendvik.html      home page: build date and the "soft/" link
  GET  tgw/soft/NAME         download of a new version
  GET  tgw/qsl/...           manual pages
Replies are EUC-JP HTML. The user database is a JSON file
  {"JA1ZLO": {"password": "...", "address": "ja1zlo@example.test"}, ...}
that registrations change. Every request is appended to a log (one JSON
object a line: method, path, user, body as Latin-1 text) for tests to read.

For testing the client's limits there are also: tgw/status/NNN (answers with
that status), tgw/moved (a redirection to the home page), tgw/endless (a
reply that never ends), tgw/slow?s=SECONDS (answers after that time) and
tgw/huge (a reply larger than any real page).
"""
import argparse
import base64
import json
import os
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()


def page(body: str, title: str = "NOVQ") -> bytes:
    html = f"<HTML><HEAD><TITLE>{title}</TITLE></HEAD><BODY>\n{body}\n</BODY></HTML>\n"
    return html.encode("euc_jp")


class Service:
    def __init__(self, args):
        self.users_file = args.users
        self.log_file = args.log
        self.data = args.data
        self.build_date = args.build_date
        self.slow = args.slow
        self.notice = args.notice
        self.download = args.download

    def users(self):
        with open(self.users_file, encoding="utf-8") as f:
            return json.load(f)

    def save_users(self, users):
        tmp = self.users_file + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(users, f, ensure_ascii=False, indent=1)
        os.replace(tmp, self.users_file)

    def log(self, entry):
        if not self.log_file:
            return
        with lock, open(self.log_file, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry, ensure_ascii=False) + "\n")


class Handler(BaseHTTPRequestHandler):
    service: Service = None
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # quiet
        pass

    def send(self, status, body: bytes, content_type="text/html; charset=EUC-JP"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        if status == 401:
            self.send_header("WWW-Authenticate", 'Basic realm="NOVQ member"')
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def credentials(self):
        header = self.headers.get("Authorization", "")
        if not header.startswith("Basic "):
            return None, None
        try:
            user, _, password = base64.b64decode(header[6:]).decode("latin-1").partition(":")
        except ValueError:
            return None, None
        return user, password

    def member(self):
        """The authenticated call sign, or None after answering 401."""
        user, password = self.credentials()
        users = self.service.users()
        entry = users.get((user or "").upper())
        if entry is None or entry.get("password") != password:
            self.send(401, page("<P>ログインできません</P>", "401"))
            return None
        return user.upper()

    def entry(self, body: bytes):
        user, _ = self.credentials()
        self.service.log({"method": self.command, "path": self.path, "user": user,
                          "body": body.decode("latin-1")})

    def do_GET(self):
        self.entry(b"")
        path = self.path.lstrip("/")
        if path == "member/userlist.cgi":
            call = self.member()
            if call is None:
                return
            address = self.service.users()[call].get("address", "")
            state = f"登録アドレス：{address}" if address else "メールアドレスは未登録です"
            body = (f"<H1>NOVQ 登録状況</H1><P><B>コールサイン：</B>{call}<BR>\r\n{state}<BR>\r\n"
                    f"<FONT COLOR=red>ｴﾝﾄﾘｰ済み</FONT></P>")
            return self.send(200, page(body))
        if path == "cgi-bin/novqmsg.cgi":
            base = f"https://{self.headers.get('Host')}/"
            # The program takes the first address up to the next "</".
            body = (f"<PRE>{self.service.notice}</PRE>\r\n"
                    f"<P>マニュアル：{base}tgw/qsl/manual.html</P>")
            return self.send(200, page(body))
        if path == "tgw/Sendvik.html":
            intro = ("ZELKOV E-Mail QSL のホームページです。電子QSLカードをメールで交換するための"
                     "プログラムを配布しています。最新版のお知らせをご覧ください。")
            body = (f"<H1>ZELKOV E-Mail QSL</H1>\r\n<P>{intro}</P>\r\n"
                    f"<P>最新版 Ver5.12（{self.service.build_date}）"
                    f"<A HREF=\"soft/{self.service.download}\">ダウンロード</A></P>")
            # The home page is a static file in Shift-JIS, unlike the CGI replies.
            html = f"<HTML><BODY>\r\n{body}\r\n</BODY></HTML>\r\n"
            return self.send(200, html.encode("cp932"), "text/html; charset=Shift_JIS")
        if path.startswith("tgw/soft/"):
            name = os.path.basename(path)
            file = os.path.join(self.service.data, "soft", name)
            if not name or not os.path.isfile(file):
                return self.send(404, page("<P>Not Found</P>"))
            with open(file, "rb") as f:
                return self.send(200, f.read(), "application/octet-stream")
        if path.startswith("tgw/qsl/"):
            return self.send(200, page(f"<P>{os.path.basename(path)}</P>"))
        if path == "tgw/moved":
            self.send_response(302)
            self.send_header("Location", "/tgw/Sendvik.html")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if path.startswith("tgw/status/"):
            return self.send(int(path.rsplit("/", 1)[1]), page("<P>status</P>"))
        if path.startswith("tgw/slow"):
            seconds = path.partition("?s=")[2]
            time.sleep(float(seconds) if seconds else self.service.slow)
            return self.send(200, page("<P>slow</P>"))
        if path == "tgw/huge":
            return self.send(200, b"<P>" + b"x" * (8 * 1024 * 1024) + b"</P>")
        if path == "tgw/endless":
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.end_headers()
            try:
                while True:
                    self.wfile.write(b"x" * 65536)
            except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
                return
        self.send(404, page("<P>Not Found</P>"))

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        body = self.rfile.read(min(length, 1 << 20))
        self.entry(body)
        if self.path.lstrip("/") != "member/novq_510.cgi":
            return self.send(404, page("<P>Not Found</P>"))
        call = self.member()
        if call is None:
            return
        text = body.decode("cp932", errors="replace")
        if not text.startswith("callx="):
            return self.send(400, page("<P>bad request</P>"))
        fields = dict(part.partition("=")[::2] for part in text.split("&"))
        command = fields.get("callx", "")
        users = self.service.users()
        if command == "Get_Mailad":
            return self.send(200, page(f"<P>{users[call].get('address', '')}</P>"))
        if command == "Is_ZkUser":
            other = users.get(fields.get("User", "").strip().upper(), {})
            address = other.get("address", "")
            edit = "Edit" if other.get("edit") else ""
            return self.send(200, page(f"<P>{fields.get('User', '')},{edit},{address},</P>"))
        if command == "Sent_Qsldt":
            count = fields.get("SntCnt", "0")
            return self.send(200, page(f"<PRE>{count} 枚の送信を記録しました。\r\n"
                                       f"Band={fields.get('Band', '')}</PRE>"))
        if command == "Add_Mailad":
            with lock:
                users = self.service.users()
                users[call]["address"] = fields.get("Mail", "")
                self.service.save_users(users)
            return self.send(200, page("<P>OK</P>"))
        # The batch: "CALL_CALL_..._"; one line for each participating station.
        calls = [c for c in command.split("_") if c]
        lines = [f"{c},{users[c.upper()]['address']}" for c in calls
                 if users.get(c.upper(), {}).get("address")]
        return self.send(200, page("<PRE>\r\n" + "\r\n".join(lines) + "\r\n</PRE>"))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--cert", required=True)
    ap.add_argument("--key", required=True)
    ap.add_argument("--users", required=True)
    ap.add_argument("--data", required=True, help="folder with soft/ (downloads)")
    ap.add_argument("--log", default="")
    ap.add_argument("--build-date", default="2026/01/15")
    ap.add_argument("--download", default="SendvikSetup.exe",
                    help="the file in soft/ the home page offers as the new version")
    ap.add_argument("--notice", default="お知らせ：サーバーは正常に稼働しています。")
    ap.add_argument("--slow", type=float, default=3.0)
    ap.add_argument("--port-file", default="", help="where the chosen port is written")
    args = ap.parse_args()
    Handler.service = Service(args)
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True,
                                         do_handshake_on_connect=False)
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(args.port_file + ".tmp", args.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
