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


class Handle(paramiko.SFTPHandle):
    def stat(self):
        try:
            return paramiko.SFTPAttributes.from_stat(os.fstat(self.writefile.fileno()))
        except OSError as e:
            return errno_code(e)


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

        def list_folder(self, path):
            try:
                folder = self.real(path)
                out = []
                for name in os.listdir(folder):
                    attr = paramiko.SFTPAttributes.from_stat(os.lstat(os.path.join(folder, name)))
                    attr.filename = name
                    out.append(attr)
                return out
            except OSError as e:
                return errno_code(e)

        def stat(self, path):
            try:
                return paramiko.SFTPAttributes.from_stat(os.stat(self.real(path)))
            except OSError as e:
                return errno_code(e)

        lstat = stat

        def open(self, path, flags, attr):
            try:
                fd = os.open(self.real(path), flags | getattr(os, "O_BINARY", 0), 0o644)
                f = os.fdopen(fd, "wb" if flags & os.O_WRONLY else ("r+b" if flags & os.O_RDWR else "rb"))
            except OSError as e:
                return errno_code(e)
            handle = Handle(flags)
            handle.filename = path
            handle.readfile = f
            handle.writefile = f
            return handle

        def remove(self, path):
            try:
                os.remove(self.real(path))
                return SFTP_OK
            except OSError as e:
                return errno_code(e)

        def rename(self, old, new):
            try:
                target = self.real(new)
                if os.path.exists(target):
                    return SFTP_FAILURE  # as servers of protocol version 3: no replacing
                os.rename(self.real(old), target)
                return SFTP_OK
            except OSError as e:
                return errno_code(e)

        def mkdir(self, path, attr):
            try:
                os.mkdir(self.real(path))
                return SFTP_OK
            except OSError as e:
                return errno_code(e)

        def rmdir(self, path):
            try:
                os.rmdir(self.real(path))
                return SFTP_OK
            except OSError as e:
                return errno_code(e)

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
