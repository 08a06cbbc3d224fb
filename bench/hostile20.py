#!/usr/bin/env python3
"""Measures the program against endless or huge response headers, a bad neighbour during the
search, an oversized stored card frame, two starts at the same moment, an unusable translation
table and a protected settings file: what it showed, peak memory, CPU time, and the time it
took to finish or to recover.

Run it against a build, in a network namespace of its own (loopback only):

    unshare -n sh -c 'ip link set lo up && bench/hostile20.py build/release/kalvane'

Give scenario names after the binary to run only those.
"""

import json
import os
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import threading
import time

TICK = os.sysconf("SC_CLK_TCK")
GOOD_VERSION = b'{"payload":"4.11.0"}'
POLL = json.dumps({"payload": {"timer": {"current": 600000, "playback": "play",
                                         "duration": 900000},
                               "eventNow": {"title": "Good"}}}).encode()


def answer(body):
    return (b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: %d\r\n"
            b"Connection: close\r\n\r\n" % len(body)) + body


def endless_headers(conn):
    conn.sendall(b"HTTP/1.1 200 OK\r\n")
    line = b"X-Filler: " + b"x" * 30 + b"\r\n"
    while True:
        conn.sendall(line * 1000)


def huge_header(conn, body):
    conn.sendall(b"HTTP/1.1 200 OK\r\nX-Huge: ")
    piece = b"x" * (1 << 20)
    for _ in range(8):
        conn.sendall(piece)
    conn.sendall(b"\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body)


class RawServer:
    """A loopback server that reads a request and hands the connection to `behave`."""

    def __init__(self, host, behave, port=0):
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind((host, port))
        self.listener.listen(64)
        self.port = self.listener.getsockname()[1]
        self.behave = behave
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.serve, args=(conn,), daemon=True).start()

    def serve(self, conn):
        try:
            request = b""
            while b"\r\n\r\n" not in request:
                data = conn.recv(4096)
                if not data:
                    return
                request += data
            path = request.split(b" ")[1].split(b"?")[0]
            self.behave(conn, path)
        except OSError:
            pass
        finally:
            conn.close()


def ontime(conn, path):
    conn.sendall(answer(POLL if path.endswith(b"api/poll") else GOOD_VERSION))


def environment(config, **extra):
    env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=config,
               QT_QPA_PLATFORM="offscreen", KLV_SCAN_INTERFACES="en9=127.0.1.20/24",
               KLV_STAGETIMER_CLOUD="http://127.0.0.1:9/v1")
    env.update(extra)
    return env


def measure(command, env, stop_after=None, timeout=60):
    """Runs a command; returns its output, peak RSS (MB), CPU seconds and wall seconds (for a
    stopped command: from SIGTERM to its end)."""
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    peak, cpu, stopped = 0, 0.0, None
    while process.poll() is None:
        try:
            with open(f"/proc/{process.pid}/status") as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        peak = max(peak, int(line.split()[1]))
            with open(f"/proc/{process.pid}/stat") as stat_file:
                fields = stat_file.read().rsplit(")", 1)[1].split()
                cpu = (int(fields[11]) + int(fields[12])) / TICK
        except (FileNotFoundError, ProcessLookupError, IndexError):
            pass
        now = time.monotonic()
        if stop_after is not None and stopped is None and now - start > stop_after:
            process.send_signal(signal.SIGTERM)
            stopped = now
        if now - start > timeout:
            process.kill()
        time.sleep(0.02)
    out, err = process.communicate()
    end = time.monotonic()
    return {"out": out.decode(errors="replace").strip().splitlines()[-1:],
            "err": err.decode(errors="replace").strip().splitlines()[:2],
            "exit": process.returncode, "rss_mb": round(peak / 1024, 1),
            "cpu_s": round(cpu, 2), "time_s": round(end - (stopped or start), 2)}


def watch_endless_headers(binary):
    server = RawServer("127.0.0.1", lambda conn, path: endless_headers(conn))
    with tempfile.TemporaryDirectory() as config:
        row = measure([binary, "watch", "ontime", "127.0.0.1", "--port", str(server.port),
                       "--ticks", "10000"], environment(config), stop_after=20)
    row["shown"] = row.pop("out")
    return row


def probe_huge_header(binary):
    server = RawServer("127.0.0.1", lambda conn, path: huge_header(conn, GOOD_VERSION))
    with tempfile.TemporaryDirectory() as config:
        return measure([binary, "probe", "127.0.0.1", "--port", str(server.port)],
                       environment(config))


def scan_beside_bad_neighbour(binary):
    bad = RawServer("127.0.1.5", lambda conn, path: endless_headers(conn))
    RawServer("127.0.1.7", ontime, bad.port)
    with tempfile.TemporaryDirectory() as config:
        return measure([binary, "scan", "--port", str(bad.port)], environment(config))


def oversized_frame(binary):
    with tempfile.TemporaryDirectory() as config:
        os.makedirs(f"{config}/Tessaly")
        with open(f"{config}/Tessaly/Kalvane.ini", "w") as ini:
            ini.write('[General]\nKalvane="100,100,40000,20000"\n')
        return measure([binary, "--show-overlay", "--quit-after", "6"], environment(config))


def two_starts(binary, tries=10):
    both = 0
    for _ in range(tries):
        with tempfile.TemporaryDirectory() as config:
            env = environment(config)
            runs = [subprocess.Popen([binary, "--lang", "de", "--quit-after", "2"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
                    for _ in range(2)]
            errors = [r.communicate(timeout=30)[1].decode() for r in runs]
            both += sum("läuft bereits" in e for e in errors) == 0
    return {"shown": f"two instances ran in {both} of {tries} tries"}


def unusable_table(binary):
    # A copy without the table beside it, so that the one named in the environment is read.
    with tempfile.TemporaryDirectory() as config:
        copy = shutil.copy(binary, config)
        row = measure([copy, "--lang", "en", "--quit-after", "2"],
                      environment(config, KLV_STRINGS="/dev/zero"), timeout=30)
    return row


def protected_settings(binary):
    with tempfile.TemporaryDirectory() as config:
        os.makedirs(f"{config}/Tessaly")
        path = f"{config}/Tessaly/Kalvane.ini"
        with open(path, "w") as ini:
            ini.write("[General]\nshowBar=false\n")
        os.chmod(path, 0o444)
        row = measure([binary, "--quit-after", "2"], environment(config))
        row["shown"] = f"Kalvane.ini mode after the run: {oct(stat.S_IMODE(os.stat(path).st_mode))}"
    return row


SCENARIOS = {
    "endless headers (watch, SIGTERM after 20 s)": watch_endless_headers,
    "8 MB header (probe)": probe_huge_header,
    "bad neighbour during the search": scan_beside_bad_neighbour,
    "oversized stored frame": oversized_frame,
    "two starts at once": two_starts,
    "KLV_STRINGS=/dev/zero": unusable_table,
    "read-only settings file": protected_settings,
}


def main():
    binary = sys.argv[1]
    only = sys.argv[2:]
    for name, scenario in SCENARIOS.items():
        if only and name not in only:
            continue
        row = {"scenario": name}
        row.update(scenario(binary))
        print(json.dumps(row, ensure_ascii=False), flush=True)


if __name__ == "__main__":
    main()
