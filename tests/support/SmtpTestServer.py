# A real SMTP server on 127.0.0.1 for the mail tests (aiosmtpd): STARTTLS or implicit TLS with a test
# certificate, authentication with one user, and every message it accepts written to a folder.
#
# Arguments: output folder, user ("" for no authentication), password, certificate PEM file and key PEM
# file ("" for plain SMTP), "implicit" or "starttls", the recipients it refuses (comma-separated, answered
# 550) and "drop" to close the connection without an answer once a message's data has arrived. Binds a
# port the system chooses, prints it on the first line of its output and runs until its standard input
# is closed.
import asyncio
import os
import socket
import ssl
import sys
import threading

from email import message_from_bytes, policy

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

out_dir, user, password, cert, key, mode, refused, drop = sys.argv[1:9]
refused = set(a for a in refused.split(",") if a)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


class Handler:
    def __init__(self):
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in refused:
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if drop == "drop":
            server.transport.abort()  # the connection goes down before the message is accepted
            return "421 4.4.2 Connection dropped"  # written nowhere: the transport is gone
        self.count += 1
        final = os.path.join(out_dir, "msg%d" % self.count)
        folder = final + ".tmp"
        os.makedirs(os.path.join(folder, "attachments"))
        write(folder, "mail_from.txt", envelope.mail_from)
        write(folder, "rcpt_tos.txt", "\n".join(envelope.rcpt_tos))
        tls = session.ssl is not None or server.transport.get_extra_info("ssl_object") is not None
        write(folder, "tls.txt", "1" if tls else "0")
        auth = session.auth_data if session.authenticated else None
        write(folder, "login.txt", auth.login if isinstance(auth, LoginPassword) else b"")
        write(folder, "raw.eml", envelope.original_content)
        msg = message_from_bytes(envelope.original_content, policy=policy.default)
        for header in ("Subject", "From", "To", "Cc", "Bcc"):
            if msg[header] is not None:
                write(folder, header.lower() + ".txt", str(msg[header]))
        body = msg.get_body(preferencelist=("plain", "html"))
        if body is not None:
            write(folder, "body-type.txt", body.get_content_type())
            write(folder, "body.txt", body.get_content())
        names = []
        for part in msg.iter_attachments():
            name = part.get_filename()
            names.append(name)
            write(os.path.join(folder, "attachments"), name, part.get_payload(decode=True))
        write(folder, "attachments.txt", "\n".join(names))
        os.rename(folder, final)  # a message appears whole or not at all
        return "250 Message accepted for delivery"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user
          and auth_data.password.decode() == password)
    # A refusal is answered here (535): "handled" would leave the client waiting for an answer.
    return AuthResult(success=ok, handled=False, auth_data=auth_data)


context = None
if cert:
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)

options = {}
if user:
    # With implicit TLS the whole session is encrypted; the server's own TLS test looks for STARTTLS only.
    options.update(authenticator=authenticator, auth_required=True,
                   auth_require_tls=context is not None and mode != "implicit")
server_ssl = None
if context is not None and mode == "implicit":
    server_ssl = context
elif context is not None:
    options.update(tls_context=context, require_starttls=True)

# The socket is bound here, to a port the system chooses, and handed to the server already listening:
# no other program can take the port between choosing and binding it.
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen()
handler = Handler()
loop = asyncio.new_event_loop()
server = loop.run_until_complete(
    loop.create_server(lambda: SMTP(handler, hostname="127.0.0.1", loop=loop, **options),
                       sock=listener, ssl=server_ssl))
print(listener.getsockname()[1], flush=True)
threading.Thread(target=loop.run_forever, daemon=True).start()
sys.stdin.read()
loop.call_soon_threadsafe(loop.stop)
