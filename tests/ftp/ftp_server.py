#!/usr/bin/python3
"""FTP server for the upload tests (pyftpdlib, 127.0.0.1 only).

Prints "PORT <n>" once it listens, then reads commands on stdin, one a line,
and answers each with one JSON line on stdout:

  refuse-login 1|0        refuse (or allow again) every login
  refuse-folder NAME      CWD and MKD of a folder called NAME fail with 550
  allow-folder NAME       undoes refuse-folder
  refuse-store NAME       STOR of a file called NAME fails with 553
  no-mlsd 1|0             MLSD answers "500 Command not understood." (or works again)
  listing normal|malformed|drop
                          what MLSD and LIST of any folder send: the real
                          listing; the real lines with three junk lines among
                          them (first, middle, last), ended with 226; or the
                          first half of the real lines and then half a line,
                          after which the data and control connections are
                          closed without a 226
  login-folder PATH       sessions start in PATH (a folder under the root, as
                          "/home/camera") instead of "/"; empty for "/"
  stats                   {"connections": n, "renamed": [...], "stored": [...]}

End of stdin ends the server, so it never outlives its test.
With --silent it only accepts TCP connections and never says anything.
"""
import argparse
import json
import logging
import os
import socket
import sys
import threading

parser = argparse.ArgumentParser()
parser.add_argument("--root", required=True)
parser.add_argument("--port", type=int, default=0)
parser.add_argument("--user", default="camera")
parser.add_argument("--password", default="secret")
parser.add_argument("--rate", type=int, default=0, help="upload bytes per second (0: no limit)")
parser.add_argument("--silent", action="store_true")
args = parser.parse_args()

lock = threading.Lock()
state = {"refuse_login": False, "refuse_folders": set(), "refuse_stores": set(),
         "connections": 0, "renamed": [], "stored": [],
         "no_mlsd": False, "listing": "normal", "login_folder": ""}

# Lines no listing reader can take, one set for each listing form.
JUNK = {"MLSD": [b"this is not a listing line\r\n",
                 b"type=file;size=3 missing-separator.jpg\r\n",
                 b"type=dir;nospace\r\n"],
        "LIST": [b"this is not a listing line\r\n",
                 b"drwxr-xr-x 2 camera camera 4096 Foo 01 12:00 bad-month\r\n",
                 b"-rw-r--r-- 1 camera camera big Jan 01 12:00 bad-size.jpg\r\n"]}


def shaped_listing(cmd, data, mode):
    """The listing bytes as the current listing mode sends them."""
    lines = data.splitlines(True)
    if mode == "malformed":
        junk = JUNK[cmd]
        middle = len(lines) // 2
        return b"".join([junk[0]] + lines[:middle] + [junk[1]] + lines[middle:] + [junk[2]])
    if mode == "drop":
        kept = max(1, len(lines) // 2) if len(lines) > 1 else 0
        cut = lines[kept] if kept < len(lines) else b"x" * 8
        return b"".join(lines[:kept]) + cut[:max(1, len(cut) // 2)]
    return data


def reply(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def serve_silent():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    held = []

    def accept_loop():
        while True:
            conn, _ = listener.accept()
            with lock:
                state["connections"] += 1
            held.append(conn)  # kept open, never answered

    threading.Thread(target=accept_loop, daemon=True).start()
    return listener.getsockname()[1]


def serve_ftp():
    from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
    from pyftpdlib.filesystems import AbstractedFS
    from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.ERROR)

    class Authorizer(DummyAuthorizer):
        def validate_authentication(self, username, password, handler):
            with lock:
                refuse = state["refuse_login"]
            if refuse:
                raise AuthenticationFailed("Login refused by the test.")
            super().validate_authentication(username, password, handler)

    authorizer = Authorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    def rel(path):
        return os.path.relpath(path, args.root)

    class RecordingFS(AbstractedFS):
        # Noted before the reply goes out, so a client that got "250" finds it.
        def rename(self, src, dst):
            super().rename(src, dst)
            with lock:
                state["renamed"].append(rel(dst))

    class Handler(FTPHandler):
        drop_after_listing = False

        def on_connect(self):
            with lock:
                state["connections"] += 1

        def on_login(self, username):
            with lock:
                folder = state["login_folder"]
            if folder:
                self.fs.cwd = folder

        def _send_listing(self, cmd, path, real):
            # The real listing as bytes, then shaped as the test asks.
            data = b"".join(self.run_as_current_user(real))
            with lock:
                mode = state["listing"]
            self.drop_after_listing = mode == "drop"
            self.push_dtp_data(shaped_listing(cmd, data, mode), cmd=cmd)
            return path

        def ftp_MLSD(self, path):
            with lock:
                refused = state["no_mlsd"]
            if refused:
                self.respond("500 Command not understood.")
                return
            if not self.fs.isdir(path):
                self.respond("501 No such directory.")
                return
            perms = self.authorizer.get_perms(self.username)
            return self._send_listing("MLSD", path, lambda: list(self.fs.format_mlsx(
                path, self.fs.listdir(path), perms, self._current_facts)))

        def ftp_LIST(self, path):
            if not self.fs.isdir(path):
                return super().ftp_LIST(path)
            return self._send_listing("LIST", path, lambda: list(self.fs.format_list(
                path, sorted(self.fs.listdir(path)))))

        def _folder_refused(self, path):
            with lock:
                return os.path.basename(os.path.normpath(path)) in state["refuse_folders"]

        def ftp_CWD(self, path):
            if self._folder_refused(path):
                self.respond("550 Folder refused by the test.")
                return
            return super().ftp_CWD(path)

        def ftp_MKD(self, path):
            if self._folder_refused(path):
                self.respond("550 Folder refused by the test.")
                return
            return super().ftp_MKD(path)

        def ftp_STOR(self, file, mode="w"):
            with lock:
                refused = os.path.basename(file) in state["refuse_stores"]
            if refused:
                self.respond("553 Store refused by the test.")
                return
            return super().ftp_STOR(file, mode)

        def on_file_received(self, file):
            with lock:
                state["stored"].append(rel(file))


    base_dtp = DTPHandler
    if args.rate > 0:
        class Throttled(ThrottledDTPHandler):
            read_limit = args.rate
        base_dtp = Throttled

    class ListingDTP(base_dtp):
        # After a listing sent in "drop" mode the control connection closes
        # instead of answering 226.
        def close(self):
            drop = not self.receive and self.cmd_channel.drop_after_listing
            if drop:
                self.cmd_channel.drop_after_listing = False
                self._resp = None
            super().close()
            if drop:
                self.cmd_channel.close()

    Handler.authorizer = authorizer
    Handler.abstracted_fs = RecordingFS
    Handler.banner = "test server ready"
    Handler.auth_failed_timeout = 0.1  # answer a wrong password at once
    Handler.dtp_handler = ListingDTP
    server = FTPServer(("127.0.0.1", args.port), Handler)
    threading.Thread(target=lambda: server.serve_forever(handle_exit=False), daemon=True).start()
    return server.address[1]


port = serve_silent() if args.silent else serve_ftp()
sys.stdout.write("PORT %d\n" % port)
sys.stdout.flush()

for line in sys.stdin:
    words = line.split(None, 1)
    if not words:
        continue
    command, rest = words[0], (words[1].strip() if len(words) > 1 else "")
    with lock:
        if command == "refuse-login":
            state["refuse_login"] = rest == "1"
            answer = {"ok": True}
        elif command == "refuse-folder":
            state["refuse_folders"].add(rest)
            answer = {"ok": True}
        elif command == "allow-folder":
            state["refuse_folders"].discard(rest)
            answer = {"ok": True}
        elif command == "refuse-store":
            state["refuse_stores"].add(rest)
            answer = {"ok": True}
        elif command == "no-mlsd":
            state["no_mlsd"] = rest == "1"
            answer = {"ok": True}
        elif command == "listing" and rest in ("normal", "malformed", "drop"):
            state["listing"] = rest
            answer = {"ok": True}
        elif command == "login-folder":
            state["login_folder"] = rest
            answer = {"ok": True}
        elif command == "stats":
            answer = {"connections": state["connections"], "renamed": list(state["renamed"]),
                      "stored": list(state["stored"])}
        else:
            answer = {"error": "unknown command " + command}
    reply(answer)
os._exit(0)
