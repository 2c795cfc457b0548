"""Who may see the dashboard: whoever holds the token given at start, as an
"Authorization: Bearer" header (scripts) or through the sign-in page, which sets a
cookie (people). The cookie holds its expiry and an HMAC of it keyed by the token, not
the token itself, so a new token ends every session."""

import hashlib
import hmac
import time

from log_receiver.access_token import MOST_TOKEN_CHARACTERS

COOKIE = "receiver_session"
SESSION_SECONDS = 12 * 3600


class Access:
    def __init__(self, token):
        self.token = token.encode("utf-8")

    def token_matches(self, offered):
        if not offered or len(offered) > MOST_TOKEN_CHARACTERS:
            return False
        return hmac.compare_digest(offered.encode("utf-8", errors="replace"), self.token)

    def bearer_matches(self, header):
        scheme, _, offered = (header or "").partition(" ")
        return scheme.lower() == "bearer" and self.token_matches(offered.strip())

    def seal(self, expires):
        return hmac.new(self.token, b"dashboard session until %d" % expires, hashlib.sha256).hexdigest()

    def new_session(self):
        expires = int(time.time()) + SESSION_SECONDS
        return "%d.%s" % (expires, self.seal(expires))

    def session_valid(self, value):
        expires, _, seal = (value or "").partition(".")
        if not expires.isdigit() or len(expires) > 12 or int(expires) < time.time():
            return False
        return hmac.compare_digest(seal.encode("ascii", errors="replace"), self.seal(int(expires)).encode("ascii"))
