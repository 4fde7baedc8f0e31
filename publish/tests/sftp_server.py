"""A small SFTP server for the upload tests, on paramiko: one user with a password, a
fresh host key, every path kept inside the root (which the client sees as "/").

Serve(...) writes the host key's known-hosts line ("[127.0.0.1]:PORT TYPE KEY") to
`known_hosts`, prints the port on its first line and serves until terminated.
"""
import os
import socket
import threading

import paramiko
from paramiko.sftp import SFTP_FAILURE, SFTP_NO_SUCH_FILE, SFTP_OK, SFTP_PERMISSION_DENIED


class Auth(paramiko.ServerInterface):
    def __init__(self, user, password):
        self.user, self.password = user, password

    def get_allowed_auths(self, username):
        return "password"

    def check_auth_password(self, username, password):
        ok = username == self.user and password == self.password
        return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        return paramiko.OPEN_SUCCEEDED if kind == "session" else paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


def errno_code(e):
    if isinstance(e, FileNotFoundError):
        return SFTP_NO_SUCH_FILE
    if isinstance(e, PermissionError):
        return SFTP_PERMISSION_DENIED
    return SFTP_FAILURE


def replies(operation):
    """An operation's answer: its result (SFTP_OK for none), or the code of its OSError."""

    def call(*args):
        try:
            result = operation(*args)
            return SFTP_OK if result is None else result
        except OSError as e:
            return errno_code(e)

    return call


class Handle(paramiko.SFTPHandle):
    @replies
    def stat(self):
        return paramiko.SFTPAttributes.from_stat(os.fstat(self.writefile.fileno()))


def make_sftp(root):
    root = os.path.realpath(root)

    class Files(paramiko.SFTPServerInterface):
        def real(self, path):
            full = os.path.realpath(os.path.join(root, self.canonicalize(path).lstrip("/")))
            if full != root and not full.startswith(root + os.sep):
                raise PermissionError(path)
            return full

        def canonicalize(self, path):
            return os.path.normpath("/" + path.replace("\\", "/")).replace("//", "/")

        @replies
        def list_folder(self, path):
            folder = self.real(path)
            out = []
            for name in os.listdir(folder):
                attr = paramiko.SFTPAttributes.from_stat(os.lstat(os.path.join(folder, name)))
                attr.filename = name
                out.append(attr)
            return out

        @replies
        def stat(self, path):
            return paramiko.SFTPAttributes.from_stat(os.stat(self.real(path)))

        lstat = stat

        @replies
        def open(self, path, flags, attr):
            fd = os.open(self.real(path), flags, 0o644)
            f = os.fdopen(fd, "wb" if flags & os.O_WRONLY else ("r+b" if flags & os.O_RDWR else "rb"))
            handle = Handle(flags)
            handle.filename = path
            handle.readfile = f
            handle.writefile = f
            return handle

        @replies
        def remove(self, path):
            os.remove(self.real(path))

        @replies
        def rename(self, old, new):
            target = self.real(new)
            if os.path.exists(target):
                return SFTP_FAILURE  # as servers of protocol version 3: no replacing
            os.rename(self.real(old), target)

        @replies
        def mkdir(self, path, attr):
            os.mkdir(self.real(path))

        @replies
        def rmdir(self, path):
            os.rmdir(self.real(path))

    return Files


def Serve(root, known_hosts, user, password):
    host_key = paramiko.ECDSAKey.generate()
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    port = listener.getsockname()[1]
    with open(known_hosts, "w") as f:
        f.write("[127.0.0.1]:%d %s %s\n" % (port, host_key.get_name(), host_key.get_base64()))
    print(port, flush=True)
    files = make_sftp(root)

    def session(conn):
        transport = paramiko.Transport(conn)
        transport.add_server_key(host_key)
        transport.set_subsystem_handler("sftp", paramiko.SFTPServer, files)
        try:
            transport.start_server(server=Auth(user, password))
            while transport.is_active():
                transport.join(1)
        except (paramiko.SSHException, OSError, EOFError):
            pass
        finally:
            transport.close()

    while True:
        conn, _ = listener.accept()
        threading.Thread(target=session, args=(conn,), daemon=True).start()
