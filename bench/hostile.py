#!/usr/bin/env python3
"""Runs the real program against misbehaving timer servers and measures what it costs.

For each scenario a loopback server behaves for a few seconds, misbehaves for a while, then
behaves again. The "socket" scenarios are Ontime's socket misbehaving on every connection
(bench/ontime/scripted_ontime.py) while its poll answers. The program runs one `watch` command against it; the script samples the
process's resident memory and reads the status lines it prints, and reports the memory growth,
the status shown while the server misbehaved, and how long the program took to show good data
again once the server behaved.

Run it in a network namespace of its own so that nothing can leave the machine whatever the
program under test does with an address (bench/fuzz.sh shows the same pattern):

    unshare -n sh -c 'ip link set lo up && bench/hostile.py build/release/kalvane'
"""

import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

GOOD_FOR = 2.0
HOSTILE_FOR = 10.0
AFTER = 6.0
GIGABYTE = 1 << 30


def ontime_poll(title):
    return json.dumps({"payload": {"timer": {"current": 600000, "playback": "play",
                                             "duration": 900000},
                                   "eventNow": {"title": title}}}).encode()


def stagetimer_status(name_hint):
    now = int(time.time() * 1000)
    return json.dumps({"ok": True, "data": {"timer_id": name_hint, "running": True,
                                            "finish": now + 600000, "server_time": now}}).encode()


def deflate_bomb():
    packer = zlib.compressobj(9, zlib.DEFLATED, 31)  # gzip framing
    chunk = b" " * (1 << 20)
    parts = [packer.compress(chunk) for _ in range(1024)]
    parts.append(packer.flush())
    return b"".join(parts)


class Script:
    """What the server does now: 'good' or the scenario's misbehaviour."""

    def __init__(self, scenario):
        self.scenario = scenario
        self.keys_elsewhere = []
        self.bomb = deflate_bomb() if scenario == "gzip bomb" else b""
        self.start = time.monotonic()

    def hostile_now(self):
        if self.scenario == "uppercase scheme":
            return False
        elapsed = time.monotonic() - self.start
        return GOOD_FOR <= elapsed < GOOD_FOR + HOSTILE_FOR

    def switch_back_at(self):
        return self.start + GOOD_FOR + HOSTILE_FOR


def make_handler(script, redirect_target):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def send_body(self, body, status=200, headers=()):
            self.send_response(status)
            self.send_header("Content-Type", "application/json")
            for name, value in headers:
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            path = self.path.split("?")[0]
            good = self.good_body(path, "Again" if time.monotonic() > script.switch_back_at()
                                  else "Good")
            if not script.hostile_now() or good is None:
                if good is None:
                    self.send_body(b'{"ok":true,"data":[]}')
                else:
                    self.send_body(good)
                return
            self.misbehave(good)

        def good_body(self, path, title):
            if path.endswith("api/poll"):
                return ontime_poll(title)
            if path.endswith("api/version"):
                return b'{"payload":"4.11.0"}'
            if path.endswith("get_status"):
                return stagetimer_status(title)
            if path.endswith("get_timer"):
                return json.dumps({"ok": True, "data": {"name": "Talk"}}).encode()
            return None

        def misbehave(self, good):
            kind = script.scenario
            try:
                if kind == "trickle":
                    self.send_response(200)
                    self.send_header("Content-Length", str(len(good)))
                    self.send_header("Connection", "close")
                    self.end_headers()
                    for byte in good:
                        self.wfile.write(bytes([byte]))
                        self.wfile.flush()
                        time.sleep(1.0)
                elif kind in ("1 GB chunked", "1 GB with length"):
                    self.send_response(200)
                    if kind == "1 GB chunked":
                        self.send_header("Transfer-Encoding", "chunked")
                    else:
                        self.send_header("Content-Length", str(GIGABYTE))
                    self.send_header("Connection", "close")
                    self.end_headers()
                    piece = b"x" * (1 << 20)
                    for _ in range(1024):
                        if kind == "1 GB chunked":
                            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                        else:
                            self.wfile.write(piece)
                    if kind == "1 GB chunked":
                        self.wfile.write(b"0\r\n\r\n")
                elif kind == "gzip bomb":
                    self.send_body(script.bomb, headers=[("Content-Encoding", "gzip")])
                elif kind == "reset":
                    self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                               b"\x01\x00\x00\x00\x00\x00\x00\x00")
                    self.connection.close()
                elif kind == "redirect elsewhere":
                    self.send_body(b"", 302, [("Location", redirect_target + self.path)])
                elif kind == "500 storm":
                    self.send_body(b"oops", 500)
                elif kind == "endless headers":
                    self.wfile.write(b"HTTP/1.1 200 OK\r\n")
                    while script.hostile_now():
                        self.wfile.write(b"X-Filler: " + b"x" * 30 + b"\r\n")
                elif kind == "8 MB header":
                    self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Huge: " + b"x" * (8 << 20) + b"\r\n"
                                     b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(good)
                                     + good)
            except (BrokenPipeError, ConnectionResetError):
                pass

    return Handler


def make_capture(script):
    class Capture(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_GET(self):
            script.keys_elsewhere.append(self.headers.get("Authorization", ""))
            body = b'{"ok":true,"data":{}}'
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    return Capture


def serve(handler, host):
    server = ThreadingHTTPServer((host, 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except FileNotFoundError:
        return None
    return None


def cpu_seconds(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (FileNotFoundError, IndexError):
        return None


def serve_scripted_ontime(script):
    """Ontime with a socket that misbehaves on every connection while the script says so."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "ontime"))
    from scripted_ontime import ScriptedOntime
    server = ScriptedOntime("127.0.0.1", 0)
    server.hostility = script.scenario[len("socket "):]
    server.hostile_now = script.hostile_now
    server.act("start/id")
    server.set_title("Good")
    # The connected app is sent away when the hostility starts, and comes back into it.
    threading.Timer(GOOD_FOR, server.drop_sockets).start()
    threading.Timer(GOOD_FOR + HOSTILE_FOR, server.set_title, ["Again"]).start()
    return server.port, server.close


def run(binary, scenario, client):
    script = Script(scenario)
    capture = serve(make_capture(script), "127.0.0.2")
    if scenario.startswith("socket "):
        port, stop = serve_scripted_ontime(script)
    else:
        server = serve(make_handler(script, f"http://127.0.0.2:{capture.server_port}"),
                       "127.0.0.1")
        port, stop = server.server_port, server.shutdown
    ticks = int((GOOD_FOR + HOSTILE_FOR + AFTER) * 4)
    if client == "ontime":
        command = [binary, "watch", "ontime", "127.0.0.1", "--port", str(port),
                   "--ticks", str(ticks)]
    else:
        address = f"127.0.0.1:{port}"
        if scenario == "uppercase scheme":
            address = f"HTTP://127.0.0.1:{port}"
        command = [binary, "watch", "stagetimer", "--room", "R", "--key", "s3cret-key",
                   "--server", address, "--ticks", str(ticks)]
    with tempfile.TemporaryDirectory() as config:
        env = dict(os.environ, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="offscreen",
                   KLV_SCAN_INTERFACES="en9=127.0.1.20/24",
                   KLV_STAGETIMER_CLOUD="http://127.0.0.1:9/v1")
        process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   env=env, text=True)
        peak = [0]
        base = [None]
        cpu = [0.0]

        def sample():
            while process.poll() is None:
                value = rss_kb(process.pid)
                if value:
                    peak[0] = max(peak[0], value)
                cpu[0] = cpu_seconds(process.pid) or cpu[0]
                time.sleep(0.05)

        sampler = threading.Thread(target=sample, daemon=True)
        sampler.start()
        lines = []
        for line in process.stdout:
            now = time.monotonic()
            if base[0] is None:
                base[0] = rss_kb(process.pid)
            try:
                lines.append((now, json.loads(line)))
            except json.JSONDecodeError:
                pass
        process.wait()
        sampler.join()
    stop()
    capture.shutdown()

    switch = script.switch_back_at()
    hostile_start = script.start + GOOD_FOR
    if os.environ.get("HOSTILE_TRACE"):
        for t, l in lines:
            print(f"{t - switch:+7.2f} {l.get('status')} {l.get('connected')} {l.get('time')}",
                  file=sys.stderr)
    during = [l for t, l in lines if hostile_start + 1 < t < switch]
    shown = during[-1] if during else (lines[-1][1] if lines else {})
    recovered = None
    for t, l in lines:
        fresh = ("Again" in l.get("caption", "") if client == "ontime"
                 else l.get("time") in ("10:00", "09:59"))
        if t >= switch and l.get("connected") and fresh:
            recovered = t - switch
            break
    return {
        "scenario": scenario,
        "client": client,
        "rss_growth_mb": round((peak[0] - (base[0] or peak[0])) / 1024, 1),
        "cpu_s": round(cpu[0], 2),
        "shown": f'{shown.get("status", "")} | connected={shown.get("connected")}'
                 f' | time={shown.get("time")}',
        "recovered_s": None if recovered is None else round(recovered, 2),
        "key_elsewhere": len(script.keys_elsewhere),
    }


SCENARIOS = [
    ("uppercase scheme", "stagetimer"),
    ("trickle", "ontime"),
    ("trickle", "stagetimer"),
    ("1 GB chunked", "stagetimer"),
    ("1 GB with length", "ontime"),
    ("gzip bomb", "stagetimer"),
    ("reset", "ontime"),
    ("redirect elsewhere", "stagetimer"),
    ("500 storm", "ontime"),
    ("endless headers", "ontime"),
    ("8 MB header", "ontime"),
    ("socket flood", "ontime"),
    ("socket trickle", "ontime"),
    ("socket 100 MB frame", "ontime"),
    ("socket garbage", "ontime"),
    ("socket closed mid-frame", "ontime"),
]


def main():
    binary = sys.argv[1]
    only = sys.argv[2:]
    for scenario, client in SCENARIOS:
        if only and scenario not in only:
            continue
        print(json.dumps(run(binary, scenario, client), ensure_ascii=False), flush=True)


if __name__ == "__main__":
    main()
