"""Handler for `python3 -m aiosmtpd` in tests: stores every message as a
JSON file the test reads (envelope, decoded headers and body, whether TLS
and a login were used), refuses the recipients it is told to refuse, and
accepts one user name and password when given."""

import email
import email.policy
import json
import os
from base64 import b64decode

from aiosmtpd.smtp import AuthResult, LoginPassword


class Store:
    def __init__(self, folder, user="", password="", refused=""):
        self.folder = folder
        self.user = user.encode()
        self.password = password.encode()
        self.refused = {a.lower() for a in refused.split(",") if a}
        self.count = 0

    @classmethod
    def from_cli(cls, parser, *args):
        return cls(*args)

    def _check(self, login, password):
        ok = bool(self.user) and login == self.user and password == self.password
        return AuthResult(success=ok, handled=False, auth_data=LoginPassword(login, password))

    async def auth_PLAIN(self, server, args):
        if len(args) > 1:
            response = b64decode(args[1])
        else:
            response = await server.challenge_auth("")
        try:
            _, login, password = response.split(b"\x00")
        except (ValueError, AttributeError):
            return AuthResult(success=False, handled=False)
        return self._check(login, password)

    async def auth_LOGIN(self, server, args):
        login = await server.challenge_auth("Username:")
        password = await server.challenge_auth("Password:")
        return self._check(login, password)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.refused:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        transport = server.transport
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "subject": str(message["Subject"]),
            "headers": {k: str(v) for k, v in message.items()},
            "raw_headers": envelope.original_content.split(b"\r\n\r\n", 1)[0].decode("ascii", "replace"),
            "body": message.get_content().replace("\r\n", "\n"),
            "tls": session.ssl is not None
            or (transport is not None and transport.get_extra_info("sslcontext") is not None),
            "login": (session.login_data or b"").decode(errors="replace")
            if isinstance(session.login_data, (bytes, bytearray))
            else str(session.login_data or ""),
        }
        self.count += 1
        path = os.path.join(self.folder, "%04d.json" % self.count)
        with open(path + ".part", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.rename(path + ".part", path)
        return "250 Message accepted for delivery"
