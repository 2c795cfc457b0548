"""Many stored uploads of a plausible mix, for the benchmark and the dashboard's picture:
outcomes, systems, browsers and plug-in versions drawn at random (with a seed, so that
every run draws the same), spread over a span of time, each read by the receiver's own
reading from a body in the plug-in's layout."""

import random

import receiver_path  # noqa: F401
from sample_bodies import UTF8, RunLogs, body

from log_receiver.upload_reading import read_upload

FIREFOX_3 = "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.9.2.28) Gecko/20120306 Firefox/3.6.28"
SEAMONKEY = "Mozilla/5.0 (Windows; U; Windows NT 5.0; en-US; rv:1.9.1.19) Gecko/20110430 SeaMonkey/2.0.14"
OPERA = "Opera/9.80 (Windows NT 6.1; U; en) Presto/2.10.229 Version/11.62"
SYSTEMS = ((("Windows XP", "5.1.2600", "Service Pack 3"), 50), (("Windows XP", "5.1.2600", "Service Pack 2"), 15),
           (("Windows 2000", "5.0.2195", "Service Pack 4"), 10), (("Windows XP", "6.1.7601", "Service Pack 1"), 25))
BROWSERS = ((None, 55), (FIREFOX_3, 30), (SEAMONKEY, 10), (OPERA, 5))
VERSIONS = (("7.5.1.1", 80), ("7.5.0.9", 20))


def drawn(generator, weighted):
    values, weights = zip(*weighted)
    return generator.choices(values, weights)[0]


def run_kinds():
    logs = RunLogs()
    return ((logs.unchecked_update(), 64), (logs.signed_install(), 6), (logs.failed_download(rc="6"), 8),
            (logs.failed_download(rc="3"), 3), (logs.refused_release(), 4), (logs.failed_unpack(), 3),
            (logs.fault(), 2), (logs.updater_failed(), 2), (logs.cancelled(), 5),
            ([logs.line("getNSUserPrefsPath() could not find the Firefox installation!")], 3))


def stored_uploads(count, now, span_seconds, seed=35):
    """count uploads as the store keeps them, received within span_seconds before now."""
    generator = random.Random(seed)
    kinds, readings = run_kinds(), {}
    uploads = []
    for _ in range(count):
        log = drawn(generator, kinds)
        platform, version, service_pack = drawn(generator, SYSTEMS)
        report = dict(platform=platform, version=version, service_pack=service_pack,
                      plugin_version=drawn(generator, VERSIONS))
        agent = drawn(generator, BROWSERS)
        if agent:
            report["user_agent"] = agent
        sent = body(log, **report)
        if sent not in readings:
            readings[sent] = read_upload(sent, UTF8)
        upload = dict(readings[sent], received_at=int(now - generator.random() * span_seconds),
                      path="/conference/installlog", query="", protocol="HTTP/1.0", remote_addr="10.0.%d.%d"
                      % (generator.randrange(256), generator.randrange(1, 255)), content_type=UTF8,
                      body_bytes=len(sent), body=sent)
        uploads.append(upload)
    uploads.sort(key=lambda upload: upload["received_at"])
    return uploads
