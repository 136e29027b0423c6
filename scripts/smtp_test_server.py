#!/usr/bin/env python3
"""A mail server for the feedback mail tests, on loopback only.

Speaks SMTP with implicit TLS (the connection is encrypted from its first
byte), offers AUTH PLAIN alone and refuses mail before a login. Every
connection and every accepted message is appended to the record file as one
JSON line; a message keeps its envelope and its data bytes exactly as
received (after the end-of-data transparency is undone), in hex.

Once listening it writes the port it got to the ready file. It stops on
SIGTERM or SIGINT, and by itself after --lifetime seconds so that a test
that dies cannot leave it running.
"""

import argparse
import asyncio
import json
import logging
import os
import signal
import ssl
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Recorder:
    def __init__(self, path, user, password):
        self.path = path
        self.user = user.encode()
        self.password = password.encode()
        self.logins = {}

    def write(self, entry):
        with open(self.path, "a", encoding="ascii") as record:
            record.write(json.dumps(entry) + "\n")
            record.flush()
            os.fsync(record.fileno())

    def authenticate(self, server, session, envelope, mechanism, auth_data):
        accepted = (
            mechanism == "PLAIN"
            and isinstance(auth_data, LoginPassword)
            and auth_data.login == self.user
            and auth_data.password == self.password
        )
        if accepted:
            self.logins[id(session)] = mechanism
        self.write({"event": "login", "mechanism": mechanism, "accepted": accepted})
        # handled=False: the server itself answers a refusal with 535
        return AuthResult(success=accepted, handled=False)

    async def handle_DATA(self, server, session, envelope):
        self.write(
            {
                "event": "message",
                "mechanism": self.logins.get(id(session)),
                "tls": server.transport.get_extra_info("ssl_object") is not None,
                "mail_from": envelope.mail_from,
                "rcpt_tos": envelope.rcpt_tos,
                "data_hex": envelope.original_content.hex(),
            }
        )
        return "250 OK"


class RecordingSMTP(SMTP):
    recorder = None

    def connection_made(self, transport):
        self.recorder.write({"event": "connection"})
        super().connection_made(transport)


async def serve(arguments):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(arguments.cert, arguments.key)
    recorder = Recorder(arguments.record, arguments.user, arguments.password)
    RecordingSMTP.recorder = recorder

    def make_protocol():
        # The whole connection is TLS, so logging in needs no STARTTLS first.
        return RecordingSMTP(
            recorder,
            hostname="localhost",
            decode_data=False,
            authenticator=recorder.authenticate,
            auth_required=True,
            auth_require_tls=False,
            auth_exclude_mechanism=["LOGIN"],
        )

    loop = asyncio.get_running_loop()
    server = await loop.create_server(make_protocol, host="127.0.0.1", port=0, ssl=context)
    stop = asyncio.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signum, stop.set)
    loop.call_later(arguments.lifetime, stop.set)

    port = server.sockets[0].getsockname()[1]
    partial = arguments.ready + ".partial"
    with open(partial, "w", encoding="ascii") as ready:
        ready.write(f"{port}\n")
    os.replace(partial, arguments.ready)

    await stop.wait()
    server.close()
    await server.wait_closed()


def main():
    # The warnings are about choices made on purpose above (login without
    # STARTTLS on a connection that is TLS throughout).
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--ready", required=True)
    parser.add_argument("--lifetime", type=float, default=120.0)
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
