"""tools/install-deps (and tools/apt-install, which it and the emulated machine install
through) against stand-ins for apt-get and dpkg: a mirror whose index of one
architecture is stale refuses every install that does not take the point release, and
the script must get through at once and say what it did; a mirror still syncing gets its
retries; a prepared machine asks apt for nothing. No network and no real install."""
import os
import subprocess
import sys
import tempfile
import textwrap

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPT = os.path.join(ROOT, "tools", "install-deps")

# apt-get as a mirror serves it: every call is recorded; "install" succeeds only with
# "-t CODENAME" (CODENAME read from the system as the script must read it), except that
# the first SYNCING calls fail whatever they ask, as while a mirror syncs.
APT_GET = textwrap.dedent("""\
    #!/bin/sh
    echo "$*" >> "$STUB_DIR/apt-get.calls"
    [ "$1" = update ] && exit 0
    count=$(cat "$STUB_DIR/installs" 2>/dev/null || echo 0)
    count=$((count + 1)); echo $count > "$STUB_DIR/installs"
    if [ "$count" -le "${STUB_SYNCING:-0}" ]; then
      echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100
    fi
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    case " $* " in *" -t $codename "*) exit 0 ;; esac
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
    """)
DPKG_QUERY = textwrap.dedent("""\
    #!/bin/sh
    [ "${STUB_PREPARED:-0}" = 1 ] && { printf 'install ok installed'; exit 0; }
    exit 1
    """)
DPKG = "#!/bin/sh\n[ \"$1\" = --print-foreign-architectures ] && echo i386\nexit 0\n"
ID = "#!/bin/sh\necho 0\n"


def codename():
    with open("/etc/os-release") as release:
        for line in release:
            if line.startswith("VERSION_CODENAME="):
                return line.split("=", 1)[1].strip().strip('"')
    return ""


def run(stub_dir, **env_extra):
    env = dict(os.environ)
    env.update({"PATH": stub_dir + os.pathsep + env["PATH"], "STUB_DIR": stub_dir,
                "OSTREL_EMULATED": "0", "OSTREL_INSTALL_RETRY_SECONDS": "0"})
    env.update(env_extra)
    for name in ("apt-get.calls", "installs"):
        path = os.path.join(stub_dir, name)
        if os.path.exists(path):
            os.remove(path)
    result = subprocess.run(["bash", SCRIPT], env=env, capture_output=True, text=True,
                            timeout=120)
    calls_path = os.path.join(stub_dir, "apt-get.calls")
    calls = open(calls_path).read().splitlines() if os.path.exists(calls_path) else []
    return result, [c for c in calls if " install " in f" {c} "]


def expect(condition, what, result=None):
    if not condition:
        if result is not None:
            print(result.stdout, result.stderr, sep="\n")
        print("FAIL:", what)
        sys.exit(1)
    print("ok:", what)


def main():
    release = codename()
    expect(release != "", "the system names its release")
    with tempfile.TemporaryDirectory() as stub_dir:
        for name, text in (("apt-get", APT_GET), ("dpkg-query", DPKG_QUERY),
                           ("dpkg", DPKG), ("id", ID)):
            path = os.path.join(stub_dir, name)
            with open(path, "w") as stub:
                stub.write(text)
            os.chmod(path, 0o755)

        result, installs = run(stub_dir)
        expect(result.returncode == 0, "a stale index: the install gets through", result)
        expect(len(installs) == 2 and f"-t {release}" in installs[1]
               and "wine32:i386" in installs[1],
               f"the second try, at once, takes the point release ({installs})", result)
        expect(f"trying again at once from the point release ({release})" in result.stderr
               and f"installed from the point release ({release})" in result.stdout,
               "the script says what it did", result)

        result, installs = run(stub_dir, STUB_SYNCING="3")
        expect(result.returncode == 0 and len(installs) == 4,
               f"a mirror still syncing: tried again until it answers ({len(installs)} installs)",
               result)
        expect("try 1 of 5" in result.stderr and "try 2 of 5" not in result.stderr,
               "one wait between the rounds that failed", result)

        result, installs = run(stub_dir, STUB_SYNCING="100")
        expect(result.returncode != 0 and len(installs) == 10,
               "a mirror that never answers fails the script after five rounds", result)

        # The emulated machine's own tools go through the same install.
        guest = subprocess.run(["bash", os.path.join(ROOT, "tools", "apt-install"), "--as", "guest",
                                "qemu-system-x86"], env=dict(os.environ, PATH=stub_dir + os.pathsep + os.environ["PATH"],
                                                             STUB_DIR=stub_dir), capture_output=True, text=True)
        expect(guest.returncode == 0 and "guest: installed from the point release" in guest.stdout,
               "the emulated machine's tools install from the point release too", guest)

        result, installs = run(stub_dir, STUB_PREPARED="1")
        expect(result.returncode == 0 and installs == [] and "installing" not in result.stdout,
               "a prepared machine asks apt for nothing", result)


if __name__ == "__main__":
    main()
