"""The dashboard's token as given at start: on the command line or, kept out of the
process list, in a file. A short token would be guessed: the pages show the users'
folders and machines."""

MOST_TOKEN_CHARACTERS = 4096
LEAST_TOKEN_CHARACTERS = 16


class TokenError(Exception):
    pass


def read_token(given, path):
    if path is not None:
        try:
            with open(path, encoding="utf-8") as source:
                given = source.read(MOST_TOKEN_CHARACTERS + 1).strip()
        except OSError as error:
            raise TokenError("the token file cannot be read: %s" % error) from None
    if len(given) < LEAST_TOKEN_CHARACTERS or len(given) > MOST_TOKEN_CHARACTERS or any(c.isspace() for c in given):
        raise TokenError("the token must be %d to %d characters without blanks"
                         % (LEAST_TOKEN_CHARACTERS, MOST_TOKEN_CHARACTERS))
    return given
