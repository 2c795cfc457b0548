"""The operator's pages, all under /dashboard/ and all behind the token: the overview
(chart, funnel, failures, versions, latest uploads, filtered by time, outcome and
system), one upload with its log, its body as stored, the figures as JSON for scripts,
and the sign-in and sign-out forms. Templates escape every text; nothing of an upload
is ever written into a page unescaped."""

import functools
import time
import urllib.parse

from flask import Blueprint, Response, abort, current_app, jsonify, redirect, render_template, request

from log_receiver.dashboard_access import COOKIE, SESSION_SECONDS
from log_receiver.dashboard_filters import WINDOWS, Filters
from log_receiver.figures import Figures, filter_choices
from log_receiver.outcome_chart import chart, outcome_slug
from log_receiver.upload_reading import log_lines

pages = Blueprint("pages", __name__, url_prefix="/dashboard")
SIGN_IN = "/dashboard/sign-in"


def access():
    return current_app.config["ACCESS"]


def store():
    return current_app.config["STORE"]


def signed_in():
    if "Authorization" in request.headers:
        return access().bearer_matches(request.headers["Authorization"])
    return access().session_valid(request.cookies.get(COOKIE))


def needs_access(view):
    """Pages for the token's holder: others go to the sign-in page (people) or get 401
    (a script, which sent a header, or asked for JSON)."""
    @functools.wraps(view)
    def guarded(*args, **kwargs):
        if signed_in():
            return view(*args, **kwargs)
        if "Authorization" in request.headers or request.path.endswith(".json"):
            return Response("the dashboard needs its token\n", 401, {"WWW-Authenticate": "Bearer"},
                            mimetype="text/plain")
        return redirect(SIGN_IN + "?" + urllib.parse.urlencode({"next": request.full_path}), 303)
    return guarded


def next_page(value):
    """Where to go after signing in: a dashboard page of this server, never elsewhere."""
    parts = urllib.parse.urlsplit(value or "")
    if parts.scheme or parts.netloc or not parts.path.startswith("/dashboard/"):
        return "/dashboard/"
    return urllib.parse.urlunsplit(("", "", parts.path, parts.query, ""))


@pages.app_template_filter("utc")
def utc_text(seconds):
    return time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime(seconds)) if seconds is not None else ""


@pages.app_template_filter("slug")
def slug_filter(outcome):
    return outcome_slug(outcome or "")


@pages.app_template_global("link")
def filter_link(filters, **changes):
    return "/dashboard/?" + urllib.parse.urlencode(filters.query(**changes))


@pages.get("/sign-in")
def sign_in_form():
    return render_template("sign_in.html", next=next_page(request.args.get("next")), wrong=False)


@pages.post("/sign-in")
def sign_in():
    target = next_page(request.form.get("next"))
    if not access().token_matches(request.form.get("token", "")):
        return render_template("sign_in.html", next=target, wrong=True), 401
    response = redirect(target, 303)
    response.set_cookie(COOKIE, access().new_session(), max_age=SESSION_SECONDS, path="/dashboard/",
                        secure=request.scheme == "https", httponly=True, samesite="Strict")
    return response


@pages.post("/sign-out")
def sign_out():
    response = redirect(SIGN_IN, 303)
    response.delete_cookie(COOKIE, path="/dashboard/")
    return response


@pages.get("/")
@needs_access
def overview():
    filters, now = Filters.from_query(request.args), time.time()
    figures = Figures(store(), filters, now)
    return render_template("overview.html", filters=filters, windows=WINDOWS,
                           choices=filter_choices(store(), filters, now), by_outcome=figures.by_outcome(), total=figures.total(), chart=chart(*figures.per_bucket()),
                           funnel=figures.funnel(), failures=figures.failures(), versions=figures.versions(),
                           recent=figures.recent())


@pages.get("/figures.json")
@needs_access
def figures_json():
    filters = Filters.from_query(request.args)
    figures = Figures(store(), filters, time.time())
    return jsonify(window=filters.window, total=figures.total(), by_outcome=dict(figures.by_outcome()),
                   funnel=[step._asdict() for step in figures.funnel()],
                   failures=[failure._asdict() for failure in figures.failures()],
                   versions=[version._asdict() for version in figures.versions()])


def stored_upload(upload_id):
    upload = store().upload(upload_id)
    if upload is None:
        abort(404)
    return upload


@pages.get("/upload/<int:upload_id>")
@needs_access
def upload_page(upload_id):
    upload = stored_upload(upload_id)
    return render_template("upload.html", upload=upload, lines=log_lines(upload["body"], upload["content_type"]))


@pages.get("/upload/<int:upload_id>/body")
@needs_access
def upload_body(upload_id):
    """The body as it came, to download: never shown by the browser as a page."""
    upload = stored_upload(upload_id)
    return Response(upload["body"], mimetype="application/octet-stream",
                    headers={"Content-Disposition": "attachment; filename=upload-%d.txt" % upload_id})
