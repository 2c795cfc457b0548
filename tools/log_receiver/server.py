"""The receiver as a web application, and serving it with waitress: POST to any path
stores an upload, the dashboard lives under /dashboard/. Every answer carries headers
that keep a page from running anything it did not bring itself."""

import signal

import waitress
from flask import Flask, Response, redirect

from log_receiver.dashboard import pages
from log_receiver.receiving import MOST_BODY_BYTES, receive_upload

SECURITY_HEADERS = {
    "Content-Security-Policy": "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
                               "frame-ancestors 'none'; base-uri 'none'",
    "X-Content-Type-Options": "nosniff",
    "X-Frame-Options": "DENY",
    "Referrer-Policy": "no-referrer",
    "Cache-Control": "no-store",
}
MOST_HEADER_BYTES = 64 * 1024


def create_app(store, writer, access):
    app = Flask(__name__, static_url_path="/dashboard/static")
    app.config.update(STORE=store, WRITER=writer, ACCESS=access)
    # A path the plug-in posts to is taken as it is: no redirect for a doubled slash,
    # which it would not follow.
    app.url_map.merge_slashes = False
    app.register_blueprint(pages)

    @app.post("/", defaults={"path": ""})
    @app.post("/<path:path>")
    def upload(path):
        return receive_upload(writer)

    @app.get("/")
    def home():
        return redirect("/dashboard/", 303)

    @app.errorhandler(404)
    def not_found(_):
        return Response("not found\n", 404, mimetype="text/plain")

    @app.errorhandler(405)
    def not_allowed(_):
        return Response("not allowed\n", 405, mimetype="text/plain")

    @app.after_request
    def protect(response):
        response.headers.update(SECURITY_HEADERS)
        return response

    return app


def stop_on_term(*_):
    raise SystemExit(0)


def serve(app, host, port, threads, trusted_proxy, announce):
    """Serves until SIGTERM or SIGINT; announce(url) once the port is open."""
    proxy = {"trusted_proxy": trusted_proxy, "trusted_proxy_headers": "x-forwarded-for x-forwarded-proto",
             "clear_untrusted_proxy_headers": True} if trusted_proxy else {}
    # waitress refuses a body of its bound or more: one byte above ours lets 1 MiB through.
    server = waitress.create_server(app, host=host, port=port, threads=threads, ident="log-receiver",
                                    max_request_body_size=MOST_BODY_BYTES + 1,
                                    max_request_header_size=MOST_HEADER_BYTES,
                                    channel_timeout=30, **proxy)
    announce("http://%s:%s/" % (server.effective_host, server.effective_port))
    signal.signal(signal.SIGTERM, stop_on_term)
    try:
        server.run()
    except (KeyboardInterrupt, SystemExit):
        pass
    finally:
        server.close()
