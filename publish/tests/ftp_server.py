#!/usr/bin/env python3
"""An FTP server for the upload tests: 127.0.0.1 on an ephemeral port, one user with a
temporary root. Prints the port on its first line, then serves until it is terminated.

--drop-after N --drops K: the first K stores end after N bytes with the connection
closed, as when a server or a line dies mid-file.
--refuse-mkd: every MKD is answered "550 Permission denied." (a folder that cannot be made).
--tls PEM: explicit FTPS with the certificate and key in PEM, TLS required on the
control and the data connections (served by ftps_server.py: pyftpdlib's TLS data
connections fail the handshake as libcurl makes it).
--sftp KNOWN_HOSTS: SFTP instead of FTP (sftp_server.py), the host key's line written to
KNOWN_HOSTS.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

ap = argparse.ArgumentParser()
ap.add_argument("--root", required=True)
ap.add_argument("--user", default="wx")
ap.add_argument("--password", default="secret")
ap.add_argument("--drop-after", type=int, default=0)
ap.add_argument("--drops", type=int, default=0)
ap.add_argument("--refuse-mkd", action="store_true")
ap.add_argument("--tls")
ap.add_argument("--sftp")
args = ap.parse_args()
state = {"drops": args.drops}

sys.dont_write_bytecode = True  # nothing of the test run in the source tree
if args.tls:
    import ftps_server

    ftps_server.Serve(args.root, args.tls, args.user, args.password)
if args.sftp:
    import sftp_server

    sftp_server.Serve(args.root, args.sftp, args.user, args.password)

logging.basicConfig(level=logging.ERROR)


Base = TLS_FTPHandler if args.tls else FTPHandler
BaseDtp = TLS_DTPHandler if args.tls else DTPHandler


class Dtp(BaseDtp):
    def handle_read(self):
        super().handle_read()
        if state["drops"] > 0 and self.tot_bytes_received >= args.drop_after:
            state["drops"] -= 1
            self.cmd_channel.close()

    if not args.tls:  # the TLS handler's own event handler calls handle_read
        handle_read_event = handle_read


class Handler(Base):
    dtp_handler = Dtp

    def ftp_MKD(self, path):
        if args.refuse_mkd:
            self.respond("550 Permission denied.")
            return
        return super().ftp_MKD(path)


auth = DummyAuthorizer()
auth.add_user(args.user, args.password, args.root, perm="elradfmwMT")
Handler.authorizer = auth
Handler.permit_foreign_addresses = False
if args.tls:
    Handler.certfile = args.tls
    Handler.tls_control_required = True
    Handler.tls_data_required = True
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
sys.stdout.close()
server.serve_forever()
