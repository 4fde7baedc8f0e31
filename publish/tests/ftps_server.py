"""A small explicit-FTPS server for the upload tests, on Python's own ssl module.

TLS is required on the control and the data connections, as on servers that take no
password in clear; a data connection may resume the control connection's TLS session
(clients do, and some servers insist on it). It knows the commands an upload needs:
AUTH, USER, PASS, PBSZ, PROT, PWD, CWD, MKD, TYPE, EPSV, PASV, STOR, RNFR, RNTO, DELE,
SIZE, NOOP and QUIT, on passive data connections only, and keeps every path inside the
root. Serve(...) prints the port on its first line and serves until terminated.
"""
import os
import posixpath
import socket
import ssl
import threading

DATA_TIMEOUT_S = 10


class Session(threading.Thread):
    def __init__(self, conn, context, root, user, password):
        super().__init__(daemon=True)
        self.sock = conn
        self.context = context
        self.root = os.path.realpath(root)
        self.user, self.password = user, password
        self.name_given = None
        self.logged_in = False
        self.tls = False
        self.cwd = "/"
        self.rename_from = None
        self.data = None  # (thread, result) of the passive data connection

    # ---- control connection
    def reply(self, line):
        self.sock.sendall((line + "\r\n").encode("utf-8"))

    def lines(self):
        buf = b""
        while True:
            while b"\n" not in buf:
                chunk = self.sock.recv(4096)
                if not chunk:
                    return
                buf += chunk
            line, buf = buf.split(b"\n", 1)
            yield line.rstrip(b"\r").decode("utf-8", "replace")

    def run(self):
        try:
            self.reply("220 Test FTPS server ready.")
            while True:
                for line in self.lines():
                    if not self.command(line):
                        return
                    if self.tls and not isinstance(self.sock, ssl.SSLSocket):
                        self.sock = self.context.wrap_socket(self.sock, server_side=True)
                        break
                else:
                    return
        except (OSError, ssl.SSLError):
            pass
        finally:
            self.sock.close()

    # ---- paths
    def virtual(self, arg):
        return posixpath.normpath(posixpath.join(self.cwd, arg or "."))

    def real(self, arg):
        path = os.path.realpath(os.path.join(self.root, self.virtual(arg).lstrip("/")))
        if path != self.root and not path.startswith(self.root + os.sep):
            return None
        return path

    # ---- data connection
    def open_passive(self):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        listener.settimeout(DATA_TIMEOUT_S)
        result = {}

        def accept():
            try:
                conn, _ = listener.accept()
                conn.settimeout(DATA_TIMEOUT_S)
                result["conn"] = self.context.wrap_socket(conn, server_side=True)
            except (OSError, ssl.SSLError) as e:
                result["error"] = e
            finally:
                listener.close()

        thread = threading.Thread(target=accept, daemon=True)
        thread.start()
        self.data = (thread, result)
        return listener.getsockname()[1]

    def receive_file(self, path):
        thread, result = self.data
        self.data = None
        thread.join(DATA_TIMEOUT_S)
        conn = result.get("conn")
        if conn is None:
            return False
        ok = True
        with open(path, "wb") as out:
            try:
                while True:
                    chunk = conn.recv(65536)
                    if not chunk:
                        break
                    out.write(chunk)
            except ssl.SSLEOFError:
                pass  # closed without a TLS goodbye: all that came is kept
            except (OSError, ssl.SSLError):
                ok = False
        try:
            conn.unwrap()
        except (OSError, ssl.SSLError):
            pass
        conn.close()
        return ok

    # ---- commands; False ends the session
    def command(self, line):
        verb, _, arg = line.partition(" ")
        verb = verb.upper()
        if verb == "QUIT":
            self.reply("221 Goodbye.")
            return False
        if verb == "AUTH":
            if arg.upper() in ("TLS", "SSL", "TLS-C"):
                self.reply("234 AUTH %s successful." % arg.upper())
                self.tls = True
            else:
                self.reply("504 Unrecognized AUTH type.")
            return True
        if not self.tls:
            self.reply("550 SSL/TLS required on the control channel.")
            return True
        if verb == "USER":
            self.name_given = arg
            self.logged_in = False
            self.reply("331 Username ok, send password.")
            return True
        if verb == "PASS":
            self.logged_in = self.name_given == self.user and arg == self.password
            self.reply("230 Login successful." if self.logged_in else "530 Authentication failed.")
            return True
        if not self.logged_in:
            self.reply("530 Log in with USER and PASS first.")
            return True
        return self.after_login(verb, arg)

    def after_login(self, verb, arg):
        if verb == "PBSZ":
            self.reply("200 PBSZ=0 successful.")
        elif verb == "PROT":
            self.reply("200 Protection set to Private" if arg.upper() == "P"
                       else "534 Only private data connections are allowed.")
        elif verb in ("TYPE", "NOOP"):
            self.reply("200 Okay.")
        elif verb == "PWD":
            self.reply('257 "%s" is the current directory.' % self.cwd)
        elif verb == "CWD":
            path = self.real(arg)
            if path and os.path.isdir(path):
                self.cwd = self.virtual(arg)
                self.reply('250 "%s" is the current directory.' % self.cwd)
            else:
                self.reply("550 No such file or directory.")
        elif verb == "MKD":
            path = self.real(arg)
            if path is None or os.path.exists(path):
                self.reply("550 File exists.")
            else:
                try:
                    os.mkdir(path)
                    self.reply('257 "%s" directory created.' % self.virtual(arg))
                except OSError:
                    self.reply("550 No such file or directory.")
        elif verb == "EPSV":
            self.reply("229 Entering extended passive mode (|||%d|)." % self.open_passive())
        elif verb == "PASV":
            port = self.open_passive()
            self.reply("227 Entering passive mode (127,0,0,1,%d,%d)." % (port >> 8, port & 255))
        elif verb == "STOR":
            path = self.real(arg)
            if self.data is None:
                self.reply("425 Use PASV or EPSV first.")
            elif path is None or os.path.isdir(path):
                self.data = None
                self.reply("550 Not a file name.")
            else:
                self.reply("150 File status okay. About to open data connection.")
                self.reply("226 Transfer complete." if self.receive_file(path)
                           else "426 Connection closed; transfer aborted.")
        elif verb == "RNFR":
            path = self.real(arg)
            self.rename_from = path if path and os.path.exists(path) else None
            self.reply("350 Ready for destination name." if self.rename_from
                       else "550 No such file or directory.")
        elif verb == "RNTO":
            path = self.real(arg)
            if self.rename_from is None or path is None:
                self.reply("503 Bad sequence of commands: use RNFR first.")
            else:
                os.replace(self.rename_from, path)
                self.rename_from = None
                self.reply("250 Renaming ok.")
        elif verb == "DELE":
            path = self.real(arg)
            if path and os.path.isfile(path):
                os.remove(path)
                self.reply("250 File removed.")
            else:
                self.reply("550 No such file or directory.")
        elif verb == "SIZE":
            path = self.real(arg)
            if path and os.path.isfile(path):
                self.reply("213 %d" % os.path.getsize(path))
            else:
                self.reply("550 No such file or directory.")
        else:
            self.reply("500 Command not understood.")
        return True


def Serve(root, certfile, user, password):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(certfile)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        Session(conn, context, root, user, password).start()
